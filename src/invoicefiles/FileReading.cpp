#include "invoicefiles/FileReading.h"

#include "invoice/InvoiceIdentity.h"

namespace invoicefiles {

QString FileReading::reason() const {
    return hasInvoice() ? QString() : reasonText(problem);
}

FileReading fromPayload(const QString& payload, const QString& origin) {
    FileReading reading;
    reading.source = Source::QrCode;
    reading.payload = payload;
    reading.origin = origin;
    return reading;
}

FileReading fromFields(const InvoiceFields& fields, const QString& origin) {
    if (!namesInvoice(fields)) {
        return failure(Problem::NoInvoiceFound);
    }
    FileReading reading;
    reading.source = Source::FileFields;
    reading.fields = fields;
    reading.origin = origin;
    return reading;
}

FileReading failure(Problem problem) {
    FileReading reading;
    reading.problem = problem;
    return reading;
}

QString reasonText(Problem problem) {
    switch (problem) {
        case Problem::None:
            return {};
        case Problem::Unreadable:
            return QStringLiteral("无法打开文件");
        case Problem::Empty:
            return QStringLiteral("文件是空的");
        case Problem::TooLarge:
            return QStringLiteral("文件过大，超出读取限制");
        case Problem::Damaged:
            return QStringLiteral("文件已损坏");
        case Problem::Encrypted:
            return QStringLiteral("文件已加密，无法读取");
        case Problem::NotInvoiceFile:
            return QStringLiteral("不是PDF或OFD发票文件");
        case Problem::NoInvoiceFound:
            return QStringLiteral("文件中未找到发票二维码或发票信息");
    }
    return {};
}

bool namesInvoice(const InvoiceFields& fields) {
    if (fields.number.isEmpty() || !invoice::isDigits(fields.number) ||
        !invoice::isDigits(fields.code)) {
        return false;
    }
    return invoice::isFullyDigital(fields.code, fields.number) || !fields.code.isEmpty();
}

bool looksLikeInvoicePayload(const QString& text) {
    return text.startsWith(QLatin1String("01,")) && text.count(u',') >= 6;
}

}  // namespace invoicefiles
