// Export of 100,000 records of the records grid in each format (XLS: 65,535, the most a sheet
// takes; its time is also scaled to 100,000): time, file size, and resident memory before,
// after and at the peak of each format's runs. Rows come from a small pool of prepared records,
// so the figures are the writers' own (a pass over the rows alone is printed first). Then the
// .xlsx writer's peak at a tenth of the rows, to show its memory does not grow with them, and a
// baseline measured in the same run: the sqlite3 command-line program writing the same number of
// stored invoices as CSV.
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>

#include "BenchSupport.h"
#include "export/Exporters.h"
#include "export/PlainGrid.h"

namespace {

using namespace exportgrid;

constexpr qint64 kRecords = 100000;

// CPU time of the process: on a shared machine the wall clock also counts other people's work.
double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

QList<QList<Cell>> recordPool() {
    const QString names[] = {QStringLiteral("张三"), QStringLiteral("李四"),
                             QStringLiteral("欧阳明月"), QStringLiteral("王五"), QString()};
    QList<QList<Cell>> pool;
    const QDateTime start(QDate(2023, 1, 1), QTime(8, 0, 0));
    for (int i = 0; i < 1000; ++i) {
        const qint64 amount = (i % 7 == 0) ? 1000000 : 1234500 + i * 37;
        pool << QList<Cell>{
            textCell(QStringLiteral("0440319%1").arg(i % 100000, 5, 10, QChar(u'0'))),
            textCell(QString::number(10000000 + i * 13)),
            i % 50 == 0 ? nullCell() : amountCell(amount),
            textCell(QStringLiteral("2023%1%2")
                         .arg(1 + i % 12, 2, 10, QChar(u'0'))
                         .arg(1 + i % 28, 2, 10, QChar(u'0'))),
            dateTimeCell(i % 20 == 0 ? start.addDays(i) : start.addSecs(qint64(i) * 3607)),
            names[i % 5].isEmpty() ? nullCell() : textCell(names[i % 5]),
            entryModeCell(i % 3 == 0 ? 1 : 0)};
    }
    return pool;
}

// The sqlite3 program writing count stored invoices as CSV, wall time in ms (median of three).
double sqliteCsvMs(qint64 count, const QString& out) {
    bench::ScratchStore store;
    store.fill(count);
    std::vector<double> samples;
    for (int run = 0; run < 3; ++run) {
        QProcess sqlite;
        sqlite.setStandardOutputFile(out);
        bench::Stopwatch sw;
        sqlite.start(QStringLiteral("sqlite3"),
                     {QStringLiteral("-csv"), QStringLiteral("-header"), store.databasePath(),
                      QStringLiteral("select 发票代码, 发票号码, 开票金额, 开票日期, 报销时间, "
                                     "报销人, 报销方式 from 发票报销")});
        if (!sqlite.waitForFinished(60000) || sqlite.exitCode() != 0) {
            return -1;
        }
        samples.push_back(sw.elapsedMs());
    }
    return bench::median(samples);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QList<QList<Cell>> pool = recordPool();
    PlainGrid grid(recordsColumns());
    const auto source = [&pool](qint64 row) { return pool.at(row % pool.size()); };
    grid.setRowSource(kRecords, source);

    bench::Stopwatch walk;
    const std::unique_ptr<RowCursor> rows = grid.rows();
    qint64 seen = 0;
    while (rows->next()) {
        seen += rows->cell(0).displayText.size();
    }
    std::printf("export benchmark, %lld records of 7 columns\n", static_cast<long long>(kRecords));
    std::printf("rows alone: %.0f ms (%lld)\n", walk.elapsedMs(), static_cast<long long>(seen));
    std::printf("format  wall ms  cpu ms  file MiB  RSS before  RSS after  peak RSS (MiB)\n");

    struct Format {
        const char* name;
        ExporterClass exporter;
        double limitMs;
        qint64 records;
    };
    // RTF last: it holds its body in memory by design and would lift the peak for the others.
    const Format formats[] = {
        {"txt", ExporterClass::Text, 1000, kRecords}, {"csv", ExporterClass::Csv, 1000, kRecords},
        {"xls", ExporterClass::Xls, 1000, 65535},     {"xlsx", ExporterClass::Xlsx, 1500, kRecords},
        {"htm", ExporterClass::Html, 2000, kRecords}, {"rtf", ExporterClass::Rtf, 2000, kRecords}};
    bool allWithin = true;
    for (const Format& format : formats) {
        grid.setRowSource(format.records, source);
        const QString file = dir.filePath(QStringLiteral("bench.") + QLatin1String(format.name));
        std::vector<double> samples;
        std::vector<double> cpuSamples;
        double before = 0;
        double after = 0;
        bench::resetPeakMemory();
        for (int run = 0; run < 3; ++run) {
            before = bench::residentMiB();
            bench::Stopwatch sw;
            const double cpuStart = cpuMs();
            exportGridToFile(format.exporter, grid, file, true);
            samples.push_back(sw.elapsedMs());
            cpuSamples.push_back(cpuMs() - cpuStart);
            after = bench::residentMiB();
        }
        const double ms = bench::median(samples);
        const double per100k = ms * double(kRecords) / double(format.records);
        allWithin = allWithin && per100k < format.limitMs;
        std::printf("%-6s  %7.0f  %6.0f  %8.1f  %10.1f  %9.1f  %8.1f   (%lld records", format.name,
                    ms, bench::median(cpuSamples), double(QFileInfo(file).size()) / 1048576.0,
                    before, after, bench::peakMiB(), static_cast<long long>(format.records));
        if (format.records != kRecords) {
            std::printf(", %.0f ms per 100000", per100k);
        }
        std::printf("; limit %.0f ms)\n", format.limitMs);
    }
    std::printf(allWithin ? "all within their limits\n" : "SOME FORMAT OVER ITS LIMIT\n");

    const bool ownPeak = bench::resetPeakMemory();
    std::printf("xlsx peak RSS%s:", ownPeak ? "" : " (since the start)");
    for (const qint64 records : {kRecords / 10, kRecords}) {
        grid.setRowSource(records, source);
        bench::resetPeakMemory();
        exportGridToFile(ExporterClass::Xlsx, grid, dir.filePath(QStringLiteral("m.xlsx")), true);
        std::printf(" %lld records %.1f MiB;", static_cast<long long>(records), bench::peakMiB());
    }
    std::printf("\n");
    std::printf("baseline: sqlite3 -csv writing %lld stored invoices: %.0f ms\n",
                static_cast<long long>(kRecords),
                sqliteCsvMs(kRecords, dir.filePath(QStringLiteral("baseline.csv"))));
    return 0;
}
