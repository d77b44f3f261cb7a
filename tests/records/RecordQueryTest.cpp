#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "records/RecordQuery.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

using recordstest::Form;
using recordstest::insert;
using recordstest::Invoice;
using recordstest::numbers;

namespace {

QStringList byForm(const records::SearchForm& form) {
    return numbers(records::searchQuery(form));
}

class RecordQueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Inserted out of time order; rows 3 and 4 share a second.
        insert(
            Invoice::of("1", "2024-03-04 23:59:59").withDate("20240110").withReimburser("财务部"));
        insert(Invoice::of("2", "2024-03-05 00:00:00").withDate("20240115").withMode(1));
        insert(Invoice::of("3", "2024-03-05 12:00:00")
                   .withCode("044031900222")
                   .withDate("20240201")
                   .withMode(2)
                   .withReimburser("Alice"));
        insert(Invoice::of("4", "2024-03-05 12:00:00")
                   .withCode("044031900222")
                   .withDate("20240229")
                   .withReimburser("李财务"));
        insert(Invoice::of("5", "2024-03-06 08:00:00")
                   .withDate("20240301")
                   .withReimburser("100%_王\\"));
        insert(Invoice::of("6", std::nullopt).withDate("20231231").withReimburser(std::nullopt));
        insert(Invoice::of("12345678901234567890", "2024-03-07 09:30:00")
                   .withCode("04403'900111")
                   .withDate("20240302")
                   .withReimburser("O'Brien"));
    }

    TempExeDir dir;
};

TEST_F(RecordQueryTest, TheFirstEmptyTextCriterionInTheFixedOrderIsReported) {
    Form form;
    EXPECT_EQ(records::firstMissingCriterion(form), std::nullopt);
    form.withReimburser("");
    EXPECT_EQ(records::firstMissingCriterion(form), "请输入报销人！");
    form.withNumber("");
    EXPECT_EQ(records::firstMissingCriterion(form), "请输入发票号码！");
    form.withCode("");
    EXPECT_EQ(records::firstMissingCriterion(form), "请输入发票代码！");
    form.withCode("x");
    EXPECT_EQ(records::firstMissingCriterion(form), "请输入发票号码！");
    form.withNumber("x").withReimburser(" ");  // blanks are a text
    EXPECT_EQ(records::firstMissingCriterion(form), std::nullopt);
    // Unchecked boxes are not looked at, and the date criteria cannot be missing.
    Form dates;
    dates.reimbursedBetween(QDate(), QDate()).invoicedBetween(QDate(), QDate());
    dates.code = "";
    EXPECT_EQ(records::firstMissingCriterion(dates), std::nullopt);
}

TEST_F(RecordQueryTest, NoCriteriaListsEveryRecordNewestFirst) {
    EXPECT_EQ(byForm(Form()), (QStringList{"12345678901234567890", "5", "4", "3", "2", "1", "6"}));
}

TEST_F(RecordQueryTest, CodeAndNumberAreExactAndAQuoteIsAnOrdinaryCharacter) {
    EXPECT_EQ(byForm(Form().withCode("044031900222")), (QStringList{"4", "3"}));
    EXPECT_EQ(byForm(Form().withCode("04403190022")), QStringList{});
    EXPECT_EQ(byForm(Form().withCode("04403'900111")), QStringList{"12345678901234567890"});
    EXPECT_EQ(byForm(Form().withNumber("12345678901234567890")),
              QStringList{"12345678901234567890"});
    EXPECT_EQ(byForm(Form().withCode("044031900222").withNumber("3")), QStringList{"3"});
    EXPECT_EQ(byForm(Form().withCode("044031900111").withNumber("3")), QStringList{});
}

TEST_F(RecordQueryTest, ReimburserContainsTheTextAnywhereWithWildcardsTakenLiterally) {
    EXPECT_EQ(byForm(Form().withReimburser("财务")), (QStringList{"4", "1"}));
    EXPECT_EQ(byForm(Form().withReimburser("%")), QStringList{"5"});
    EXPECT_EQ(byForm(Form().withReimburser("_")), QStringList{"5"});
    EXPECT_EQ(byForm(Form().withReimburser("0%_王\\")), QStringList{"5"});
    EXPECT_EQ(byForm(Form().withReimburser("\\")), QStringList{"5"});
    EXPECT_EQ(byForm(Form().withReimburser("'")), QStringList{"12345678901234567890"});
    // Like the old LIKE, letters match whatever their case.
    EXPECT_EQ(byForm(Form().withReimburser("alICE")), QStringList{"3"});
    EXPECT_EQ(byForm(Form().withReimburser("财务部门")), QStringList{});
}

