#pragma once

#include <QWidget>
#include <memory>

#include "claims/ClaimDesk.h"
#include "store/ClaimStore.h"
#include "store/InvoiceStore.h"

class ClickableLabel;
class KeyboardCapture;
class QLabel;

// The open reimbursement claim on the main window: its number, count and running total, and
// 新建报销单 and 结束本单. Every invoice registered while a claim is open joins it; closing it
// writes the claim's sheet, keeps it in the company folder and offers to print it.
class ClaimPanel final : public QWidget {
    Q_OBJECT

public:
    // The claims go to store (the company's when null); sheets are kept under companyDir.
    ClaimPanel(std::unique_ptr<ClaimStore> store, QString companyDir, QWidget* parent = nullptr);
    ~ClaimPanel() override;

    // The claim a registration of the reimburser joins, opened when none is; empty when none
    // could be opened (said on the panel).
    QString claimFor(const QString& reimburser);
    // Takes up the claim the last run ended with, when it is still open: asked once the registry
    // has answered, so that a start never waits for it.
    void resumeLeftOpen();
    // A registration that was to open a claim has ended: the claim it opened is the open one,
    // or the panel says why none could be opened.
    void openedWith(const Registration& registration, const QString& reimburser);
    // An invoice of the amount joined the open claim.
    void registered(const QString& amountText);
    // The open claim's count and total read again from the store (after the records window).
    void reload();
    // The clerk picked another reimburser: a claim with invoices open is offered to be closed.
    void reimburserChanged(const QString& reimburser);

    // "新建报销单": closes an open claim with invoices (its sheet written) and opens a new one.
    void newClaim(const QString& reimburser);
    // "结束本单": closes the open claim and writes its sheet; true when one was closed.
    bool closeClaim();
    // Where the sheet of the last claim closed was kept; empty before.
    const QString& lastSheet() const { return lastSheet_; }

    const claims::ClaimDesk& desk() const { return desk_; }
    // The scan mode's capture, let go while the panel asks the clerk something.
    void setCapture(KeyboardCapture* capture) { capture_ = capture; }

signals:
    void newClaimClicked();

private:
    void refresh();
    void showProblem(const QString& what, const StoreError& error);
    // Runs ask with the keyboard the clerk's own.
    template <class Ask>
    auto unhooked(Ask&& ask);

    std::unique_ptr<ClaimStore> store_;
    claims::ClaimDesk desk_;
    QString companyDir_;
    QString lastSheet_;
    KeyboardCapture* capture_ = nullptr;
    QLabel* Label_claim;
    QLabel* Label_claimTotal;
    ClickableLabel* Label_newClaim;
    ClickableLabel* Label_closeClaim;
};
