#pragma once

#include <QString>
#include <QTemporaryDir>
#include <chrono>
#include <vector>

// What the benchmark programs share: a scratch exe directory with a filled invoice store,
// timing and memory figures.
namespace bench {

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

double median(std::vector<double> samples);
double percentile(std::vector<double> samples, double p);  // p in [0, 100]

// Resident set size of this process in MiB.
double residentMiB();

}  // namespace bench
