#include "InvoiceFixtures.h"

#include "PdfSheet.h"

namespace fixtures {

void printInvoiceText(PdfSheet& sheet, const PrintedFields& fields) {
    sheet.text(QStringLiteral("电子发票（普通发票）"), {90, 14}, 14);
    double y = 12;
    const auto line = [&](const QString& label, const QString& value) {
        if (!value.isEmpty()) {
            sheet.text(label + value, {165, y});
            y += 5;
        }
    };
    line(QStringLiteral("发票代码："), fields.code);
    line(QStringLiteral("发票号码："), fields.number);
    line(QStringLiteral("开票日期："), fields.date);
    line(QStringLiteral("校验码："), fields.checkCode);
    sheet.text(QStringLiteral("购买方 名称：某某科技有限公司"), {12, 42});
    sheet.text(QStringLiteral("纳税人识别号：") + fields.buyerTaxNumber, {12, 48});
    sheet.text(QStringLiteral("项目名称  规格型号  单位  数量  单价  金额  税率  税额"), {12, 60});
    sheet.text(QStringLiteral("*办公用品*打印纸  A4  箱  1"), {12, 66});
    if (!fields.total.isEmpty()) {
        sheet.text(QStringLiteral("合　　计"), {20, 92});
        sheet.text(fields.total, {150, 92});
        sheet.text(fields.tax, {200, 92});
    }
    if (!fields.totalWithTax.isEmpty()) {
        sheet.text(QStringLiteral("价税合计（大写）"), {12, 100});
        sheet.text(QStringLiteral("ⓧ壹佰壹拾叁圆整"), {50, 100});
        sheet.text(QStringLiteral("（小写）") + fields.totalWithTax, {160, 100});
    }
    sheet.text(QStringLiteral("销售方 名称：某某商贸有限公司"), {12, 112});
    sheet.text(QStringLiteral("销售方 纳税人识别号：") + fields.sellerTaxNumber, {12, 118});
}

void writeQrInvoicePdf(const QString& path, const QString& payload, const PrintedFields& fields) {
    PdfSheet sheet(path);
    sheet.qrPicture(payload, QRectF(10, 6, 20, 20));
    printInvoiceText(sheet, fields);
}

}  // namespace fixtures
