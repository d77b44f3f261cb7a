#include "workbook/Workbook.h"

#include <QFile>

#include "base/AppError.h"
#include "workbook/BiffReader.h"
#include "workbook/WorkbookRefusal.h"
#include "workbook/XlsReader.h"
#include "workbook/XlsxReader.h"

namespace workbook {

namespace {

const QByteArray kOle2Signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

}  // namespace

Sheet readFirstSheet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw unreadable(file.exists() ? Unreadable::CannotOpen : Unreadable::Missing);
    }
    const QByteArray head = file.peek(kOle2Signature.size());
    if (head == kOle2Signature) {
        file.close();
        return xlsreader::readFirstSheet(path);
    }
    if (xlsxreader::looksLikeZip(head)) {
        file.close();
        return xlsxreader::readFirstSheet(path);
    }
    if (!biffreader::looksLikeStream(head)) {
        throw AppError(QStringLiteral("请选择有效的Excel表（.xls或.xlsx）！"));
    }
    // A worksheet stream is read whole: 65,535 exported rows take about 10 MB, and a stream far
    // larger than any export is refused before it is held.
    if (file.size() > biffreader::kMaxStreamBytes) {
        throw unreadable(QStringLiteral("文件过大，可能已损坏。"));
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw unreadable(Unreadable::Damaged);
    }
    return biffreader::readStream(bytes);
}

}  // namespace workbook
