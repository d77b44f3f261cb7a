#include "store/SqliteInvoiceStore.h"

#include <sqlite3.h>

#include <array>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "invoice/Amount.h"
#include "store/RegistrationValues.h"
#include "store/SchemaUpgrade.h"
#include "store/SqliteClaimRows.h"
#include "store/SqliteErrors.h"

namespace {

StoreError storeError(const AppError& error, StoreError::Kind kind = StoreError::Kind::Other) {
    return sqliteerrors::fromError(error, kind);
}

bool isMissingTable(const AppError& error) {
    return error.message().startsWith(QStringLiteral("no such table"));
}

// The trail's columns in the order the insert binds them.
const QString kTrailInsert = QStringLiteral(
    "insert into 发票报销_记录 (时间, 操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码, "
    "报销时间, 报销方式, 报销人, 原报销人, 原因, 文件, 总数, 成功, 失败, 用户, 计算机, 版本, "
    "核销提示, 报销单号) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, "
    "?15, ?16, ?17, ?18, ?19, ?20, ?21)");

const QString kInsert = QStringLiteral(
    "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, 开票金额, "
    "报销人, 核销提示, 报销单号, 发票种类) values (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11)");

// Rule notes are null when the rules said nothing.
std::optional<QString> notesOrNull(const QString& notes) {
    return notes.isEmpty() ? std::nullopt : std::optional<QString>(notes);
}
// So are a claim's number and a kind when there are none.
std::optional<QString> orNull(const QString& text) {
    return notesOrNull(text);
}

// A trail line as it is bound: texts as stored.
struct TrailLine {
    QString time;
    QString action;
    QString code, number;
    std::optional<qint64> amountUnits;
    std::optional<QString> invoiceDate, checkCode, reimbursedAt;
    std::optional<qint64> entryMode;
    std::optional<QString> reimburser, previousReimburser, reason, file;
    std::optional<qint64> total, succeeded, failed;
    std::optional<QString> ruleNotes;
    std::optional<QString> claimNumber;

    static TrailLine of(const QString& time, const char16_t* action, const QString& code,
                        const QString& number) {
        TrailLine line;
        line.time = time;
        line.action = QString::fromUtf16(action);
        line.code = code;
        line.number = number;
        return line;
    }
};

Statement& bindOptional(Statement& s, int index, const std::optional<QString>& text) {
    return text ? s.bind(index, *text) : s.bindNull(index);
}

QString nowText() {
    return localefmt::storageText(appclock::now());
}

}  // namespace

// The connection with its statements, prepared once.
struct SqliteInvoiceStore::Connection {
    Database db;
    Statement lookup;
    Statement begin;
    Statement commit;
    std::optional<Statement> trailInsert;  // prepared before the first change
    std::optional<Statement> insert;       // likewise
    bool claimsReady = false;              // the claims' objects are in place
    // Who acts, as every trail line binds it.
    const std::array<QByteArray, 3> actor{trail::currentActor().user.toUtf8(),
                                          trail::currentActor().host.toUtf8(),
                                          trail::currentActor().version.toUtf8()};

    explicit Connection(Database opened)
        : db(std::move(opened)),
          lookup(db.prepare(QStringLiteral(
              "select 报销时间, 报销人 from 发票报销 where 发票号码=?1 and 发票代码=?2"))),
          begin(db.prepare(QStringLiteral("BEGIN IMMEDIATE"))),
          commit(db.prepare(QStringLiteral("COMMIT"))) {}