TEST_F(RecordQueryTest, ReimbursedDateBoundsAreInclusiveDays) {
    const QDate d4(2024, 3, 4), d5(2024, 3, 5), d6(2024, 3, 6), d7(2024, 3, 7);
    EXPECT_EQ(byForm(Form().reimbursedBetween(d5, d5)), (QStringList{"4", "3", "2"}));
    EXPECT_EQ(byForm(Form().reimbursedBetween(d4, d6)), (QStringList{"5", "4", "3", "2", "1"}));
    EXPECT_EQ(byForm(Form().reimbursedBetween(d6, d7)), (QStringList{"12345678901234567890", "5"}));
    // A start after the end finds nothing.
    EXPECT_EQ(byForm(Form().reimbursedBetween(d7, d5)), QStringList{});
    // All but the row without a time.
    EXPECT_EQ(byForm(Form().reimbursedBetween(QDate(2000, 1, 1), QDate(9999, 12, 31))).size(), 6);
    EXPECT_EQ(numbers(records::dayQuery(d5)), (QStringList{"4", "3", "2"}));
}

TEST_F(RecordQueryTest, MalformedTimesCompareAsTheirDatePartTextWould) {
    // A time that is no date-time compares as its whole text.
    insert(Invoice::of("m1", "2024-03-05"));
    insert(Invoice::of("m2", "2024-03-05 9"));
    insert(Invoice::of("m3", "2024-03-05 25:00:00"));
    insert(Invoice::of("m4", "2024-03-05 24:00:00"));
    insert(Invoice::of("m5", "2024-03-05 23:59:59"));
    const QDate d5(2024, 3, 5), d6(2024, 3, 6);
    EXPECT_EQ(numbers(records::dayQuery(d5)), (QStringList{"m5", "4", "3", "2", "m1"}));
    EXPECT_EQ(byForm(Form().reimbursedBetween(d5, d6)),
              (QStringList{"5", "m2", "m3", "m4", "m5", "4", "3", "2", "m1"}));
}

TEST_F(RecordQueryTest, InvoiceDateBoundsAreInclusive) {
    EXPECT_EQ(byForm(Form().invoicedBetween(QDate(2024, 1, 15), QDate(2024, 2, 29))),
              (QStringList{"4", "3", "2"}));
    EXPECT_EQ(byForm(Form().invoicedBetween(QDate(2023, 12, 31), QDate(2023, 12, 31))),
              QStringList{"6"});
}

TEST_F(RecordQueryTest, CriteriaCombineWithAnd) {
    Form form;
    form.withCode("044031900111")
        .withReimburser("财务")
        .reimbursedBetween(QDate(2024, 3, 1), QDate(2024, 3, 31));
    EXPECT_EQ(byForm(form), QStringList{"1"});
    form.withCode("044031900222");
    EXPECT_EQ(byForm(form), QStringList{"4"});
    form.invoicedBetween(QDate(2024, 1, 1), QDate(2024, 2, 28));
    EXPECT_EQ(byForm(form), QStringList{});
}

// The engine's plan of a statement, one line per step.
std::string planOf(const QString& sql) {
    Database db = Database::open(GetConnectionString());
    Statement s = db.prepare("explain query plan " + sql);
    QString text;
    while (s.step()) {
        text += s.text(3) + u'\n';
    }
    return text.toStdString();
}

TEST_F(RecordQueryTest, DateSearchesWalkTheIndexOnReimbursementTime) {
    const auto plan = [](const QString& sql) { return planOf(sql); };
    const records::QuerySpec day = records::dayQuery(QDate(2024, 3, 5));
    for (const QString& sql : {records::keyStatement(day), records::countStatement(day)}) {
        const std::string p = plan(sql);
        EXPECT_NE(p.find("INDEX 发票报销_报销时间 (报销时间>? AND 报销时间<?)"), std::string::npos)
            << p;
        EXPECT_EQ(p.find("TEMP B-TREE"), std::string::npos) << p;
    }
    // The newest-first order comes from the index even without a date criterion.
    const std::string all = plan(records::keyStatement(records::searchQuery(Form())));
    EXPECT_NE(all.find("发票报销_报销时间"), std::string::npos) << all;
    EXPECT_EQ(all.find("TEMP B-TREE"), std::string::npos) << all;
}

