#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "shell/AppError.h"

// The first worksheet of an import workbook as the import sees it: its name and its cells as
// texts, rows in sheet order. Every reader (FreeXL for OLE2 workbooks, the zip reader for .xlsx
// workbooks, the record reader for the bare worksheet stream of the program's own XLS export)
// delivers this.
namespace workbook {

struct Cell {
    enum class Kind { Empty, Text, Number, Date, DateTime, Time };
    Kind kind = Kind::Empty;
    // Text as is; numbers in their shortest decimal form; dates "yyyy/M/d", date-times
    // "yyyy/M/d H:mm:ss", times "H:mm:ss" (the locale formats); empty cells "".
    QString text;
    QDateTime value;  // Date and DateTime cells

    bool isEmpty() const { return text.isEmpty(); }
};

struct Sheet {
    QString name = QStringLiteral("sheet1");  // when the file names no sheet
    int columnCount = 0;
    QList<QList<Cell>> rows;  // each row padded to columnCount

    // The cell, or an empty one outside the sheet.
    const Cell& cell(qsizetype row, int column) const;
};

// Reads the first worksheet with the reader its content calls for, whatever the file's name
// says. Throws AppError with the reader's message when the file is no workbook the program can
// read (neither OLE2 nor zip nor a worksheet stream, damaged, protected, too large).
Sheet readFirstSheet(const QString& path);

// A reader's refusal of a workbook, saying why: "无法读取该Excel表：" and the reason.
AppError unreadable(const QString& reason);

// The reasons more than one reader gives.
enum class Unreadable {
    Damaged,      // 文件不完整或已损坏。
    Encrypted,    // 文件已加密，请先取消密码保护。
    NoWorkbook,   // 文件中没有Excel工作簿。
    NoSheet,      // 工作簿中没有工作表。
    TooLarge,     // 文件解压后过大，可能已损坏。
    OutOfMemory,  // 内存不足。
    Missing,      // 文件不存在。
    CannotOpen,   // 文件无法打开，请检查是否有读取权限。
};
AppError unreadable(Unreadable reason);

// Cell texts as the import writes them.
Cell textCell(const QString& text);
Cell numberCell(double value);
Cell dateCell(const QDate& date);
Cell dateTimeCell(const QDateTime& value);
Cell timeCell(const QTime& time);

// The shortest decimal text that reads back as value, never in exponent form.
QString shortestDecimal(double value);

}  // namespace workbook
