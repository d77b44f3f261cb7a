#pragma once

#include <QString>

#include "workbook/Sheet.h"

// Reading a workbook file into its first sheet, with the reader its content calls for.
namespace workbook {

// Reads the first worksheet with the reader its content calls for, whatever the file's name
// says. Throws AppError with the reader's message when the file is no workbook the program can
// read (neither OLE2 nor zip nor a worksheet stream, damaged, protected, too large).
Sheet readFirstSheet(const QString& path);

}  // namespace workbook
