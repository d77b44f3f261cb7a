// fpbx-reader: reads one file a clerk picked, in a process of its own, and writes what it found
// to its standard output for the program (see ReaderProtocol.h).
//   fpbx-reader workbook <path>
//   fpbx-reader invoice <path>      (a PDF or OFD e-invoice)
//   fpbx-reader invoices            (one e-invoice per line of its input, each path in UTF-8 as
//                                    base64; an answer per line, until its input ends)
// It also finishes the database's log for a program that crashed:
//   fpbx-reader checkpoint <database> <pid>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <iostream>
#include <new>
#include <string>

#include "base/AppError.h"
#include "invoicefiles/InvoiceFile.h"
#include "reader/ReaderClient.h"
#include "reader/ReaderProtocol.h"
#include "store/ShutdownCheckpoint.h"
#include "workbook/Workbook.h"

namespace {

int readWorkbook(const QString& path, QFile& out) {
    try {
        readerprotocol::writeSheet(out, workbook::readFirstSheet(path));
    } catch (const AppError& error) {
        readerprotocol::writeFailure(out, error.message());
    } catch (...) {
        // Out of memory or worse: the program tells the clerk the file cannot be read.
        readerprotocol::writeFailure(out, readerclient::damagedWorkbookText());
        return 1;
    }
    return 0;
}

int readInvoice(const QString& path, QFile& out) {
    try {
        readerprotocol::writeInvoice(out, invoicefiles::readInvoiceFile(path));
    } catch (...) {
        readerprotocol::writeInvoice(out, invoicefiles::failure(invoicefiles::Problem::Damaged));
        return 1;
    }
    return 0;
}

// A batch of files reads faster without a process start per file; the program starts a new
// reader after a crash, a hang or a number of files.
int readInvoices(QFile& out) {
    std::string line;
    while (std::getline(std::cin, line)) {
        const QByteArray path = QByteArray::fromBase64(QByteArray::fromStdString(line).trimmed());
        const int result = readInvoice(QString::fromUtf8(path), out);
        out.flush();
        if (result != 0) {
            return result;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly)) {
        return 2;
    }
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("workbook")) {
        return readWorkbook(arguments[2], out);
    }
    if (arguments.size() == 3 && arguments[1] == QStringLiteral("invoice")) {
        return readInvoice(arguments[2], out);
    }
    if (arguments.size() == 2 && arguments[1] == QStringLiteral("invoices")) {
        return readInvoices(out);
    }
    if (arguments.size() == 4 && arguments[1] == QStringLiteral("checkpoint")) {
        return shutdowncheckpoint::runAfterCrash(arguments[2], arguments[3].toLongLong());
    }
    std::fprintf(stderr,
                 "usage: fpbx-reader workbook <path>\n"
                 "       fpbx-reader invoice <path>\n"
                 "       fpbx-reader invoices   (base64 paths on its input)\n"
                 "       fpbx-reader checkpoint <database> <pid of the program that ended>\n");
    return 2;
}
