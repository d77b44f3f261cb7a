#include "invoicefiles/InvoiceFile.h"

#include <QFile>
#include <QFileInfo>

#include "invoicefiles/OfdReader.h"
#include "invoicefiles/PdfReader.h"
#include "invoicefiles/ReadingLimits.h"

namespace invoicefiles {

FileForm formOf(const QByteArray& bytes) {
    // The zip signature first: an archive may hold a PDF near its start.
    if (bytes.startsWith("PK\x03\x04") || bytes.startsWith("PK\x05\x06")) {
        return FileForm::Zip;
    }
    if (bytes.left(1024).contains("%PDF-")) {
        return FileForm::Pdf;
    }
    return FileForm::Other;
}

FileReading readInvoiceData(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return failure(Problem::Empty);
    }
    if (bytes.size() > limits::kMaxFileBytes) {
        return failure(Problem::TooLarge);
    }
    switch (formOf(bytes)) {
        case FileForm::Pdf:
            return readPdf(bytes);
        case FileForm::Zip:
            return readOfd(bytes);
        case FileForm::Other:
            break;
    }
    return failure(Problem::NotInvoiceFile);
}

FileReading readInvoiceFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile()) {
        return failure(Problem::Unreadable);
    }
    if (info.size() > limits::kMaxFileBytes) {
        return failure(Problem::TooLarge);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return failure(Problem::Unreadable);
    }
    // The file may have grown since it was measured.
    const QByteArray bytes = file.read(limits::kMaxFileBytes + 1);
    if (bytes.size() > limits::kMaxFileBytes) {
        return failure(Problem::TooLarge);
    }
    return readInvoiceData(bytes);
}

}  // namespace invoicefiles
