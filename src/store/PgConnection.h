#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <vector>

#include "base/AppError.h"
#include "store/StoreError.h"

struct pg_conn;
struct pg_result;

// A failure on the database server or on the way to it: the message (any password scrubbed),
// the server's SQLSTATE when it gave one, and where it struck.
class PgError : public AppError {
public:
    enum class Cause {
        Statement,       // the server refused a statement; the connection is still good
        ConnectionLost,  // the server could not be reached or went away
        Settings,        // the connection string cannot be used at all
        NoAnswer,        // the server took the connection or a statement and did not answer in time
    };

    PgError(QString message, QString sqlState, Cause cause)
        : AppError(std::move(message)), sqlState_(std::move(sqlState)), cause_(cause) {}
    const QString& sqlState() const { return sqlState_; }
    Cause cause() const { return cause_; }
    bool connectionLost() const {
        return cause_ == Cause::ConnectionLost || cause_ == Cause::NoAnswer;
    }
    // A deadlock or serialization failure: the transaction was undone and may simply run again.
    bool isTransient() const;

    // What the clerk is told: the kind, and for a lost server "无法连接数据库服务器：" + why.
    StoreError toStoreError() const;

private:
    QString sqlState_;
    Cause cause_;
};

// The values of a statement's parameters, each with its type, so that the server converts
// nothing from text on its own guess. Every value travels as a parameter, never in the SQL.
class PgParams {
public:
    // Nothing gives null.
    PgParams& text(const std::optional<QString>& value);
    PgParams& int64(const std::optional<qint64>& value);
    PgParams& numeric(const std::optional<QString>& decimalText);
    PgParams& timestamp(const std::optional<QString>& value);  // yyyy-MM-dd HH:mm:ss
    // An amount in ten-thousandths, exactly, as a numeric value.
    PgParams& amountUnits(const std::optional<qint64>& units);

    int size() const { return int(values_.size()); }
    const unsigned* types() const { return types_.data(); }
    std::vector<const char*> pointers() const;

private:
    PgParams& add(unsigned type, std::optional<QByteArray> value);
    std::vector<unsigned> types_;
    std::vector<std::optional<QByteArray>> values_;
};

// The rows of one statement, freed with it. Values are read as text.
class PgResult {
public:
    explicit PgResult(pg_result* result) : result_(result) {}
    PgResult(PgResult&& other) noexcept : result_(other.result_) { other.result_ = nullptr; }
    PgResult& operator=(PgResult&& other) noexcept;
    PgResult(const PgResult&) = delete;
    PgResult& operator=(const PgResult&) = delete;
    ~PgResult();

    bool valid() const { return result_ != nullptr; }
    int status() const;    // libpq's ExecStatusType
    pg_result* release();  // the caller frees it

    int rows() const;
    bool isNull(int row, int column) const;
    QString text(int row, int column) const;
    qint64 int64(int row, int column) const;
    qint64 affectedRows() const;
    // The value's bytes as the server sent them (text format), valid while the result lives.
    QByteArrayView bytes(int row, int column) const;

private:
    pg_result* result_ = nullptr;
};

// What a connection is opened for, and so how long the server may take over one statement
// (statement_timeout), how long a transaction may stand idle (idle_in_transaction_session_timeout)
// and how long the program waits for an answer before it gives the connection up: a little longer
// than the server's own limit, so that a statement the server still runs is never reported as
// failed while it goes on. The connection itself is given up after connect_timeout (5 s unless
// the connection string says otherwise), the server's greeting and log-in included.
enum class PgWork {
    Registration,  // a clerk's scan, entry, count, correction: seconds
    Reading,       // a window's reads and sorts, the administrator's check
    Bulk,          // migrate, an import, a benchmark's fill: whatever a million rows take
};

// The limits of one kind of work, in milliseconds (0: none).
struct PgLimits {
    int statementMs;
    int idleInTransactionMs;
    int answerMs;  // the program's own wait for an answer to one statement
};
PgLimits pgLimits(PgWork work);

