#include "store/DatabaseBackup.h"

#include <sqlite3.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "store/BackupFiles.h"
#include "store/SqliteEngine.h"
#include "store/SqliteErrors.h"

namespace databasebackup {

namespace {

// The connection's failure; one that names no cause of its own is of the kind given.
StoreError engineError(sqlite3* db, const QString& path, StoreError::Kind fallback) {
    StoreError error = sqliteerrors::fromConnection(db, path);
    if (error.kind == StoreError::Kind::Other) {
        error.kind = fallback;
    }
    return error;
}

// A connection that closes itself.
struct Connection {
    sqlite3* db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

}  // namespace

std::optional<StoreError> copyDatabase(const QString& source, const QString& target,
                                       const CopyProgress& progress, bool* stopped) {
    if (!QFileInfo(source).isFile()) {
        StoreError missing;
        missing.kind = StoreError::Kind::Missing;
        missing.path = source;
        missing.detail = QStringLiteral("Could not find file '%1'.").arg(source);
        return missing;
    }
    const QString aside = target + QStringLiteral(".part");
    QFile::remove(aside);
    sqliteengine::configureOnce();
    Connection from;
    Connection to;
    if (sqlite3_open_v2(source.toUtf8().constData(), &from.db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        return engineError(from.db, source, StoreError::Kind::Other);
    }
    sqlite3_busy_timeout(from.db, 10000);
    if (sqlite3_open_v2(aside.toUtf8().constData(), &to.db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        return engineError(to.db, target, StoreError::Kind::ReadOnly);
    }
    sqlite3_backup* backup = sqlite3_backup_init(to.db, "main", from.db, "main");
    if (backup == nullptr) {
        return engineError(to.db, target, StoreError::Kind::Other);
    }
    // In steps, so that a registration in between waits for a step, not for the whole copy.
    int rc = SQLITE_OK;
    do {
        rc = sqlite3_backup_step(backup, 256);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            sqlite3_sleep(20);
        }
        const int total = sqlite3_backup_pagecount(backup);
        if (rc != SQLITE_DONE && progress &&
            !progress(total - sqlite3_backup_remaining(backup), total)) {
            sqlite3_backup_finish(backup);
            sqlite3_close_v2(to.db);
            to.db = nullptr;
            QFile::remove(aside);
            if (stopped != nullptr) {
                *stopped = true;
            }
            return std::nullopt;
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        const StoreError error = engineError(to.db, target, StoreError::Kind::Other);
        sqlite3_close_v2(to.db);
        to.db = nullptr;
        QFile::remove(aside);
        return error;
    }
    // One file: the copy carries no log beside it.
    sqlite3_exec(to.db, "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
    sqlite3_close_v2(to.db);
    to.db = nullptr;
    QFile::remove(target);
    if (!QFile::rename(aside, target)) {
        QFile::remove(aside);
        StoreError error;
        error.kind = StoreError::Kind::ReadOnly;
        error.path = target;
        error.detail = QStringLiteral("Could not write '%1'.").arg(target);
        return error;
    }
    return std::nullopt;
}

Copy copyInto(const QString& source, const QString& folder, const QString& taxNumber,
              const QDateTime& now, const CopyProgress& progress) {
    Copy copy;
    copy.path = joinPath(folder, backupfiles::fileName(taxNumber, now));
    copy.error = copyDatabase(source, copy.path, progress, &copy.stopped);
    if (copy.stopped) {
        copy.path.clear();
    }
    return copy;
}

DailyCopy keepDailyCopy(const QString& companyDir, const QString& taxNumber, const QDateTime& now) {
    DailyCopy daily;
    const QString folder = backupfiles::folder(companyDir);
    if (!backupfiles::hasCopyOf(folder, now.date())) {
        if (!QDir().mkpath(folder)) {
            StoreError error;
            error.kind = StoreError::Kind::ReadOnly;
            error.path = folder;
            daily.error = error;
            return daily;
        }
        const Copy copy =
            copyInto(joinPath(companyDir, QStringLiteral("fpbx.mdb")), folder, taxNumber, now);
        if (copy.error) {
            daily.error = copy.error;
            return daily;  // the older copies stay until a new one is made
        }
        daily.made = copy.path;
    }
    for (const QString& old : backupfiles::outdated(folder, now.date())) {
        if (QFile::remove(old)) {
            daily.removed << old;
        }
    }
    return daily;
}

DailyKeeper::DailyKeeper(QString companyDir, QString taxNumber, QObject* parent)
    : QObject(parent),
      companyDir_(std::move(companyDir)),
      taxNumber_(std::move(taxNumber)),
      timer_(new QTimer(this)) {
    timer_->setInterval(kCheckEveryMs);
    connect(timer_, &QTimer::timeout, this, &DailyKeeper::copyInBackground);
}

DailyKeeper::~DailyKeeper() {
    waitForCopy();
}

void DailyKeeper::start(int firstAfterMs) {
    QTimer::singleShot(firstAfterMs, this, &DailyKeeper::copyInBackground);
    timer_->start();
}

bool DailyKeeper::isCopying() const {
    return job_ != nullptr && !job_->isFinished();
}

void DailyKeeper::waitForCopy() {
    if (job_ != nullptr) {
        job_->wait();
        delete job_;
        job_ = nullptr;
    }
}

void DailyKeeper::copyInBackground() {
    if (isCopying()) {
        return;
    }
    waitForCopy();
    job_ = QThread::create([companyDir = companyDir_, taxNumber = taxNumber_] {
        const DailyCopy daily = keepDailyCopy(companyDir, taxNumber, appclock::now());
        QStringList lines;
        if (!daily.made.isEmpty()) {
            lines << QStringLiteral("数据库已备份：") + daily.made;
        }
        for (const QString& removed : daily.removed) {
            lines << QStringLiteral("删除过期备份：") + removed;
        }
        if (daily.error) {
            lines << QStringLiteral("数据库备份失败：%1 %2")
                         .arg(daily.error->reason(), daily.error->detail);
        }
        WriteLogLines(GetExeDir(), lines);
    });
    job_->start(QThread::LowPriority);
}

}  // namespace databasebackup
