#include "store/SqliteInvoiceStore.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <cerrno>

#include "shell/AppError.h"
#include "shell/Clock.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "store/Amount.h"

namespace {

// The kind of an engine failure, by its result code and the system's error.
StoreError::Kind kindOf(const DatabaseError& error) {
    using Kind = StoreError::Kind;
    if (error.code() == DatabaseError::kMissingFile) {
        return Kind::Missing;
    }
    switch (error.systemError()) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Kind::DiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return Kind::ReadOnly;
        default:
            break;
    }
    switch (error.code() & 0xFF) {
        case SQLITE_FULL:
            return Kind::DiskFull;
        case SQLITE_READONLY:
            return Kind::ReadOnly;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return Kind::Corrupt;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Kind::Busy;
        case SQLITE_CANTOPEN: {
            const QFileInfo file(error.path());
            if (!file.exists()) {
                return Kind::Missing;
            }
            return file.isWritable() && QFileInfo(file.absolutePath()).isWritable()
                       ? Kind::Other
                       : Kind::ReadOnly;
        }
        default:
            return Kind::Other;
    }
}

StoreError storeError(const AppError& error, StoreError::Kind kind = StoreError::Kind::Other) {
    StoreError e;
    e.kind = kind;
    e.detail = error.message();
    if (const auto* engine = dynamic_cast<const DatabaseError*>(&error)) {
        e.path = engine->path();
        if (kind == StoreError::Kind::Other) {
            e.kind = kindOf(*engine);
        }
    }
    return e;
}

Registration failed(Registration::Stage stage, const StoreError& error) {
    Registration r;
    r.result = Registration::Result::Failed;
    r.failedAt = stage;
    r.error = error;
    return r;
}

// The row's column values, converted from the record: the first value a column cannot take
// throws AppError, before anything is written.
struct RowValues {
    QString time;
    std::optional<qint64> amountUnits;
};

RowValues rowValues(const InvoiceRecord& invoice) {
    RowValues values;
    const QDateTime when = invoice.reimbursedAt.isValid() ? invoice.reimbursedAt : appclock::now();
    values.time = localefmt::storageText(when);
    values.amountUnits = amount::fromText(invoice.amount, QStringLiteral("开票金额"));
    return values;
}

}  // namespace

// The connection with its two statements, prepared once.
struct SqliteInvoiceStore::Connection {
    Database db;
    Statement lookup;
    Statement insert;

    explicit Connection(Database opened)
        : db(std::move(opened)),
          lookup(db.prepare(QStringLiteral(
              "select 报销时间, 报销人 from 发票报销 where 发票号码=?1 and 发票代码=?2"))),
          insert(db.prepare(QStringLiteral("insert into 发票报销 (发票号码, 发票代码, 报销时间, "
                                           "报销方式, 校验码, 开票日期, 开票金额, "
                                           "报销人) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)"))) {}

    bool inTransaction() const { return sqlite3_get_autocommit(db.handle()) == 0; }
};

SqliteInvoiceStore::SqliteInvoiceStore(QString connectionString, Database::Durability durability)
    : connectionString_(std::move(connectionString)), durability_(durability) {}

SqliteInvoiceStore::~SqliteInvoiceStore() = default;

SqliteInvoiceStore::Connection& SqliteInvoiceStore::connection() {
    // A file deleted or replaced under the open connection would take the rows into nowhere:
    // the connection follows the file's name, and a missing file is reported as such.
    int moved = 0;
    if (connection_ && (sqlite3_file_control(connection_->db.handle(), "main",
                                             SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK ||
                        moved != 0)) {
        dropConnection();
    }
    if (!connection_) {
        connection_ = std::make_unique<Connection>(Database::open(connectionString_, durability_));
    }
    return *connection_;
}

void SqliteInvoiceStore::dropConnection() {
    connection_.reset();
}

Registration SqliteInvoiceStore::registerInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    return registerInvoices({invoice}, mode).constFirst();
}

