#include "import/Workbook.h"

#include <QFile>
#include <QLocale>

#include "import/BiffReader.h"
#include "import/FreexlReader.h"
#include "import/XlsxReader.h"
#include "shell/LocaleFormats.h"

namespace workbook {

namespace {

const QByteArray kOle2Signature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

}  // namespace

const Cell& Sheet::cell(qsizetype row, int column) const {
    static const Cell empty;
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size()) {
        return empty;
    }
    return rows[row][column];
}

Sheet readFirstSheet(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        throw unreadable(file.exists() ? Unreadable::CannotOpen : Unreadable::Missing);
    }
    const QByteArray head = file.peek(kOle2Signature.size());
    if (head == kOle2Signature) {
        file.close();
        return freexlreader::readFirstSheet(path);
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

AppError unreadable(const QString& reason) {
    return AppError(QStringLiteral("无法读取该Excel表：") + reason);
}

AppError unreadable(Unreadable reason) {
    switch (reason) {
        case Unreadable::Damaged:
            return unreadable(QStringLiteral("文件不完整或已损坏。"));
        case Unreadable::Encrypted:
            return unreadable(QStringLiteral("文件已加密，请先取消密码保护。"));
        case Unreadable::NoWorkbook:
            return unreadable(QStringLiteral("文件中没有Excel工作簿。"));
        case Unreadable::NoSheet:
            return unreadable(QStringLiteral("工作簿中没有工作表。"));
        case Unreadable::TooLarge:
            return unreadable(QStringLiteral("文件解压后过大，可能已损坏。"));
        case Unreadable::OutOfMemory:
            return unreadable(QStringLiteral("内存不足。"));
        case Unreadable::Missing:
            return unreadable(QStringLiteral("文件不存在。"));
        case Unreadable::CannotOpen:
            break;
    }
    return unreadable(QStringLiteral("文件无法打开，请检查是否有读取权限。"));
}

Cell textCell(const QString& text) {
    Cell cell;
    cell.kind = text.isEmpty() ? Cell::Kind::Empty : Cell::Kind::Text;
    cell.text = text;
    return cell;
}

Cell numberCell(double value) {
    Cell cell;
    cell.kind = Cell::Kind::Number;
    cell.text = shortestDecimal(value);
    return cell;
}

Cell dateCell(const QDate& date) {
    Cell cell;
    cell.kind = Cell::Kind::Date;
    cell.value = QDateTime(date, QTime(0, 0));
    cell.text = date.toString(QString::fromLatin1(localefmt::kShortDate));
    return cell;
}

Cell dateTimeCell(const QDateTime& value) {
    Cell cell;
    cell.kind = Cell::Kind::DateTime;
    cell.value = value;
    cell.text = localefmt::dateTimeText(value);
    return cell;
}

Cell timeCell(const QTime& time) {
    Cell cell;
    cell.kind = Cell::Kind::Time;
    cell.text = time.toString(QString::fromLatin1(localefmt::kLongTime));
    return cell;
}

QString shortestDecimal(double value) {
    if (value == 0) {
        return QStringLiteral("0");  // and not "-0"
    }
    return QString::number(value, 'f', QLocale::FloatingPointShortest);
}

}  // namespace workbook
