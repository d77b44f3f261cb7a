#include "store/PgConnection.h"

#include <libpq-fe.h>
#include <poll.h>

#include "invoice/Amount.h"
#include "store/AuditTrail.h"
#include "store/PgConnectionInfo.h"

namespace {

// The server's type numbers of the parameter types used (fixed in its catalogue).
constexpr unsigned kInt8Oid = 20;
constexpr unsigned kTextOid = 25;
constexpr unsigned kTimestampOid = 1114;
constexpr unsigned kNumericOid = 1700;

// A statement taking longer than this is given up: a clerk's scan does not wait forever behind
// a lock an administrator forgot.
constexpr char kStatementTimeout[] = "20s";

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
    if (error.kind == Kind::Unreachable) {
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

PgConnection PgConnection::open(const QString& conninfo, const QString& schema) {
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
    PgConnection connection(PQconnectdbParams(keywords.data(), values.data(), 0), conninfo);
    if (connection.conn_ == nullptr || PQstatus(connection.conn_) != CONNECTION_OK) {
        connection.failWithoutResult();
    }
    // The server's notices ("already exists, skipping") are for a console, not for the clerk.
    PQsetNoticeProcessor(
        connection.conn_, [](void*, const char*) {}, nullptr);
    const QString timeout = QString::fromLatin1(kStatementTimeout);
    // Who works here, for the registry's trail triggers: they record it beside every change,
    // with the server's own login name.
    const trail::Actor& actor = trail::currentActor();
    const QString actorSql = QStringLiteral(
        "set_config('fpbx.user', $2, false), set_config('fpbx.host', $3, false), "
        "set_config('fpbx.version', $4, false)");
    PgParams params;
    params.text(timeout).text(actor.user).text(actor.host).text(actor.version);
    if (schema.isEmpty()) {
        connection.exec(
            QStringLiteral("select set_config('statement_timeout', $1, false), ") + actorSql,
            params);
    } else {
        connection.exec(QStringLiteral("select set_config('statement_timeout', $1, false), ") +
                            actorSql + QStringLiteral(", set_config('search_path', $5, false)"),
                        params.text(connection.quotedIdentifier(schema)));
    }
    return connection;
}

PgConnection::PgConnection(PgConnection&& other) noexcept
    : conn_(other.conn_),
      conninfo_(std::move(other.conninfo_)),
      prepared_(std::move(other.prepared_)) {
    other.conn_ = nullptr;
}

PgConnection& PgConnection::operator=(PgConnection&& other) noexcept {
    if (this != &other) {
        PQfinish(conn_);
        conn_ = other.conn_;
        conninfo_ = std::move(other.conninfo_);
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
        conn_ != nullptr ? trimmedMessage(PQerrorMessage(conn_)) : QStringLiteral("out of memory"),
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
    return checked(PQexecParams(conn_, text.constData(), params.size(), params.types(),
                                values.data(), nullptr, nullptr, 0));
}

PgResult PgConnection::execPrepared(const QString& sql, const PgParams& params) {
    auto name = prepared_.constFind(sql);
    if (name == prepared_.cend()) {
        const QByteArray newName = "fpbx_" + QByteArray::number(prepared_.size() + 1);
        checked(PQprepare(conn_, newName.constData(), sql.toUtf8().constData(), params.size(),
                          params.types()));
        name = prepared_.insert(sql, newName);
    }
    const std::vector<const char*> values = params.pointers();
    return checked(PQexecPrepared(conn_, name->constData(), params.size(), values.data(), nullptr,
                                  nullptr, 0));
}

PgResult PgConnection::execUntyped(const QByteArray& sql,
                                   const std::vector<std::optional<QByteArray>>& values) {
    std::vector<const char*> pointers;
    pointers.reserve(values.size());
    for (const std::optional<QByteArray>& value : values) {
        pointers.push_back(value ? value->constData() : nullptr);
    }
    return checked(PQexecParams(conn_, sql.constData(), int(values.size()), nullptr,
                                pointers.data(), nullptr, nullptr, 0));
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
        PQclear(PQexec(connection_.handle(), "rollback"));
    }
}

void PgTransaction::commit() {
    open_ = false;
    connection_.exec(QStringLiteral("commit"));
}

PgSession::PgSession(QString conninfo, QString schema)
    : conninfo_(std::move(conninfo)), schema_(std::move(schema)) {}

PgConnection& PgSession::connection() {
    if (connection_ && (!connection_->isUsable() || connection_->inFailedOrOpenTransaction())) {
        connection_.reset();
    }
    if (!connection_) {
        connection_.emplace(PgConnection::open(conninfo_, schema_));
    }
    return *connection_;
}

void PgSession::failed(const PgError& error) {
    if (error.cause() != PgError::Cause::Statement || (connection_ && !connection_->isUsable())) {
        connection_.reset();
    }
}
