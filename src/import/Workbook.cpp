#include "import/Workbook.h"

#include <QFile>
#include <QLocale>

#include "import/BiffReader.h"
#include "import/XlsReader.h"
#include "shell/AppError.h"
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
        throw AppError(QStringLiteral("Could not open '%1': %2").arg(path, file.errorString()));
    }
    const QByteArray head = file.peek(kOle2Signature.size());
    if (head == kOle2Signature) {
        file.close();
        return xlsreader::readFirstSheet(path);
    }
    if (!biffreader::looksLikeStream(head)) {
        // What the spreadsheet driver says of a file that is no workbook at all.
        throw AppError(QStringLiteral("External table is not in the expected format."));
    }
    // A worksheet stream is read whole: 65,535 exported rows take about 10 MB.
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        throw AppError(QStringLiteral("Could not read '%1': %2").arg(path, file.errorString()));
    }
    return biffreader::readStream(bytes);
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
