#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "workbook/Sheet.h"

// Reads BIFF streams: the workbook stream inside an .xls file (globals, then the sheets), and
// the bare worksheet stream the program's own XLS export writes (BOF, cell records, EOF, no
// globals; LABEL texts in the code page its CODEPAGE record names, GBK when it names none), so
// that records exported on one computer can be imported on another. Sheets are bounded by the
// limits of the format and by what the stream really holds.
namespace biffreader {

// The largest stream read: 65,536 rows of seven long texts stay far below.
inline constexpr qint64 kMaxStreamBytes = 256LL * 1024 * 1024;

// Whether bytes begin with a BOF record of a BIFF version the reader knows.
bool looksLikeStream(const QByteArray& bytes);

// A bare worksheet stream. Throws AppError "Cannot read the worksheet stream: ..." when it is
// damaged or ends before its EOF record.
workbook::Sheet readStream(const QByteArray& bytes);

// The first worksheet of a BIFF5 or BIFF8 workbook stream. Throws AppError saying what is
// wrong.
workbook::Sheet readWorkbookStream(QByteArrayView stream);

}  // namespace biffreader
