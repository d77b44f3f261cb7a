#include "workbook/Sheet.h"

#include <QLocale>

#include "base/LocaleFormats.h"

namespace workbook {

const Cell& Sheet::cell(qsizetype row, int column) const {
    static const Cell empty;
    if (row < 0 || row >= rows.size() || column < 0 || column >= rows[row].size()) {
        return empty;
    }
    return rows[row][column];
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
    cell.value = QDateTime(date, QTime(0, 0), Qt::UTC);
    cell.text = date.toString(QString::fromLatin1(localefmt::kShortDate));
    return cell;
}

Cell dateTimeCell(const QDate& date, const QTime& time) {
    Cell cell;
    cell.kind = Cell::Kind::DateTime;
    cell.value = QDateTime(date, time, Qt::UTC);
    cell.text = localefmt::dateTimeText(cell.value);
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
