#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "store/AuditTrail.h"
#include "store/StoreError.h"

// Reimbursement claims (报销单) as the registry keeps them: the claim's row in 报销单 and its
// invoices, the rows of 发票报销 that name it. A registration joins a claim by its InvoiceRecord's
// claimNumber; an undone registration leaves it with the row.

// One invoice of a claim, as its sheet lists it.
struct ClaimInvoice {
    QString kindCode;     // 发票种类 (item [1] of the QR code), empty when unknown
    QString code;         // 发票代码, empty on a fully digital invoice
    QString number;       // 发票号码
    QString invoiceDate;  // 开票日期, yyyymmdd
    std::optional<qint64> amountUnits;  // 开票金额, ten-thousandths
};

struct StoredClaim {
    QString number;                // 报销单号
    QString reimburser;            // 报销人
    QDateTime openedAt;            // 开单时间
    QDateTime closedAt;            // 结单时间; invalid while it is open
    qint64 sheets = 0;             // 生成次数: sheets written of it
    QList<ClaimInvoice> invoices;  // in the order they were registered
};

// A new claim, or why there is none.
struct OpenedClaim {
    QString number;
    QDateTime openedAt;
    bool ok = false;
    StoreError error;
};

// A claim read back: nothing when there is no claim of that number.
struct ClaimRead {
    std::optional<StoredClaim> claim;
    bool ok = true;
    StoreError error;
};

// The claims closed on the days from..to, per month of closing and reimburser.
struct ClaimFigure {
    QString month;       // yyyy-MM
    QString reimburser;  // 报销人 of the claim
    qint64 claims = 0;
    qint64 invoices = 0;     // their invoices now (an undone registration has left its claim)
    qint64 amountUnits = 0;  // the exact sum of their 开票金额
    bool operator==(const ClaimFigure&) const = default;
};
struct ClaimFigures {
    QList<ClaimFigure> rows;  // by month, then reimburser (code-point order)
    bool ok = true;
    StoreError error;
};

// Each instance is used on one thread at a time; the store never shows anything.
class ClaimStore {
public:
    virtual ~ClaimStore() = default;

    // A claim of the reimburser, opened now under the next number of today (BX + yyyyMMdd +
    // 0001…9999, never given twice, whichever PC asks). Its trail line (新建报销单) goes with it.
    virtual OpenedClaim openClaim(const QString& reimburser) = 0;
    // A claim still empty and open changes hands when the clerk picks another reimburser.
    virtual ChangeOutcome setReimburser(const QString& number, const QString& reimburser) = 0;
    // Closes an open claim now (its trail line 结束报销单 with its count and total): NotFound for
    // a claim that is not open.
    virtual ChangeOutcome closeClaim(const QString& number) = 0;
    // A sheet of a closed claim written again (重新生成报销单).
    virtual ChangeOutcome recordSheet(const QString& number) = 0;
    virtual ClaimRead readClaim(const QString& number) = 0;
    // The claim a recorded invoice joined: nothing when it joined none (or is not recorded).
    virtual ClaimRead readClaimOf(const trail::InvoiceKey& invoice) = 0;
    // One query.
    virtual ClaimFigures figures(const QDate& from, const QDate& to) = 0;
    // The newest claim still open that this computer's user opened here (its 新建报销单 line
    // names them): the claim the desk was at when the program last ended. Nothing when none.
    virtual ClaimRead lastOpenClaim() = 0;
};

// The claims of the company's registry named by config.ini.
std::unique_ptr<ClaimStore> openClaimStore();
