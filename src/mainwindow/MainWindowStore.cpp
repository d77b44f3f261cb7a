// The main window's side of the store: the outcomes of registrations, the count and what the
// scan panel says while the registry cannot be used, as the store runner answers them.
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "base/AppError.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "invoice/InvoiceFace.h"
#include "mainwindow/ClaimPanel.h"
#include "mainwindow/InvoiceFaceView.h"
#include "mainwindow/MainWindow.h"
#include "mainwindow/SystemColours.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/Prompts.h"

namespace {

QList<QPair<QString, QString>> faceOf(const InvoiceRecord& invoice, const QString& kind) {
    return invoice::faceItems({kind,
                               invoice.code,
                               invoice.number,
                               invoice.invoiceDate,
                               invoice.amount,
                               invoice.checkCode,
                               {},
                               {}});
}

}  // namespace

void MainWindow::showRegistration(const StoreRunner::Outcome& outcome) {
    // The claim opened with it is the open one at once: the next scan joins it, box or not.
    if (outcome.invoice.opensClaim) {
        claimPanel_->openedWith(outcome.checked.registration, outcome.invoice.reimburser);
    }
    // The panel shows the outcome whose box is open until the clerk has read it.
    if (failureBoxOpen_) {
        StoreRunner::Outcome held = outcome;
        held.invoice.opensClaim = false;  // taken up already
        heldOutcomes_ << held;
        return;
    }
    const rules::Checked& checked = outcome.checked;
    // Heard before any box the outcome brings; a refusal sounds as nothing recorded.
    sounds_.registration(checked.kind == rules::Checked::Kind::Refused
                             ? Registration::Result::Failed
                             : checked.registration.result);
    const Registration& registration = checked.registration;
    const QString& joined =
        registration.openedClaim.isEmpty() ? outcome.invoice.claimNumber : registration.openedClaim;
    if (checked.kind == rules::Checked::Kind::Registered && !joined.isEmpty() &&
        claimPanel_->desk().number() == joined) {
        claimPanel_->registered(outcome.invoice.amount);
    }
    if (checked.kind != rules::Checked::Kind::Failed) {
        showRegistryState(std::nullopt);
    } else if (checked.registration.error.kind != StoreError::Kind::InvalidValue &&
               runner_->mode() == StoreRunner::Mode::OwnThread) {
        // The outcome says it now; once it has gone, the panel says it again until the registry
        // answers.
        registryAway_ = false;
        registryRetry_->start();
    }
    runGuarded([&] {
        if (checked.kind == rules::Checked::Kind::Failed &&
            checked.registration.error.kind == StoreError::Kind::InvalidValue) {
            throw AppError(checked.registration.error.detail);
        }
        if (outcome.mode == EntryMode::Manual) {
            showManualOutcome(outcome);
            return;
        }
        setScanNumberText(QStringLiteral("发票号码：") + outcome.invoice.number);
        showScanOutcome(checked, faceOf(outcome.invoice, outcome.invoice.kindCode));
        armWaiting();
    });
}

void MainWindow::refreshCount() {
    runner_->count();
}

void MainWindow::showCount(const InvoiceCount& result) {
    if (result.count) {
        showRegistryState(std::nullopt);
        Label_num->setText(QString::number(*result.count));
        Label_num1->setText(QString::number(*result.count));
        return;
    }
    WriteLog(GetExeDir(), QStringLiteral("获取扫描总数异常：") + result.error.detail);
    if (runner_->mode() == StoreRunner::Mode::OwnThread) {
        // Not 0: nothing is known of the registry's invoices until it answers.
        Label_num->setText(QStringLiteral("—"));
        Label_num1->setText(QStringLiteral("—"));
        showRegistryState(result.error);
        return;
    }
    appprompts::get().message(this, QStringLiteral("出现异常"), result.error.panelText(),
                              MsgIcon::Information);
    Label_num->setText(QStringLiteral("0"));
    Label_num1->setText(QStringLiteral("0"));
}

void MainWindow::showRegistryState(const std::optional<StoreError>& error) {
    registryUnreachable_ = error.has_value();
    if (!error) {
        if (!claimsResumed_) {
            claimsResumed_ = true;
            claimPanel_->resumeLeftOpen();
        }
        if (registryAway_) {
            registryAway_ = false;
            registryRetry_->stop();
            setScanFaceShown(false);
            setScanNumberText(QString());
            setScanMessage(QStringLiteral("等待扫描"), false);
            Label_note_sm->clear();
        }
        return;
    }
    // Said in the clerk's words while no outcome is on the panel; asked again now and then.
    if (!Timer1->isActive() && !registryAway_) {
        registryAway_ = true;
        // Laid out as an outcome, the note under the message, without a face.
        setScanFaceShown(true);
        Panel_face_sm->clear();
        setScanNumberText(QString());
        setScanMessage(error->reason(), true);
        setNote(Label_note_sm, error->panelText(), colours::red());
    }
    if (runner_->mode() == StoreRunner::Mode::OwnThread && !registryRetry_->isActive()) {
        registryRetry_->start();
    }
}

void MainWindow::showManualOutcome(const StoreRunner::Outcome& outcome) {
    const rules::Checked& checked = outcome.checked;
    // Typed by hand: no kind, and no amount or check code that the invoice said.
    InvoiceRecord typed = outcome.invoice;
    typed.amount.clear();
    Panel_face_sx->setItems(faceOf(typed, {}));
    setNote(Label_note_sx, QString(), colours::red());
    switch (checked.kind) {
        case rules::Checked::Kind::Registered:
            Label_msg1->setText(QStringLiteral("报销成功！"));
            if (!checked.warning.isEmpty()) {
                setNote(Label_note_sx, QStringLiteral("提示：") + checked.warning, warningColour());
            }
            break;
        case rules::Checked::Kind::AlreadyRecorded:
            Label_msg1->setText(QStringLiteral("已报销！"));
            setNote(Label_note_sx,
                    invoice::firstReimbursed(checked.registration.earlierAt,
                                             checked.registration.earlierReimburser),
                    colours::red());
            break;
        case rules::Checked::Kind::Refused:
            // Not recorded: it stays typed, to be corrected or put aside.
            Label_msg1->setText(QStringLiteral("拒绝报销！"));
            setNote(Label_note_sx, checked.refusal, colours::red());
            return;
        case rules::Checked::Kind::Failed:
            // The invoice was not recorded: it stays typed for another try, and the clerk is
            // told why as a scan is.
            Label_msg1->setText(QStringLiteral("登记失败！"));
            setNote(Label_note_sx, checked.registration.error.panelText(), colours::red());
            showStoreFailure(checked.registration.error);
            return;
    }
    // Cleared for the next invoice unless the clerk has typed another meanwhile.
    if (Edit_fpdm->text() == outcome.invoice.code && Edit_fphm->text() == outcome.invoice.number) {
        Edit_fpdm->clear();
        Edit_fphm->clear();
    }
}
