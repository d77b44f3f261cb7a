#pragma once

#include <QByteArrayView>
#include <QString>
#include <optional>

#include "base/AppError.h"

struct sqlite3;
struct sqlite3_stmt;

// A failure of the database engine: its message, its extended result code, and the file.
class DatabaseError : public AppError {
public:
    static constexpr int kMissingFile = -1;  // the file is not there (no engine code)

    DatabaseError(QString message, int code, QString path, int systemError = 0)
        : AppError(std::move(message)),
          code_(code),
          path_(std::move(path)),
          systemError_(systemError) {}
    int code() const { return code_; }
    const QString& path() const { return path_; }
    int systemError() const { return systemError_; }  // errno of a failed file operation

private:
    int code_;
    QString path_;
    int systemError_;
};

// A connection to the invoice database, opened from a connection string (Data Source and Mode
// are read from it). Every connection waits for a busy database instead of failing, has the
// format() function the statements use, has its committed pages checkpointed into the database
// file soon after it falls quiet, and raises DatabaseError with the engine's message on any
// failure.
class Statement;

class Database {
public:
    enum class Durability { Full, Normal };

    // The database file a connection string names.
    static QString dataSource(const QString& connectionString);

    // Never creates a database: a missing file is an error.
    static Database open(const QString& connectionString, Durability durability = Durability::Full);

    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    ~Database();

    Statement prepare(const QString& sql);
    void exec(const QString& sql);
    sqlite3* handle() const { return db_; }
    QString path() const;

    // Milliseconds a statement waits for another connection's lock before it fails.
    static constexpr int kBusyTimeoutMs = 10000;

private:
    explicit Database(sqlite3* db) : db_(db) {}
    sqlite3* db_ = nullptr;
};

class Statement {
public:
    Statement(Statement&& other) noexcept;
    Statement& operator=(Statement&& other) noexcept;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement();

    // Parameters are numbered from 1.
    Statement& bind(int index, const QString& text);
    Statement& bind(int index, qint64 value);
    Statement& bindNull(int index);
    Statement& bind(int index, const std::optional<qint64>& value);
    Statement& bindUtf8(int index, QByteArrayView utf8);

    // True while there is a row; false at the end. Throws on failure.
    bool step();
    // Runs a statement that returns no rows. A unique-key violation gives false.
    bool execute();
    void reset();

    int columnCount() const;
    bool isNull(int column) const;
    QString text(int column) const;
    // The column's UTF-8 text, valid until the statement moves on.
    QByteArrayView utf8(int column) const;
    qint64 int64(int column) const;

private:
    friend class Database;
    Statement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
    sqlite3* db_ = nullptr;
    sqlite3_stmt* stmt_ = nullptr;
};

// A transaction that rolls back unless committed.
class Transaction {
public:
    explicit Transaction(Database& db);
    ~Transaction();
    void commit();

private:
    Database& db_;
    bool open_ = true;
};
