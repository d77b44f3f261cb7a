#include "store/Database.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <QStringList>

#include "base/AppError.h"
#include "store/ShutdownCheckpoint.h"
#include "store/SqlFunctions.h"
#include "store/SqliteEngine.h"
#include "store/WalCheckpoint.h"

namespace {

QString valueOf(const QString& connectionString, const QString& key) {
    const QStringList parts = connectionString.split(u';');
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq > 0 && part.left(eq).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            return part.mid(eq + 1).trimmed();
        }
    }
    return {};
}

QString fileOf(sqlite3* db) {
    const char* name = db != nullptr ? sqlite3_db_filename(db, "main") : nullptr;
    return name != nullptr ? QString::fromUtf8(name) : QString();
}

[[noreturn]] void fail(sqlite3* db, const QString& message, int code) {
    throw DatabaseError(message, code, fileOf(db), sqlite3_system_errno(db));
}

[[noreturn]] void fail(sqlite3* db) {
    fail(db, QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db));
}

}  // namespace

QString Database::dataSource(const QString& connectionString) {
    return valueOf(connectionString, QStringLiteral("Data Source"));
}

Database Database::open(const QString& connectionString, Durability durability) {
    sqliteengine::configureOnce();
    const QString path = dataSource(connectionString);
    const QString mode = valueOf(connectionString, QStringLiteral("Mode"));
    if (!QFileInfo(path).isFile()) {
        throw DatabaseError(QStringLiteral("Could not find file '%1'.").arg(path),
                            DatabaseError::kMissingFile, path);
    }
    const int flags =
        (mode.compare(QStringLiteral("Read"), Qt::CaseInsensitive) == 0 ? SQLITE_OPEN_READONLY
                                                                        : SQLITE_OPEN_READWRITE) |
        SQLITE_OPEN_NOMUTEX;
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    Database database(db);
    if (rc != SQLITE_OK) {
        throw DatabaseError(QString::fromUtf8(sqlite3_errmsg(db)), sqlite3_extended_errcode(db),
                            path, sqlite3_system_errno(db));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 1);
    registerSqlFunctions(db);
    walcheckpoint::watch(db);
    if (const char* file = sqlite3_db_filename(db, "main"); file != nullptr && *file != '\0') {
        shutdowncheckpoint::remember(QString::fromUtf8(file));
    }
    database.exec(durability == Durability::Full ? QStringLiteral("PRAGMA synchronous=FULL")
                                                 : QStringLiteral("PRAGMA synchronous=NORMAL"));
    // A registration fires the count and name triggers, so each insert keeps a statement journal
    // to undo it alone; in a temporary file that costs a write per page touched (an import of
    // 65,535 rows wrote some 300 MB). In memory it is as safe: it never outlives its statement.
    database.exec(QStringLiteral("PRAGMA temp_store=MEMORY"));
    if ((flags & SQLITE_OPEN_READWRITE) != 0) {
        // A database restored from a copy (a single file in rollback mode) goes back to the
        // write-ahead log: one sync per registration. A file that cannot change mode stays.
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
    }
    return database;
}

Database::Database(Database&& other) noexcept : db_(other.db_) {
    other.db_ = nullptr;
}

Database& Database::operator=(Database&& other) noexcept {
    if (this != &other) {
        sqlite3_close_v2(db_);
        db_ = other.db_;
        other.db_ = nullptr;
    }
    return *this;
}

Database::~Database() {
    sqlite3_close_v2(db_);
}

Statement Database::prepare(const QString& sql) {
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db_, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK) {
        fail(db_);
    }
    return Statement(db_, stmt);
}

void Database::exec(const QString& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error != nullptr ? error : sqlite3_errmsg(db_));
        sqlite3_free(error);
        fail(db_, message, sqlite3_extended_errcode(db_));
    }
}

QString Database::path() const {
    return fileOf(db_);
}

Statement::Statement(Statement&& other) noexcept : db_(other.db_), stmt_(other.stmt_) {
    other.stmt_ = nullptr;
}

Statement& Statement::operator=(Statement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(stmt_);
        db_ = other.db_;
        stmt_ = other.stmt_;
        other.stmt_ = nullptr;
    }
    return *this;
}

Statement::~Statement() {
    sqlite3_finalize(stmt_);
}

Statement& Statement::bind(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    if (sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        fail(db_);
    }
    return *this;
}

Statement& Statement::bind(int index, qint64 value) {
    if (sqlite3_bind_int64(stmt_, index, value) != SQLITE_OK) {
        fail(db_);
    }
    return *this;
}

Statement& Statement::bindNull(int index) {
    if (sqlite3_bind_null(stmt_, index) != SQLITE_OK) {
        fail(db_);
    }
    return *this;
}

Statement& Statement::bind(int index, const std::optional<qint64>& value) {
    return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bindUtf8(int index, QByteArrayView utf8) {
    if (sqlite3_bind_text(stmt_, index, utf8.data(), int(utf8.size()), SQLITE_TRANSIENT) !=
        SQLITE_OK) {
        fail(db_);
    }
    return *this;
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
        return true;
    }
    if (rc == SQLITE_DONE) {
        return false;
    }
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    const int code = sqlite3_extended_errcode(db_);
    sqlite3_reset(stmt_);
    fail(db_, message, code);
}

bool Statement::execute() {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_DONE || rc == SQLITE_ROW) {
        sqlite3_reset(stmt_);
        return true;
    }
    const QString message = QString::fromUtf8(sqlite3_errmsg(db_));
    const int code = sqlite3_extended_errcode(db_);
    sqlite3_reset(stmt_);
    if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY) {
        return false;
    }
    fail(db_, message, code);
}

void Statement::reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const {
    return sqlite3_column_count(stmt_);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(stmt_, column) == SQLITE_NULL;
}

QString Statement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QString::fromUtf8(data, sqlite3_column_bytes(stmt_, column));
}

QByteArrayView Statement::utf8(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
    return QByteArrayView(data, sqlite3_column_bytes(stmt_, column));
}

qint64 Statement::int64(int column) const {
    return sqlite3_column_int64(stmt_, column);
}

Transaction::Transaction(Database& db) : db_(db) {
    db_.exec(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction() {
    if (open_) {
        sqlite3_exec(db_.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    db_.exec(QStringLiteral("COMMIT"));
    open_ = false;
}
