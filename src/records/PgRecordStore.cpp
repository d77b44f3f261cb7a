// The records window's reads on the company's registry on a PostgreSQL server.
//
// A read (beginRead) is one repeatable-read transaction, so that a result's count, its keys and
// the rows read meanwhile come from one snapshot, as on the file. A select stepped inside a read
// runs as a cursor fetched in growing batches, so that a result of millions of keys costs its
// first screen only; outside a read it runs whole. Rows are looked up by key (序号, the
// registry's identity column) a page or a batch at a time rather than one round trip per row.
// Every failure is an AppError in the store's own words (StoreError): "无法连接数据库服务器：…"
// for a server that is down or went away; the next read connects again by itself.

#include <libpq-fe.h>

#include <QHash>
#include <cctype>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <vector>

#include "base/AppError.h"
#include "records/RecordQuery.h"
#include "records/RecordStore.h"
#include "store/PgConnection.h"

namespace records::detail {

namespace {

// A select stepped inside a read fetches this many rows first, then four times as many each
// time up to the largest batch.
constexpr int kFirstBatch = 256;
constexpr int kLargestBatch = 16384;

QString messageOf(const PgError& error) {
    const StoreError store = error.toStoreError();
    // A lost server's detail already starts with the reason.
    return store.detail.startsWith(store.reason())
               ? store.detail
               : store.reason() + QStringLiteral("：") + store.detail;
}

qint64 parseInteger(QByteArrayView text) {
    qint64 value = 0;
    qsizetype i = 0;
    const bool negative = !text.isEmpty() && text[0] == '-';
    if (negative) {
        i = 1;
    }
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10 + (c - '0');
    }
    return negative ? -value : value;
}

// A row of a result.
class PgRow final : public RowValues {
public:
    const PgResult* result = nullptr;
    int row = 0;

    bool isNull(int column) const override { return result->isNull(row, column); }
    QByteArrayView utf8(int column) const override { return result->bytes(row, column); }
    qint64 int64(int column) const override { return parseInteger(result->bytes(row, column)); }
};

class PgRecordConnection;

// A statement's text and the values bound to it, with its current row.
class PgStatement : public Query {
public:
    PgStatement(PgRecordConnection& owner, const QString& sql)
        : owner_(owner), sql_(sql.toUtf8()) {}

    bool isNull(int column) const override { return current_.isNull(column); }
    QByteArrayView utf8(int column) const override { return current_.utf8(column); }
    qint64 int64(int column) const override { return current_.int64(column); }

    Query& bind(int index, const QString& text) override {
        param(index) = text.toUtf8();
        return *this;
    }
    Query& bindUtf8(int index, QByteArrayView utf8) override {
        param(index) = utf8.toByteArray();
        return *this;
    }
    Query& bind(int index, qint64 value) override {
        param(index) = QByteArray::number(value);
        return *this;
    }
    void reset() override {
        close();
        params_.clear();
    }

protected:
    virtual void close() noexcept = 0;

    PgRecordConnection& owner_;
    QByteArray sql_;
    std::vector<std::optional<QByteArray>> params_;
    PgRow current_;

private:
    std::optional<QByteArray>& param(int index) {
        if (qsizetype(params_.size()) < index) {
            params_.resize(std::size_t(index));
        }
        return params_[std::size_t(index - 1)];
    }
};

class PgQuery final : public PgStatement {
public:
    using PgStatement::PgStatement;
    ~PgQuery() override { close(); }
    bool step() override;

private:
    void start();
    void fetch();
    void close() noexcept override;

    bool started_ = false;
    QByteArray cursor_;      // the cursor's name, while it is open
    qint64 cursorRead_ = 0;  // the read it is open in: it ends with that read
    int batch_ = kFirstBatch;
    bool more_ = false;  // the cursor may have rows beyond the batch
    std::optional<PgResult> result_;
    int rows_ = 0;
    int row_ = -1;
};

// A walk's select inside a read, streamed on the read's second connection, which sees the read's
// snapshot: rows come as the server finds them, without a cursor's copy of every batch or a round
// trip per batch, while the read's own connection stays free for the lookups beside the walk.
class PgStreamQuery final : public PgStatement {
public:
    using PgStatement::PgStatement;
    ~PgStreamQuery() override { close(); }
    bool step() override;

private:
    void close() noexcept override;

