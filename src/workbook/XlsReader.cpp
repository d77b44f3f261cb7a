#include "workbook/XlsReader.h"
#include "workbook/WorkbookRefusal.h"

#include <QFile>

#include "base/AppError.h"
#include "workbook/BiffReader.h"
#include "workbook/CompoundFile.h"

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
        // A workbook saved with a password keeps its content in an encrypted package instead.
        throw workbook::unreadable(container.stream(QStringLiteral("EncryptedPackage"))
                                       ? workbook::Unreadable::Encrypted
                                       : workbook::Unreadable::NoWorkbook);
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
            throw workbook::unreadable(
                QStringLiteral("文件有%1 MB，超出了可读取的大小。").arg(file.size() >> 20));
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            throw AppError(file.errorString());
        }
        return readWorkbook(bytes);
    } catch (const AppError& error) {
        if (workbook::isRefusal(error)) {
            throw;  // already in the clerk's words
        }
        // Where exactly the file broke means nothing to the clerk.
        throw workbook::unreadable(workbook::Unreadable::Damaged);
    }
}

}  // namespace xlsreader
