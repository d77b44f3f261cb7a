#include "fpbxdb/RegistryRules.h"

#include "rules/RuleSettings.h"
#include "store/AuditTrail.h"
#include "store/PgConnection.h"

namespace registryrules {

QList<QPair<QString, QString>> read(PgConnection& connection) {
    const PgResult rows = connection.exec(QStringLiteral("select 规则, 值 from 核销规则"));
    QList<QPair<QString, QString>> set;
    for (const QString& key : rules::keys()) {
        for (int r = 0; r < rows.rows(); ++r) {
            if (rows.text(r, 0) == key) {
                set.append({key, rows.text(r, 1)});
            }
        }
    }
    return set;
}

QStringList set(PgConnection& connection, const QStringList& assignments) {
    QStringList problems;
    QList<QPair<QString, QString>> changes;
    for (const QString& assignment : assignments) {
        const qsizetype equals = assignment.indexOf(u'=');
        if (equals <= 0) {
            problems << QStringLiteral("%1：应写成 规则=值（值为空即关闭该规则）").arg(assignment);
            continue;
        }
        const QString key = assignment.left(equals).trimmed();
        const rules::Normalised value = rules::normalise(key, assignment.mid(equals + 1));
        if (!value.problem.isEmpty()) {
            problems << QStringLiteral("%1：%2").arg(assignment, value.problem);
            continue;
        }
        changes.append({key, value.value});
    }
    if (!problems.isEmpty()) {
        return problems;
    }
    PgTransaction transaction(connection);
    QStringList said;
    for (const auto& [key, value] : changes) {
        if (value.isEmpty()) {
            connection.exec(QStringLiteral("delete from 核销规则 where 规则 = $1"),
                            PgParams().text(key));
        } else {
            connection.exec(
                QStringLiteral("insert into 核销规则 (规则, 值) values ($1, $2) on conflict (规则) "
                               "do update set 值 = excluded.值, 设置时间 = localtimestamp(0), "
                               "设置人 = session_user"),
                PgParams().text(key).text(value));
        }
        said << key + u'=' + value;
    }
    connection.exec(QStringLiteral("insert into 发票报销_记录 (操作, 原因) values ($1, $2)"),
                    PgParams()
                        .text(QString::fromUtf16(trail::kRulesChanged))
                        .text(said.join(QStringLiteral("，"))));
    transaction.commit();
    return {};
}

}  // namespace registryrules