    bool streaming_ = false;  // sent, and its end not yet read
    bool ended_ = false;
    std::optional<PgResult> row_;
};

class PgRowLookup final : public RowLookup {
public:
    explicit PgRowLookup(PgRecordConnection& owner) : owner_(owner) {}

    void expect(std::span<const qint64> keys) override { load(keys); }
    const RowValues* find(qint64 key) override {
        auto at = index_.constFind(key);
        if (at == index_.cend()) {
            load(std::span<const qint64>(&key, 1));
            at = index_.constFind(key);
            if (at == index_.cend()) {
                return nullptr;
            }
        }
        current_.result = &*result_;
        current_.row = *at;
        return &current_;
    }
    void release() override {}

private:
    void load(std::span<const qint64> keys);

    PgRecordConnection& owner_;
    std::optional<PgResult> result_;
    QHash<qint64, int> index_;  // key, row of result_
    PgRow current_;
};

class PgRecordConnection final : public RecordConnection {
public:
    explicit PgRecordConnection(const StoreAddress& address)
        : address_(address), session_(address.connection, address.schema) {
        // At once, so that a window on a server that is down says so before it shows.
        PgConnection& c = connection();
        run([&] {
            names_ = c.exec(QStringLiteral("select to_regclass('发票报销_报销人') is not null"))
                                 .text(0, 0) == QStringLiteral("t")
                         ? ReimburserNames::Kept
                         : ReimburserNames::Missing;
        });
    }
    ~PgRecordConnection() override {
        endRead();
        forgetCancel();
        dropStream();
    }

    const StoreAddress& address() const override { return address_; }
    ReimburserNames reimburserNames() const override { return names_; }
    std::unique_ptr<Query> prepare(const QString& sql) override {
        return std::make_unique<PgQuery>(*this, sql);
    }
    std::unique_ptr<Query> prepareWalk(const QString& sql) override {
        if (!reading()) {
            return prepare(sql);
        }
        return std::make_unique<PgStreamQuery>(*this, sql);
    }
    std::unique_ptr<RowLookup> rowLookup() override { return std::make_unique<PgRowLookup>(*this); }

    void beginRead() override {
        PgConnection& c = connection();
        run([&] {
            c.exec(QStringLiteral("begin transaction isolation level repeatable read, read only"));
        });
        read_ = &c;
        ++reads_;
        const std::lock_guard<std::mutex> lock(cancelMutex_);
        if (cancel_ == nullptr) {
            cancel_ = PQgetCancel(c.handle());
        }
    }
    void endRead() noexcept override {
        if (read_ == nullptr) {
            return;
        }
        PgConnection* c = read_;
        read_ = nullptr;
        forgetCancel();
        endStreamRead();
        try {
            c->exec(QStringLiteral("commit"));
        } catch (const PgError& error) {
            session_.failed(error);
        } catch (...) {
        }
    }

    void saveReimburser(const QString& code, const QString& number, const QString& name) override {
        PgConnection& c = connection();
        qint64 changed = 0;
        run([&] {
            changed = c.exec(QStringLiteral("update 发票报销 set 报销人 = $1 where 发票代码 = $2 "
                                            "and 发票号码 = $3"),
                             PgParams().text(name).text(code).text(number))
                          .affectedRows();
        });
        if (changed != 1) {
            // Saying "saved" for a row that is not there would be a lie.
            throw AppError(QStringLiteral(
                "Row cannot be located for updating. Some values may have been changed since it "
                "was last read."));
        }
    }

    // The connection of the read under way, or the session's (connected again when needed).
    PgConnection& connection() {
        if (read_ != nullptr) {
            return *read_;
        }
        try {
            return session_.connection();
        } catch (const PgError& error) {
            session_.failed(error);
            throw AppError(messageOf(error));
        }
    }

    // Runs work on the server; a failure becomes the clerk's message.
    template <typename Work>
    void run(Work&& work) {
        try {
            work();
        } catch (const PgError& error) {
            if (error.connectionLost()) {
                read_ = nullptr;
            }
            session_.failed(error);
            throw AppError(messageOf(error));
        }
    }

    void interrupt() noexcept override {
        const std::lock_guard<std::mutex> lock(cancelMutex_);
        for (PGcancel* cancel : {cancel_, streamCancel_}) {
            if (cancel != nullptr) {
                char error[256];
                PQcancel(cancel, error, int(sizeof error));
            }
        }
    }

