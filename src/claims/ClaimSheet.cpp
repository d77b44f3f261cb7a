#include "claims/ClaimSheet.h"

#include <QDate>

#include "base/Paths.h"
#include "claims/ChineseAmount.h"
#include "claims/ClaimTotal.h"
#include "invoice/Amount.h"
#include "invoice/InvoiceKind.h"

namespace claims {

namespace {

QString dayText(const QString& yyyymmdd) {
    const QDate day = QDate::fromString(yyyymmdd, QStringLiteral("yyyyMMdd"));
    return day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : yyyymmdd;
}

// 1234500000 gives 123,450.00.
QString grouped(qint64 units) {
    QString text = amount::toMoneyText(units);
    const bool negative = text.startsWith(u'-');
    qsizetype point = text.indexOf(u'.');
    if (point < 0) {
        point = text.size();
    }
    for (qsizetype i = point - 3; i > (negative ? 1 : 0); i -= 3) {
        text.insert(i, u',');
    }
    return text;
}

}  // namespace

SheetContent sheetContent(const StoredClaim& claim, const QString& companyName,
                          const QString& taxNumber) {
    SheetContent sheet;
    sheet.title = QStringLiteral("报销单");
    sheet.company = companyName.isEmpty()
                        ? QStringLiteral("税号：%1").arg(taxNumber)
                        : QStringLiteral("单位：%1（税号：%2）").arg(companyName, taxNumber);
    sheet.number = claim.number;
    sheet.reimburser = claim.reimburser;
    const QDateTime day = claim.closedAt.isValid() ? claim.closedAt : claim.openedAt;
    sheet.date = day.date().toString(QStringLiteral("yyyy-MM-dd"));
    sheet.headings = {QStringLiteral("序号"),     QStringLiteral("发票种类"),
                      QStringLiteral("发票代码"), QStringLiteral("发票号码"),
                      QStringLiteral("开票日期"), QStringLiteral("开票金额")};
    RunningTotal total;
    for (const ClaimInvoice& invoice : claim.invoices) {
        sheet.ok = total.add(invoice.amountUnits) && sheet.ok;
        sheet.rows << QStringList{
            QString::number(sheet.rows.size() + 1),
            invoice.kindCode.isEmpty() ? QString() : invoice::kindName(invoice.kindCode),
            invoice.code.isEmpty() ? QStringLiteral("数电票") : invoice.code,
            invoice.number,
            dayText(invoice.invoiceDate),
            invoice.amountUnits ? grouped(*invoice.amountUnits) : QString()};
    }
    sheet.count = QStringLiteral("共 %1 张").arg(total.count());
    if (sheet.ok) {
        sheet.totalFigures = QStringLiteral("￥") + grouped(total.units());
        sheet.totalCapitals = chineseCapitals(total.units());
    } else {
        sheet.totalFigures = QStringLiteral("合计超出金额范围");
    }
    sheet.signatures = QStringLiteral(
        "报销人签字：__________    经办人签字：__________    审核人签字：__________");
    return sheet;
}

QString sheetPath(const QString& companyDir, const QString& number) {
    const QString folder =
        joinPath(joinPath(companyDir, QStringLiteral("报销单")), number.mid(2, 6));
    return joinPath(folder, number + QStringLiteral(".pdf"));
}

}  // namespace claims
