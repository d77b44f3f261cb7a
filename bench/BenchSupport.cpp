#include "BenchSupport.h"

#include "base/AppError.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace bench {

qint64 storedInvoices() {
    try {
        Database db = Database::open(GetConnectionString());
        Statement count = db.prepare(QStringLiteral("select count(*) from 发票报销"));
        count.step();
        return count.int64(0);
    } catch (...) {
        return -1;
    }
}

double syncsPerRegistration(const QStringList& childArguments, int registrations) {
    QTemporaryDir dir;
    const QString trace = dir.filePath(QStringLiteral("trace"));
    QProcess strace;
    strace.start(QStringLiteral("strace"),
                 QStringList{QStringLiteral("-f"), QStringLiteral("-qq"), QStringLiteral("-e"),
                             QStringLiteral("trace=fsync,fdatasync,write"), QStringLiteral("-o"),
                             trace, QCoreApplication::applicationFilePath()} +
                     childArguments);
    if (!strace.waitForFinished(120000) || strace.exitCode() != 0) {
        return -1;
    }
    QFile file(trace);
    file.open(QIODevice::ReadOnly);
    int syncs = 0;
    bool counting = false;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.contains("write(2, \"START")) {
            counting = true;
        } else if (line.contains("write(2, \"END")) {
            counting = false;
        } else if (counting && (line.contains("fsync(") || line.contains("fdatasync("))) {
            ++syncs;
        }
    }
    return double(syncs) / registrations;
}

int runReportingFailure(int (*body)(int, char**), int argc, char** argv) {
    try {
        return body(argc, argv);
    } catch (const AppError& error) {
        std::fprintf(stderr, "failed: %s\n", error.message().toLocal8Bit().constData());
        return 1;
    }
}

namespace {
const QString kTaxNumber = QStringLiteral("91110108MA01ABCD2X");
}