    // The read's second connection, for query, in a transaction that sees the read's snapshot.
    // One stream at a time: the walk before has ended or been given up.
    PgConnection& startStream(const PgStreamQuery* query) {
        if (streaming_ != nullptr) {
            throw std::logic_error("a second stream in one read");
        }
        if (!stream_ || streamRead_ != reads_) {
            joinSnapshot();
        }
        streaming_ = query;
        return *stream_;
    }
    // The connection of query's stream, unless the read ended or failed under it.
    PgConnection& streamOf(const PgStreamQuery* query) {
        if (streaming_ != query || !stream_) {
            throw AppError(QStringLiteral("读取已中断，请重新查找"));
        }
        return *stream_;
    }
    void streamEnded(const PgStreamQuery* query) noexcept {
        if (streaming_ == query) {
            streaming_ = nullptr;
        }
    }
    // A stream given up before its end goes with its connection: the server stops at once.
    void abandonStream(const PgStreamQuery* query) noexcept {
        if (streaming_ == query) {
            dropStream();
        }
    }
    // Runs work on the stream's connection; a failure lets that connection go.
    template <typename Work>
    void runStream(Work&& work) {
        try {
            work();
        } catch (const PgError& error) {
            dropStream();
            throw AppError(messageOf(error));
        }
    }

    QByteArray newCursorName() { return "fpbx_records_" + QByteArray::number(++cursors_); }
    bool reading() const { return read_ != nullptr; }
    qint64 readNumber() const { return reads_; }  // which read is under way

private:
    void forgetCancel() noexcept {
        const std::lock_guard<std::mutex> lock(cancelMutex_);
        if (cancel_ != nullptr) {
            PQfreeCancel(cancel_);
            cancel_ = nullptr;
        }
    }

    // Opens the second connection when needed and sets its transaction to the read's snapshot.
    void joinSnapshot() {
        PgConnection& c = connection();
        QByteArray snapshot;
        run([&] {
            snapshot =
                c.exec(QStringLiteral("select pg_export_snapshot()")).bytes(0, 0).toByteArray();
        });
        for (const char ch : snapshot) {
            if (!std::isxdigit(static_cast<unsigned char>(ch)) && ch != '-') {
                throw AppError(QStringLiteral("数据库服务器给出的快照标识无法使用：") +
                               QString::fromLatin1(snapshot));
            }
        }
        runStream([&] {
            if (stream_ && (!stream_->isUsable() || stream_->inFailedOrOpenTransaction())) {
                dropStream();
            }
            if (!stream_) {
                stream_.emplace(PgConnection::open(address_.connection, address_.schema));
                const std::lock_guard<std::mutex> lock(cancelMutex_);
                streamCancel_ = PQgetCancel(stream_->handle());
            }
            stream_->exec(
                QStringLiteral("begin transaction isolation level repeatable read, read only"));
            stream_->exec(
                QStringLiteral("set transaction snapshot '%1'").arg(QString::fromLatin1(snapshot)));
            // Each row's wait is bounded by the program; a walk of millions of rows may take
            // longer than any one statement may. A walk reads in the order of an index and may
            // stop at its first rows: the plan must give them at once (as a cursor's would),
            // never sort the whole result first, and is not worth compiling.
            stream_->exec(QStringLiteral(
                "select set_config('statement_timeout', '0', true), set_config('jit', 'off', "
                "true), set_config('enable_sort', 'off', true)"));
        });
        streamRead_ = reads_;
    }
    // The read ends: the second connection's transaction with it, the connection kept.
    void endStreamRead() noexcept {
        streamRead_ = 0;
        if (!stream_) {
            return;
        }
        if (streaming_ != nullptr) {
            dropStream();
            return;
        }
        try {
            stream_->exec(QStringLiteral("commit"));
        } catch (...) {
            dropStream();
        }
    }
    void dropStream() noexcept {
        {
            const std::lock_guard<std::mutex> lock(cancelMutex_);
            if (streamCancel_ != nullptr) {
                PQfreeCancel(streamCancel_);
                streamCancel_ = nullptr;
            }
        }
        stream_.reset();
        streaming_ = nullptr;
        streamRead_ = 0;
    }

