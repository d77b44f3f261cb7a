#include "store/PgInvoiceStore.h"

#include <QSet>
#include <algorithm>

#include "base/Clock.h"
#include "base/DailyLog.h"
#include "base/LocaleFormats.h"
#include "base/Paths.h"
#include "invoice/Amount.h"
#include "store/PgClaimStore.h"
#include "store/PgRegistryName.h"
#include "store/RegistrationValues.h"

namespace {

using Key = std::pair<QString, QString>;  // 发票号码, 发票代码

// Rows per insert statement: eight parameters each, well under the protocol's 65535.
constexpr qsizetype kRowsPerStatement = 1000;
// A batch undone by a deadlock or a serialization failure is run again this often.
constexpr int kAttempts = 3;

QString valuesList(qsizetype rows, int columns) {
    QStringList tuples;
    tuples.reserve(rows);
    int parameter = 1;
    for (qsizetype r = 0; r < rows; ++r) {
        QStringList row;
        for (int c = 0; c < columns; ++c) {
            row << u'$' + QString::number(parameter++);
        }
        tuples << u'(' + row.join(u',') + u')';
    }
    return tuples.join(u',');
}

// With rule notes only where a row has some, and a claim's number and the kind only where a row
// joins a claim: a registry made before them (fpbxdb init not run again since) still takes every
// invoice the rules said nothing of, outside any claim.
QString insertSql(qsizetype rows, bool withNotes, bool withClaim) {
    return QStringLiteral(
               "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, "
               "开票金额, 报销人%1%2) values %3 on conflict (发票号码, 发票代码) do nothing "
               "returning 发票号码, 发票代码")
        .arg(withNotes ? QStringLiteral(", 核销提示") : QString(),
             withClaim ? QStringLiteral(", 报销单号, 发票种类") : QString(),
             valuesList(rows, 8 + (withNotes ? 1 : 0) + (withClaim ? 2 : 0)));
}

std::optional<QString> notesOrNull(const QString& notes) {
    return notes.isEmpty() ? std::nullopt : std::optional<QString>(notes);
}

// A column or table the registry lacks: made by an earlier version of fpbxdb init.
bool isMissingObject(const PgError& error) {
    return error.sqlState() == QLatin1String("42703") || error.sqlState() == QLatin1String("42P01");
}

QString earlierSql(qsizetype keys) {
    return QStringLiteral(
               "select 发票号码, 发票代码, to_char(报销时间, 'YYYY-MM-DD HH24:MI:SS'), 报销人 "
               "from 发票报销 where (发票号码, 发票代码) in (values %1)")
        .arg(valuesList(keys, 2));
}

}  // namespace

// An invoice of the batch that can be stored, with its converted values.
struct PgInvoiceStore::Pending {
    qsizetype index;
    RegistrationValues values;
};

PgInvoiceStore::PgInvoiceStore(const QString& conninfo, const QString& taxNumber, PgWork work) {
    try {
        session_.emplace(conninfo, pgregistry::schemaName(taxNumber), work);
    } catch (const AppError& error) {
        unusable_.kind = StoreError::Kind::Misconfigured;
        unusable_.detail = error.message();
    }
}

Registration PgInvoiceStore::registerInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    if (!invoice.opensClaim || !session_) {
        return registerInvoices({invoice}, mode).constFirst();
    }
    // On a server the claim opens by its own statement first (the server's syncs are not the
    // desk's), as a claim the clerk opens would; the registration then joins it.
    const OpenedClaim opened = pgclaims::open(*session_, invoice.reimburser, appclock::now());
    InvoiceRecord joining = invoice;
    joining.opensClaim = false;
    joining.claimNumber = opened.number;
    Registration registration = registerInvoices({joining}, mode).constFirst();
    if (opened.ok) {
        registration.openedClaim = opened.number;
        registration.claimOpenedAt = opened.openedAt;
    } else {
        registration.claimError = opened.error;
    }
    return registration;
}

