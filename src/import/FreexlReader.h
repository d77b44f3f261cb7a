#pragma once

#include "import/Workbook.h"

// Reads the first worksheet of an OLE2 workbook (BIFF5 or BIFF8 inside) through FreeXL.
namespace freexlreader {

// Throws AppError with FreeXL's complaint in words.
workbook::Sheet readFirstSheet(const QString& path);

}  // namespace freexlreader
