#include "records/RecordStore.h"

#include <sqlite3.h>

#include <optional>

#include "base/AppError.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "records/Correction.h"
#include "records/RecordQuery.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/PgRegistryName.h"
#include "store/StoreError.h"

namespace records {

namespace {

// The embedded store: the SQLite wrappers as they are.
class SqliteQuery final : public Query {
public:
    explicit SqliteQuery(Statement statement) : statement_(std::move(statement)) {}

    bool isNull(int column) const override { return statement_.isNull(column); }
    QByteArrayView utf8(int column) const override { return statement_.utf8(column); }
    qint64 int64(int column) const override { return statement_.int64(column); }

    Query& bind(int index, const QString& text) override {
        statement_.bind(index, text);
        return *this;
    }
    Query& bindUtf8(int index, QByteArrayView utf8) override {
        statement_.bindUtf8(index, utf8);
        return *this;
    }
    Query& bind(int index, qint64 value) override {
        statement_.bind(index, value);
        return *this;
    }
    bool step() override { return statement_.step(); }
    void reset() override { statement_.reset(); }

private:
    Statement statement_;
};

// One row by rowid at a time, on a statement of its own.
class SqliteRowLookup final : public RowLookup, private RowValues {
public:
    explicit SqliteRowLookup(Database& db)
        : statement_(db.prepare(rowStatement(Dialect::Sqlite))) {}

    void expect(std::span<const qint64>) override {}
    const RowValues* find(qint64 key) override {
        statement_.reset();
        statement_.bind(1, key);
        return statement_.step() ? this : nullptr;
    }
    void release() override { statement_.reset(); }

private:
    bool isNull(int column) const override { return statement_.isNull(column); }
    QByteArrayView utf8(int column) const override { return statement_.utf8(column); }
    qint64 int64(int column) const override { return statement_.int64(column); }

    Statement statement_;
};

class SqliteRecordConnection final : public RecordConnection {
public:
    explicit SqliteRecordConnection(const StoreAddress& address)
        : address_(address), db_(Database::open(address.connection)) {}

    const StoreAddress& address() const override { return address_; }
    std::unique_ptr<Query> prepare(const QString& sql) override {
        return std::make_unique<SqliteQuery>(db_.prepare(sql));
    }
    std::unique_ptr<RowLookup> rowLookup() override {
        return std::make_unique<SqliteRowLookup>(db_);
    }
    void beginRead() override { db_.exec(QStringLiteral("begin")); }
    void endRead() noexcept override {
        // A read has nothing to keep: should the engine refuse the commit, a rollback ends it.
        if (sqlite3_exec(db_.handle(), "commit", nullptr, nullptr, nullptr) != SQLITE_OK) {
            sqlite3_exec(db_.handle(), "rollback", nullptr, nullptr, nullptr);
        }
    }
    void interrupt() noexcept override { sqlite3_interrupt(db_.handle()); }
    Database* sqliteDatabase() override { return &db_; }
    void saveReimburser(const QString& code, const QString& number, const QString& name) override {
        correction::saveReimburser(db_, code, number, name);
    }

private:
    StoreAddress address_;
    Database db_;
};

}  // namespace

StoreAddress currentStore() {
    const DatabaseSettings settings = currentDatabaseSettings();
    StoreAddress address;
    switch (settings.engine) {
        case DatabaseSettings::Engine::Postgresql:
            address.dialect = Dialect::Postgresql;
            address.connection = settings.connection;
            try {
                address.schema = pgregistry::schemaName(TaxNumber());
            } catch (const AppError& error) {
                StoreError misconfigured;
                misconfigured.kind = StoreError::Kind::Misconfigured;
                throw AppError(misconfigured.reason() + QStringLiteral("：") + error.message());
            }
            return address;
        case DatabaseSettings::Engine::Unknown: {
            StoreError misconfigured;
            misconfigured.kind = StoreError::Kind::Misconfigured;
            throw AppError(
                misconfigured.reason() +
                QStringLiteral("：config.ini [数据库] 类型=%1：应为 sqlite 或 postgresql")
                    .arg(settings.engineText));
        }
        case DatabaseSettings::Engine::Sqlite:
            break;
    }
    address.connection = GetConnectionString();
    return address;
}

std::unique_ptr<RecordConnection> openRecordConnection(const StoreAddress& address) {
    if (address.dialect == Dialect::Postgresql) {
        return detail::openPgRecordConnection(address);
    }
    return std::make_unique<SqliteRecordConnection>(address);
}

}  // namespace records
