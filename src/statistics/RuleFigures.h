#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "store/InvoiceStore.h"

// The statistics of the office's rules: per month and rule, how many invoices they turned away
// (拒绝登记) and how many were written off with a warning (登记 with 核销提示).
namespace rulefigures {

struct Row {
    QString month;  // yyyy-MM
    QString rule;   // as the rules name it
    qint64 refusals = 0;
    qint64 warnings = 0;
    bool operator==(const Row&) const = default;
};

// In month order, the rules in their own order; a line naming two rules counts for both.
QList<Row> tally(const RuleNoteCounts& counts);

QStringList headings();  // 月份, 核销规则, 拒绝, 提示
// The rows as shown, with the totals last.
QList<QStringList> displayRows(const QList<Row>& rows);
// The table as CSV (GBK, CR LF).
QByteArray csv(const QList<Row>& rows);

}  // namespace rulefigures
