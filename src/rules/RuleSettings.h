#pragma once

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The office's own rules of what may be written off, as config.ini's [核销规则] or a server
// registry's table 核销规则 sets them. Each is off unless set.
namespace rules {

// What a rule does to an invoice outside it; a later value is stricter.
enum class Handling { Off, Warn, Refuse };

struct Settings {
    std::optional<int> maxDays;  // 最长天数: days from 开票日期 to the day of reimbursement
    std::optional<QDate> earliestDate;  // 最早开票日期
    std::optional<qint64> amountLimit;  // 金额上限, ten-thousandths: at or above it is asked
    Handling negative = Handling::Off;  // 红字发票: an amount below zero
    Handling buyer = Handling::Off;  // 核对购买方: a file's 购买方税号 against the company's

    bool anySet() const;
    bool operator==(const Settings&) const = default;
};

// The keys, as config.ini and the registry name them, in the order they are listed.
inline constexpr char16_t kSection[] = u"核销规则";
inline constexpr char16_t kMaxDays[] = u"最长天数";
inline constexpr char16_t kEarliestDate[] = u"最早开票日期";
inline constexpr char16_t kAmountLimit[] = u"金额上限";
inline constexpr char16_t kNegative[] = u"红字发票";
inline constexpr char16_t kBuyer[] = u"核对购买方";
QStringList keys();

// A value read from wherever the rules are kept: empty means the rule is off.
using ValueOf = std::function<QString(const QString& key)>;

struct Parsed {
    Settings settings;
    // "金额上限=1万：应为金额，如 10000.00": a value that cannot be read leaves its rule off.
    QStringList problems;
};
Parsed parse(const ValueOf& valueOf);

// A value as it is kept (90, 2024-01-01, 10000.00, 拒绝), or the problem with it; empty for an
// empty value. Throws nothing.
struct Normalised {
    QString value;
    QString problem;
};
Normalised normalise(const QString& key, const QString& value);

// The stricter of two settings, rule by rule: a registry's rules with a PC's own, so that a PC
// may tighten them and never loosen them.
Settings strictest(const Settings& a, const Settings& b);

// The rules that are on, as key=value in the order of keys(): what the log lists.
QList<QPair<QString, QString>> listed(const Settings& settings);
QString listedText(const Settings& settings);  // "最长天数=90，金额上限=10000.00" or "未设置"

}  // namespace rules
