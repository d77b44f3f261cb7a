#include "statistics/ClaimFigures.h"

#include "base/CsvText.h"
#include "base/TextCodec.h"
#include "invoice/Amount.h"

namespace claimfigures {

QStringList headings() {
    return {QStringLiteral("月份"),     QStringLiteral("报销人"),       QStringLiteral("报销单数"),
            QStringLiteral("发票张数"), QStringLiteral("平均每单张数"), QStringLiteral("金额合计")};
}

QString average(qint64 invoices, qint64 claims) {
    if (claims <= 0) {
        return QStringLiteral("0.0");
    }
    const qint64 tenths = (invoices * 20 + claims) / (2 * claims);  // half up
    return QStringLiteral("%1.%2").arg(tenths / 10).arg(tenths % 10);
}

QList<QStringList> displayRows(const QList<ClaimFigure>& rows) {
    QList<QStringList> shown;
    ClaimFigure total;
    for (const ClaimFigure& row : rows) {
        shown << QStringList{
            row.month,
            row.reimburser.isEmpty() ? QStringLiteral("（未填写）") : row.reimburser,
            QString::number(row.claims),
            QString::number(row.invoices),
            average(row.invoices, row.claims),
            amount::toMoneyText(row.amountUnits)};
        total.claims += row.claims;
        total.invoices += row.invoices;
        total.amountUnits += row.amountUnits;
    }
    shown << QStringList{QStringLiteral("合计"),
                         QString(),
                         QString::number(total.claims),
                         QString::number(total.invoices),
                         average(total.invoices, total.claims),
                         amount::toMoneyText(total.amountUnits)};
    return shown;
}

QByteArray csv(const QList<ClaimFigure>& rows) {
    QString text = csvtext::line(headings());
    for (const QStringList& row : displayRows(rows)) {
        text += csvtext::line(row);
    }
    return textcodec::toGbk(text);
}

}  // namespace claimfigures
