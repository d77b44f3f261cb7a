#pragma once

#include <QString>
#include <memory>

#include "invoicefiles/FileReading.h"
#include "workbook/Sheet.h"

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

// What the invoice file (PDF or OFD) holds, read in the reader process. A reader that crashed,
// hung or ran out of its limits gives a damaged file; one that cannot be started an unreadable
// one. Never throws.
invoicefiles::FileReading readInvoiceFile(const QString& path, const Limits& limits = {});

// Reads the files of a batch one after the other in one reader process, which is started again
// after a crash, a hang, a file beyond the limits or every kFilesPerProcess files (the CPU limit
// counts over the process's life). Used on one thread at a time; answers as readInvoiceFile.
class InvoiceFileReader {
public:
    explicit InvoiceFileReader(const Limits& limits = {});
    ~InvoiceFileReader();
    InvoiceFileReader(const InvoiceFileReader&) = delete;
    InvoiceFileReader& operator=(const InvoiceFileReader&) = delete;

    invoicefiles::FileReading read(const QString& path);

    static constexpr int kFilesPerProcess = 200;

private:
    struct Process;
    Limits limits_;
    std::unique_ptr<Process> process_;
};

}  // namespace readerclient
