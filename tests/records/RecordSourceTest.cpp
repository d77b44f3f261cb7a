#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "base/AppError.h"
#include "records/RecordSource.h"

using records::RecordSource;
using recordstest::insert;

namespace {

class RecordSourceTest : public ::testing::Test {
protected:
    TempExeDir dir;
};

TEST_F(RecordSourceTest, ALargeResultIsCountedExactlyButReadOnlyAsFarAsAsked) {
    recordstest::insertMany(1000, "2024-03-05");
    const auto db = records::openRecordConnection(records::currentStore());
    RecordSource source(*db);
    source.run(records::searchQuery(records::SearchForm()));
    EXPECT_EQ(source.rowCount(), 1000);
    EXPECT_FALSE(source.allKeysKnown());
    EXPECT_EQ(source.row(0).text[records::kNumber], "50000999");
    EXPECT_EQ(source.row(999).text[records::kNumber], "50000000");
    EXPECT_EQ(source.row(500).text[records::kNumber], "50000499");
    EXPECT_FALSE(source.row(1000).present);
    EXPECT_TRUE(source.allKeysKnown());  // row 999 needed every key
}

TEST_F(RecordSourceTest, RowsStayRightWhenPagesAreDroppedAndReadAgain) {
    recordstest::insertMany(10000, "2024-03-05");
    const auto db = records::openRecordConnection(records::currentStore());
    RecordSource source(*db);
    source.run(records::searchQuery(records::SearchForm()));
    // Far more pages than are kept.
    for (qint64 i = 0; i < 10000; i += 97) {
        ASSERT_EQ(source.row(i).text[records::kNumber], QString::number(50009999 - i));
    }
    EXPECT_EQ(source.row(3).text[records::kNumber], "50009996");
    EXPECT_EQ(source.row(9999).text[records::kNumber], "50000000");
}

TEST_F(RecordSourceTest, CountAndKeysComeFromOneSnapshot) {
    recordstest::insertMany(1000, "2024-03-05");
    const auto db = records::openRecordConnection(records::currentStore());
    RecordSource source(*db);
    source.run(records::searchQuery(records::SearchForm()));
    // A registration from elsewhere while the result is read does not shift it.
    insert(recordstest::Invoice::of("newest", "2099-01-01 00:00:00"));
    EXPECT_EQ(source.row(0).text[records::kNumber], "50000999");
    source.finishKeys();
    EXPECT_EQ(source.rowCount(), 1000);
    EXPECT_EQ(source.row(999).text[records::kNumber], "50000000");
    source.run(records::searchQuery(records::SearchForm()));
    EXPECT_EQ(source.rowCount(), 1001);
    EXPECT_EQ(source.row(0).text[records::kNumber], "newest");
}

TEST_F(RecordSourceTest, DisplayTextsOfEachColumn) {
    using recordstest::Invoice;
    insert(Invoice::of("1", "2024-03-05 00:00:00")
               .withCode("012001700111")
               .withAmount(1235000)
               .withDate("20170120"));
    insert(Invoice::of("2", "2024-03-05 00:00:01").withAmount(1000000).withMode(1));
    insert(Invoice::of("3", "2024-03-05 09:05:00").withAmount(500).withMode(2));
    insert(Invoice::of("4", "2024-03-05 10:00:00").withAmount(-1230000).withMode(7));
    insert(Invoice::of("5", std::nullopt).withAmount(std::nullopt).withReimburser(std::nullopt));
    const auto db = records::openRecordConnection(records::currentStore());
    RecordSource source(*db);
    source.run(records::searchQuery(records::SearchForm()));
    ASSERT_EQ(source.rowCount(), 5);
    const auto& oldest = source.row(3);  // 5 has no time and sorts last
    EXPECT_EQ(oldest.text, (std::array<QString, 8>{"012001700111", "1", "123.5", "20170120",
                                                   "2024/3/5", "张三", "扫描", ""}));
    EXPECT_EQ(source.row(2).text[records::kAmount], "100");
    EXPECT_EQ(source.row(2).text[records::kReimbursedAt], "2024/3/5 0:00:01");
    EXPECT_EQ(source.row(2).text[records::kEntryMode], "手工录入");
    EXPECT_EQ(source.row(1).text[records::kAmount], "0.05");
    EXPECT_EQ(source.row(1).text[records::kReimbursedAt], "2024/3/5 9:05:00");
    EXPECT_EQ(source.row(1).text[records::kEntryMode], "手工录入");
    EXPECT_EQ(source.row(0).text[records::kAmount], "-123");
    EXPECT_EQ(source.row(0).text[records::kEntryMode], "手工录入");
    const auto& empty = source.row(4);
    EXPECT_TRUE(empty.present);
    EXPECT_TRUE(empty.null[records::kAmount]);
    EXPECT_TRUE(empty.null[records::kReimbursedAt]);
    EXPECT_TRUE(empty.null[records::kReimburser]);
    EXPECT_FALSE(empty.amount.has_value());
    EXPECT_EQ(empty.text[records::kAmount], "");
    EXPECT_EQ(empty.text[records::kReimbursedAt], "");
    EXPECT_EQ(empty.text[records::kNumber], "5");
}

TEST_F(RecordSourceTest, ARejectedSearchLeavesTheSourceEmpty) {
    recordstest::insertMany(10, "2024-03-05");
    const auto db = records::openRecordConnection(records::currentStore());
    RecordSource source(*db);
    source.run(records::searchQuery(records::SearchForm()));
    ASSERT_EQ(source.rowCount(), 10);
    source.finishKeys();
    recordstest::execute("drop table 发票报销");
    EXPECT_THROW(source.run(records::searchQuery(records::SearchForm())), AppError);
    EXPECT_EQ(source.rowCount(), 0);
    EXPECT_FALSE(source.row(0).present);
}

}  // namespace