QList<Registration> PgInvoiceStore::registerInvoices(const QList<InvoiceRecord>& invoices,
                                                     EntryMode mode) {
    QList<Registration> outcomes(invoices.size());
    QList<Pending> pending;
    for (qsizetype i = 0; i < invoices.size(); ++i) {
        try {
            pending << Pending{i, RegistrationValues::of(invoices[i])};
        } catch (const AppError& error) {
            StoreError invalid;
            invalid.kind = StoreError::Kind::InvalidValue;
            invalid.detail = error.message();
            outcomes[i] = failedRegistration(Registration::Stage::Append, invalid);
        }
    }
    if (pending.isEmpty()) {
        if (session_) {
            readEarlier(invoices, outcomes);
        }
        return outcomes;
    }
    if (!session_) {
        for (const Pending& p : pending) {
            outcomes[p.index] = failedRegistration(Registration::Stage::Lookup, unusable_);
        }
        return outcomes;
    }
    // Every writer takes the invoices' keys in the same order, so two batches that share
    // invoices wait for one another instead of deadlocking.
    std::stable_sort(pending.begin(), pending.end(), [&](const Pending& a, const Pending& b) {
        const InvoiceRecord& x = invoices[a.index];
        const InvoiceRecord& y = invoices[b.index];
        return std::tie(x.number, x.code) < std::tie(y.number, y.code);
    });
    insertAbsent(invoices, mode, pending, outcomes);
    readEarlier(invoices, outcomes);
    // Only now: a registration is logged once it is stored.
    QStringList logLines;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].registered()) {
            logLines << entrymode::registeredLogLine(mode, invoices[i].code, invoices[i].number);
        }
    }
    WriteLogLines(GetExeDir(), logLines);
    return outcomes;
}

void PgInvoiceStore::insertAbsent(const QList<InvoiceRecord>& invoices, EntryMode mode,
                                  const QList<Pending>& pending, QList<Registration>& outcomes) {
    for (int attempt = 1;; ++attempt) {
        bool connected = false;
        try {
            PgConnection& connection = session_->connection();
            connected = true;
            // One statement is atomic by itself; several need a transaction around them.
            std::optional<PgTransaction> transaction;
            if (pending.size() > kRowsPerStatement) {
                transaction.emplace(connection);
            }
            QSet<Key> inserted;
            for (qsizetype first = 0; first < pending.size(); first += kRowsPerStatement) {
                const qsizetype rows = std::min(kRowsPerStatement, pending.size() - first);
                bool withNotes = false;
                bool withClaim = false;
                for (qsizetype k = first; k < first + rows; ++k) {
                    withNotes = withNotes || !invoices[pending[k].index].ruleNotes.isEmpty();
                    withClaim = withClaim || !invoices[pending[k].index].claimNumber.isEmpty();
                }
                PgParams params;
                for (qsizetype k = first; k < first + rows; ++k) {
                    const InvoiceRecord& invoice = invoices[pending[k].index];
                    const RegistrationValues& values = pending[k].values;
                    params.text(invoice.number)
                        .text(invoice.code)
                        .timestamp(values.time)
                        .int64(entrymode::storedValue(mode))
                        .text(invoice.checkCode)
                        .text(invoice.invoiceDate)
                        .amountUnits(values.amountUnits)
                        .text(invoice.reimburser);
                    if (withNotes) {
                        params.text(notesOrNull(invoice.ruleNotes));
                    }
                    if (withClaim) {
                        params.text(notesOrNull(invoice.claimNumber))
                            .text(notesOrNull(invoice.kindCode));
                    }
                }
                const QString sql = insertSql(rows, withNotes, withClaim);
                const PgResult result =
                    rows == 1 ? connection.execPrepared(sql, params) : connection.exec(sql, params);
                for (int r = 0; r < result.rows(); ++r) {
                    inserted.insert({result.text(r, 0), result.text(r, 1)});
                }
            }
            if (transaction) {
                transaction->commit();
            }
            // Of several records of one invoice in the batch, the first is the one stored.
            for (const Pending& p : pending) {
                const InvoiceRecord& invoice = invoices[p.index];
                Registration outcome;
                outcome.result = inserted.remove({invoice.number, invoice.code})
                                     ? Registration::Result::Registered
                                     : Registration::Result::AlreadyRecorded;
                outcomes[p.index] = outcome;
            }
            return;
        } catch (const PgError& error) {
            session_->failed(error);
            if (error.isTransient() && attempt < kAttempts) {
                continue;
            }
            const StoreError reported = error.toStoreError();
            for (const Pending& p : pending) {
                outcomes[p.index] = failedRegistration(
                    connected ? Registration::Stage::Append : Registration::Stage::Lookup,
                    reported);
            }
            return;
        }
    }
}

