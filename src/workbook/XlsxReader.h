#pragma once

#include <QByteArray>
#include <QString>

#include "workbook/Sheet.h"

// Reads the first worksheet of an .xlsx workbook (the zip of XML parts that spreadsheet programs
// save today): the sheet the workbook names first, its cells as the other readers give them.
// The file is untrusted; what it may cost is bounded by the limits, and anything wrong with it
// is an AppError saying what, never a crash or another exception. A function of the path and the
// limits alone, so that it can run in a process of its own.
namespace xlsxreader {

struct Limits {
    qint64 entryBytes = 512LL * 1024 * 1024;   // one part, expanded
    qint64 totalBytes = 1024LL * 1024 * 1024;  // all parts read, expanded
    qint64 entries = 100'000;                  // parts the package lists
    // Cells of the sheet (rows times columns, empty ones included), and shared strings.
    qint64 cells = 10'000'000;
};

// The most rows and columns a sheet has: XFD1048576.
inline constexpr qint64 kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// Whether the first bytes of a file are those of a zip archive.
bool looksLikeZip(const QByteArray& head);

workbook::Sheet readFirstSheet(const QString& path, const Limits& limits = {});

}  // namespace xlsxreader
