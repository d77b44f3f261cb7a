#pragma once

#include <QString>

// What reading an invoice file (PDF or OFD) found: the QR payload, the file's own fields, or a
// problem to tell the clerk.
namespace invoicefiles {

enum class Source {
    None,        // no invoice: see problem
    QrCode,      // payload holds the QR text exactly as decoded
    FileFields,  // fields hold the values the file labels
};

enum class Problem {
    None,
    Unreadable,      // the file could not be opened
    Empty,           // zero bytes
    TooLarge,        // the file, a page or an archive entry is beyond the reading limits
    Damaged,         // not parseable as the form it claims
    Encrypted,       // needs a password
    NotInvoiceFile,  // neither a PDF nor an OFD
    NoInvoiceFound,  // a readable PDF or OFD without an invoice QR code or invoice fields
};

// The fields as the QR code of the same invoice would carry them.
struct InvoiceFields {
    QString code;       // 发票代码, empty on a fully digital invoice
    QString number;     // 发票号码
    QString date;       // 开票日期 as yyyymmdd
    QString amount;     // 合计金额 where the file labels it, otherwise 价税合计
    QString checkCode;  // 校验码, digits only

    bool operator==(const InvoiceFields&) const = default;
};

// Who the invoice is between, as the file prints it; empty what it does not say.
struct Parties {
    QString buyerName;       // 购买方 名称
    QString buyerTaxNumber;  // 购买方 纳税人识别号 (统一社会信用代码)
    QString sellerName;      // 销售方
    QString sellerTaxNumber;

    bool operator==(const Parties&) const = default;
};

struct FileReading {
    Source source = Source::None;
    QString payload;
    InvoiceFields fields;
    Parties parties;  // read beside the invoice, whatever its source
    Problem problem = Problem::None;
    QString origin;  // where the invoice was found, for the log: "PDF第2页二维码", "OFD自定义数据"

    bool hasInvoice() const { return source != Source::None; }
    QString reason() const;  // the clerk's text for problem; empty when there is an invoice
};

FileReading fromPayload(const QString& payload, const QString& origin);
// An invoice only when the fields name one (see namesInvoice), otherwise NoInvoiceFound.
FileReading fromFields(const InvoiceFields& fields, const QString& origin);
FileReading failure(Problem problem);

QString reasonText(Problem problem);

// A number, and a code unless the number is the 20 digits of a fully digital invoice.
bool namesInvoice(const InvoiceFields& fields);

// Whether a decoded QR text is an invoice's: it starts "01," and has at least 7 items.
bool looksLikeInvoicePayload(const QString& text);

}  // namespace invoicefiles
