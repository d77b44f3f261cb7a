#pragma once

#include <QByteArray>
#include <QList>
#include <QStringList>

#include "store/ClaimStore.h"

// The statistics of reimbursement claims: per month (of closing) and reimburser, the claims
// closed, their invoices, the average invoices per claim and the sum of 开票金额.
namespace claimfigures {

QStringList headings();  // 月份, 报销人, 报销单数, 发票张数, 平均每单张数, 金额合计
// The rows as shown, the totals last. The average has one decimal, rounded half up from the
// exact quotient; the sum two decimals (more when it has them).
QList<QStringList> displayRows(const QList<ClaimFigure>& rows);
// invoices / claims with one decimal, exactly rounded: 5 / 3 gives 1.7; no claims gives 0.0.
QString average(qint64 invoices, qint64 claims);
// The table as CSV (GBK, CR LF).
QByteArray csv(const QList<ClaimFigure>& rows);

}  // namespace claimfigures
