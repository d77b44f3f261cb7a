#include "import/XlsReader.h"

#include <QFile>

#include "import/BiffReader.h"
#include "import/CompoundFile.h"
#include "shell/AppError.h"

namespace xlsreader {

namespace {

// Far more than the largest sheet a workbook can hold; a larger file is not read into memory.
constexpr qint64 kMaxFileSize = qint64(1) << 30;

}  // namespace

workbook::Sheet readWorkbook(const QByteArray& file) {
    const compoundfile::CompoundFile container(file);
    std::optional<QByteArray> stream = container.stream(QStringLiteral("Workbook"));
    if (!stream) {
        stream = container.stream(QStringLiteral("Book"));
    }
    if (!stream) {
        throw AppError(QStringLiteral("the file holds no Excel workbook"));
    }
    return biffreader::readWorkbookStream(*stream);
}

workbook::Sheet readFirstSheet(const QString& path) {
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            throw AppError(file.errorString());
        }
        if (file.size() > kMaxFileSize) {
            throw AppError(QStringLiteral("at %1 MB it is larger than any workbook the program "
                                          "reads")
                               .arg(file.size() >> 20));
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            throw AppError(file.errorString());
        }
        return readWorkbook(bytes);
    } catch (const AppError& error) {
        throw AppError(
            QStringLiteral("Cannot read the workbook '%1': %2.").arg(path, error.message()));
    }
}

}  // namespace xlsreader
