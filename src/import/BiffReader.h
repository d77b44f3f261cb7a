#pragma once

#include <QByteArray>

#include "import/Workbook.h"

// Reads a bare BIFF worksheet stream: BOF, cell records, EOF, with no compound-file wrapper
// and no workbook globals. This is what the program's own XLS export writes (LABEL texts in
// the code page its CODEPAGE record names, GBK when it names none), so that records exported
// on one computer can be imported on another.
namespace biffreader {

// The largest stream read: 65,536 rows of seven long texts stay far below.
inline constexpr qint64 kMaxStreamBytes = 256LL * 1024 * 1024;

// Whether bytes begin with a BOF record of a BIFF version the reader knows.
bool looksLikeStream(const QByteArray& bytes);

// Throws AppError when the stream is damaged or ends before its EOF record.
workbook::Sheet readStream(const QByteArray& bytes);

}  // namespace biffreader
