#include "records/RecordQuery.h"

#include "store/InvoiceIdentity.h"

namespace records {

namespace {

// Collects the conditions of a filter and numbers its parameters.
class Builder {
public:
    QString param(const QString& value) {
        spec_.params << value;
        return u'?' + QString::number(spec_.params.size());
    }
    void add(const QString& condition) { conditions_ << condition; }
    QuerySpec done() {
        if (!conditions_.isEmpty()) {
            spec_.where = QStringLiteral(" where ") + conditions_.join(QStringLiteral(" and "));
        }
        return spec_;
    }

private:
    QuerySpec spec_;
    QStringList conditions_;
};

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

QuerySpec searchQuery(const SearchForm& form) {
    Builder b;
    if (form.byCode) {
        b.add(QStringLiteral("发票代码 = ") + b.param(form.code));
    }
    if (form.byNumber) {
        b.add(QStringLiteral("发票号码 = ") + b.param(form.number));
    }
    if (form.byReimburser) {
        b.add(QStringLiteral("报销人 like ") + b.param(containsPattern(form.reimburser)) +
              QStringLiteral(" escape '\\'"));
    }
    if (form.byReimbursedDate) {
        addReimbursedBetween(b, form.reimbursedFrom, form.reimbursedTo);
    }
    if (form.byInvoiceDate) {
        b.add(QStringLiteral("开票日期 >= ") + b.param(invoice::dateText(form.invoicedFrom)));
        b.add(QStringLiteral("开票日期 <= ") + b.param(invoice::dateText(form.invoicedTo)));
    }
    return b.done();
}

QuerySpec dayQuery(const QDate& day) {
    Builder b;
    addReimbursedBetween(b, day, day);
    return b.done();
}

QString keyStatement(const QuerySpec& spec) {
    return QStringLiteral("select rowid from 发票报销") + spec.where +
           QStringLiteral(" order by 报销时间 desc, rowid desc");
}

QString countStatement(const QuerySpec& spec) {
    return QStringLiteral("select count(*) from 发票报销") + spec.where;
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
