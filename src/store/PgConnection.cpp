#include "store/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>

#include <QDateTime>

#include "invoice/Amount.h"
#include "store/AuditTrail.h"
#include "store/PgConnectionInfo.h"

namespace {

// The server's type numbers of the parameter types used (fixed in its catalogue).
constexpr unsigned kInt8Oid = 20;
constexpr unsigned kTextOid = 25;
constexpr unsigned kTimestampOid = 1114;
constexpr unsigned kNumericOid = 1700;

// The program waits this much longer for an answer than the server may take over a statement.
constexpr int kAnswerMarginMs = 2000;

qint64 deadlineAfter(int ms) {
    return ms > 0 ? QDateTime::currentMSecsSinceEpoch() + ms : 0;
}

// connect_timeout as libpq reads it from the parameters: the last one counts; 0 or none waits
// without end, and less than 2 s is 2 s.
int connectTimeoutMs(const pgconninfo::Parameters& parameters) {
    int seconds = 0;
    for (const auto& [keyword, value] : parameters) {
        if (keyword == "connect_timeout") {
            seconds = value.trimmed().toInt();
        }
    }
    return seconds <= 0 ? 0 : std::max(seconds, 2) * 1000;
}

QString trimmedMessage(const char* message) {
    return QString::fromUtf8(message != nullptr ? message : "").trimmed();
}

}  // namespace

bool PgError::isTransient() const {
    return sqlState_ == QStringLiteral("40P01") || sqlState_ == QStringLiteral("40001");
}

StoreError PgError::toStoreError() const {
    using Kind = StoreError::Kind;
    StoreError error;
    error.detail = message();
    const QString category = sqlState_.left(2);
    if (cause_ == Cause::Settings) {
        error.kind = Kind::Misconfigured;
    } else if (cause_ == Cause::NoAnswer) {
        error.kind = Kind::NoAnswer;
    } else if (cause_ == Cause::ConnectionLost || category == QStringLiteral("08") ||
               sqlState_ == QStringLiteral("57P01") || sqlState_ == QStringLiteral("57P02") ||
               sqlState_ == QStringLiteral("57P03")) {
        error.kind = Kind::Unreachable;
    } else if (sqlState_ == QStringLiteral("3F000") || sqlState_ == QStringLiteral("42P01")) {
        error.kind = Kind::NoRegistry;
    } else if (sqlState_ == QStringLiteral("42501") || category == QStringLiteral("28")) {
        error.kind = Kind::NoRights;
    } else if (sqlState_ == QStringLiteral("53100")) {
        error.kind = Kind::DiskFull;
    } else if (category == QStringLiteral("40") || sqlState_ == QStringLiteral("55P03") ||
               sqlState_ == QStringLiteral("57014")) {
        error.kind = Kind::Busy;
    } else if (category == QStringLiteral("22")) {
        error.kind = Kind::InvalidValue;
    }
    if (error.kind == Kind::Unreachable || error.kind == Kind::NoAnswer) {
        error.detail = error.reason() + QStringLiteral("：") + message();
    }
    return error;
}

PgParams& PgParams::add(unsigned type, std::optional<QByteArray> value) {
    types_.push_back(type);
    values_.push_back(std::move(value));
    return *this;
}

PgParams& PgParams::text(const std::optional<QString>& value) {
    return add(kTextOid, value ? std::optional<QByteArray>(value->toUtf8()) : std::nullopt);
}

PgParams& PgParams::int64(const std::optional<qint64>& value) {
    return add(kInt8Oid,
               value ? std::optional<QByteArray>(QByteArray::number(*value)) : std::nullopt);
}

PgParams& PgParams::numeric(const std::optional<QString>& decimalText) {
    return add(kNumericOid,
               decimalText ? std::optional<QByteArray>(decimalText->toLatin1()) : std::nullopt);
}

PgParams& PgParams::timestamp(const std::optional<QString>& value) {
    return add(kTimestampOid, value ? std::optional<QByteArray>(value->toLatin1()) : std::nullopt);
}

PgParams& PgParams::amountUnits(const std::optional<qint64>& units) {
    return numeric(units ? std::optional<QString>(amount::toShortestText(*units)) : std::nullopt);
}

std::vector<const char*> PgParams::pointers() const {
    std::vector<const char*> result;
    result.reserve(values_.size());
    for (const std::optional<QByteArray>& value : values_) {
        result.push_back(value ? value->constData() : nullptr);
    }
    return result;
}

PgResult& PgResult::operator=(PgResult&& other) noexcept {
    if (this != &other) {
        PQclear(result_);
        result_ = other.result_;
        other.result_ = nullptr;
    }
    return *this;
}

