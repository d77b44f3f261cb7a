#include "auditwindows/RecordActions.h"

#include <QAbstractItemView>
#include <QMenu>

#include "auditwindows/TrailDialog.h"
#include "invoice/InvoiceColumns.h"
#include "prompts/ErrorDisplay.h"
#include "prompts/Prompts.h"
#include "store/InvoiceStore.h"

namespace audit {

QString undoCaption(const QString& number) {
    return QStringLiteral("撤销报销->发票号码:") + number;
}

RecordActions::RecordActions(QAbstractItemView* grid, QWidget* owner)
    : QObject(owner), grid_(grid), owner_(owner) {}

trail::InvoiceKey RecordActions::keyOf(int row) const {
    const QAbstractItemModel* model = grid_->model();
    return {model->index(row, invoicecolumns::kCode).data().toString(),
            model->index(row, invoicecolumns::kNumber).data().toString()};
}

void RecordActions::addTo(QMenu& menu, int row) {
    if (!menu.isEmpty()) {
        menu.addSeparator();
    }
    menu.addAction(historyText(), this, [this, row] { showHistory(row); });
    menu.addAction(undoText(), this, [this, row] { undo(row); });
}

QMenu* RecordActions::menuFor(int row) {
    auto* menu = new QMenu(grid_);
    addTo(*menu, row);
    return menu;
}

void RecordActions::showHistory(int row) {
    const trail::InvoiceKey key = keyOf(row);
    runGuarded([&] {
        TrailDialog dialog(key, owner_);
        dialog.exec();
    });
}

bool RecordActions::undo(int row) {
    const trail::InvoiceKey key = keyOf(row);
    Prompts& prompts = appprompts::get();
    const auto hint = [&](const QString& text, MsgIcon icon) {
        prompts.message(owner_, QStringLiteral("提示"), text, icon, MsgButtons::Ok);
    };
    const std::optional<QString> reason = prompts.inputText(
        owner_, undoCaption(key.number), QString::fromUtf16(kUndoPrompt), QString());
    if (!reason) {
        return false;
    }
    if (reason->trimmed().isEmpty()) {
        hint(QString::fromUtf16(kReasonRequired), MsgIcon::Warning);
        return false;
    }
    if (prompts.message(owner_, QStringLiteral("确认"), QString::fromUtf16(kUndoConfirmation),
                        MsgIcon::Question, MsgButtons::OkCancel) != MsgAnswer::Ok) {
        return false;
    }
    const ChangeOutcome outcome = openInvoiceStore()->undoRegistration(key, reason->trimmed());
    switch (outcome.result) {
        case ChangeOutcome::Result::Done:
            hint(QString::fromUtf16(kUndone), MsgIcon::Information);
            emit recordsChanged(row);
            return true;
        case ChangeOutcome::Result::NotFound:
            hint(QString::fromUtf16(kNoLongerRecorded), MsgIcon::Warning);
            emit recordsChanged(row);
            return false;
        case ChangeOutcome::Result::Refused:
        case ChangeOutcome::Result::Failed:
            break;
    }
    prompts.message(
        owner_, QStringLiteral("撤销报销"),
        QStringLiteral("撤销失败：") + outcome.error.reason() +
            (outcome.error.detail.isEmpty() ? QString()
                                            : QStringLiteral("\n\n") + outcome.error.detail),
        MsgIcon::Stop, MsgButtons::Ok);
    return false;
}

}  // namespace audit