void PgInvoiceStore::readEarlier(const QList<InvoiceRecord>& invoices,
                                 QList<Registration>& outcomes) {
    // An invoice whose values cannot be stored is refused only when it is not there: one that
    // is, is already reimbursed, as on the file.
    QList<qsizetype> found;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].result == Registration::Result::AlreadyRecorded ||
            (outcomes[i].result == Registration::Result::Failed &&
             outcomes[i].error.kind == StoreError::Kind::InvalidValue)) {
            found << i;
        }
    }
    if (found.isEmpty()) {
        return;
    }
    try {
        PgConnection& connection = session_->connection();
        QHash<Key, std::pair<QDateTime, QString>> earlier;
        for (qsizetype first = 0; first < found.size(); first += kRowsPerStatement) {
            const qsizetype keys = std::min(kRowsPerStatement, found.size() - first);
            PgParams params;
            for (qsizetype k = first; k < first + keys; ++k) {
                params.text(invoices[found[k]].number).text(invoices[found[k]].code);
            }
            const PgResult result = keys == 1 ? connection.execPrepared(earlierSql(1), params)
                                              : connection.exec(earlierSql(keys), params);
            for (int r = 0; r < result.rows(); ++r) {
                earlier.insert({result.text(r, 0), result.text(r, 1)},
                               {localefmt::fromStorageText(result.text(r, 2)).value_or(QDateTime()),
                                result.text(r, 3)});
            }
        }
        for (const qsizetype i : found) {
            const auto at = earlier.constFind({invoices[i].number, invoices[i].code});
            if (at != earlier.cend()) {
                outcomes[i] = Registration();
                outcomes[i].result = Registration::Result::AlreadyRecorded;
                outcomes[i].earlierAt = at->first;
                outcomes[i].earlierReimburser = at->second;
            }
        }
    } catch (const PgError& error) {
        // The invoices are recorded all the same; only who and when is not known.
        session_->failed(error);
    }
}

InvoiceCount PgInvoiceStore::countInvoices() {
    InvoiceCount result;
    if (!session_) {
        result.error = unusable_;
        return result;
    }
    try {
        // The count is kept by the table's triggers in a few slots, so that clerks registering
        // at once do not queue for one counter; adding them up costs nothing.
        const PgResult sum = session_->connection().execPrepared(
            QStringLiteral("select coalesce(sum(数量), 0)::bigint from 发票报销_数量"));
        result.count = sum.int64(0, 0);
    } catch (const PgError& error) {
        session_->failed(error);
        result.error = error.toStoreError();
    }
    return result;
}

