#include <gtest/gtest.h>

#include "FakeClock.h"
#include "rules/CheckedRegistration.h"
#include "rules/RuleCheck.h"
#include "rules/RuleSettings.h"

namespace {

using rules::Finding;
using rules::Handling;

const QString kCompany = QStringLiteral("91110108MA01ABCD2X");

// The rules over literal dates, amounts and buyers: the day before, of and after each
// boundary, a leap day, the year's last day, amounts in text at the limit, negative zero, and a
// buyer's tax number that differs only in case or spacing.
TEST(RuleCheck, JudgesEachRuleAtItsBoundaries) {
    rules::Settings days;
    days.maxDays = 90;
    rules::Settings none;
    rules::Settings sameDay;
    sameDay.maxDays = 0;
    rules::Settings closedYear;
    closedYear.earliestDate = QDate(2024, 1, 1);
    rules::Settings leapCutoff;
    leapCutoff.earliestDate = QDate(2024, 2, 29);
    rules::Settings limit;
    limit.amountLimit = 100000000;  // 10000.00
    rules::Settings red;
    red.negative = Handling::Refuse;
    rules::Settings redWarned;
    redWarned.negative = Handling::Warn;
    rules::Settings buyer;
    buyer.buyer = Handling::Refuse;

    struct Case {
        const char* name;
        rules::Settings settings;
        QString date;
        QString amount;  // as read, or none for a manual entry
        std::optional<QString> buyerTaxNumber;
        QDate reimbursedOn;
        QList<Finding> refusals;
        QList<Finding> warnings;
        QString confirmation;
    };
    const QDate today(2024, 3, 31);
    const std::optional<QString> notAFile;
    const QList<Case> cases{
        {"today's invoice", none, "20240331", "1", notAFile, today, {}, {}, {}},
        {"tomorrow's invoice",
         none,
         "20240401",
         "1",
         notAFile,
         today,
         {{"晚于今天", "开票日期2024-04-01晚于本机日期2024-03-31"}},
         {},
         {}},
        {"90 days old", days, "20240101", "1", notAFile, today, {}, {}, {}},
        {"91 days old",
         days,
         "20240101",
         "1",
         notAFile,
         QDate(2024, 4, 1),
         {{"最长天数", "开票日期2024-01-01距报销日已91天，超过最长天数90天"}},
         {},
         {}},
        {"89 days old", days, "20240102", "1", notAFile, today, {}, {}, {}},
        {"an imported row counts to its own day",
         days,
         "20230101",
         "1",
         notAFile,
         QDate(2023, 3, 31),
         {},
         {},
         {}},
        {"0 days: the year's last day on that day",
         sameDay,
         "20231231",
         "1",
         notAFile,
         QDate(2023, 12, 31),
         {},
         {},
         {}},
        {"0 days: the year's last day a day later",
         sameDay,
         "20231231",
         "1",
         notAFile,
         QDate(2024, 1, 1),
         {{"最长天数", "开票日期2023-12-31距报销日已1天，超过最长天数0天"}},
         {},
         {}},
        {"a closed year's last day",
         closedYear,
         "20231231",
         "1",
         notAFile,
         today,
         {{"最早开票日期", "开票日期2023-12-31早于最早开票日期2024-01-01"}},
         {},
         {}},
        {"the new year's first day", closedYear, "20240101", "1", notAFile, today, {}, {}, {}},
        {"the day before a leap-day cut-off",
         leapCutoff,
         "20240228",
         "1",
         notAFile,
         today,
         {{"最早开票日期", "开票日期2024-02-28早于最早开票日期2024-02-29"}},
         {},
         {}},
        {"the leap day itself", leapCutoff, "20240229", "1", notAFile, today, {}, {}, {}},
        {"the day after the leap day", leapCutoff, "20240301", "1", notAFile, today, {}, {}, {}},
        {"no such day, with a date rule",
         days,
         "20230229",
         "1",
         notAFile,
         today,
         {{"最长天数", "开票日期“20230229”无法识别"}},
         {},
         {}},
        {"no such day, without one", none, "20230229", "1", notAFile, today, {}, {}, {}},
        {"just below the limit", limit, "20240301", "9999.9999", notAFile, today, {}, {}, {}},
        {"the limit written plainly",
         limit,
         "20240301",
         "10000",
         notAFile,
         today,
         {},
         {},
         "金额10000.00达到上限10000.00"},
        {"the limit with four decimals",
         limit,
         "20240301",
         " 10000.0000 ",
         notAFile,
         today,
         {},
         {},
         "金额10000.00达到上限10000.00"},
        {"a manual entry has no amount", limit, "20240301", {}, notAFile, today, {}, {}, {}},
        {"negative zero is no red invoice", red, "20240301", "-0.00", notAFile, today, {}, {}, {}},
        {"a red invoice refused",
         red,
         "20240301",
         "-0.01",
         notAFile,
         today,
         {{"红字发票", "红字发票（金额-0.01）"}},
         {},
         {}},
        {"a red invoice warned",
         redWarned,
         "20240301",
         "-100",
         notAFile,
         today,
         {},
         {{"红字发票", "红字发票（金额-100.00）"}},
         {}},
        {"the buyer in other case and spacing",
         buyer,
         "20240301",
         "1",
         QStringLiteral(" 91110108ma01 abcd2x "),
         today,
         {},
         {},
         {}},
        {"the buyer in full-width letters",
         buyer,
         "20240301",
         "1",
         QStringLiteral("９１１１０１０８ＭＡ０１ＡＢＣＤ２Ｘ"),
         today,
         {},
         {},
         {}},
        {"another buyer",
         buyer,
         "20240301",
         "1",
         QStringLiteral("91110108MA01ABCD2Y"),
         today,
         {{"核对购买方", "购买方税号91110108MA01ABCD2Y与本单位税号91110108MA01ABCD2X不符"}},
         {},
         {}},
        {"a file that does not say",
         buyer,
         "20240301",
         "1",
         QString(),
         today,
         {{"核对购买方", "发票文件中没有购买方税号"}},
         {},
         {}},
        {"a scan is not checked for its buyer",
         buyer,
         "20240301",
         "1",
         notAFile,
         today,
         {},
         {},
         {}},
    };
    FakeClock clock{QDateTime(today, QTime(12, 0))};
    for (const Case& c : cases) {
        InvoiceRecord invoice;
        invoice.invoiceDate = c.date;
        invoice.amount = c.amount;
        invoice.reimbursedAt = QDateTime(c.reimbursedOn, QTime(9, 0));
        const EntryMode mode = c.amount.isNull() ? EntryMode::Manual : EntryMode::Scan;
        const rules::Verdict verdict =
            rules::judge(c.settings, rules::factsOf(invoice, mode, c.buyerTaxNumber), kCompany);
        EXPECT_EQ(verdict.refusals, c.refusals) << c.name;
        EXPECT_EQ(verdict.warnings, c.warnings) << c.name;
        EXPECT_EQ(verdict.confirmation ? verdict.confirmation->text : QString(), c.confirmation)
            << c.name;
    }
}

TEST(RuleCheck, AConfirmationBecomesAWarningOrARefusalAndImportsRefuseIt) {
    const Finding reached{"金额上限", "金额12000.00达到上限10000.00"};
    struct Case {
        const char* name;
        std::function<void(rules::Verdict&)> answer;
        QList<Finding> refusals;
        QList<Finding> warnings;
    };
    for (const Case& c : {
             Case{"yes",
                  [](rules::Verdict& v) { v.confirm(true); },
                  {},
                  {{"金额上限", "金额12000.00达到上限10000.00，已确认"}}},
             Case{"no",
                  [](rules::Verdict& v) { v.confirm(false); },
                  {{"金额上限", "金额12000.00达到上限10000.00，未确认"}},
                  {}},
             Case{"an import",
                  [](rules::Verdict& v) { v.refuseUnconfirmed(); },
                  {{"金额上限", "金额12000.00达到上限10000.00，导入时无法逐张确认"}},
                  {}},
         }) {
        rules::Verdict verdict;
        verdict.confirmation = reached;
        c.answer(verdict);
        EXPECT_EQ(verdict.refusals, c.refusals) << c.name;
        EXPECT_EQ(verdict.warnings, c.warnings) << c.name;
        EXPECT_FALSE(verdict.confirmation) << c.name;
    }
}

// What config.ini or a registry says: values read exactly, mistakes named and left off, and
// a registry's rules that a PC's own cannot loosen.
TEST(RuleSettings, ReadsValuesAndKeepsTheStricterOfTwo) {
    const QHash<QString, QString> written{{"最长天数", " 90 "},
                                          {"最早开票日期", "2024/1/1"},
                                          {"金额上限", "10000"},
                                          {"红字发票", "拒绝"},
                                          {"核对购买方", "是"}};
    const rules::Parsed parsed = rules::parse([&](const QString& key) { return written[key]; });
    EXPECT_EQ(rules::listedText(parsed.settings),
              "最长天数=90，最早开票日期=2024-01-01，金额上限=10000.00，红字发票=拒绝");
    EXPECT_EQ(parsed.problems, QStringList{"核对购买方=是：应为“拒绝”或“提示”"});

    struct Bad {
        const char* key;
        const char* value;
    };
    for (const Bad& bad :
         {Bad{"最长天数", "-1"}, Bad{"最长天数", "9.5"}, Bad{"最早开票日期", "20240230"},
          Bad{"金额上限", "0"}, Bad{"金额上限", "1万"}, Bad{"红字发票", "否"}}) {
        EXPECT_FALSE(rules::normalise(bad.key, bad.value).problem.isEmpty()) << bad.value;
    }

    rules::Settings registry;
    registry.maxDays = 90;
    registry.earliestDate = QDate(2024, 1, 1);
    registry.amountLimit = 100000000;
    registry.negative = Handling::Refuse;
    rules::Settings loose;  // a PC that would loosen every rule
    loose.maxDays = 365;
    loose.earliestDate = QDate(2023, 1, 1);
    loose.amountLimit = 500000000;
    loose.negative = Handling::Warn;
    loose.buyer = Handling::Warn;  // and adds one of its own
    EXPECT_EQ(
        rules::listedText(rules::strictest(registry, loose)),
        "最长天数=90，最早开票日期=2024-01-01，金额上限=10000.00，红字发票=拒绝，核对购买方=提示");
    rules::Settings tight;
    tight.maxDays = 30;
    tight.amountLimit = 1;
    EXPECT_EQ(rules::listedText(rules::strictest(registry, tight)),
              "最长天数=30，最早开票日期=2024-01-01，金额上限=0.0001，红字发票=拒绝");
}

TEST(RuleCheck, KeptNotesReadBackRuleByRule) {
    const QList<Finding> findings{{"红字发票", "红字发票（金额-1.00）"},
                                  {"金额上限", "金额1.00达到上限：1.00，已确认"}};
    EXPECT_EQ(rules::storedText(findings),
              "红字发票：红字发票（金额-1.00）；金额上限：金额1.00达到上限：1.00，已确认");
    EXPECT_EQ(rules::fromStoredText(rules::storedText(findings)), findings);
    EXPECT_EQ(rules::refusalText(findings),
              "不符合核销规则：红字发票（金额-1.00）；金额1.00达到上限：1.00，已确认");
}

}  // namespace
