#pragma once

#include <QByteArrayView>
#include <QString>
#include <memory>
#include <span>

#include "records/Dialect.h"
#include "records/RecordColumns.h"
#include "records/RecordQuery.h"

class Database;

// What the records window reads through: a connection to the company's registry that runs the
// window's parameterised selects and steps their rows, on the embedded SQLite file or on the
// registry on a PostgreSQL server. The statements themselves, per engine, are in RecordQuery.
namespace records {

// Where the registry is: the SQLite connection string, or a libpq connection string and the
// company's schema on the server.
struct StoreAddress {
    Dialect dialect = Dialect::Sqlite;
    QString connection;
    QString schema;
};

// The registry config.ini names ([数据库] and the tax number). Throws AppError with the store's
// own words when it names none the program can use.
StoreAddress currentStore();

// The values of the row a statement stands on, as text (UTF-8) or as a whole number.
class RowValues {
public:
    virtual ~RowValues() = default;
    virtual bool isNull(int column) const = 0;
    // Valid until the statement moves on.
    virtual QByteArrayView utf8(int column) const = 0;
    virtual qint64 int64(int column) const = 0;
    QString text(int column) const { return QString::fromUtf8(utf8(column)); }
};

// A select with parameters numbered from 1, stepped row by row. Inside a read (beginRead) its
// rows are fetched as they are stepped over, whatever their number.
class Query : public RowValues {
public:
    virtual Query& bind(int index, const QString& text) = 0;
    virtual Query& bindUtf8(int index, QByteArrayView utf8) = 0;
    virtual Query& bind(int index, qint64 value) = 0;
    // True while there is a row; false at the end. Throws AppError.
    virtual bool step() = 0;
    // Back to before its first row, parameters cleared.
    virtual void reset() = 0;
};

// Rows read by key (rowid on the file, 序号 on the server) as rowStatement() selects them.
class RowLookup {
public:
    virtual ~RowLookup() = default;
    // Says which keys will be asked for next, so that an engine far away reads them in one go.
    virtual void expect(std::span<const qint64> keys) = 0;
    // The row of the key, valid until the next find or release; nothing when it is gone.
    virtual const RowValues* find(qint64 key) = 0;
    // Lets go of the row found, so that it holds no read open.
    virtual void release() = 0;
};

class RecordConnection {
public:
    virtual ~RecordConnection() = default;

    virtual const StoreAddress& address() const = 0;
    Dialect dialect() const { return address().dialect; }
    // Whether the registry keeps its table of distinct reimbursers (a file always does, once
    // brought up to date; a server's registry once fpbxdb init has run on this version).
    virtual ReimburserNames reimburserNames() const { return ReimburserNames::Kept; }

    virtual std::unique_ptr<Query> prepare(const QString& sql) = 0;
    // A select inside a read that is stepped to its end or until the reader stops, as a find
    // walk or an export reads: its rows may come as the engine finds them.
    virtual std::unique_ptr<Query> prepareWalk(const QString& sql) { return prepare(sql); }
    virtual std::unique_ptr<RowLookup> rowLookup() = 0;

    // A read whose statements all see one state of the registry, until endRead.
    virtual void beginRead() = 0;
    virtual void endRead() noexcept = 0;

    // From any thread: the statement the connection's thread runs inside a read stops with an
    // error (a search given up while the engine still sorts).
    virtual void interrupt() noexcept = 0;

    // The embedded store's connection; nothing on a server.
    virtual Database* sqliteDatabase() { return nullptr; }

    // Sets 报销人 of the invoice (code, number). Throws AppError when the store refuses or the
    // invoice is no longer there.
    virtual void saveReimburser(const QString& code, const QString& number,
                                const QString& name) = 0;
};

// Opens a connection of its own (for a window or a worker thread). Throws AppError, for a
// server with the store's words for what went wrong ("无法连接数据库服务器：…").
std::unique_ptr<RecordConnection> openRecordConnection(const StoreAddress& address);

namespace detail {
std::unique_ptr<RecordConnection> openPgRecordConnection(const StoreAddress& address);
}

}  // namespace records