TEST_F(RecordQueryTest, TheReimburserSearchFollowsCorrectionsAndRemovals) {
    recordstest::execute("update 发票报销 set 报销人 = 'Alice' where 发票号码 = '4'");
    EXPECT_EQ(byForm(Form().withReimburser("财务")), QStringList{"1"});
    EXPECT_EQ(byForm(Form().withReimburser("lic")), (QStringList{"4", "3"}));
    recordstest::execute("delete from 发票报销 where 发票号码 = '1'");
    EXPECT_EQ(byForm(Form().withReimburser("财务")), QStringList{});
    recordstest::execute("update 发票报销 set 报销人 = '财务科' where 发票号码 = '6'");
    EXPECT_EQ(byForm(Form().withReimburser("财务")), QStringList{"6"});
}

TEST_F(RecordQueryTest, ManyRowsAreFoundWalkingTimeAndFewFromTheReimburserIndex) {
    const records::QuerySpec alone = records::searchQuery(Form().withReimburser("财务"));
    EXPECT_EQ(records::keyOrderFor(alone, 4096, 10000), records::KeyOrder::Planned);
    EXPECT_EQ(records::keyOrderFor(alone, 4097, 10000), records::KeyOrder::TimeWalk);
    EXPECT_EQ(records::keyOrderFor(alone, 10000, 10000000), records::KeyOrder::Planned);
    EXPECT_EQ(records::keyOrderFor(alone, 100000, 10000000), records::KeyOrder::TimeWalk);
    EXPECT_EQ(records::keyOrderFor(records::searchQuery(Form()), 100000, 100000),
              records::KeyOrder::Planned);

    const std::string planned = planOf(records::keyStatement(alone));
    EXPECT_NE(planned.find("INDEX 发票报销_报销人时间 (报销人=?)"), std::string::npos) << planned;
    const std::string walked = planOf(records::keyStatement(alone, records::KeyOrder::TimeWalk));
    EXPECT_NE(walked.find("SCAN 发票报销 USING INDEX 发票报销_报销时间"), std::string::npos)
        << walked;
    EXPECT_EQ(walked.find("TEMP B-TREE FOR ORDER BY"), std::string::npos) << walked;
    // The count adds up the names' kept numbers, without a look at the invoices.
    const std::string counted = planOf(records::countStatement(alone));
    EXPECT_EQ(counted.find("发票报销 "), std::string::npos) << counted;
    EXPECT_EQ(planOf(records::countStatement(records::searchQuery(Form()))),
              "SCAN 发票报销_数量\n");

    // Both ways find the same rows in the same order.
    Database db = Database::open(GetConnectionString());
    for (const records::KeyOrder order :
         {records::KeyOrder::Planned, records::KeyOrder::TimeWalk}) {
        Statement keys = db.prepare(records::keyStatement(alone, order));
        keys.bind(1, alone.params[0]);
        QStringList rowids;
        while (keys.step()) {
            rowids << QString::number(keys.int64(0));
        }
        EXPECT_EQ(rowids, (QStringList{"4", "1"}));
    }
}

TEST_F(RecordQueryTest, AWalkFromARowWalksTheIndexOnReimbursementTime) {
    const records::QuerySpec day = records::dayQuery(QDate(2024, 3, 5));
    for (const bool down : {true, false}) {
        const QList<records::WalkSegment> walk =
            records::walkStatements(day, down, records::WalkFrom::TimedRow);
        ASSERT_FALSE(walk.isEmpty());
        const std::string plan = planOf(walk.first().sql);
        EXPECT_NE(plan.find("INDEX 发票报销_报销时间 (报销时间>? AND 报销时间<?)"),
                  std::string::npos)
            << plan;
        EXPECT_EQ(plan.find("TEMP B-TREE"), std::string::npos) << plan;
    }
}

}  // namespace
