#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "rules/RuleSettings.h"

// Whether an invoice may be written off by the office's rules, judged before anything is stored.
namespace rules {

// The rules a finding can name: the key of a setting, or this one, which is always on.
inline constexpr char16_t kFutureDate[] = u"晚于今天";
// Every rule a finding can name, in the order statistics list them.
QStringList ruleNames();

// What is known of the invoice at hand.
struct Facts {
    QString invoiceDate;  // 开票日期 as it is stored, yyyymmdd
    // 开票金额 as it is stored, ten-thousandths; none when not known (a manual entry's 0.00)
    std::optional<qint64> amount;
    // A file's 购买方税号: none for anything but a file, empty when the file does not say it.
    std::optional<QString> buyerTaxNumber;
    QDate reimbursedOn;  // the day of 报销时间: today, or an imported row's own day
    QDate today;         // what this computer's clock says
};

struct Finding {
    QString rule;  // one of ruleNames()
    QString text;  // why, in the clerk's words
    bool operator==(const Finding&) const = default;
};

struct Verdict {
    QList<Finding> refusals;
    QList<Finding> warnings;
    // 金额上限 reached: the clerk is asked; yes makes it a warning, no a refusal.
    std::optional<Finding> confirmation;

    bool refused() const { return !refusals.isEmpty(); }
    // The clerk's answer to the confirmation taken in.
    void confirm(bool yes);
    // Where no one can be asked (an import), a confirmation is a refusal.
    void refuseUnconfirmed();
};

Verdict judge(const Settings& settings, const Facts& facts, const QString& companyTaxNumber);

// Tax numbers compared as the office reads them: blanks (also full-width) ignored, full-width
// letters and digits as their ASCII forms, letters whatever their case.
QString comparableTaxNumber(const QString& text);

// The findings as they are kept (核销提示): "最长天数：…；红字发票：…", and read back.
QString storedText(const QList<Finding>& findings);
QList<Finding> fromStoredText(const QString& text);
// As the clerk reads them: "…；…", and a refusal: "不符合核销规则：…".
QString shownText(const QList<Finding>& findings);
QString refusalText(const QList<Finding>& findings);
// The question for a confirmation: "金额超过上限，确认报销？" and the amount and the limit.
QString confirmationQuestion(const Finding& confirmation);

}  // namespace rules
