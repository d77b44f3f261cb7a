#include "store/PgInvoiceStore.h"

#include <QSet>
#include <algorithm>

#include "shell/Commonfun.h"
#include "shell/LocaleFormats.h"
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

QString insertSql(qsizetype rows) {
    return QStringLiteral(
               "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, "
               "开票金额, 报销人) values %1 on conflict (发票号码, 发票代码) do nothing "
               "returning 发票号码, 发票代码")
        .arg(valuesList(rows, 8));
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

PgInvoiceStore::PgInvoiceStore(const QString& conninfo, const QString& taxNumber) {
    try {
        session_.emplace(conninfo, pgregistry::schemaName(taxNumber));
    } catch (const AppError& error) {
        unusable_.kind = StoreError::Kind::Misconfigured;
        unusable_.detail = error.message();
    }
}

Registration PgInvoiceStore::registerInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    return registerInvoices({invoice}, mode).constFirst();
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
                }
                const PgResult result = rows == 1 ? connection.execPrepared(insertSql(1), params)
                                                  : connection.exec(insertSql(rows), params);
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
    QList<qsizetype> found;
    for (qsizetype i = 0; i < outcomes.size(); ++i) {
        if (outcomes[i].result == Registration::Result::AlreadyRecorded) {
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