ScratchStore::ScratchStore() {
    QDir().mkpath(dir_.path() + QStringLiteral("/database"));
    QFile::copy(QStringLiteral(FPBX_TEMPLATE_DB),
                dir_.path() + QStringLiteral("/database/fpbx.mdb"));
    QFile ini(dir_.path() + QStringLiteral("/config.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write("[\xBB\xF9\xB1\xBE\xD0\xC5\xCF\xA2]\r\n\xCB\xB0\xBA\xC5=" + kTaxNumber.toLatin1() +
              "\r\n");
    ini.close();
    QDir().mkpath(dir_.path() + u'/' + kTaxNumber);
    QFile::copy(QStringLiteral(FPBX_TEMPLATE_DB), databasePath());
    QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    QFile(dir_.path() + u'/' + kTaxNumber + QStringLiteral("/bxr.txt")).open(QIODevice::WriteOnly);
    setExeDirOverride(dir_.path());
    setTaxNumber(kTaxNumber);
}

ScratchStore::~ScratchStore() {
    setExeDirOverride(QString());
    setTaxNumber(QString());
}

QString ScratchStore::databasePath() const {
    return dir_.path() + u'/' + kTaxNumber + QStringLiteral("/fpbx.mdb");
}

void ScratchStore::fill(qint64 rows, qint64 firstNumber, int days) {
    // A filled store is kept in /tmp for the day, since filling a million rows takes a while.
    // Its name carries the template's fingerprint: builds of other schemas share /tmp.
    QFile template_(QStringLiteral(FPBX_TEMPLATE_DB));
    template_.open(QIODevice::ReadOnly);
    const QString schema = QString::fromLatin1(
        QCryptographicHash::hash(template_.readAll(), QCryptographicHash::Sha1).toHex().left(8));
    const QString cached = QStringLiteral("/tmp/fpbx-bench-%1-%2-%3-%4-%5.mdb")
                               .arg(rows)
                               .arg(firstNumber)
                               .arg(days)
                               .arg(appclock::now().toString(QStringLiteral("yyyyMMdd")), schema);
    if (QFile::exists(cached) && QFileInfo(cached).lastModified() >
                                     QFileInfo(QStringLiteral(FPBX_TEMPLATE_DB)).lastModified()) {
        QFile::remove(databasePath());
        QFile::copy(cached, databasePath());
        QFile::setPermissions(databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        return;
    }
    fillRows(rows, firstNumber, days);
    QFile::remove(cached);
    QFile::copy(databasePath(), cached);
}

void ScratchStore::fillReporting(qint64 rows) {
    Stopwatch fillTime;
    fill(rows);
    std::printf("store of %lld invoices ready in %.0f ms; resident %.1f MiB\n",
                static_cast<long long>(rows), fillTime.elapsedMs(), residentMiB());
}

void ScratchStore::fillRows(qint64 rows, qint64 firstNumber, int days) {
    Database db = Database::open(GetConnectionString(), Database::Durability::Normal);
    db.exec(QStringLiteral("PRAGMA cache_size=-400000"));
    Transaction transaction(db);
    Statement insert = db.prepare(QStringLiteral(
        "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, 开票金额, "
        "报销人) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"));
    const QDateTime end = appclock::now();
    const qint64 span = qint64(days) * 86400;
    static const QString names[] = {QStringLiteral("张三"), QStringLiteral("李四"),
                                    QStringLiteral("王五"), QStringLiteral("财务部"),
                                    QStringLiteral("Alice")};
    for (qint64 i = 0; i < rows; ++i) {
        const QDateTime when = end.addSecs(-span + (rows > 1 ? span * i / (rows - 1) : span));
        insert.bind(1, QString::number(firstNumber + i))
            .bind(2, QStringLiteral("044031900111"))
            .bind(3, localefmt::storageText(when))
            .bind(4, qint64(i % 3))
            .bind(5, QStringLiteral("12345678901234567890"))
            .bind(6, when.date().toString(QStringLiteral("yyyyMMdd")))
            .bind(7, qint64(1000000 + i % 997))
            .bind(8, names[i % 5]);
        insert.execute();
        insert.reset();
    }
    transaction.commit();
    db.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

CliRun runCli(const QString& database, const QString& sql, const QStringList& options,
              const QString& outFile) {
    QByteArrayList storage;
    storage << "sqlite3";
    for (const QString& option : options) {
        storage << option.toUtf8();
    }
    storage << database.toUtf8() << sql.toUtf8();
    std::vector<char*> argv;
    for (QByteArray& arg : storage) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    int out[2] = {-1, -1};
    if (outFile.isEmpty() && pipe(out) != 0) {
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray outPath = outFile.toUtf8();
    if (outFile.isEmpty()) {
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, out[0]);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, outPath.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    }
    CliRun run;
    Stopwatch wall;
    pid_t pid = 0;
    if (posix_spawnp(&pid, "sqlite3", &actions, nullptr, argv.data(), environ) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        std::fprintf(stderr, "sqlite3 could not be started (is the sqlite3 package installed?)\n");
        return run;
    }
    posix_spawn_file_actions_destroy(&actions);
    if (outFile.isEmpty()) {
        close(out[1]);
        char buffer[65536];
        ssize_t n = 0;
        while ((n = read(out[0], buffer, sizeof buffer)) > 0) {
            run.output.append(buffer, n);
        }
        close(out[0]);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.wallMs = wall.elapsedMs();
    run.cpuMs = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
                double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    return run;
}

double cpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
}

class StallMeter::Ticker final : public QObject {
public:
    Ticker() {
        timer_.setInterval(2);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
        last_.restart();
        timer_.start();
    }
    void tick() {
        longest_ = std::max(longest_, last_.elapsedMs());
        last_.restart();
        const double cpu = threadCpuMs();
        busiest_ = std::max(busiest_, cpu - lastCpu_);
        lastCpu_ = cpu;
    }
    double longest() {
        tick();
        return longest_;
    }
    double busiest() const { return busiest_; }

private:
    static double threadCpuMs() {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1000.0 + double(t.tv_nsec) / 1e6;
    }

    QTimer timer_;
    Stopwatch last_;
    double longest_ = 0;
    double lastCpu_ = threadCpuMs();
    double busiest_ = 0;
};

StallMeter::StallMeter() = default;
StallMeter::~StallMeter() = default;

void StallMeter::start() {
    ticker_ = std::make_unique<Ticker>();
}

double StallMeter::stopMs() {
    const double longest = ticker_ ? ticker_->longest() : 0;
    busyMs_ = ticker_ ? ticker_->busiest() : 0;
    ticker_.reset();
    return longest;
}

bool resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

double peakMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

void useOffscreenUnlessSet() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
}

double median(std::vector<double> samples) {
    return percentile(std::move(samples), 50);
}

double percentile(std::vector<double> samples, double p) {
    if (samples.empty()) {
        return 0;
    }
    std::sort(samples.begin(), samples.end());
    const double rank = p / 100.0 * double(samples.size() - 1);
    const size_t low = size_t(std::floor(rank));
    const size_t high = std::min(samples.size() - 1, low + 1);
    return samples[low] + (samples[high] - samples[low]) * (rank - double(low));
}

double residentMiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

}  // namespace bench
