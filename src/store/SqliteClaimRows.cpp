#include "store/SqliteClaimRows.h"

#include "base/AppError.h"
#include "base/LocaleFormats.h"
#include "invoice/ClaimNumber.h"
#include "store/AuditTrail.h"
#include "store/Database.h"

namespace sqliteclaims {

void appendLine(Database& db, const QString& time, const char16_t* action, const QString& number,
                const QString& reimburser, std::optional<qint64> count,
                std::optional<qint64> totalUnits) {
    const trail::Actor& actor = trail::currentActor();
    Statement line = db.prepare(QStringLiteral(
        "insert into 发票报销_记录 (时间, 操作, 报销单号, 报销人, 总数, 开票金额, 用户, 计算机, "
        "版本) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)"));
    line.bind(1, time).bind(2, QString::fromUtf16(action)).bind(3, number).bind(4, reimburser);
    line.bind(5, count).bind(6, totalUnits);
    line.bind(7, actor.user).bind(8, actor.host).bind(9, actor.version);
    line.execute();
}

OpenedClaim open(Database& db, const QString& reimburser, const QDateTime& now) {
    OpenedClaim opened;
    const QString prefix = claimnumber::dayPrefix(now.date());
    Statement last = db.prepare(QStringLiteral(
        "select coalesce(max(substr(报销单号, 11)), '0') from 报销单 where 报销单号 like ?1"));
    last.bind(1, prefix + u'%');
    last.step();
    const int sequence = last.text(0).toInt() + 1;
    last.reset();
    opened.number = claimnumber::make(now.date(), sequence);
    if (opened.number.isEmpty()) {
        throw AppError(
            QStringLiteral("今天的报销单已有%1张，不能再新建").arg(claimnumber::kMaxPerDay));
    }
    opened.openedAt = now;
    Statement insert = db.prepare(
        QStringLiteral("insert into 报销单 (报销单号, 报销人, 开单时间) values (?1, ?2, ?3)"));
    insert.bind(1, opened.number).bind(2, reimburser).bind(3, localefmt::storageText(now));
    insert.execute();
    appendLine(db, localefmt::storageText(now), trail::kClaimOpened, opened.number, reimburser);
    opened.ok = true;
    return opened;
}

}  // namespace sqliteclaims