namespace {

QString dayStart(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

ChangeOutcome failedChange(const StoreError& error) {
    ChangeOutcome outcome;
    outcome.error = error;
    return outcome;
}

ChangeOutcome doneChange() {
    ChangeOutcome outcome;
    outcome.result = ChangeOutcome::Result::Done;
    return outcome;
}

}  // namespace

ChangeOutcome PgInvoiceStore::correctReimburser(const trail::InvoiceKey& invoice,
                                                const QString& name) {
    if (!session_) {
        return failedChange(unusable_);
    }
    try {
        PgConnection& connection = session_->connection();
        PgTransaction transaction(connection);
        const PgResult stored = connection.execPrepared(
            QStringLiteral("select 报销人 from 发票报销 where 发票号码 = $1 and 发票代码 = $2 "
                           "for update"),
            PgParams().text(invoice.number).text(invoice.code));
        ChangeOutcome outcome;
        if (stored.rows() == 0) {
            outcome.result = ChangeOutcome::Result::NotFound;
            return outcome;
        }
        outcome.previousReimburser = stored.text(0, 0);
        // The registry's trigger writes the trail line, and only for a name that changes.
        connection.execPrepared(
            QStringLiteral("update 发票报销 set 报销人 = $1 where 发票号码 = $2 and 发票代码 = $3 "
                           "and 报销人 is distinct from $1"),
            PgParams().text(name).text(invoice.number).text(invoice.code));
        transaction.commit();
        outcome.result = ChangeOutcome::Result::Done;
        return outcome;
    } catch (const PgError& error) {
        session_->failed(error);
        return failedChange(error.toStoreError());
    }
}

ChangeOutcome PgInvoiceStore::undoRegistration(const trail::InvoiceKey& invoice,
                                               const QString& reason) {
    if (const std::optional<ChangeOutcome> refused = refusedUndo(reason)) {
        return *refused;
    }
    if (!session_) {
        return failedChange(unusable_);
    }
    try {
        PgConnection& connection = session_->connection();
        const PgResult removed = connection.execPrepared(
            QStringLiteral("select 发票报销_撤销($1, $2, $3)"),
            PgParams().text(invoice.number).text(invoice.code).text(reason));
        if (removed.int64(0, 0) == 0) {
            ChangeOutcome outcome;
            outcome.result = ChangeOutcome::Result::NotFound;
            return outcome;
        }
        return doneChange();
    } catch (const PgError& error) {
        session_->failed(error);
        return failedChange(error.toStoreError());
    }
}

ChangeOutcome PgInvoiceStore::recordRefusal(const InvoiceRecord& invoice, EntryMode mode) {
    if (!session_) {
        return failedChange(unusable_);
    }
    std::optional<qint64> units;
    try {
        units = amount::fromText(invoice.amount, QStringLiteral("开票金额"));
    } catch (const AppError&) {
        // An amount that is no number is kept as none: the line is about why, not the sum.
    }
    try {
        session_->connection().execPrepared(
            QStringLiteral("select 发票报销_记录拒绝($1, $2, $3, $4, $5, $6::integer, $7, $8)"),
            PgParams()
                .text(invoice.code)
                .text(invoice.number)
                .amountUnits(units)
                .text(invoice.invoiceDate)
                .text(invoice.checkCode)
                .int64(entrymode::storedValue(mode))
                .text(invoice.reimburser)
                .text(invoice.ruleNotes));
        return doneChange();
    } catch (const PgError& error) {
        session_->failed(error);
        return failedChange(error.toStoreError());
    }
}

RegistryRules PgInvoiceStore::registryRules() {
    RegistryRules rules;
    rules.kept = true;
    if (!session_) {
        rules.ok = false;
        rules.error = unusable_;
        return rules;
    }
    try {
        const PgResult rows = session_->connection().execPrepared(
            QStringLiteral("select 规则, 值 from 核销规则 order by 规则"));
        for (int r = 0; r < rows.rows(); ++r) {
            rules.values.append({rows.text(r, 0), rows.text(r, 1)});
        }
    } catch (const PgError& error) {
        session_->failed(error);
        if (!isMissingObject(error)) {
            rules.ok = false;
            rules.error = error.toStoreError();
        }
        // A registry made before its rules has none.
    }
    return rules;
}

RuleNoteCounts PgInvoiceStore::ruleNotes(const QDate& from, const QDate& to) {
    RuleNoteCounts result;
    if (!session_) {
        result.ok = false;
        result.error = unusable_;
        return result;
    }
    try {
        const PgResult rows = session_->connection().execPrepared(
            QStringLiteral(
                "select to_char(时间, 'YYYY-MM'), 操作, 核销提示, count(*) "
                "from 发票报销_记录 where 时间 >= $1 and 时间 < $2 and 核销提示 <> '' "
                "group by 1, 2, 3 order by 1, 操作 collate \"C\", 核销提示 collate \"C\""),
            PgParams().timestamp(dayStart(from)).timestamp(dayStart(to.addDays(1))));
        for (int r = 0; r < rows.rows(); ++r) {
            result.rows << RuleNoteCount{rows.text(r, 0), rows.text(r, 1), rows.text(r, 2),
                                         rows.int64(r, 3)};
        }
    } catch (const PgError& error) {
        session_->failed(error);
        if (!isMissingObject(error)) {
            result.ok = false;
            result.error = error.toStoreError();
        }
    }
    return result;
}

ChangeOutcome PgInvoiceStore::recordImport(const trail::ImportSummary& summary) {
    if (!session_) {
        return failedChange(unusable_);
    }
    try {
        session_->connection().execPrepared(
            QStringLiteral("select 发票报销_记录导入($1, $2, $3, $4)"),
            PgParams()
                .text(summary.file)
                .int64(summary.total)
                .int64(summary.succeeded)
                .int64(summary.failed));
        return doneChange();
    } catch (const PgError& error) {
        session_->failed(error);
        return failedChange(error.toStoreError());
    }
}

trail::Lines PgInvoiceStore::readTrail(const trail::Filter& filter, qsizetype limit) {
    trail::Lines lines;
    if (!session_) {
        lines.ok = false;
        lines.error = unusable_;
        return lines;
    }
    const QString columns = QStringLiteral(
        "select 序号, to_char(时间, 'YYYY-MM-DD HH24:MI:SS'), 操作, 发票代码, 发票号码, "
        "开票金额::text, 开票日期, 校验码, to_char(报销时间, 'YYYY-MM-DD HH24:MI:SS'), 报销方式, "
        "报销人, 原报销人, 原因, 文件, 总数, 成功, 失败, 用户, 计算机, 版本, 数据库用户, %1, %2 "
        "from 发票报销_记录 ");
    try {
        PgConnection& connection = session_->connection();
        // A trail made before rule notes or claims (fpbxdb init not run again since) has none.
        const auto kept = [&](const QString& column) {
            return connection
                       .execPrepared(QStringLiteral("select 1 from pg_attribute where attrelid = "
                                                    "to_regclass('发票报销_记录') and attname = $1 "
                                                    "and not attisdropped"),
                                     PgParams().text(column))
                       .rows() > 0;
        };
        const bool notesKept = kept(QStringLiteral("核销提示"));
        const bool claimsKept = kept(QStringLiteral("报销单号"));
        PgParams params;
        QString sql;
        const QString selected =
            columns.arg(notesKept ? QStringLiteral("核销提示") : QStringLiteral("null"),
                        claimsKept ? QStringLiteral("报销单号") : QStringLiteral("null"));
        if (filter.invoice) {
            sql =
                selected + QStringLiteral(
                               "where 发票号码 = $1 and 发票代码 = $2 and 序号 > $4 order by 序号 "
                               "limit $3");
            params.text(filter.invoice->number).text(filter.invoice->code);
        } else if (filter.after) {
            // The index on (时间, 序号) starts at the last line read.
            sql = selected + QStringLiteral(
                                 "where 时间 >= $1 and 时间 < $2 and (时间, 序号) > ($4, $5) "
                                 "order by 时间, 序号 limit $3");
            params.timestamp(dayStart(filter.from)).timestamp(dayStart(filter.to.addDays(1)));
        } else {
            sql = selected + QStringLiteral(
                                 "where 时间 >= $1 and 时间 < $2 order by 时间, 序号 "
                                 "limit $3");
            params.timestamp(dayStart(filter.from)).timestamp(dayStart(filter.to.addDays(1)));
        }
        params.int64(qint64(limit) + 1);
        if (filter.invoice) {
            params.int64(filter.after ? filter.after->serial : qint64(0));
        } else if (filter.after) {
            params.timestamp(localefmt::storageText(filter.after->at)).int64(filter.after->serial);
        }
        const PgResult result = connection.exec(sql, params);
        const auto number = [&](int row, int column) {
            return result.isNull(row, column) ? std::nullopt
                                              : std::optional<qint64>(result.int64(row, column));
        };
        const auto time = [&](int row, int column) {
            return localefmt::fromStorageText(result.text(row, column)).value_or(QDateTime());
        };
        for (int r = 0; r < result.rows(); ++r) {
            if (lines.entries.size() == limit) {
                lines.truncated = true;
                break;
            }
            trail::Entry e;
            e.serial = result.int64(r, 0);
            e.at = time(r, 1);
            e.action = result.text(r, 2);
            e.code = result.text(r, 3);
            e.number = result.text(r, 4);
            if (!result.isNull(r, 5)) {
                e.amountUnits = amount::fromText(result.text(r, 5), QStringLiteral("开票金额"));
            }
            e.invoiceDate = result.text(r, 6);
            e.checkCode = result.text(r, 7);
            e.reimbursedAt = time(r, 8);
            e.entryMode = number(r, 9);
            e.reimburser = result.text(r, 10);
            e.previousReimburser = result.text(r, 11);
            e.reason = result.text(r, 12);
            e.file = result.text(r, 13);
            e.total = number(r, 14);
            e.succeeded = number(r, 15);
            e.failed = number(r, 16);
            e.actor = {result.text(r, 17), result.text(r, 18), result.text(r, 19)};
            e.databaseUser = result.text(r, 20);
            e.ruleNotes = result.text(r, 21);
            e.claimNumber = result.text(r, 22);
            lines.entries << e;
        }
    } catch (const PgError& error) {
        session_->failed(error);
        lines.ok = false;
        lines.error = error.toStoreError();
    } catch (const AppError& error) {
        lines.ok = false;
        lines.error.detail = error.message();
    }
    if (!lines.ok) {
        lines.entries.clear();
    }
    return lines;
}

ReimbursementFigures PgInvoiceStore::figures(const QDate& from, const QDate& to,
                                             FigureGrouping grouping) {
    ReimbursementFigures result;
    if (!session_) {
        result.ok = false;
        result.error = unusable_;
        return result;
    }
    // numeric sums are exact; names in code-point order, as on the embedded store.
    const QString sql = grouping == FigureGrouping::ByReimburser
                            ? QStringLiteral(
                                  "select 报销人, count(*), coalesce(sum(开票金额), 0)::text "
                                  "from 发票报销 where 报销时间 >= $1 and 报销时间 < $2 "
                                  "group by 报销人 order by coalesce(sum(开票金额), 0) desc, "
                                  "报销人 collate \"C\"")
                            // Grouped on the month's first instant and written as text once
                            // per month: twice as fast as the text of every row.
                            : QStringLiteral(
                                  "select to_char(月, 'YYYY-MM'), 张数, 金额::text from (select "
                                  "date_trunc('month', 报销时间) as 月, count(*) as 张数, "
                                  "coalesce(sum(开票金额), 0) as 金额 from 发票报销 "
                                  "where 报销时间 >= $1 and 报销时间 < $2 group by 1) as g "
                                  "order by 1");
    try {
        const PgResult rows = session_->connection().execPrepared(
            sql, PgParams().timestamp(dayStart(from)).timestamp(dayStart(to.addDays(1))));
        for (int r = 0; r < rows.rows(); ++r) {
            result.rows << ReimbursementFigure{
                rows.text(r, 0), rows.int64(r, 1),
                amount::fromText(rows.text(r, 2), QStringLiteral("开票金额")).value_or(0)};
        }
    } catch (const PgError& error) {
        session_->failed(error);
        result.ok = false;
        result.error = error.toStoreError();
    } catch (const AppError& error) {
        result.ok = false;
        result.error.detail = error.message();
    }
    if (!result.ok) {
        result.rows.clear();
    }
    return result;
}
