// fpbx-reader: reads one file a clerk picked, in a process of its own, and writes what it found
// to its standard output for the program (see ReaderProtocol.h).
//   fpbx-reader workbook <path>
#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <new>

#include "import/Workbook.h"
#include "reader/ReaderClient.h"
#include "reader/ReaderProtocol.h"
#include "shell/AppError.h"

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
    std::fprintf(stderr, "usage: fpbx-reader workbook <path>\n");
    return 2;
}
