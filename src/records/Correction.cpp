#include "records/Correction.h"

#include <sqlite3.h>

#include "shell/AppError.h"
#include "store/Database.h"
#include "store/ReimburserName.h"

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

void saveReimburser(Database& db, const QString& code, const QString& number, const QString& name) {
    Statement update = db.prepare(
        QStringLiteral("update 发票报销 set 报销人 = ?1 where 发票代码 = ?2 and 发票号码 = ?3"));
    update.bind(1, name).bind(2, code).bind(3, number);
    update.execute();
    if (sqlite3_changes(db.handle()) != 1) {
        // Saying "saved" for a row that is not there would be a lie.
        throw AppError(QStringLiteral(
            "Row cannot be located for updating. Some values may have been changed since it "
            "was last read."));
    }
}

}  // namespace correction
