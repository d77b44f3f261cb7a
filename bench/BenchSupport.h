#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <memory>
#include <vector>

// What the benchmark programs share: a scratch exe directory with a filled invoice store,
// timing and memory figures.
namespace bench {

// The invoices in the current store (that of config.ini's exe directory), or -1 when it cannot be
// read, as while a killed program's store is still locked.
qint64 storedInvoices();

// The durable syncs (fsync, fdatasync) per registration of this benchmark run again as a child
// with arguments, traced by strace, counted between the child's START and END marks on stderr;
// -1 when the child or strace failed.
double syncsPerRegistration(const QStringList& childArguments, int registrations);

// Runs a benchmark's body: a failure it throws is reported and ends the run with 1, never an
// abort, so that a run cut short still says why.
int runReportingFailure(int (*body)(int, char**), int argc, char** argv);

// Windows are built offscreen unless the run names a platform (call before the application).
void useOffscreenUnlessSet();

// An exe directory (config.ini, template, company directory with fpbx.mdb and bxr.txt) that
// the program's paths point at while it lives.
class ScratchStore {
public:
    ScratchStore();
    ~ScratchStore();
    QString exeDir() const { return dir_.path(); }
    QString databasePath() const;

    // Appends rows invoices with numbers from firstNumber on, reimbursed over the given number
    // of days ending now (spread evenly, newest last), in one transaction.
    void fill(qint64 rows, qint64 firstNumber = 10000000, int days = 730);
    // fill, then prints how long it took and the resident memory.
    void fillReporting(qint64 rows);

private:
    void fillRows(qint64 rows, qint64 firstNumber, int days);
    QTemporaryDir dir_;
};

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double elapsedMs() const {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
            .count();
    }
    void restart() { start_ = std::chrono::steady_clock::now(); }

private:
    std::chrono::steady_clock::time_point start_;
};

// The sqlite3 command-line tool on the same store, for comparison: one statement (or several,
// separated by ";"), its output into outFile (or discarded), timed by wall clock and by the CPU
// time of the tool itself. Options such as "-csv" come first.
struct CliRun {
    double wallMs = 0;
    double cpuMs = 0;
    QByteArray output;  // when no outFile is given
};
CliRun runCli(const QString& database, const QString& sql, const QStringList& options = {},
              const QString& outFile = QString());

// CPU time of this process, all its threads.
double cpuMs();

// The longest time the event loop of this thread did not run, from start() to stop(): a timer
// ticks every few milliseconds while the loop runs. A gap is the thread's own work (its CPU
// time) or the machine's (other processes had the processor): busyMs() gives the most CPU time
// the thread spent between two ticks.
class StallMeter {
public:
    StallMeter();
    ~StallMeter();
    void start();
    double stopMs();  // the longest gap, ms
    double busyMs() const { return busyMs_; }

private:
    class Ticker;
    std::unique_ptr<Ticker> ticker_;
    double busyMs_ = 0;
};

// Starts the peak over again; false where the kernel does not allow it (the peak is then the
// process's since its start).
bool resetPeakMemory();
// The peak resident memory since the last reset, MiB.
double peakMiB();

double median(std::vector<double> samples);
double percentile(std::vector<double> samples, double p);  // p in [0, 100]

// Resident set size of this process in MiB.
double residentMiB();

}  // namespace bench