QList<Registration> SqliteInvoiceStore::registerInvoices(const QList<InvoiceRecord>& invoices,
                                                         EntryMode mode) {
    QList<Registration> outcomes;
    outcomes.reserve(invoices.size());
    if (invoices.isEmpty()) {
        return outcomes;
    }
    Connection* c = nullptr;
    // Several invoices go in one transaction; one alone needs none (its insert is atomic and
    // the unique index settles a race), so an invoice already there takes no write lock.
    const bool batch = invoices.size() > 1;
    try {
        c = &connection();
        if (batch) {
            c->db.exec(QStringLiteral("BEGIN IMMEDIATE"));
        }
    } catch (const AppError& error) {
        dropConnection();
        for (qsizetype i = 0; i < invoices.size(); ++i) {
            outcomes << failed(Registration::Stage::Lookup, storeError(error));
        }
        return outcomes;
    }

    // A failure that ends the transaction undoes the rows stored before it in this batch.
    const auto loseBatch = [&](const StoreError& error) {
        for (Registration& outcome : outcomes) {
            if (outcome.registered()) {
                outcome = failed(Registration::Stage::Append, error);
            }
        }
        while (outcomes.size() < invoices.size()) {
            outcomes << failed(Registration::Stage::Append, error);
        }
    };

    for (const InvoiceRecord& invoice : invoices) {
        Registration outcome;
        bool looked = false;
        try {
            c->lookup.reset();
            c->lookup.bind(1, invoice.number).bind(2, invoice.code);
            if (c->lookup.step()) {
                outcome.result = Registration::Result::AlreadyRecorded;
                const std::optional<QDateTime> at = localefmt::fromStorageText(c->lookup.text(0));
                outcome.earlierAt = at.value_or(QDateTime());
                outcome.earlierReimburser = c->lookup.text(1);
            }
            c->lookup.reset();
            looked = true;
        } catch (const AppError& error) {
            c->lookup.reset();
            outcome = failed(Registration::Stage::Lookup, storeError(error));
        }
        if (!looked) {
            outcomes << outcome;
            if (batch && !c->inTransaction()) {
                loseBatch(outcome.error);
                break;
            }
            continue;
        }
        if (outcome.result == Registration::Result::AlreadyRecorded) {
            outcomes << outcome;
            continue;
        }
        RowValues values;
        try {
            values = rowValues(invoice);
        } catch (const AppError& error) {
            outcomes << failed(Registration::Stage::Append,
                               storeError(error, StoreError::Kind::InvalidValue));
            continue;
        }
        try {
            c->insert.reset();
            c->insert.bind(1, invoice.number)
                .bind(2, invoice.code)
                .bind(3, values.time)
                .bind(4, entrymode::storedValue(mode))
                .bind(5, invoice.checkCode)
                .bind(6, invoice.invoiceDate)
                .bind(7, values.amountUnits)
                .bind(8, invoice.reimburser);
            // False when another registration stored the invoice since the lookup.
            outcome.result = c->insert.execute() ? Registration::Result::Registered
                                                 : Registration::Result::AlreadyRecorded;
        } catch (const AppError& error) {
            outcome = failed(Registration::Stage::Append, storeError(error));
        }
        outcomes << outcome;
        if (batch && !c->inTransaction()) {
            loseBatch(outcome.error);
            break;
        }
    }

    if (batch) {
        try {
            c->db.exec(QStringLiteral("COMMIT"));
        } catch (const AppError& error) {
            sqlite3_exec(c->db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
            loseBatch(storeError(error));
        }
    }
    QStringList logLines;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].registered()) {
            logLines << entrymode::registeredLogLine(mode, invoices[i].code, invoices[i].number);
        }
    }
    WriteLogLines(GetExeDir(), logLines);
    return outcomes;
}

InvoiceCount SqliteInvoiceStore::countInvoices() {
    InvoiceCount result;
    try {
        // The row count is kept by the table's triggers; counting a million rows each time
        // would cost tens of milliseconds per scan.
        Statement count = connection().db.prepare(QStringLiteral("select 数量 from 发票报销_数量"));
        if (!count.step()) {
            throw AppError(QStringLiteral("发票报销_数量 is empty"));
        }
        result.count = count.int64(0);
    } catch (const AppError& error) {
        dropConnection();
        result.error = storeError(error);
    }
    return result;
}

std::unique_ptr<InvoiceStore> openInvoiceStore(StoreUse use) {
    return std::make_unique<SqliteInvoiceStore>(
        GetConnectionString(),
        use == StoreUse::Bulk ? Database::Durability::Normal : Database::Durability::Full);
}
