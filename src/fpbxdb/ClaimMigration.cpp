#include "fpbxdb/ClaimMigration.h"

#include <optional>

#include "store/Database.h"
#include "store/PgConnection.h"
#include "store/SchemaUpgrade.h"

namespace claimmigration {

namespace {

struct FileClaim {
    QString number;
    std::optional<QString> reimburser;
    QString openedAt;
    std::optional<QString> closedAt;
    qint64 sheets = 0;
};

QList<FileClaim> readClaims(Database& source) {
    QList<FileClaim> claims;
    if (store::missingSchemaObjects(source).contains(QStringLiteral("报销单"))) {
        return claims;  // a store of an earlier version: no claims
    }
    Statement select = source.prepare(QStringLiteral(
        "select 报销单号, 报销人, 开单时间, 结单时间, 生成次数 from 报销单 order by 报销单号"));
    while (select.step()) {
        FileClaim claim;
        claim.number = select.text(0);
        if (!select.isNull(1)) {
            claim.reimburser = select.text(1);
        }
        claim.openedAt = select.text(2);
        if (!select.isNull(3)) {
            claim.closedAt = select.text(3);
        }
        claim.sheets = select.int64(4);
        claims << claim;
    }
    return claims;
}

}  // namespace

Carried carryClaims(Database& source, PgConnection& connection) {
    Carried result;
    const QList<FileClaim> claims = readClaims(source);
    if (claims.isEmpty()) {
        return result;
    }
    if (connection.exec(QStringLiteral("select to_regclass('报销单') is not null")).text(0, 0) !=
        QStringLiteral("t")) {
        throw AppError(QStringLiteral("服务器上的登记库还没有报销单（先运行 fpbxdb init）"));
    }
    PgTransaction transaction(connection);
    // Two administrators migrating at once take turns.
    connection.exec(QStringLiteral("lock table 报销单 in share row exclusive mode"));
    for (const FileClaim& claim : claims) {
        // The same claim: its number with the same opening, or carried before under another.
        const PgResult same = connection.exec(
            QStringLiteral("select 报销单号 from 报销单 where 开单时间 = $2 and 报销人 is not "
                           "distinct from $3 and (报销单号 = $1 and 原报销单号 is null or "
                           "原报销单号 = $1)"),
            PgParams().text(claim.number).timestamp(claim.openedAt).text(claim.reimburser));
        if (same.rows() > 0) {
            result.numbers.insert(claim.number, same.text(0, 0));
            ++result.skipped;
            continue;
        }
        const QString day = claim.number.mid(2, 8);
        const int sequence = claim.number.mid(10).toInt();
        QString number = claim.number;
        const bool taken = connection
                               .exec(QStringLiteral("select 1 from 报销单 where 报销单号 = $1"),
                                     PgParams().text(claim.number))
                               .rows() > 0;
        if (taken) {
            const PgResult next = connection.exec(
                QStringLiteral("insert into 报销单_序号 (日期, 序号) values ($1, 1) on conflict "
                               "(日期) do update set 序号 = 报销单_序号.序号 + 1 returning 序号"),
                PgParams().text(day));
            const qint64 n = next.int64(0, 0);
            if (n > 9999) {
                throw AppError(
                    QStringLiteral("报销单 %1：服务器上当天的报销单号已用完").arg(claim.number));
            }
            number = QStringLiteral("BX%1%2").arg(day).arg(n, 4, 10, QLatin1Char('0'));
            result.renumbered.append({claim.number, number});
        } else {
            connection.exec(
                QStringLiteral("insert into 报销单_序号 (日期, 序号) values ($1, $2) on conflict "
                               "(日期) do update set 序号 = greatest(报销单_序号.序号, "
                               "excluded.序号)"),
                PgParams().text(day).int64(sequence));
        }
        connection.exec(
            QStringLiteral("insert into 报销单 (报销单号, 报销人, 开单时间, 结单时间, 生成次数, "
                           "原报销单号) values ($1, $2, $3, $4, $5::integer, $6)"),
            PgParams()
                .text(number)
                .text(claim.reimburser)
                .timestamp(claim.openedAt)
                .timestamp(claim.closedAt)
                .int64(claim.sheets)
                .text(taken ? std::optional<QString>(claim.number) : std::nullopt));
        result.numbers.insert(claim.number, number);
        ++result.carried;
    }
    transaction.commit();
    return result;
}

}  // namespace claimmigration