    bool inTransaction() const { return sqlite3_get_autocommit(db.handle()) == 0; }
    void beginWrite() { begin.execute(); }
    void commitWrite() { commit.execute(); }
    void rollbackIfOpen() {
        if (inTransaction()) {
            sqlite3_exec(db.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
        }
    }

    // Outside any transaction: a store of an earlier version gets its trail table and its newer
    // columns first.
    void prepareTrail() {
        if (trailInsert) {
            return;
        }
        try {
            trailInsert.emplace(db.prepare(kTrailInsert));
        } catch (const AppError& error) {
            if (!isMissingTable(error)) {
                throw;
            }
            store::addMissingTrail(db);
        }
        store::addMissingColumns(db);
        trailInsert.emplace(db.prepare(kTrailInsert));
        insert.emplace(db.prepare(kInsert));
    }

    // Outside any transaction: a store of an earlier version gets the claims' objects.
    void prepareClaims() {
        if (!claimsReady) {
            store::addMissingClaims(db);
            claimsReady = true;
        }
    }

    // Opens a claim of the reimburser in the open transaction and returns its number; when it
    // cannot be opened and the transaction goes on, says why in outcome and returns nothing.
    QString openClaim(const QString& reimburser, Registration& outcome) {
        sqlite3_exec(db.handle(), "SAVEPOINT 开单", nullptr, nullptr, nullptr);
        try {
            const OpenedClaim opened = sqliteclaims::open(db, reimburser, appclock::now());
            sqlite3_exec(db.handle(), "RELEASE 开单", nullptr, nullptr, nullptr);
            outcome.openedClaim = opened.number;
            outcome.claimOpenedAt = opened.openedAt;
            return opened.number;
        } catch (const AppError& error) {
            if (!inTransaction()) {
                throw;
            }
            sqlite3_exec(db.handle(), "ROLLBACK TO 开单; RELEASE 开单", nullptr, nullptr, nullptr);
            outcome.claimError = storeError(error);
            return {};
        }
    }

    void appendTrail(const TrailLine& line) {
        Statement& s = *trailInsert;
        s.reset();
        s.bind(1, line.time).bind(2, line.action).bind(3, line.code).bind(4, line.number);
        s.bind(5, line.amountUnits);
        bindOptional(s, 6, line.invoiceDate);
        bindOptional(s, 7, line.checkCode);
        bindOptional(s, 8, line.reimbursedAt);
        s.bind(9, line.entryMode);
        bindOptional(s, 10, line.reimburser);
        bindOptional(s, 11, line.previousReimburser);
        bindOptional(s, 12, line.reason);
        bindOptional(s, 13, line.file);
        s.bind(14, line.total).bind(15, line.succeeded).bind(16, line.failed);
        s.bindUtf8(17, actor[0]).bindUtf8(18, actor[1]).bindUtf8(19, actor[2]);
        bindOptional(s, 20, line.ruleNotes);
        bindOptional(s, 21, line.claimNumber);
        s.execute();
    }
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
    // Several invoices go in one transaction. One alone is looked up outside any, so that an
    // invoice already there takes no write lock; a new one is inserted together with its trail
    // line in a short transaction (the unique index settles a race): one commit, one sync.
    const bool batch = invoices.size() > 1;
    const QString now = nowText();
    try {
        c = &connection();
        if (batch) {
            c->prepareTrail();
            c->beginWrite();
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

    // Looks an invoice up: true with outcome AlreadyRecorded (and the earlier registration) when
    // it is there, true and unchanged when it is not, false with the failure.
    const auto lookUp = [&](const InvoiceRecord& invoice, Registration& outcome) {
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
            return true;
        } catch (const AppError& error) {
            c->lookup.reset();
            outcome = failedRegistration(Registration::Stage::Lookup, storeError(error));
            return false;
        }
    };

    for (const InvoiceRecord& invoice : invoices) {
        Registration outcome;
        // A batch holds the write lock already: an invoice is inserted at once, and looked up
        // only when it turns out to be there (for its earlier registration). One alone, or one
        // whose values cannot be stored (refused only when it is not there), is looked up
        // first.
        std::optional<RegistrationValues> values;
        if (batch) {
            try {
                values = RegistrationValues::of(invoice);
            } catch (const AppError&) {
            }
        }
        if (!values) {
            if (!lookUp(invoice, outcome)) {
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
            try {
                values = RegistrationValues::of(invoice);
            } catch (const AppError& error) {
                outcomes << failedRegistration(Registration::Stage::Append,
                                               storeError(error, StoreError::Kind::InvalidValue));
                continue;
            }
        }
        bool inserted = false;
        QString claimNumber = invoice.claimNumber;
        const bool opensClaim = !batch && invoice.opensClaim;
        try {
            if (!batch) {
                // Only a new invoice needs the trail (an invoice already there is refused on a
                // read-only store of an earlier version too).
                c->prepareTrail();
                if (opensClaim) {
                    c->prepareClaims();
                }
                c->beginWrite();
            }
            if (opensClaim) {
                // In the registration's transaction: one commit, one sync, and no claim is left
                // empty by an invoice that turns out to be there.
                claimNumber = c->openClaim(invoice.reimburser, outcome);
            }
            Statement& insert = *c->insert;
            insert.reset();
            insert.bind(1, invoice.number)
                .bind(2, invoice.code)
                .bind(3, values->time)
                .bind(4, entrymode::storedValue(mode))
                .bind(5, invoice.checkCode)
                .bind(6, invoice.invoiceDate)
                .bind(7, values->amountUnits)
                .bind(8, invoice.reimburser);
            bindOptional(insert, 9, notesOrNull(invoice.ruleNotes));
            bindOptional(insert, 10, orNull(claimNumber));
            bindOptional(insert, 11, orNull(invoice.kindCode));
            // False when the invoice is there: stored by another registration since the
            // lookup, or, in a batch, before it.
            inserted = insert.execute();
            if (inserted) {
                TrailLine line =
                    TrailLine::of(now, trail::kRegistered, invoice.code, invoice.number);
                line.amountUnits = values->amountUnits;
                line.invoiceDate = invoice.invoiceDate;
                line.checkCode = invoice.checkCode;
                line.reimbursedAt = values->time;
                line.entryMode = entrymode::storedValue(mode);
                line.reimburser = invoice.reimburser;
                line.ruleNotes = notesOrNull(invoice.ruleNotes);
                line.claimNumber = orNull(claimNumber);
                c->appendTrail(line);
            }
            if (opensClaim && !inserted) {
                c->rollbackIfOpen();  // the claim goes with the registration that did not happen
                outcome.openedClaim.clear();
            } else if (!batch) {
                c->commitWrite();
            }
            outcome.result =
                inserted ? Registration::Result::Registered : Registration::Result::AlreadyRecorded;
        } catch (const AppError& error) {
            // A row stored without its trail line must not stay: in a batch that undoes the
            // whole batch.
            if (!batch || inserted) {
                c->rollbackIfOpen();
            }
            outcome = failedRegistration(Registration::Stage::Append, storeError(error));
        }
        if (batch && !inserted && outcome.result == Registration::Result::AlreadyRecorded) {
            lookUp(invoice, outcome);  // the earlier registration, for the clerk
        }
        outcomes << outcome;
        if (batch && !c->inTransaction()) {
            loseBatch(outcome.error);
            break;
        }
    }

    if (batch) {
        try {
            c->commitWrite();
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

bool SqliteInvoiceStore::prepareForRegistrations() {
    try {
        Connection& c = connection();
        // The engine makes the log's entry in the company folder durable at the first sync of
        // the log on each connection. Syncing the (empty) log now pays that before the first
        // scan, without writing anything.
        Statement read = c.db.prepare(QStringLiteral("PRAGMA schema_version"));
        read.step();  // the log is opened by the first read
        read.reset();
        sqlite3_file* log = nullptr;
        if (sqlite3_file_control(c.db.handle(), "main", SQLITE_FCNTL_JOURNAL_POINTER, &log) !=
                SQLITE_OK ||
            log == nullptr || log->pMethods == nullptr) {
            return false;
        }
        return log->pMethods->xSync(log, SQLITE_SYNC_NORMAL) == SQLITE_OK;
    } catch (const AppError&) {
        return false;
    }
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

template <class Change>
ChangeOutcome SqliteInvoiceStore::change(Change&& body) {
    ChangeOutcome outcome;
    Connection* c = nullptr;
    try {
        c = &connection();
        c->prepareTrail();
        c->beginWrite();
        outcome = body(*c);
        if (outcome.done()) {
            c->commitWrite();
        } else {
            c->rollbackIfOpen();
        }
    } catch (const AppError& error) {
        if (c != nullptr) {
            c->rollbackIfOpen();
        }
        dropConnection();
        outcome = ChangeOutcome{};
        outcome.error = storeError(error);
    }
    return outcome;
}

ChangeOutcome SqliteInvoiceStore::correctReimburser(const trail::InvoiceKey& invoice,
                                                    const QString& name) {
    return change([&](Connection& c) {
        ChangeOutcome outcome;
        Statement stored = c.db.prepare(
            QStringLiteral("select 报销人 from 发票报销 where 发票号码=?1 and 发票代码=?2"));
        stored.bind(1, invoice.number).bind(2, invoice.code);
        if (!stored.step()) {
            outcome.result = ChangeOutcome::Result::NotFound;
            return outcome;
        }
        const bool wasNull = stored.isNull(0);
        outcome.previousReimburser = stored.text(0);
        outcome.result = ChangeOutcome::Result::Done;
        if (!wasNull && outcome.previousReimburser == name) {
            return outcome;  // nothing changes, nothing to record
        }
        Statement update = c.db.prepare(
            QStringLiteral("update 发票报销 set 报销人=?1 where 发票号码=?2 and 发票代码=?3"));
        update.bind(1, name).bind(2, invoice.number).bind(3, invoice.code);
        update.execute();
        TrailLine line = TrailLine::of(nowText(), trail::kCorrected, invoice.code, invoice.number);
        line.reimburser = name;
        line.previousReimburser =
            wasNull ? std::nullopt : std::optional<QString>(outcome.previousReimburser);
        c.appendTrail(line);
        return outcome;
    });
}

ChangeOutcome SqliteInvoiceStore::undoRegistration(const trail::InvoiceKey& invoice,
                                                   const QString& reason) {
    if (const std::optional<ChangeOutcome> refused = refusedUndo(reason)) {
        return *refused;
    }
    return change([&](Connection& c) {
        ChangeOutcome outcome;
        Statement row = c.db.prepare(QStringLiteral(
            "select 开票金额, 开票日期, 校验码, 报销时间, 报销方式, 报销人, 报销单号 from 发票报销 "
            "where 发票号码=?1 and 发票代码=?2"));
        row.bind(1, invoice.number).bind(2, invoice.code);
        if (!row.step()) {
            outcome.result = ChangeOutcome::Result::NotFound;
            return outcome;
        }
        const auto text = [&](int column) {
            return row.isNull(column) ? std::nullopt : std::optional<QString>(row.text(column));
        };
        const auto number = [&](int column) {
            return row.isNull(column) ? std::nullopt : std::optional<qint64>(row.int64(column));
        };
        TrailLine line = TrailLine::of(nowText(), trail::kUndone, invoice.code, invoice.number);
        line.amountUnits = number(0);
        line.invoiceDate = text(1);
        line.checkCode = text(2);
        line.reimbursedAt = text(3);
        line.entryMode = number(4);
        line.reimburser = text(5);
        line.reason = reason;
        line.claimNumber = text(6);
        outcome.previousReimburser = row.text(5);
        row.reset();
        Statement remove =
            c.db.prepare(QStringLiteral("delete from 发票报销 where 发票号码=?1 and 发票代码=?2"));
        remove.bind(1, invoice.number).bind(2, invoice.code);
        remove.execute();
        c.appendTrail(line);
        outcome.result = ChangeOutcome::Result::Done;
        return outcome;
    });
}

ChangeOutcome SqliteInvoiceStore::recordRefusal(const InvoiceRecord& invoice, EntryMode mode) {
    return change([&](Connection& c) {
        TrailLine line = TrailLine::of(nowText(), trail::kRefused, invoice.code, invoice.number);
        // An amount that is no number is kept as none: the line is about why, not the sum.
        try {
            line.amountUnits = amount::fromText(invoice.amount, QStringLiteral("开票金额"));
        } catch (const AppError&) {
        }
        line.invoiceDate = invoice.invoiceDate;
        line.checkCode = invoice.checkCode;
        line.entryMode = entrymode::storedValue(mode);
        line.reimburser = invoice.reimburser;
        line.ruleNotes = invoice.ruleNotes;
        c.appendTrail(line);
        ChangeOutcome outcome;
        outcome.result = ChangeOutcome::Result::Done;
        return outcome;
    });
}

RegistryRules SqliteInvoiceStore::registryRules() {
    return {};  // the file keeps none: config.ini has the rules
}

ChangeOutcome SqliteInvoiceStore::recordImport(const trail::ImportSummary& summary) {
    return change([&](Connection& c) {
        TrailLine line = TrailLine::of(nowText(), trail::kImported, QString(), QString());
        line.file = summary.file;
        line.total = summary.total;
        line.succeeded = summary.succeeded;
        line.failed = summary.failed;
        c.appendTrail(line);
        ChangeOutcome outcome;
        outcome.result = ChangeOutcome::Result::Done;
        return outcome;
    });
}

namespace {

// The first second of a day, as stored times are written.
QString dayStart(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

bool hasTrailNotes(Database& db) {
    return !store::missingColumns(db).contains(QStringLiteral("发票报销_记录.核销提示"));
}

bool hasTrailClaims(Database& db) {
    return !store::missingColumns(db).contains(QStringLiteral("发票报销_记录.报销单号"));
}

}  // namespace

trail::Lines SqliteInvoiceStore::readTrail(const trail::Filter& filter, qsizetype limit) {
    trail::Lines lines;
    try {
        Database& db = connection().db;
        // A trail of an earlier version, not changed since, has no rule notes yet.
        const QString notes =
            hasTrailNotes(db) ? QStringLiteral("核销提示") : QStringLiteral("null");
        const QString claims =
            hasTrailClaims(db) ? QStringLiteral("报销单号") : QStringLiteral("null");
        const QString columns = QStringLiteral(
                                    "select 序号, 时间, 操作, 发票代码, 发票号码, 开票金额, "
                                    "开票日期, 校验码, 报销时间, 报销方式, 报销人, 原报销人, 原因, "
                                    "文件, 总数, 成功, 失败, 用户, 计算机, 版本, %1, %2 "
                                    "from 发票报销_记录 ")
                                    .arg(notes, claims);
        std::optional<Statement> select;
        try {
            if (filter.invoice) {
                select.emplace(db.prepare(
                    columns + QStringLiteral("where 发票号码=?1 and 发票代码=?2 and 序号 > ?4 "
                                             "order by 序号 limit ?3")));
                select->bind(1, filter.invoice->number).bind(2, filter.invoice->code);
                select->bind(4, filter.after ? filter.after->serial : qint64(0));
            } else if (filter.after) {
                // From the second of the last line read on: the index on 时间 holds 序号 after it.
                select.emplace(db.prepare(
                    columns + QStringLiteral("where 时间 >= ?1 and 时间 < ?2 and (时间 > ?4 or "
                                             "序号 > ?5) order by 时间, 序号 limit ?3")));
                const QString last = localefmt::storageText(filter.after->at);
                select->bind(1, std::max(dayStart(filter.from), last))
                    .bind(2, dayStart(filter.to.addDays(1)))
                    .bind(4, last)
                    .bind(5, filter.after->serial);
            } else {
                select.emplace(db.prepare(
                    columns + QStringLiteral("where 时间 >= ?1 and 时间 < ?2 order by 时间, 序号 "
                                             "limit ?3")));
                select->bind(1, dayStart(filter.from)).bind(2, dayStart(filter.to.addDays(1)));
            }
        } catch (const AppError& error) {
            if (isMissingTable(error)) {
                return lines;  // a store of an earlier version that has not changed since
            }
            throw;
        }
        select->bind(3, qint64(limit) + 1);
        const auto number = [&](int column) {
            return select->isNull(column) ? std::nullopt
                                          : std::optional<qint64>(select->int64(column));
        };
        const auto time = [&](int column) {
            return localefmt::fromStorageText(select->text(column)).value_or(QDateTime());
        };
        while (select->step()) {
            if (lines.entries.size() == limit) {
                lines.truncated = true;
                break;
            }
            trail::Entry e;
            e.serial = select->int64(0);
            e.at = time(1);
            e.action = select->text(2);
            e.code = select->text(3);
            e.number = select->text(4);
            e.amountUnits = number(5);
            e.invoiceDate = select->text(6);
            e.checkCode = select->text(7);
            e.reimbursedAt = time(8);
            e.entryMode = number(9);
            e.reimburser = select->text(10);
            e.previousReimburser = select->text(11);
            e.reason = select->text(12);
            e.file = select->text(13);
            e.total = number(14);
            e.succeeded = number(15);
            e.failed = number(16);
            e.actor = {select->text(17), select->text(18), select->text(19)};
            e.ruleNotes = select->text(20);
            e.claimNumber = select->text(21);
            lines.entries << e;
        }
    } catch (const AppError& error) {
        dropConnection();
        lines.ok = false;
        lines.error = storeError(error);
        lines.entries.clear();
    }
    return lines;
}

RuleNoteCounts SqliteInvoiceStore::ruleNotes(const QDate& from, const QDate& to) {
    RuleNoteCounts result;
    try {
        Database& db = connection().db;
        const QStringList missing = store::missingSchemaObjects(db);
        if (missing.contains(QStringLiteral("发票报销_记录")) || !hasTrailNotes(db)) {
            return result;  // an earlier version's store: no line has notes
        }
        Statement select = db.prepare(QStringLiteral(
            "select substr(时间, 1, 7), 操作, 核销提示, count(*) from 发票报销_记录 "
            "where 时间 >= ?1 and 时间 < ?2 and 核销提示 <> '' group by 1, 2, 3 order by 1, 2, 3"));
        select.bind(1, dayStart(from)).bind(2, dayStart(to.addDays(1)));
        while (select.step()) {
            result.rows << RuleNoteCount{select.text(0), select.text(1), select.text(2),
                                         select.int64(3)};
        }
    } catch (const AppError& error) {
        dropConnection();
        result.ok = false;
        result.error = storeError(error);
        result.rows.clear();
    }
    return result;
}

ReimbursementFigures SqliteInvoiceStore::figures(const QDate& from, const QDate& to,
                                                 FigureGrouping grouping) {
    ReimbursementFigures result;
    // sum() over whole ten-thousandths is exact (and fails rather than overflow).
    const QString sql =
        grouping == FigureGrouping::ByReimburser
            ? QStringLiteral(
                  "select 报销人, count(*), coalesce(sum(开票金额), 0) from 发票报销 "
                  "where 报销时间 >= ?1 and 报销时间 < ?2 group by 报销人 "
                  "order by 3 desc, 1")
            : QStringLiteral(
                  "select substr(报销时间, 1, 7), count(*), coalesce(sum(开票金额), 0) "
                  "from 发票报销 where 报销时间 >= ?1 and 报销时间 < ?2 "
                  "group by 1 order by 1");
    try {
        Statement select = connection().db.prepare(sql);
        select.bind(1, dayStart(from)).bind(2, dayStart(to.addDays(1)));
        while (select.step()) {
            result.rows << ReimbursementFigure{select.text(0), select.int64(1), select.int64(2)};
        }
    } catch (const AppError& error) {
        dropConnection();
        result.ok = false;
        result.error = storeError(error);
        result.rows.clear();
    }
    return result;
}
