#include "rules/RuleSettings.h"

#include <algorithm>

#include "base/AppError.h"
#include "invoice/Amount.h"

namespace rules {

namespace {

// A hundred years: beyond that a number of days is a slip of the keyboard.
constexpr int kMostDays = 36600;

const QString kRefuse = QStringLiteral("拒绝");
const QString kWarn = QStringLiteral("提示");

QString key(const char16_t* name) {
    return QString::fromUtf16(name);
}

std::optional<QDate> dateOf(const QString& text) {
    for (const char* format : {"yyyy-MM-dd", "yyyyMMdd", "yyyy/M/d"}) {
        const QDate date = QDate::fromString(text, QString::fromLatin1(format));
        if (date.isValid()) {
            return date;
        }
    }
    return std::nullopt;
}

Handling handlingOf(const QString& text) {
    return text == kRefuse ? Handling::Refuse : text == kWarn ? Handling::Warn : Handling::Off;
}

QString handlingText(Handling handling) {
    return handling == Handling::Refuse ? kRefuse : kWarn;
}

}  // namespace

bool Settings::anySet() const {
    return maxDays || earliestDate || amountLimit || negative != Handling::Off ||
           buyer != Handling::Off;
}

QStringList keys() {
    return {key(kMaxDays), key(kEarliestDate), key(kAmountLimit), key(kNegative), key(kBuyer)};
}

Normalised normalise(const QString& name, const QString& value) {
    const QString text = value.trimmed();
    if (text.isEmpty()) {
        return {};
    }
    Normalised result;
    if (name == key(kMaxDays)) {
        bool ok = false;
        const int days = text.toInt(&ok);
        if (ok && days >= 0 && days <= kMostDays && !text.startsWith(u'+')) {
            result.value = QString::number(days);
        } else {
            result.problem = QStringLiteral("应为 0 到 %1 之间的天数，如 90").arg(kMostDays);
        }
    } else if (name == key(kEarliestDate)) {
        if (const std::optional<QDate> date = dateOf(text)) {
            result.value = date->toString(QStringLiteral("yyyy-MM-dd"));
        } else {
            result.problem = QStringLiteral("应为日期，如 2024-01-01");
        }
    } else if (name == key(kAmountLimit)) {
        std::optional<qint64> units;
        try {
            units = amount::fromText(text, name);
        } catch (const AppError&) {
        }
        if (units && *units > 0) {
            result.value = amount::toMoneyText(*units);
        } else {
            result.problem = QStringLiteral("应为大于零的金额，如 10000.00");
        }
    } else if (name == key(kNegative) || name == key(kBuyer)) {
        if (text == kRefuse || text == kWarn) {
            result.value = text;
        } else {
            result.problem = QStringLiteral("应为“拒绝”或“提示”");
        }
    } else {
        result.problem = QStringLiteral("没有这条核销规则");
    }
    return result;
}

Parsed parse(const ValueOf& valueOf) {
    Parsed parsed;
    Settings& s = parsed.settings;
    for (const QString& name : keys()) {
        const QString raw = valueOf(name);
        const Normalised n = normalise(name, raw);
        if (!n.problem.isEmpty()) {
            parsed.problems << QStringLiteral("%1=%2：%3").arg(name, raw.trimmed(), n.problem);
            continue;
        }
        if (n.value.isEmpty()) {
            continue;
        }
        if (name == key(kMaxDays)) {
            s.maxDays = n.value.toInt();
        } else if (name == key(kEarliestDate)) {
            s.earliestDate = dateOf(n.value);
        } else if (name == key(kAmountLimit)) {
            s.amountLimit = amount::fromText(n.value, name);
        } else if (name == key(kNegative)) {
            s.negative = handlingOf(n.value);
        } else if (name == key(kBuyer)) {
            s.buyer = handlingOf(n.value);
        }
    }
    return parsed;
}

Settings strictest(const Settings& a, const Settings& b) {
    // Of two optional bounds the tighter one; one that is set beats one that is not.
    const auto tighter = [](const auto& x, const auto& y, auto pick) {
        return x && y ? std::optional(pick(*x, *y)) : x ? x : y;
    };
    Settings s;
    s.maxDays = tighter(a.maxDays, b.maxDays, [](int x, int y) { return std::min(x, y); });
    s.earliestDate = tighter(a.earliestDate, b.earliestDate,
                             [](const QDate& x, const QDate& y) { return std::max(x, y); });
    s.amountLimit =
        tighter(a.amountLimit, b.amountLimit, [](qint64 x, qint64 y) { return std::min(x, y); });
    s.negative = std::max(a.negative, b.negative);
    s.buyer = std::max(a.buyer, b.buyer);
    return s;
}

QList<QPair<QString, QString>> listed(const Settings& s) {
    QList<QPair<QString, QString>> on;
    if (s.maxDays) {
        on.append({key(kMaxDays), QString::number(*s.maxDays)});
    }
    if (s.earliestDate) {
        on.append({key(kEarliestDate), s.earliestDate->toString(QStringLiteral("yyyy-MM-dd"))});
    }
    if (s.amountLimit) {
        on.append({key(kAmountLimit), amount::toMoneyText(*s.amountLimit)});
    }
    if (s.negative != Handling::Off) {
        on.append({key(kNegative), handlingText(s.negative)});
    }
    if (s.buyer != Handling::Off) {
        on.append({key(kBuyer), handlingText(s.buyer)});
    }
    return on;
}

QString listedText(const Settings& settings) {
    QStringList parts;
    for (const auto& [name, value] : listed(settings)) {
        parts << name + u'=' + value;
    }
    return parts.isEmpty() ? QStringLiteral("未设置") : parts.join(u'，');
}

}  // namespace rules
