#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "records/Dialect.h"
#include "records/RecordColumns.h"

// The statements of the records window. Each criterion keeps the comparison the window has always
// made (equality, date-part ranges, contains), but a typed value is a parameter: a quote or a % in
// it is an ordinary character. Every statement over 发票报销 the window and its workers run is
// written here, for each engine: on the file a row's key is its rowid and parameters are ?1 ...;
// on a server the key is 序号 (the registry's identity column), parameters are $1 ..., the
// amount is selected as ten-thousandths and the time as the file's text, so that both engines
// give the grid the same values.
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
    bool byRuleNotes = false;  // 核销提示: any when the text is empty, else those containing it
    QString ruleNotes;
    bool byClaim = false;  // 报销单号: any claim when the text is empty, else those starting so
    QString claim;
};

// The order of a result: by one of the grid's columns, ties by 报销时间 and then by the row's key
// in the same direction (发票号码: by 发票代码 and the key), rows without a value first going up
// and last going down. The default, 报销时间 newest first, is the grid's order as it opens.
struct SortOrder {
    int column = kReimbursedAt;
    bool descending = true;
    bool isDefault() const { return column == kReimbursedAt && descending; }
    friend bool operator==(const SortOrder&, const SortOrder&) = default;
};

// The filter of a search: empty, or " where ..." with ?1, ?2 ... ($1, $2 ... on a server) bound
// to params in order.
struct QuerySpec {
    Dialect dialect = Dialect::Sqlite;
    QString where;
    // The same filter written so that the engine finds the rows by walking the index on 报销时间
    // in the grid's order instead of looking them up elsewhere and sorting them.
    QString whereInTimeOrder;
    QStringList params;
    enum class Counting {
        Filter,        // count(*) over the filter
        AllRows,       // no filter: the kept number of rows
        ByReimburser,  // the reimburser criterion alone: the kept numbers of the names found
    };
    Counting counting = Counting::AllRows;
    bool byReimburser = false;
    // The filter is no more than a range of 报销时间: walking that index meets result rows only.
    bool timeOrdered = true;
    SortOrder sort;  // the order of the keys
    // The rows come in the order of 报销时间 newest first: the walks below may read them.
    bool inTimeOrder() const { return sort.isDefault(); }
};

// The message of the first checked text criterion whose edit is empty, in the fixed order code,
// number, reimburser; nothing when the form can be searched.
std::optional<QString> firstMissingCriterion(const SearchForm& form);

// The 报销人 criterion tries its text on the table of distinct names where the registry has it
// (a server's made by an earlier version may not: its rows are then tried one by one).
enum class ReimburserNames { Kept, Missing };
QuerySpec searchQuery(const SearchForm& form, Dialect dialect = Dialect::Sqlite,
                      ReimburserNames names = ReimburserNames::Kept);

// The invoices reimbursed on the given day.
QuerySpec dayQuery(const QDate& day, Dialect dialect = Dialect::Sqlite);

// The same search with its rows in another order.
QuerySpec sorted(QuerySpec spec, const SortOrder& sort);

// How the keys of a result are found: as the engine plans it, or by walking 报销时间 in order.
enum class KeyOrder { Planned, TimeWalk };

// The statements over a filter. Rows come in the spec's order, by default newest reimbursement
// first; rows of the same second newest recorded first, so that the order is the same every time.
QString keyStatement(const QuerySpec& spec, KeyOrder order = KeyOrder::Planned);  // select rowid
QString countStatement(const QuerySpec& spec);  // select count, with the filter's parameters
QString tableRowsStatement(Dialect dialect = Dialect::Sqlite);  // the number of rows of 发票报销

// A result of many rows is found fastest walking 报销时间, since its first screen lies near the
// start of the walk; a result of few rows fastest from the reimburser index, sorted afterwards.
KeyOrder keyOrderFor(const QuerySpec& spec, qint64 count, qint64 tableRows);

// One row of the grid: rowid, the stored 报销时间, then the grid's columns (录入方式 as
// store/EntryMode says); by rowid (?1). On a server: 序号 and the time as the file's text, for
// every key in an array ($1, '{1,2,3}'). The time is selected once: rowColumnOf says where each
// column's value is.
inline constexpr int kRowColumnsOffset = 2;
constexpr int rowColumnOf(int column) {
    return column == kReimbursedAt ? 1 : kRowColumnsOffset + column;
}
QString rowStatement(Dialect dialect = Dialect::Sqlite);

// A walk over a result's rows in grid order (down) or against it (up) on the store's own terms.
// It starts at the first row in its direction, or at a given row (included), which is found by
// its 报销时间 and rowid, bound after the filter's parameters: the time as parameter
// params.size() + 1 when the segment uses it, the rowid as params.size() + 2.
enum class WalkFrom { End, TimedRow, UntimedRow };
struct WalkSegment {
    QString sql;  // selects what rowStatement() selects
    bool bindsTime = false;
    bool bindsRowid = false;
};
// Columns left out of columns are selected as null. The file only, in the default order: on a
// server, or sorted otherwise, rows are read by key (none are given).
QList<WalkSegment> walkStatements(const QuerySpec& spec, bool down, WalkFrom from,
                                  ColumnSet columns = kAllColumns);

// The pattern that makes LIKE find text anywhere, with \ % _ in text taken literally (the
// statement says escape '\').
QString containsPattern(const QString& text);

}  // namespace records
