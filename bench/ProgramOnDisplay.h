#pragma once

#include <QProcess>
#include <QString>
#include <optional>

#include "BenchSupport.h"
#include "XvfbScanner.h"

namespace bench {

// The real program, copied into a scratch store of its own and started on a virtual display,
// its main window focused for the scanner's keys. The program is killed at the end.
class ProgramOnDisplay {
public:
    ProgramOnDisplay() = default;
    ~ProgramOnDisplay();
    ProgramOnDisplay(const ProgramOnDisplay&) = delete;
    ProgramOnDisplay& operator=(const ProgramOnDisplay&) = delete;

    // Starts the program built at build: empty when its main window has the focus, else why not.
    QString start(const QString& build);
    // Ends the program now (its store stays until this object goes).
    void kill();

    QProcess& program() { return program_; }
    xscan::Scanner& scanner() { return *scanner_; }
    QString tmpDir() const { return store_.exeDir() + QStringLiteral("/tmp"); }

private:
    xscan::VirtualDisplay display_;
    ScratchStore store_;
    QProcess program_;
    std::optional<xscan::Scanner> scanner_;
};

}  // namespace bench
