#include "store/SqliteInvoiceStore.h"

#include <sqlite3.h>

#include "shell/AppError.h"
#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
#include "store/Amount.h"
#include "store/SqliteErrors.h"
#include "store/RegistrationValues.h"

namespace {

StoreError storeError(const AppError& error, StoreError::Kind kind = StoreError::Kind::Other) {
    return sqliteerrors::fromError(error, kind);
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
            outcomes << failedRegistration(Registration::Stage::Lookup, storeError(error));
        }
        return outcomes;
    }

    // A failure that ends the transaction undoes the rows stored before it in this batch.
    const auto loseBatch = [&](const StoreError& error) {
        for (Registration& outcome : outcomes) {
            if (outcome.registered()) {
                outcome = failedRegistration(Registration::Stage::Append, error);
            }
        }
        while (outcomes.size() < invoices.size()) {
            outcomes << failedRegistration(Registration::Stage::Append, error);
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
            outcome = failedRegistration(Registration::Stage::Lookup, storeError(error));
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
        RegistrationValues values;
        try {
            values = RegistrationValues::of(invoice);
        } catch (const AppError& error) {
            outcomes << failedRegistration(Registration::Stage::Append,
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
            outcome = failedRegistration(Registration::Stage::Append, storeError(error));
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
    // After a failure of the engine the next operation opens the file afresh: a connection
    // that met a full disk, a read-only file or a damaged page is not trusted further.
    for (const Registration& outcome : outcomes) {
        if (outcome.result == Registration::Result::Failed &&
            outcome.error.kind != StoreError::Kind::InvalidValue) {
            dropConnection();
            break;
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