PgResult::~PgResult() {
    PQclear(result_);
}

pg_result* PgResult::release() {
    pg_result* result = result_;
    result_ = nullptr;
    return result;
}

int PgResult::status() const {
    return PQresultStatus(result_);
}

int PgResult::rows() const {
    return PQntuples(result_);
}

bool PgResult::isNull(int row, int column) const {
    return PQgetisnull(result_, row, column) != 0;
}

QString PgResult::text(int row, int column) const {
    return QString::fromUtf8(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}

qint64 PgResult::int64(int row, int column) const {
    return QByteArray(PQgetvalue(result_, row, column)).toLongLong();
}

qint64 PgResult::affectedRows() const {
    return QByteArray(PQcmdTuples(result_)).toLongLong();
}

QByteArrayView PgResult::bytes(int row, int column) const {
    return QByteArrayView(PQgetvalue(result_, row, column), PQgetlength(result_, row, column));
}

PgLimits pgLimits(PgWork work) {
    // A scan behind a lock an administrator forgot is given up in seconds; a transaction left
    // open by a program that stopped answering does not hold its locks for long either. A
    // window's result stays open in its transaction while the clerk scrolls: no idle limit there.
    PgLimits limits{};
    switch (work) {
        case PgWork::Registration:
            limits = {5000, 10000, 0};
            break;
        case PgWork::Reading:
            limits = {20000, 0, 0};
            break;
        case PgWork::Bulk:
            limits = {3600000, 600000, 0};
            break;
    }
    limits.answerMs = limits.statementMs + kAnswerMarginMs;
    return limits;
}

PgConnection PgConnection::open(const QString& conninfo, const QString& schema, PgWork work) {
    pgconninfo::Parameters parameters;
    try {
        parameters = pgconninfo::connectParameters(conninfo);
    } catch (const AppError& error) {
        throw PgError(error.message(), {}, PgError::Cause::Settings);
    }
    std::vector<const char*> keywords;
    std::vector<const char*> values;
    for (const auto& [keyword, value] : parameters) {
        keywords.push_back(keyword.constData());
        values.push_back(value.constData());
    }
    keywords.push_back(nullptr);
    values.push_back(nullptr);
    const PgLimits limits = pgLimits(work);
    // Connected step by step, so that the wait is bounded as a whole: a server that takes the
    // connection and never greets (hung, or a firewall that swallows the packets) is given up
    // after connect_timeout, not after the kernel's TCP retries.
    PgConnection connection(PQconnectStartParams(keywords.data(), values.data(), 0), conninfo,
                            limits.answerMs);
    if (connection.conn_ == nullptr || PQstatus(connection.conn_) == CONNECTION_BAD) {
        connection.failWithoutResult();
    }
    const qint64 deadline = deadlineAfter(connectTimeoutMs(parameters));
    for (PostgresPollingStatusType status = PGRES_POLLING_WRITING;;) {
        if (status == PGRES_POLLING_OK) {
            break;
        }
        if (status == PGRES_POLLING_FAILED) {
            connection.failWithoutResult();
        }
        connection.waitFor(status == PGRES_POLLING_READING ? POLLIN : POLLOUT, deadline, "连接");
        status = PQconnectPoll(connection.conn_);
    }
    if (PQsetnonblocking(connection.conn_, 1) != 0) {
        connection.failWithoutResult();
    }
    // The server's notices ("already exists, skipping") are for a console, not for the clerk.
    PQsetNoticeProcessor(
        connection.conn_, [](void*, const char*) {}, nullptr);
    const auto ms = [](int value) { return QString::number(value) + QStringLiteral("ms"); };
    // Who works here, for the registry's trail triggers: they record it beside every change,
    // with the server's own login name. Times come as text in ISO order whatever the server's
    // default, so that a read takes 报销时间 as it is (to_char costs more than the walk itself).
    const trail::Actor& actor = trail::currentActor();
    PgParams params;
    params.text(ms(limits.statementMs))
        .text(ms(limits.idleInTransactionMs))
        .text(actor.user)
        .text(actor.host)
        .text(actor.version);
    QString sql = QStringLiteral(
        "select set_config('statement_timeout', $1, false), "
        "set_config('idle_in_transaction_session_timeout', $2, false), "
        "set_config('fpbx.user', $3, false), set_config('fpbx.host', $4, false), "
        "set_config('fpbx.version', $5, false), set_config('datestyle', 'ISO, YMD', false)");
    if (!schema.isEmpty()) {
        sql += QStringLiteral(", set_config('search_path', $6, false)");
        params.text(connection.quotedIdentifier(schema));
    }
    connection.exec(sql, params);
    return connection;
}

void PgConnection::waitFor(short events, qint64 deadline, const char* what) {
    for (;;) {
        int waitMs = -1;
        if (deadline > 0) {
            waitMs = int(std::max<qint64>(0, deadline - QDateTime::currentMSecsSinceEpoch()));
        }
        pollfd socket{PQsocket(conn_), events, 0};
        if (socket.fd < 0) {
            failWithoutResult();
        }
        const int ready = poll(&socket, 1, waitMs);
        if (ready > 0) {
            return;
        }
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready == 0) {
            // The connection is in doubt from here: let it go, and the next operation opens anew.
            PQfinish(conn_);
            conn_ = nullptr;
            prepared_.clear();
            throw PgError(QString::fromUtf8(what) + QStringLiteral("超时"), {},
                          PgError::Cause::NoAnswer);
        }
        failWithoutResult();
    }
}

