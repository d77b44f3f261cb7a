#pragma once

#include <QByteArray>
#include <QString>

#include "workbook/Sheet.h"

// Reads the first worksheet of an .xls workbook: an OLE2 compound file whose "Workbook" stream
// (BIFF8) or "Book" stream (BIFF5) holds the workbook.
namespace xlsreader {

// Throws AppError "Cannot read the workbook '<path>': <what is wrong>." when the file cannot be
// read, is damaged, encrypted or too large, or holds no worksheet.
workbook::Sheet readFirstSheet(const QString& path);

// The same over the file's bytes; a bounded function of them alone. Throws AppError saying
// what is wrong.
workbook::Sheet readWorkbook(const QByteArray& file);

}  // namespace xlsreader
