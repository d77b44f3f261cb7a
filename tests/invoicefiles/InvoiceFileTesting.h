#pragma once

#include <QString>
#include <ostream>

#include "invoicefiles/FileReading.h"
#include "invoicefiles/InvoiceFile.h"

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

// Reading the invoice files written at build time, and printing readings in test failures.
namespace invoicefiles {

inline QString invoiceFilePath(const QString& name) {
    return QStringLiteral(FPBX_INVOICE_FILES_DIR "/") + name;
}

inline FileReading readTestFile(const QString& name) {
    return readInvoiceFile(invoiceFilePath(name));
}

inline void PrintTo(const FileReading& reading, std::ostream* out) {
    *out << "{source " << int(reading.source) << ", payload \"" << reading.payload.toStdString()
         << "\", fields " << reading.fields.code.toStdString() << "|"
         << reading.fields.number.toStdString() << "|" << reading.fields.date.toStdString() << "|"
         << reading.fields.amount.toStdString() << "|" << reading.fields.checkCode.toStdString()
         << ", problem " << int(reading.problem) << ", origin \"" << reading.origin.toStdString()
         << "\"}";
}

inline void PrintTo(const InvoiceFields& fields, std::ostream* out) {
    *out << fields.code.toStdString() << "|" << fields.number.toStdString() << "|"
         << fields.date.toStdString() << "|" << fields.amount.toStdString() << "|"
         << fields.checkCode.toStdString();
}

}  // namespace invoicefiles
