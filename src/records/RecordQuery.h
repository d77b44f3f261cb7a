#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>

// The record searches of the records window as statements with bound values. Each criterion
// keeps the comparison the window has always made (equality, date-part ranges, contains), but a
// typed value is a parameter: a quote or a % in it is an ordinary character.
namespace records {

// The criteria controls as the query button reads them.
struct SearchForm {
    bool byCode = false;  // 发票代码
    QString code;
    bool byNumber = false;  // 发票号码
    QString number;
    bool byReimburser = false;  // 报销人
    QString reimburser;
    bool byReimbursedDate = false;  // 报销时间
    QDate reimbursedFrom, reimbursedTo;
    bool byInvoiceDate = false;  // 开票日期
    QDate invoicedFrom, invoicedTo;
};

// The filter of a search: empty, or " where ..." with ?1, ?2 ... bound to params in order.
struct QuerySpec {
    QString where;
    QStringList params;
};

// The message of the first checked text criterion whose edit is empty, in the fixed order code,
// number, reimburser; nothing when the form can be searched.
std::optional<QString> firstMissingCriterion(const SearchForm& form);

QuerySpec searchQuery(const SearchForm& form);

// The invoices reimbursed on the given day.
QuerySpec dayQuery(const QDate& day);

// The statements over a filter. Rows come newest reimbursement first; rows of the same second
// newest recorded first, so that the order is the same every time.
QString keyStatement(const QuerySpec& spec);    // select rowid ...
QString countStatement(const QuerySpec& spec);  // select count(*) ...

// The pattern that makes LIKE find text anywhere, with \ % _ in text taken literally (the
// statement says escape '\').
QString containsPattern(const QString& text);

}  // namespace records
