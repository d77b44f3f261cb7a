#include "BenchSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shell/Clock.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "store/Database.h"

namespace bench {

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
    const QString cached = QStringLiteral("/tmp/fpbx-bench-%1-%2-%3-%4.mdb")
                               .arg(rows)
                               .arg(firstNumber)
                               .arg(days)
                               .arg(appclock::now().toString(QStringLiteral("yyyyMMdd")));
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
