#include "records/RecordQuery.h"

#include "invoice/EntryMode.h"
#include "invoice/InvoiceIdentity.h"

namespace records {

namespace {

// The grid's columns as the statements select them, in the order of records::Column.
QString rowColumns(Dialect dialect, ColumnSet columns = kAllColumns) {
    const bool pg = dialect == Dialect::Postgresql;
    // On a server: the amount in ten-thousandths and the time as the file keeps it (timestamp(0)
    // as text in the session's ISO date style), named apart so that "order by 报销时间" still
    // means the column and its index.
    const QString time = QStringLiteral("报销时间::text as 报销时间文本");
    const QString expressions[kColumnCount] = {
        QStringLiteral("发票代码"),
        QStringLiteral("发票号码"),
        pg ? QStringLiteral("(开票金额 * 10000)::bigint") : QStringLiteral("开票金额"),
        QStringLiteral("开票日期"),
        QStringLiteral("null"),  // the time: column 1
        QStringLiteral("报销人"),
        entrymode::displaySql(),
        QStringLiteral("报销单号")};
    QString list = pg ? QStringLiteral("序号, ") + time : QStringLiteral("rowid, 报销时间");
    for (int c = 0; c < kColumnCount; ++c) {
        list += QStringLiteral(", ") +
                (columns.test(std::size_t(c)) ? expressions[c] : QStringLiteral("null"));
    }
    return list;
}

// Collects the conditions of a filter and numbers its parameters. A condition may be written
// twice: for the planner, and for a walk of 报销时间 in order.
class Builder {
public:
    explicit Builder(Dialect dialect) { spec_.dialect = dialect; }
    bool onServer() const { return spec_.dialect == Dialect::Postgresql; }
    QString param(const QString& value) {
        spec_.params << value;
        return (onServer() ? u'$' : u'?') + QString::number(spec_.params.size());
    }
    void add(const QString& condition, const QString& inTimeOrder = QString()) {
        conditions_ << condition;
        inTimeOrder_ << (inTimeOrder.isEmpty() ? condition : inTimeOrder);
    }
    void notTimeOrdered() { spec_.timeOrdered = false; }
    QuerySpec& spec() { return spec_; }
    QuerySpec done() {
        if (!conditions_.isEmpty()) {
            spec_.where = QStringLiteral(" where ") + conditions_.join(QStringLiteral(" and "));
            spec_.whereInTimeOrder =
                QStringLiteral(" where ") + inTimeOrder_.join(QStringLiteral(" and "));
            if (spec_.counting == QuerySpec::Counting::AllRows) {
                spec_.counting = QuerySpec::Counting::Filter;
            }
        }
        return spec_;
    }

private:
    QuerySpec spec_;
    QStringList conditions_;
    QStringList inTimeOrder_;
};

QString filterAnd(const QString& where, const QString& condition) {
    return (where.isEmpty() ? QStringLiteral(" where ") : where + QStringLiteral(" and ")) +
           condition;
}

QString dateText(const QDate& date) {
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}

// format(报销时间,'yyyy-MM-dd') between from and to, both inclusive, written so that the index on
// 报销时间 serves it. The date-part text of a stored time is its first ten characters, or the
// whole text when it is not a date-time; either way the text is >= from exactly when its date
// part is, and lies below the day after to when its date part is <= to. Only on the last day
// can the two differ (a malformed time that starts with that date), so only there does a row
// need a closer look: a well-formed time settles it at once, anything else asks format().
void addReimbursedBetween(Builder& b, const QDate& from, const QDate& to) {
    if (b.onServer()) {
        // A timestamp is always well-formed: its date part is <= to exactly when it lies below
        // the day after.
        b.add(QStringLiteral("报销时间 >= ") + b.param(dateText(from)) +
              QStringLiteral("::timestamp"));
        const QDate after = to.addDays(1);
        if (after.isValid() && after.year() <= 9999) {
            b.add(QStringLiteral("报销时间 < ") + b.param(dateText(after)) +
                  QStringLiteral("::timestamp"));
        } else {
            b.add(QStringLiteral("报销时间 is not null"));
        }
        return;
    }
    const QString low = b.param(dateText(from));
    b.add(QStringLiteral("报销时间 >= ") + low);
    const QDate after = to.addDays(1);
    if (after.isValid() && after.year() <= 9999) {
        b.add(QStringLiteral("报销时间 < ") + b.param(dateText(after)));
    }
    const QString high = b.param(dateText(to));
    b.add(QStringLiteral("(substr(报销时间, 1, 10) < %1 or (substr(报销时间, 1, 10) = %1 and "
                         "substr(报销时间, 11) glob ' [0-2][0-9]:[0-5][0-9]:[0-5][0-9]' and "
                         "substr(报销时间, 12, 2) < '24') or "
                         "format(报销时间, 'yyyy-MM-dd') <= %1)")
              .arg(high));
}

}  // namespace

std::optional<QString> firstMissingCriterion(const SearchForm& form) {
    if (form.byCode && form.code.isEmpty()) {
        return QStringLiteral("请输入发票代码！");
    }
    if (form.byNumber && form.number.isEmpty()) {
        return QStringLiteral("请输入发票号码！");
    }
    if (form.byReimburser && form.reimburser.isEmpty()) {
        return QStringLiteral("请输入报销人！");
    }
    return std::nullopt;
}

namespace {

// A-Z made small, and nothing else: the comparison the file's LIKE makes.
QString asciiLower(QString text) {
    for (QChar& c : text) {
        if (c >= u'A' && c <= u'Z') {
            c = QChar(c.unicode() + (u'a' - u'A'));
        }
    }
    return text;
}

// 报销人 with A-Z made small on a server: the file's LIKE compares A-Z whatever their case.
const char kSmallReimburser[] =
    "translate(报销人, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";

// 报销人 contains the text, letters compared whatever their case as the file's LIKE does (A-Z
// only). On a server the text is looked for in the name with A-Z made small: in the registry's
// table of distinct names, or where it has none (a registry of an earlier version), in every
// row.
void addReimburserContains(Builder& b, const QString& text, ReimburserNames names) {
    if (b.onServer()) {
        const QString lower = asciiLower(text);
        const QString like = QString::fromUtf8(kSmallReimburser) + QStringLiteral(" like ") +
                             b.param(containsPattern(lower)) + QStringLiteral(" escape '\\'");
        if (names == ReimburserNames::Kept) {
            b.add(QStringLiteral("报销人 in (select 报销人 from 发票报销_报销人 where ") + like +
                  u')');
            b.spec().byReimburser = true;
        } else {
            b.add(like);
        }
        b.notTimeOrdered();
        return;
    }
    // LIKE tried on the distinct names only: a row's reimburser contains the text exactly
    // when its name is one of the names that do. The unary + keeps a walk of 报销时间 from
    // turning to the reimburser index.
    const QString inNames =
        QStringLiteral("报销人 in (select 报销人 from 发票报销_报销人 where 报销人 like ") +
        b.param(containsPattern(text)) + QStringLiteral(" escape '\\')");
    b.add(inNames, u'+' + inNames);
    b.spec().byReimburser = true;
    b.notTimeOrdered();
}

// The invoices the office's rules said something of when they were written off: any, or those
// whose notes contain the text (A-Z whatever their case, as the reimburser search compares).
void addRuleNotes(Builder& b, const QString& text) {
    if (text.isEmpty()) {
        b.add(QStringLiteral("核销提示 <> ''"));
    } else if (b.onServer()) {
        b.add(QStringLiteral("translate(核销提示, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', "
                             "'abcdefghijklmnopqrstuvwxyz') like ") +
              b.param(containsPattern(asciiLower(text))) + QStringLiteral(" escape '\\'"));
    } else {
        b.add(QStringLiteral("核销提示 like ") + b.param(containsPattern(text)) +
              QStringLiteral(" escape '\\'"));
    }
    b.notTimeOrdered();
}

}  // namespace

QuerySpec searchQuery(const SearchForm& form, Dialect dialect, ReimburserNames names) {
    Builder b(dialect);
    if (form.byCode) {
        b.add(QStringLiteral("发票代码 = ") + b.param(form.code));
        b.notTimeOrdered();
    }
    if (form.byNumber) {
        b.add(QStringLiteral("发票号码 = ") + b.param(form.number));
        b.notTimeOrdered();
    }
    if (form.byReimburser) {
        addReimburserContains(b, form.reimburser, names);
    }
    if (form.byReimbursedDate) {
        addReimbursedBetween(b, form.reimbursedFrom, form.reimbursedTo);
    }
    if (form.byInvoiceDate) {
        // Compared byte by byte, as the file compares text, whatever the server's collation.
        const QString date =
            b.onServer() ? QStringLiteral("开票日期 collate \"C\"") : QStringLiteral("开票日期");
        b.add(date + QStringLiteral(" >= ") + b.param(invoice::dateText(form.invoicedFrom)));
        b.add(date + QStringLiteral(" <= ") + b.param(invoice::dateText(form.invoicedTo)));
        b.notTimeOrdered();
    }
    if (form.byRuleNotes) {
        addRuleNotes(b, form.ruleNotes);
    }
    if (form.byClaim) {
        // A whole number, or its start (BX20231201: the claims of a day); upper case, as the
        // numbers are written.
        const QString start = form.claim.trimmed().toUpper();
        b.add(start.isEmpty()
                  ? QStringLiteral("报销单号 <> ''")
                  : QStringLiteral("报销单号 like ") + b.param(containsPattern(start).mid(1)) +
                        QStringLiteral(" escape '\\'"));
        b.notTimeOrdered();
    }
    if (b.spec().byReimburser && b.spec().params.size() == 1) {
        b.spec().counting = QuerySpec::Counting::ByReimburser;
    }
    return b.done();
}

QuerySpec dayQuery(const QDate& day, Dialect dialect) {
    Builder b(dialect);
    addReimbursedBetween(b, day, day);
    return b.done();
}

namespace {

// The order by clause of a sort other than the default, the same order on either engine: text
// compared byte by byte, nulls smallest.
QString orderBy(const SortOrder& sort, Dialect dialect) {
    const bool pg = dialect == Dialect::Postgresql;
    const QString text = pg ? QStringLiteral(" collate \"C\"") : QString();
    QStringList terms;
    switch (sort.column) {
        case kCode:
            terms << QStringLiteral("发票代码") + text;
            break;
        case kNumber:
            terms << QStringLiteral("发票号码") + text << QStringLiteral("发票代码") + text;
            break;
        case kAmount:
            terms << QStringLiteral("开票金额");
            break;
        case kInvoiceDate:
            terms << QStringLiteral("开票日期") + text;
            break;
        case kReimburser:
            terms << QStringLiteral("报销人") + text;
            break;
        case kEntryMode:
            terms << u'(' + entrymode::displaySql() + u')' + text;
            break;
        case kClaimNumber:
            terms << QStringLiteral("报销单号") + text;
            break;
        default:
            break;
    }
    if (sort.column != kNumber) {
        terms << QStringLiteral("报销时间");
    }
    terms << (pg ? QStringLiteral("序号") : QStringLiteral("rowid"));
    const QString direction =
        sort.descending ? (pg ? QStringLiteral(" desc nulls last") : QStringLiteral(" desc"))
                        : (pg ? QStringLiteral(" asc nulls first") : QStringLiteral(" asc"));
    return QStringLiteral(" order by ") + terms.join(direction + QStringLiteral(", ")) + direction;
}

}  // namespace

QuerySpec sorted(QuerySpec spec, const SortOrder& sort) {
    spec.sort = sort;
    return spec;
}

QString keyStatement(const QuerySpec& spec, KeyOrder order) {
    const QString key =
        spec.dialect == Dialect::Postgresql ? QStringLiteral("序号") : QStringLiteral("rowid");
    if (!spec.inTimeOrder()) {
        return QStringLiteral("select ") + key + QStringLiteral(" from 发票报销") + spec.where +
               orderBy(spec.sort, spec.dialect);
    }
    if (spec.dialect == Dialect::Postgresql) {
        // The registry's index on (报销时间 desc nulls last, 序号 desc) gives this order.
        return QStringLiteral("select 序号 from 发票报销") + spec.where +
               QStringLiteral(" order by 报销时间 desc nulls last, 序号 desc");
    }
    return QStringLiteral("select rowid from 发票报销") +
           (order == KeyOrder::TimeWalk ? spec.whereInTimeOrder : spec.where) +
           QStringLiteral(" order by 报销时间 desc, rowid desc");
}

QString countStatement(const QuerySpec& spec) {
    switch (spec.counting) {
        case QuerySpec::Counting::AllRows:
            return tableRowsStatement(spec.dialect);
        case QuerySpec::Counting::ByReimburser:
            if (spec.dialect == Dialect::Postgresql) {
                return QStringLiteral(
                           "select coalesce(sum(数量), 0)::bigint from 发票报销_报销人 "
                           "where ") +
                       QString::fromUtf8(kSmallReimburser) + QStringLiteral(" like $1 escape '\\'");
            }
            return QStringLiteral(
                "select coalesce(sum(数量), 0) from 发票报销_报销人 where 报销人 like ?1 "
                "escape '\\'");
        case QuerySpec::Counting::Filter:
            break;
    }
    return QStringLiteral("select count(*) from 发票报销") + spec.where;
}

QString tableRowsStatement(Dialect dialect) {
    if (dialect == Dialect::Postgresql) {
        return QStringLiteral("select coalesce(sum(数量), 0)::bigint from 发票报销_数量");
    }
    return QStringLiteral("select 数量 from 发票报销_数量");
}

KeyOrder keyOrderFor(const QuerySpec& spec, qint64 count, qint64 tableRows) {
    // The walk reads about tableRows / count rows for each row it finds: a first screen of a
    // hundred rows stays within some ten thousand rows read. Below that density, or for a few
    // thousand rows in all, looking the names up and sorting is quicker.
    if (spec.dialect != Dialect::Sqlite || !spec.inTimeOrder() || !spec.byReimburser ||
        count <= 4096 || count * 128 < tableRows) {
        return KeyOrder::Planned;
    }
    return KeyOrder::TimeWalk;
}

QString rowStatement(Dialect dialect) {
    if (dialect == Dialect::Postgresql) {
        return QStringLiteral("select ") + rowColumns(dialect) +
               QStringLiteral(" from 发票报销 where 序号 = any($1::bigint[])");
    }
    return QStringLiteral("select ") + rowColumns(dialect) +
           QStringLiteral(" from 发票报销 where rowid = ?1");
}

QList<WalkSegment> walkStatements(const QuerySpec& spec, bool down, WalkFrom from,
                                  ColumnSet columns) {
    if (!spec.inTimeOrder()) {
        return {};
    }
    const bool pg = spec.dialect == Dialect::Postgresql;
    const QString key = pg ? QStringLiteral("序号") : QStringLiteral("rowid");
    const QString mark = pg ? QStringLiteral("$") : QStringLiteral("?");
    QString time = mark + QString::number(spec.params.size() + 1);
    QString rowid = mark + QString::number(spec.params.size() + 2);
    // A server must learn each parameter's type, and every numbered parameter must appear: a
    // segment that binds the row alone says that the (unbound, null) time is null.
    QString timeUnused;
    if (pg) {
        time += QStringLiteral("::timestamp");
        rowid += QStringLiteral("::bigint");
        timeUnused = time + QStringLiteral(" is null and ");
    }
    const QString select = QStringLiteral("select ") + rowColumns(spec.dialect, columns) +
                           QStringLiteral(" from 发票报销");
    const QString& filter = spec.whereInTimeOrder.isEmpty() ? spec.where : spec.whereInTimeOrder;
    const QString timed = down ? QStringLiteral(" order by 报销时间 desc%1, %2 desc")
                                     .arg(pg ? QStringLiteral(" nulls last") : QString(), key)
                               : QStringLiteral(" order by 报销时间 asc%1, %2 asc")
                                     .arg(pg ? QStringLiteral(" nulls first") : QString(), key);
    const QString untimed = QStringLiteral(" order by ") + key +
                            (down ? QStringLiteral(" desc") : QStringLiteral(" asc"));
    const auto segment = [&](const QString& condition, const QString& order, bool bindsTime,
                             bool bindsRowid) {
        return WalkSegment{
            select + (condition.isEmpty() ? filter : filterAnd(filter, condition)) + order,
            bindsTime, bindsRowid};
    };
    // Rows without a time come after every timed row in the grid.
    const QString withoutTime = QStringLiteral("报销时间 is null");
    switch (from) {
        case WalkFrom::End:
            return {segment(QString(), timed, false, false)};
        case WalkFrom::TimedRow:
            if (down) {
                return {segment(QStringLiteral("报销时间 <= %1 and (报销时间 < %1 or %3 <= %2)")
                                    .arg(time, rowid, key),
                                timed, true, true),
                        segment(withoutTime, untimed, false, false)};
            }
            return {segment(QStringLiteral("报销时间 >= %1 and (报销时间 > %1 or %3 >= %2)")
                                .arg(time, rowid, key),
                            timed, true, true)};
        case WalkFrom::UntimedRow:
            if (down) {
                return {segment(timeUnused + withoutTime + QStringLiteral(" and ") + key +
                                    QStringLiteral(" <= ") + rowid,
                                untimed, false, true)};
            }
            return {segment(timeUnused + withoutTime + QStringLiteral(" and ") + key +
                                QStringLiteral(" >= ") + rowid,
                            untimed, false, true),
                    segment(QStringLiteral("报销时间 is not null"), timed, false, false)};
    }
    return {};
}

QString containsPattern(const QString& text) {
    QString escaped;
    escaped.reserve(text.size() + 2);
    escaped += u'%';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'%' || c == u'_') {
            escaped += u'\\';
        }
        escaped += c;
    }
    escaped += u'%';
    return escaped;
}

}  // namespace records
