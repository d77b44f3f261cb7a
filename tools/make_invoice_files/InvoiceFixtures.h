#pragma once

#include <QString>

// Test invoice files shared by the build-time tool and the benchmark.
namespace fixtures {

// The printed fields of an invoice's text layer; empty ones are left out.
struct PrintedFields {
    QString code;          // 发票代码
    QString number;        // 发票号码
    QString date;          // 开票日期 as printed
    QString checkCode;     // 校验码 as printed
    QString total;         // the 合计 amount before tax, "¥100.00"
    QString tax;           // the 合计 tax amount
    QString totalWithTax;  // the 小写 amount of 价税合计, "¥113.00"
    // 纳税人识别号 of the buyer (the tests' company) and the seller.
    QString buyerTaxNumber = QStringLiteral("91110108MA01ABCD2X");
    QString sellerTaxNumber = QStringLiteral("91310115MA1K4ABC9X");
};

class PdfSheet;

// A one-page invoice layout on the sheet: title, fields at the top right, the 合计 and 价税合计
// lines; each label and its value is one text run.
void printInvoiceText(PdfSheet& sheet, const PrintedFields& fields);

// A one-page PDF invoice with the QR code as a picture in the top-left corner and the fields.
void writeQrInvoicePdf(const QString& path, const QString& payload, const PrintedFields& fields);

}  // namespace fixtures
