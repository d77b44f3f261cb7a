#include "store/WalCheckpoint.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QTimer>

namespace walcheckpoint {

namespace {

// Lives on the application's thread; one timer per database file.
class QuietCheckpoints final : public QObject {
public:
    void noteCommit(const QString& path) {
        QTimer*& timer = timers_[path];
        if (timer == nullptr) {
            timer = new QTimer(this);
            timer->setSingleShot(true);
            connect(timer, &QTimer::timeout, this, [this, path] { settle(path); });
        }
        timer->start(kQuietMs);
    }

private:
    void settle(const QString& path) {
        // Another connection may be reading an older state: try again once it has finished.
        if (!checkpointNow(path)) {
            timers_.value(path)->start(kQuietMs);
        }
    }
    QHash<QString, QTimer*> timers_;
};

QuietCheckpoints* quietCheckpoints() {
    static QMutex mutex;
    static QPointer<QuietCheckpoints> instance;
    QMutexLocker lock(&mutex);
    QCoreApplication* app = QCoreApplication::instance();
    if (instance.isNull() && app != nullptr) {
        instance = new QuietCheckpoints;
        instance->moveToThread(app->thread());
        instance->setParent(app);
    }
    return instance.data();
}

int afterCommit(void*, sqlite3* db, const char* name, int pages) {
    if (pages >= kLongLogPages) {
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    }
    const char* file = sqlite3_db_filename(db, name);
    QuietCheckpoints* quiet = quietCheckpoints();
    if (file != nullptr && quiet != nullptr) {
        const QString path = QString::fromUtf8(file);
        QMetaObject::invokeMethod(
            quiet, [quiet, path] { quiet->noteCommit(path); }, Qt::QueuedConnection);
    }
    return SQLITE_OK;
}

}  // namespace

void watch(sqlite3* db) {
    sqlite3_wal_hook(db, &afterCommit, nullptr);
}

bool checkpointNow(const QString& path) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        return false;
    }
    sqlite3_busy_timeout(db, 200);
    // A connection learns that the file keeps a log only once it has read it.
    sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    int logPages = -1;
    int moved = -1;
    const int rc =
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logPages, &moved);
    sqlite3_close_v2(db);
    return rc == SQLITE_OK && logPages == moved;
}

}  // namespace walcheckpoint
