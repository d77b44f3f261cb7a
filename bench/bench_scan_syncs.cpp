// The durable syncs of one scan as the real program makes it: the program on Xvfb, traced by
// strace (every thread), scanned by XTest a few seconds apart, so that the store falls quiet
// between two scans as it does at a clerk's desk. Each fsync or fdatasync is put to the scan
// whose typing it follows: within the first 800 ms to the scan's own path, later to the
// checkpoint the store makes once it has been quiet for a second. Printed per scan and by file
// (the write-ahead log, the database file, the company folder; the day's copy, made once a day
// at the first quiet moment, apart) beside the engine's floor
// measured in the same run: a bare connection storing an invoice and its trail line in one
// transaction right after a checkpoint, traced the same way. An argument names another build of
// the program to measure instead.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "BenchSupport.h"
#include "ProgramOnDisplay.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace {

constexpr int kScans = 10;
constexpr int kPauseMs = 3000;           // between two scans: the store falls quiet
constexpr double kOwnPathSeconds = 0.8;  // syncs later than this belong to the checkpoint

double epochSeconds() {
    return QDateTime::currentMSecsSinceEpoch() / 1000.0;
}

struct Syncs {
    double log = 0, database = 0, folder = 0;
    double dailyCopy = 0;  // the day's copy in backup/, made once a day at a quiet moment
    double total() const { return log + database + folder; }
};

struct Sync {
    double time = 0;
    QByteArray file;  // as strace -y names the descriptor
};

// fsync / fdatasync lines of `strace -ttt -y`: "pid 1700000000.123456 fsync(5</a/b-wal>) = 0".
QList<Sync> readTrace(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QList<Sync> syncs;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype call = std::max(line.indexOf(" fsync("), line.indexOf(" fdatasync("));
        if (call < 0) {
            continue;
        }
        const QList<QByteArray> head = line.left(call).simplified().split(' ');
        const qsizetype open = line.indexOf('<', call);
        const qsizetype close = line.indexOf('>', open);
        if (head.isEmpty() || open < 0 || close < 0) {
            continue;
        }
        syncs << Sync{head.last().toDouble(), line.mid(open + 1, close - open - 1)};
    }
    return syncs;
}

void add(Syncs& to, const QByteArray& file) {
    if (file.contains("/backup")) {
        to.dailyCopy += 1;
    } else if (file.endsWith("-wal")) {
        to.log += 1;
    } else if (file.endsWith(".mdb")) {
        to.database += 1;
    } else {
        to.folder += 1;
    }
}

Syncs perScan(const Syncs& sum, int scans) {
    return {sum.log / scans, sum.database / scans, sum.folder / scans, sum.dailyCopy};  // in all
}

void print(const char* what, const Syncs& s) {
    std::printf("  %-34s %5.2f syncs (log %.2f, database file %.2f, company folder %.2f)\n", what,
                s.total(), s.log, s.database, s.folder);
    if (s.dailyCopy > 0) {
        std::printf("  %-34s %5.0f syncs in all (the day's copy in backup/, once a day)\n", "",
                    s.dailyCopy);
    }
}

QByteArray payload(int i) {
    return QStringLiteral("01,10,044031900555,%1,100.00,20240101,12345678901234567890,ABCD,\n")
        .arg(70000000 + i)
        .toLatin1();
}

// Kept for its figure: the program's scans, the syncs of their own paths and of the checkpoints.
struct Traced {
    Syncs own, quiet;
    qint64 stored = 0;
    QString problem;
};

Traced traceProgram(const QString& build) {
    Traced result;
    bench::ProgramOnDisplay running;
    result.problem = running.start(build);
    if (!result.problem.isEmpty()) {
        return result;
    }
    QThread::msleep(2000);  // scan mode entered, the start's own writes settled

    const QString trace = running.tmpDir() + QStringLiteral("/trace");
    QProcess strace;
    strace.setProcessChannelMode(QProcess::MergedChannels);
    strace.start(
        QStringLiteral("strace"),
        {QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-ttt"), QStringLiteral("-y"),
         QStringLiteral("-e"), QStringLiteral("trace=fsync,fdatasync"), QStringLiteral("-o"), trace,
         QStringLiteral("-p"), QString::number(running.program().processId())});
    if (!strace.waitForStarted(5000)) {
        result.problem = QStringLiteral("strace not available");
        return result;
    }
    QThread::msleep(1000);  // every thread attached

    std::vector<double> typed;
    for (int i = 0; i < kScans; ++i) {
        typed.push_back(epochSeconds());
        running.scanner().type(payload(i), 0);
        QThread::msleep(kPauseMs);
    }
    strace.terminate();  // detaches
    strace.waitForFinished(5000);
    running.kill();
    result.stored = bench::storedInvoices();

    Syncs own, quiet;
    for (const Sync& sync : readTrace(trace)) {
        int scan = -1;
        for (int i = 0; i < kScans && typed[std::size_t(i)] <= sync.time; ++i) {
            scan = i;
        }
        if (scan < 0) {
            continue;  // before the first scan
        }
        add(sync.time - typed[std::size_t(scan)] < kOwnPathSeconds ? own : quiet, sync.file);
    }
    result.own = perScan(own, kScans);
    result.quiet = perScan(quiet, kScans);
    return result;
}

// Child mode: the engine's floor. A bare connection as the store's (WAL, synchronous FULL)
// stores an invoice and its trail line in one transaction, each time right after another
// connection has checkpointed the log, between START and END marks.
int floorChild(const QString& path, int count) {
    sqlite3* db = nullptr;
    sqlite3* quiet = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_open_v2(path.toUtf8().constData(), &quiet, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    for (int i = 0; i < count; ++i) {
        sqlite3_exec(quiet, "PRAGMA schema_version", nullptr, nullptr, nullptr);
        sqlite3_wal_checkpoint_v2(quiet, nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        std::fprintf(stderr, "START\n");
        const QByteArray sql =
            QStringLiteral(
                "BEGIN IMMEDIATE; insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, "
                "开票日期, 开票金额) values ('%1', '044031900666', '2024-01-01 00:00:00', 0, "
                "'20240101', 1000000); insert into 发票报销_记录 (时间, 操作, 发票代码, 发票号码) "
                "values ('2024-01-01 00:00:00', '登记', '044031900666', '%1'); COMMIT")
                .arg(60000000 + i)
                .toUtf8();
        sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr);
        std::fprintf(stderr, "END\n");
    }
    sqlite3_close(quiet);
    sqlite3_close(db);
    return 0;
}

double floorSyncs() {
    constexpr int kRegistrations = 20;
    bench::ScratchStore store;
    return bench::syncsPerRegistration(
        {QStringLiteral("--floor"), store.databasePath(), QString::number(kRegistrations)},
        kRegistrations);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--floor") {
        return floorChild(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    const QString program =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FPBX_BINARY);
    std::printf("durable syncs of a new scan on the real program, %d scans %d ms apart\n", kScans,
                kPauseMs);
    const Traced traced = traceProgram(program);
    if (!traced.problem.isEmpty()) {
        std::printf("  %s\n", qPrintable(traced.problem));
        return 1;
    }
    std::printf("  rows stored %lld of %d\n", static_cast<long long>(traced.stored), kScans);
    print("scan's own path, per scan", traced.own);
    print("quiet-time checkpoint, per scan", traced.quiet);
    const double floor = floorSyncs();
    std::printf(
        "  %-34s %5.2f syncs (invoice and trail line in one transaction after a "
        "checkpoint)\n",
        "engine floor, bare connection", floor);
    return traced.stored == kScans ? 0 : 1;
}
