#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

// The first worksheet of an import workbook as the import sees it: its name and its cells as
// texts, rows in sheet order. Every reader (the .xls reader for OLE2 workbooks, the zip reader for
// .xlsx workbooks, the record reader for the bare worksheet stream of the program's own XLS
// export) delivers this.
namespace workbook {

struct Cell {
    enum class Kind { Empty, Text, Number, Date, DateTime, Time };
    Kind kind = Kind::Empty;
    // Text as is; numbers in their shortest decimal form; dates "yyyy/M/d", date-times
    // "yyyy/M/d H:mm:ss", times "H:mm:ss" (the locale formats); empty cells "".
    QString text;
    // Date and DateTime cells: the date and time the sheet shows, held in UTC so that no time
    // zone shifts them (nor costs a look at the zone per cell).
    QDateTime value;

    bool isEmpty() const { return text.isEmpty(); }
};

struct Sheet {
    QString name = QStringLiteral("sheet1");  // when the file names no sheet
    int columnCount = 0;
    QList<QList<Cell>> rows;  // each row padded to columnCount

    // The cell, or an empty one outside the sheet.
    const Cell& cell(qsizetype row, int column) const;
};

// Cell texts as the import writes them.
Cell textCell(const QString& text);
Cell numberCell(double value);
Cell dateCell(const QDate& date);
Cell dateTimeCell(const QDate& date, const QTime& time);
Cell timeCell(const QTime& time);

// The shortest decimal text that reads back as value, never in exponent form.
QString shortestDecimal(double value);

}  // namespace workbook