void PgConnection::flushAll(qint64 deadline) {
    // The socket may take what is sent in parts.
    for (;;) {
        const int flushed = PQflush(conn_);
        if (flushed == 0) {
            return;
        }
        if (flushed < 0) {
            failWithoutResult();
        }
        waitFor(POLLIN | POLLOUT, deadline, "等待语句结果");
        if (PQconsumeInput(conn_) == 0) {
            failWithoutResult();
        }
    }
}

void PgConnection::waitUntilReady(qint64 deadline) {
    while (PQisBusy(conn_) != 0) {
        waitFor(POLLIN, deadline, "等待语句结果");
        if (PQconsumeInput(conn_) == 0) {
            failWithoutResult();
        }
    }
}

PgResult PgConnection::answer(int sent) {
    if (conn_ == nullptr || sent == 0) {
        failWithoutResult();
    }
    const qint64 deadline = deadlineAfter(answerMs_);
    flushAll(deadline);
    PgResult kept(nullptr);  // freed whatever ends the wait
    bool failed = false;
    for (;;) {
        waitUntilReady(deadline);
        PgResult next(PQgetResult(conn_));
        if (!next.valid()) {
            break;
        }
        // As PQexec: the last result, or the first error.
        if (!failed) {
            const auto status = static_cast<ExecStatusType>(next.status());
            failed = status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
            kept = std::move(next);
        }
    }
    return checked(kept.release());
}

void PgConnection::stream(const QByteArray& sql,
                          const std::vector<std::optional<QByteArray>>& values) {
    if (conn_ == nullptr || sendUntyped(sql, values) == 0 || PQsetSingleRowMode(conn_) == 0) {
        failWithoutResult();
    }
    flushAll(deadlineAfter(answerMs_));
}

std::optional<PgResult> PgConnection::nextRow() {
    if (conn_ == nullptr) {
        failWithoutResult();
    }
    if (PQisBusy(conn_) != 0) {
        waitUntilReady(deadlineAfter(answerMs_));
    }
    PgResult next(PQgetResult(conn_));
    if (!next.valid()) {
        return std::nullopt;
    }
    if (next.status() == PGRES_SINGLE_TUPLE) {
        return next;
    }
    // The end (a result without rows, then none) or a failure: the connection is free after it.
    checked(next.release());
    waitUntilReady(deadlineAfter(answerMs_));
    while (PgResult(PQgetResult(conn_)).valid()) {
    }
    return std::nullopt;
}

PgConnection::PgConnection(PgConnection&& other) noexcept
    : conn_(other.conn_),
      conninfo_(std::move(other.conninfo_)),
      answerMs_(other.answerMs_),
      prepared_(std::move(other.prepared_)) {
    other.conn_ = nullptr;
}

PgConnection& PgConnection::operator=(PgConnection&& other) noexcept {
    if (this != &other) {
        PQfinish(conn_);
        conn_ = other.conn_;
        conninfo_ = std::move(other.conninfo_);
        answerMs_ = other.answerMs_;
        prepared_ = std::move(other.prepared_);
        other.conn_ = nullptr;
    }
    return *this;
}

PgConnection::~PgConnection() {
    PQfinish(conn_);
}

void PgConnection::failWithoutResult() {
    const bool lost = conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK;
    const QString message = pgconninfo::scrubbed(
        conn_ != nullptr ? trimmedMessage(PQerrorMessage(conn_)) : QStringLiteral("连接已关闭"),
        conninfo_);
    throw PgError(message, {}, lost ? PgError::Cause::ConnectionLost : PgError::Cause::Statement);
}

