#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <ostream>

#include "records/RecordQuery.h"
#include "records/RecordSource.h"
#include "records/StoreFind.h"

// Rows put straight into the test's invoice database, and what a search gives back.
namespace recordstest {

struct Invoice {
    QString code = QStringLiteral("044031900111");
    QString number;
    std::optional<qint64> amount = 1000000;  // ten-thousandths
    QString invoiceDate = QStringLiteral("20240101");
    std::optional<QString> time;  // stored text, yyyy-MM-dd HH:mm:ss
    qint64 mode = 0;
    std::optional<QString> reimburser = QStringLiteral("张三");

    static Invoice of(const QString& number, const std::optional<QString>& time);
    Invoice& withCode(const QString& value) { return code = value, *this; }
    Invoice& withAmount(std::optional<qint64> value) { return amount = value, *this; }
    Invoice& withDate(const QString& value) { return invoiceDate = value, *this; }
    Invoice& withMode(qint64 value) { return mode = value, *this; }
    Invoice& withReimburser(const std::optional<QString>& value) {
        return reimburser = value, *this;
    }
};

// Criteria built one at a time.
struct Form : records::SearchForm {
    Form& withCode(const QString& value) { return byCode = true, code = value, *this; }
    Form& withNumber(const QString& value) { return byNumber = true, number = value, *this; }
    Form& withReimburser(const QString& value) {
        return byReimburser = true, reimburser = value, *this;
    }
    Form& reimbursedBetween(const QDate& from, const QDate& to) {
        return byReimbursedDate = true, reimbursedFrom = from, reimbursedTo = to, *this;
    }
    Form& invoicedBetween(const QDate& from, const QDate& to) {
        return byInvoiceDate = true, invoicedFrom = from, invoicedTo = to, *this;
    }
    Form& withRuleNotes(const QString& value) {
        return byRuleNotes = true, ruleNotes = value, *this;
    }
};

// The rows go to the store config.ini's settings name: the test's SQLite file, or its registry
// on the test server when the settings name a server.
bool onServer();
records::Dialect dialect();

void insert(const Invoice& invoice);
void insertMany(int count, const QString& day);  // numbers 50000000.. one second apart
void execute(const QString& sql);                // on a connection of its own

// The 发票号码 of a search's rows, in grid order.
QStringList numbers(const records::QuerySpec& spec);

// The stored 报销人 of an invoice.
QString storedReimburser(const QString& code, const QString& number);

// A press of the find dialog over the result of source, its seven columns visible in their
// designed order, searching text anywhere from the first row; callers change the rest.
records::FindRequest findRequest(const records::RecordSource& source, const QString& text,
                                 findwalk::Walk walk);

}  // namespace recordstest

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}
