#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "StoreEngines.h"
#include "StoreFixtures.h"
#include "store/InvoiceStore.h"

namespace {

// What the office's rules said of an invoice, kept by each engine: a warning with the row and
// in its trail line, a refusal in the trail alone, and both counted per month.
template <class Engine>
class RuleNotesTest : public ::testing::Test {
protected:
    TempExeDir dir{Engine::exeDir()};
    Engine engine;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    std::unique_ptr<InvoiceStore> store;

    void SetUp() override {
        if (Engine::kNeedsServer) {
            REQUIRE_PG_SERVER();
        }
        engine.use();
        store = openInvoiceStore();
    }
};

TYPED_TEST_SUITE(RuleNotesTest, Engines, EngineNames);

TYPED_TEST(RuleNotesTest, AWarningStaysWithItsRowAndARefusalInTheTrailAlone) {
    InvoiceStore& store = *this->store;
    const QString warned = "红字发票：红字发票（金额-5.00）";
    ASSERT_EQ(store
                  .registerInvoice(teststore::invoice()
                                       .code("044031900111")
                                       .number("00000001")
                                       .amount("-5")
                                       .date("20240301")
                                       .notes(warned),
                                   EntryMode::Scan)
                  .result,
              Registration::Result::Registered);
    const QString refused = "最长天数：开票日期2023-01-01距报销日已455天，超过最长天数90天";
    ASSERT_TRUE(store
                    .recordRefusal(teststore::invoice()
                                       .code("044031900111")
                                       .number("00000002")
                                       .amount("12.5")
                                       .date("20230101")
                                       .reimburser("张三")
                                       .notes(refused),
                                   EntryMode::Import)
                    .done());
    ASSERT_TRUE(store
                    .recordRefusal(teststore::invoice()
                                       .code("044031900111")
                                       .number("00000003")
                                       .amount("not a number")
                                       .notes(refused),
                                   EntryMode::Scan)
                    .done());
    EXPECT_EQ(store.countInvoices().count, 1);

    const trail::Lines first = store.readTrail(trail::Filter::of({"044031900111", "00000001"}), 9);
    ASSERT_EQ(first.entries.size(), 1);
    EXPECT_EQ(first.entries[0].action, "登记");
    EXPECT_EQ(first.entries[0].ruleNotes, warned);
    const trail::Lines second = store.readTrail(trail::Filter::of({"044031900111", "00000002"}), 9);
    ASSERT_EQ(second.entries.size(), 1);
    const trail::Entry& line = second.entries[0];
    EXPECT_EQ(line.action, "拒绝登记");
    EXPECT_EQ(line.ruleNotes, refused);
    EXPECT_EQ(line.amountUnits, 125000);
    EXPECT_EQ(line.invoiceDate, "20230101");
    EXPECT_EQ(line.entryMode, 2);
    EXPECT_EQ(line.reimburser, "张三");
    EXPECT_EQ(line.summary(), "报销人 张三 金额 12.50 不符合核销规则：" + refused);

    // Counted by the month the lines were written (the server writes its own time).
    const QDate day = line.at.date();
    const QString month = day.toString("yyyy-MM");
    const RuleNoteCounts counts = store.ruleNotes(day, day);
    ASSERT_TRUE(counts.ok) << counts.error.detail.toStdString();
    QStringList texts;
    for (const RuleNoteCount& c : counts.rows) {
        texts << QStringLiteral("%1|%2|%3|%4").arg(c.month, c.action, c.notes).arg(c.lines);
    }
    EXPECT_EQ(texts, (QStringList{month + "|拒绝登记|" + refused + "|2",
                                  month + "|登记|" + warned + "|1"}));
    EXPECT_TRUE(store.ruleNotes(day.addDays(1), day.addDays(9)).rows.isEmpty());
}

}  // namespace