    StoreAddress address_;
    PgSession session_;
    PgConnection* read_ = nullptr;  // the connection of the read under way
    ReimburserNames names_ = ReimburserNames::Kept;
    std::mutex cancelMutex_;
    PGcancel* cancel_ = nullptr;  // the read's server process, to be stopped from any thread
    std::optional<PgConnection> stream_;  // the second connection, for walks streamed in a read
    PGcancel* streamCancel_ = nullptr;
    const PgStreamQuery* streaming_ = nullptr;  // the stream under way on it
    qint64 streamRead_ = 0;                     // the read whose snapshot it sees
    qint64 cursors_ = 0;
    qint64 reads_ = 0;
};

void PgQuery::start() {
    started_ = true;
    row_ = -1;
    rows_ = 0;
    more_ = false;
    PgConnection& c = owner_.connection();
    if (owner_.reading()) {
        const QByteArray name = owner_.newCursorName();
        owner_.run(
            [&] { c.execUntyped("declare " + name + " no scroll cursor for " + sql_, params_); });
        cursor_ = name;
        cursorRead_ = owner_.readNumber();
        batch_ = kFirstBatch;
        fetch();
        return;
    }
    owner_.run([&] { result_.emplace(c.execUntyped(sql_, params_)); });
    rows_ = result_->rows();
    current_.result = &*result_;
}

void PgQuery::fetch() {
    PgConnection& c = owner_.connection();
    const int batch = batch_;
    owner_.run([&] {
        result_.emplace(
            c.execUntyped("fetch forward " + QByteArray::number(batch) + " from " + cursor_, {}));
    });
    rows_ = result_->rows();
    more_ = rows_ == batch;
    batch_ = std::min(batch_ * 4, kLargestBatch);
    current_.result = &*result_;
    row_ = -1;
}

bool PgQuery::step() {
    if (!started_) {
        start();
    }
    if (row_ + 1 < rows_) {
        current_.row = ++row_;
        return true;
    }
    if (!more_) {
        row_ = rows_;
        return false;
    }
    fetch();
    if (rows_ == 0) {
        return false;
    }
    current_.row = row_ = 0;
    return true;
}

void PgQuery::close() noexcept {
    if (!cursor_.isEmpty() && owner_.reading() && owner_.readNumber() == cursorRead_) {
        try {
            owner_.connection().exec(QStringLiteral("close ") + QString::fromLatin1(cursor_));
        } catch (...) {
            // A read that failed ends with its cursors.
        }
    }
    cursor_.clear();
    result_.reset();
    current_.result = nullptr;
    started_ = false;
    rows_ = 0;
    row_ = -1;
    more_ = false;
}

bool PgStreamQuery::step() {
    if (ended_) {
        return false;
    }
    PgConnection* c = nullptr;
    if (!streaming_) {
        c = &owner_.startStream(this);
        streaming_ = true;
        owner_.runStream([&] { c->stream(sql_, params_); });
    } else {
        c = &owner_.streamOf(this);
    }
    row_.reset();
    owner_.runStream([&] { row_ = c->nextRow(); });
    if (!row_) {
        ended_ = true;
        streaming_ = false;
        owner_.streamEnded(this);
        current_.result = nullptr;
        return false;
    }
    current_.result = &*row_;
    current_.row = 0;
    return true;
}

void PgStreamQuery::close() noexcept {
    if (streaming_) {
        owner_.abandonStream(this);
    }
    streaming_ = false;
    ended_ = false;
    row_.reset();
    current_.result = nullptr;
}

void PgRowLookup::load(std::span<const qint64> keys) {
    QByteArray array = "{";
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (i > 0) {
            array += ',';
        }
        array += QByteArray::number(keys[i]);
    }
    array += '}';
    PgConnection& c = owner_.connection();
    index_.clear();
    result_.reset();
    owner_.run([&] {
        result_.emplace(c.execUntyped(rowStatement(Dialect::Postgresql).toUtf8(), {array}));
    });
    const int rows = result_->rows();
    index_.reserve(rows);
    for (int r = 0; r < rows; ++r) {
        index_.insert(parseInteger(result_->bytes(r, 0)), r);
    }
}

}  // namespace

std::unique_ptr<RecordConnection> openPgRecordConnection(const StoreAddress& address) {
    return std::make_unique<PgRecordConnection>(address);
}

}  // namespace records::detail
