#pragma once

#include <QString>

#include "import/Workbook.h"

// Files a clerk picks are read in a process of our own, fpbx-reader, beside the program: with
// its memory and time limited, a hostile or damaged file can at worst end that process, never
// the program. The rows come back over a pipe.
namespace readerclient {

// The limits the reader process runs under.
struct Limits {
    long long memoryBytes = 1LL << 30;
    int cpuSeconds = 60;
    int wallMs = 90000;
};

// What the clerk is told when the reader crashed, hung or ran out of its limits.
QString damagedWorkbookText();

// The reader process program; by default fpbx-reader beside the running program.
QString program();
void setProgram(const QString& path);  // empty: back to the default

// The first sheet of the workbook, read in the reader process. Throws AppError with the text
// for the clerk: the reader's own refusal, or damagedWorkbookText() when it failed. Gives up
// early when the calling thread is asked to stop.
workbook::Sheet readFirstSheet(const QString& path, const Limits& limits = {});

}  // namespace readerclient