PgResult PgConnection::checked(pg_result* raw) {
    if (raw == nullptr) {
        failWithoutResult();
    }
    PgResult result(raw);
    const ExecStatusType status = PQresultStatus(raw);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        return result;
    }
    const bool lost = PQstatus(conn_) != CONNECTION_OK;
    const char* state = PQresultErrorField(raw, PG_DIAG_SQLSTATE);
    throw PgError(pgconninfo::scrubbed(trimmedMessage(PQresultErrorMessage(raw)), conninfo_),
                  QString::fromLatin1(state != nullptr ? state : ""),
                  lost ? PgError::Cause::ConnectionLost : PgError::Cause::Statement);
}

PgResult PgConnection::exec(const QString& sql, const PgParams& params) {
    const QByteArray text = sql.toUtf8();
    const std::vector<const char*> values = params.pointers();
    return answer(PQsendQueryParams(conn_, text.constData(), params.size(), params.types(),
                                    values.data(), nullptr, nullptr, 0));
}

PgResult PgConnection::execPrepared(const QString& sql, const PgParams& params) {
    auto name = prepared_.constFind(sql);
    if (name == prepared_.cend()) {
        const QByteArray newName = "fpbx_" + QByteArray::number(prepared_.size() + 1);
        answer(PQsendPrepare(conn_, newName.constData(), sql.toUtf8().constData(), params.size(),
                             params.types()));
        name = prepared_.insert(sql, newName);
    }
    const std::vector<const char*> values = params.pointers();
    return answer(PQsendQueryPrepared(conn_, name->constData(), params.size(), values.data(),
                                      nullptr, nullptr, 0));
}

int PgConnection::sendUntyped(const QByteArray& sql,
                              const std::vector<std::optional<QByteArray>>& values) {
    std::vector<const char*> pointers;
    pointers.reserve(values.size());
    for (const std::optional<QByteArray>& value : values) {
        pointers.push_back(value ? value->constData() : nullptr);
    }
    return PQsendQueryParams(conn_, sql.constData(), int(values.size()), nullptr, pointers.data(),
                             nullptr, nullptr, 0);
}

PgResult PgConnection::execUntyped(const QByteArray& sql,
                                   const std::vector<std::optional<QByteArray>>& values) {
    return answer(sendUntyped(sql, values));
}

bool PgConnection::isUsable() {
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) {
        return false;
    }
    // An idle connection has nothing to read unless the server said something on its own,
    // typically that it is shutting down, followed by the end of the connection.
    for (int round = 0; round < 4; ++round) {
        pollfd socket{PQsocket(conn_), POLLIN, 0};
        if (poll(&socket, 1, 0) <= 0) {
            break;
        }
        if (PQconsumeInput(conn_) == 0) {
            return false;
        }
        while (PGnotify* notice = PQnotifies(conn_)) {
            PQfreemem(notice);
        }
    }
    return PQstatus(conn_) == CONNECTION_OK;
}

bool PgConnection::inFailedOrOpenTransaction() const {
    return PQtransactionStatus(conn_) != PQTRANS_IDLE;
}

QString PgConnection::quotedIdentifier(const QString& name) const {
    const QByteArray utf8 = name.toUtf8();
    char* quoted = PQescapeIdentifier(conn_, utf8.constData(), size_t(utf8.size()));
    if (quoted == nullptr) {
        throw PgError(trimmedMessage(PQerrorMessage(conn_)), {}, PgError::Cause::Statement);
    }
    const QString result = QString::fromUtf8(quoted);
    PQfreemem(quoted);
    return result;
}

PgTransaction::PgTransaction(PgConnection& connection) : connection_(connection) {
    connection_.exec(QStringLiteral("begin"));
}

PgTransaction::~PgTransaction() {
    if (open_ && PQstatus(connection_.handle()) == CONNECTION_OK) {
        try {
            connection_.exec(QStringLiteral("rollback"));
        } catch (const PgError&) {
            // A connection lost or in doubt is let go by its session; the server rolls back.
        }
    }
}

void PgTransaction::commit() {
    open_ = false;
    connection_.exec(QStringLiteral("commit"));
}

PgSession::PgSession(QString conninfo, QString schema, PgWork work)
    : conninfo_(std::move(conninfo)), schema_(std::move(schema)), work_(work) {}

PgConnection& PgSession::connection() {
    if (connection_ && (!connection_->isUsable() || connection_->inFailedOrOpenTransaction())) {
        connection_.reset();
    }
    if (!connection_) {
        connection_.emplace(PgConnection::open(conninfo_, schema_, work_));
    }
    return *connection_;
}

void PgSession::failed(const PgError& error) {
    if (error.cause() != PgError::Cause::Statement || (connection_ && !connection_->isUsable())) {
        connection_.reset();
    }
}
