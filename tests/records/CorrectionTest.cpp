#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "base/AppError.h"
#include "records/Correction.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

using correction::Verdict;

namespace {

TEST(CorrectionRule, TheLimitIsEightGbkBytes) {
    EXPECT_EQ(correction::judge(QStringLiteral("张三")), Verdict::Save);
    EXPECT_EQ(correction::judge(QStringLiteral("张三李四")), Verdict::Save);
    EXPECT_EQ(correction::judge(QStringLiteral("张三李四王")), Verdict::TooLong);
    EXPECT_EQ(correction::judge(QStringLiteral("abcdefgh")), Verdict::Save);
    EXPECT_EQ(correction::judge(QStringLiteral("abcdefghi")), Verdict::TooLong);
    EXPECT_EQ(correction::judge(QStringLiteral("张三abcd")), Verdict::Save);
    EXPECT_EQ(correction::judge(QStringLiteral("张三abcde")), Verdict::TooLong);
    EXPECT_EQ(correction::judge(QStringLiteral("   ")), Verdict::Save);  // taken as typed
}

TEST(CorrectionRule, CancelledOrEmptyDoesNothing) {
    EXPECT_EQ(correction::judge(std::nullopt), Verdict::Ignore);
    EXPECT_EQ(correction::judge(QString()), Verdict::Ignore);
    EXPECT_EQ(correction::judge(QStringLiteral("")), Verdict::Ignore);
}

TEST(CorrectionRule, ThePlaceholderCountsAsNoReimburser) {
    EXPECT_EQ(correction::initialText(QStringLiteral("点击修改")), "");
    EXPECT_EQ(correction::initialText(QStringLiteral("点击修改 ")), "点击修改 ");
    EXPECT_EQ(correction::initialText(QStringLiteral("张三")), "张三");
    EXPECT_EQ(correction::caption(QStringLiteral("12345678")), "修改报销人->发票号码:12345678");
}

TEST(CorrectionSave, ChangesTheOneRowOfThatCodeAndNumber) {
    TempExeDir dir;
    recordstest::insert(recordstest::Invoice::of("1", "2024-03-05 10:00:00").withCode("A"));
    recordstest::insert(recordstest::Invoice::of("1", "2024-03-05 10:00:00").withCode("B"));
    recordstest::insert(recordstest::Invoice::of("2", "2024-03-05 10:00:00").withCode("A"));
    Database db = Database::open(GetConnectionString());
    correction::saveReimburser(db, "A", "1", "O'Brien");
    EXPECT_EQ(recordstest::storedReimburser("A", "1"), "O'Brien");
    EXPECT_EQ(recordstest::storedReimburser("B", "1"), "张三");
    EXPECT_EQ(recordstest::storedReimburser("A", "2"), "张三");
}

TEST(CorrectionSave, AnInvoiceThatIsGoneIsAnErrorNotASuccess) {
    TempExeDir dir;
    recordstest::insert(recordstest::Invoice::of("1", "2024-03-05 10:00:00").withCode("A"));
    Database db = Database::open(GetConnectionString());
    try {
        correction::saveReimburser(db, "A", "9", "李四");
        FAIL() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(),
                  "Row cannot be located for updating. Some values may have been changed since "
                  "it was last read.");
    }
    EXPECT_EQ(recordstest::storedReimburser("A", "1"), "张三");
}

}  // namespace
