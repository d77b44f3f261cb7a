#include "statistics/RuleFigures.h"

#include <QMap>

#include "base/CsvText.h"
#include "base/TextCodec.h"
#include "rules/RuleCheck.h"
#include "store/AuditTrail.h"

namespace rulefigures {

QList<Row> tally(const RuleNoteCounts& counts) {
    const QStringList order = rules::ruleNames();
    // By month, then by the rule's place in the rules' order (one not known last).
    QMap<std::pair<QString, qsizetype>, Row> rows;
    for (const RuleNoteCount& count : counts.rows) {
        const bool refused = count.action == QStringView(trail::kRefused);
        if (!refused && count.action != QStringView(trail::kRegistered)) {
            continue;
        }
        for (const rules::Finding& finding : rules::fromStoredText(count.notes)) {
            const qsizetype place = order.indexOf(finding.rule);
            Row& row = rows[{count.month, place < 0 ? order.size() : place}];
            row.month = count.month;
            row.rule = finding.rule.isEmpty() ? QStringLiteral("（其他）") : finding.rule;
            (refused ? row.refusals : row.warnings) += count.lines;
        }
    }
    return rows.values();
}

QStringList headings() {
    return {QStringLiteral("月份"), QStringLiteral("核销规则"), QStringLiteral("拒绝"),
            QStringLiteral("提示")};
}

QList<QStringList> displayRows(const QList<Row>& rows) {
    QList<QStringList> shown;
    qint64 refusals = 0;
    qint64 warnings = 0;
    for (const Row& row : rows) {
        shown << QStringList{row.month, row.rule, QString::number(row.refusals),
                             QString::number(row.warnings)};
        refusals += row.refusals;
        warnings += row.warnings;
    }
    shown << QStringList{QStringLiteral("合计"), QString(), QString::number(refusals),
                         QString::number(warnings)};
    return shown;
}

QByteArray csv(const QList<Row>& rows) {
    QString text = csvtext::line(headings());
    for (const QStringList& row : displayRows(rows)) {
        text += csvtext::line(row);
    }
    return textcodec::toGbk(text);
}

}  // namespace rulefigures
