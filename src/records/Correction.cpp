#include "records/Correction.h"

#include "base/AppError.h"
#include "invoice/ReimburserName.h"
#include "store/Database.h"
#include "store/SqliteInvoiceStore.h"

namespace correction {

QString initialText(const QString& stored) {
    return stored == QStringView(kPlaceholder) ? QString() : stored;
}

QString caption(const QString& number) {
    return QStringLiteral("修改报销人->发票号码:") + number;
}

Verdict judge(const std::optional<QString>& entered) {
    if (!entered || entered->isEmpty()) {
        return Verdict::Ignore;
    }
    return reimbursername::isTooLong(*entered) ? Verdict::TooLong : Verdict::Save;
}

void saveReimburser(InvoiceStore& store, const QString& code, const QString& number,
                    const QString& name) {
    const ChangeOutcome outcome = store.correctReimburser({code, number}, name);
    switch (outcome.result) {
        case ChangeOutcome::Result::Done:
            return;
        case ChangeOutcome::Result::NotFound:
            // Saying "saved" for a row that is not there would be a lie.
            throw AppError(QStringLiteral(
                "Row cannot be located for updating. Some values may have been changed since it "
                "was last read."));
        case ChangeOutcome::Result::Refused:
        case ChangeOutcome::Result::Failed:
            break;
    }
    throw AppError(outcome.error.detail.isEmpty()
                       ? outcome.error.reason()
                       : outcome.error.reason() + QStringLiteral("：") + outcome.error.detail);
}

void saveReimburser(Database& db, const QString& code, const QString& number, const QString& name) {
    SqliteInvoiceStore store(QStringLiteral("Data Source=%1;").arg(db.path()));
    saveReimburser(store, code, number, name);
}

}  // namespace correction
