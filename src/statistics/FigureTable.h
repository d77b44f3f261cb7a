#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "store/AuditTrail.h"

// The statistics window's tables: the figures of a range of 报销时间 per reimburser or per month,
// with their totals, as the window shows them and as they are exported.
namespace figuretable {

// The heading of the first column: "报销人" or "月份".
QString groupHeading(FigureGrouping grouping);
// A group as shown: an empty reimburser is "（未填写）"; a month stays yyyy-MM.
QString groupText(FigureGrouping grouping, const QString& group);

// Headings and rows as displayed, the totals row last: the group, the number of invoices and
// the exact sum of 开票金额 with at least two decimals.
QStringList headings(FigureGrouping grouping);
QList<QStringList> displayRows(FigureGrouping grouping, const ReimbursementFigures& figures);

// The table as CSV (GBK, CR LF).
QByteArray csv(FigureGrouping grouping, const ReimbursementFigures& figures);

// The table as an Excel 2007 workbook at path: numbers as numbers, each sum from its exact
// decimal text. Throws AppError when the file cannot be written.
void writeXlsx(const QString& path, FigureGrouping grouping, const QString& title,
               const ReimbursementFigures& figures);

}  // namespace figuretable