// One connection to the server, its session set up for a company's registry.
class PgConnection {
public:
    // Connects with the program's connection defaults (a connect time-out of a few seconds,
    // keepalives) and, when schema is not empty, makes that schema the only one statements see.
    // Throws PgError, with connectionLost set when the server could not be reached or did not
    // answer in time. Every wait on the server afterwards is bounded by work's limits.
    static PgConnection open(const QString& conninfo, const QString& schema = {},
                             PgWork work = PgWork::Reading);

    PgConnection(PgConnection&& other) noexcept;
    PgConnection& operator=(PgConnection&& other) noexcept;
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;
    ~PgConnection();

    // Runs one statement. Statements run often are prepared once per connection with prepared.
    PgResult exec(const QString& sql, const PgParams& params = {});
    PgResult execPrepared(const QString& sql, const PgParams& params = {});
    // Runs one statement whose parameters' types the server infers from the statement (write a
    // cast where it cannot), all values as text; nothing gives null.
    PgResult execUntyped(const QByteArray& sql,
                         const std::vector<std::optional<QByteArray>>& values);

    // A select whose rows come one at a time (nextRow) as the server finds them, without the
    // whole result held on either side: for walks over millions of rows that may stop early.
    // Until nextRow has given the end, the connection runs nothing else; a stream given up
    // early is given up with its connection (the server stops at its next write).
    void stream(const QByteArray& sql, const std::vector<std::optional<QByteArray>>& values);
    // The stream's next row, as a result of one row; none at the stream's end. Each wait for a
    // row is bounded as a statement's answer is.
    std::optional<PgResult> nextRow();

    // Without a round trip: false when the server has closed the connection since its last use
    // (a restart, an administrator), so that the next operation opens a new one first.
    bool isUsable();
    bool inFailedOrOpenTransaction() const;

    // The identifier as SQL text, quoted where needed.
    QString quotedIdentifier(const QString& name) const;

    pg_conn* handle() const { return conn_; }

private:
    PgConnection(pg_conn* conn, QString conninfo, int answerMs)
        : conn_(conn), conninfo_(std::move(conninfo)), answerMs_(answerMs) {}
    PgResult checked(pg_result* result);
    // Sends a statement whose parameters' types the server infers; libpq's 1 or 0.
    int sendUntyped(const QByteArray& sql, const std::vector<std::optional<QByteArray>>& values);
    // The result of the statement just sent, waited for at most answerMs_.
    PgResult answer(int sent);
    // Sends what libpq holds back, then waits until a result can be taken without blocking.
    void flushAll(qint64 deadline);
    void waitUntilReady(qint64 deadline);
    // Waits until the socket is ready for events or the deadline (ms since the epoch, 0: none)
    // has passed; gives the connection up and throws NoAnswer then.
    void waitFor(short events, qint64 deadline, const char* what);
    [[noreturn]] void failWithoutResult();

    pg_conn* conn_ = nullptr;
    QString conninfo_;  // for scrubbing messages only
    int answerMs_ = 0;
    QHash<QString, QByteArray> prepared_;
};

// A transaction that is rolled back unless committed.
class PgTransaction {
public:
    explicit PgTransaction(PgConnection& connection);
    ~PgTransaction();
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;
    void commit();

private:
    PgConnection& connection_;
    bool open_ = true;
};

// The connection of one store (or window): opened at its first use, checked before each use
// and opened again once the server is back, after it went away or after a failure left the
// connection in doubt. Used on one thread at a time.
class PgSession {
public:
    PgSession(QString conninfo, QString schema, PgWork work = PgWork::Reading);

    PgConnection& connection();  // throws PgError
    // Called with every failure: a lost connection is let go.
    void failed(const PgError& error);

    const QString& conninfo() const { return conninfo_; }

private:
    QString conninfo_;
    QString schema_;
    PgWork work_;
    std::optional<PgConnection> connection_;
};
