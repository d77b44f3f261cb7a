#include "store/WalCheckpoint.h"

#include <sqlite3.h>

#include <QCoreApplication>
#include <QHash>
#include <QMutex>
#include <QPointer>
#include <QTimer>

#include "store/SqliteEngine.h"

namespace walcheckpoint {

namespace {

sqlite3* openForCheckpoint(const QString& path) {
    sqliteengine::configureOnce();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close_v2(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 200);
    return db;
}

// Moves the whole log into the file and empties it; false when a reader kept part of it back.
bool checkpoint(sqlite3* db) {
    // A connection learns that the file keeps a log only once it has read it.
    sqlite3_exec(db, "PRAGMA schema_version", nullptr, nullptr, nullptr);
    int logPages = -1;
    int moved = -1;
    const int rc =
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_TRUNCATE, &logPages, &moved);
    return rc == SQLITE_OK && logPages == moved;
}

// Lives on the application's thread; one timer and one connection per database file. The
// connection is kept: a new one would open the log afresh, and the first sync of a newly opened
// log also syncs the folder, one more sync each time the store falls quiet.
class QuietCheckpoints final : public QObject {
public:
    ~QuietCheckpoints() override {
        for (sqlite3* db : std::as_const(connections_)) {
            sqlite3_close_v2(db);
        }
    }

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
        if (!checkpointKept(path)) {
            timers_.value(path)->start(kQuietMs);
        }
    }

    bool checkpointKept(const QString& path) {
        // A file replaced or removed since (a restored copy) is let go, and opened anew by its
        // name when it is the one to settle.
        for (auto kept = connections_.begin(); kept != connections_.end();) {
            int moved = 0;
            if (sqlite3_file_control(*kept, "main", SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK ||
                moved != 0) {
                sqlite3_close_v2(*kept);
                kept = connections_.erase(kept);
            } else {
                ++kept;
            }
        }
        sqlite3*& db = connections_[path];
        if (db == nullptr) {
            db = openForCheckpoint(path);
            if (db == nullptr) {
                connections_.remove(path);
                return false;
            }
        }
        return checkpoint(db);
    }

    QHash<QString, QTimer*> timers_;
    QHash<QString, sqlite3*> connections_;
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
    sqlite3* db = openForCheckpoint(path);
    if (db == nullptr) {
        return false;
    }
    const bool done = checkpoint(db);
    sqlite3_close_v2(db);
    return done;
}

}  // namespace walcheckpoint
