#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "records/RecordSource.h"
#include "records/ResultReader.h"

using recordstest::Form;
using recordstest::insert;
using recordstest::Invoice;

namespace {

// The 发票号码 of the rows a reader gives from first on, "-" for a row gone from the table.
QStringList read(records::ResultReader& reader, qint64 first, bool down) {
    reader.start(first, down);
    QStringList numbers;
    while (reader.next()) {
        const records::RecordRow& row = reader.row();
        numbers << (row.present ? row.text[records::kNumber] : QStringLiteral("-"));
    }
    return numbers;
}

class ResultReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Grid order: 5, 4 and 3 (one second, newest recorded first), 2, 1, then 7 and 6
        // without a time.
        insert(Invoice::of("1", "2024-03-05 08:00:00").withReimburser("财务部"));
        insert(Invoice::of("2", "2024-03-05 09:00:00").withReimburser("张三"));
        insert(Invoice::of("3", "2024-03-05 10:00:00").withReimburser("财务部"));
        insert(Invoice::of("4", "2024-03-05 10:00:00").withReimburser("张三"));
        insert(Invoice::of("5", "2024-03-06 08:00:00").withReimburser("财务部"));
        insert(Invoice::of("6", std::nullopt).withReimburser("财务部"));
        insert(Invoice::of("7", std::nullopt).withReimburser("张三"));
    }

    // The result of a search as the window holds it: its spec and every key.
    void search(const records::SearchForm& form) {
        source.run(records::searchQuery(form));
        source.finishKeys();
    }
    records::ResultReader reader() {
        return records::ResultReader(*db, source.spec(), source.keys());
    }

    TempExeDir dir;
    std::unique_ptr<records::RecordConnection> windowDb =
        records::openRecordConnection(records::currentStore());
    records::RecordSource source{*windowDb};
    std::unique_ptr<records::RecordConnection> db =
        records::openRecordConnection(records::currentStore());
};

TEST_F(ResultReaderTest, GivesTheRowsInGridOrderFromAnyRowEitherWay) {
    search(Form());
    records::ResultReader rows = reader();
    EXPECT_EQ(read(rows, 0, true), (QStringList{"5", "4", "3", "2", "1", "7", "6"}));
    EXPECT_EQ(read(rows, 2, true), (QStringList{"3", "2", "1", "7", "6"}));
    EXPECT_EQ(read(rows, 5, true), (QStringList{"7", "6"}));  // from a row without a time
    EXPECT_EQ(read(rows, 6, false), (QStringList{"6", "7", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(read(rows, 5, false), (QStringList{"7", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(read(rows, 2, false), (QStringList{"3", "4", "5"}));
    EXPECT_EQ(read(rows, 7, true), QStringList{});
    EXPECT_EQ(read(rows, -1, false), QStringList{});
}

TEST_F(ResultReaderTest, RowsRecordedSinceTheSearchArePassedOver) {
    search(Form());
    insert(Invoice::of("new1", "2024-03-05 10:00:00"));  // same second as 3 and 4
    insert(Invoice::of("new2", "2024-03-07 00:00:00"));
    insert(Invoice::of("new3", std::nullopt));
    records::ResultReader rows = reader();
    EXPECT_EQ(read(rows, 0, true), (QStringList{"5", "4", "3", "2", "1", "7", "6"}));
    EXPECT_EQ(read(rows, 6, false), (QStringList{"6", "7", "1", "2", "3", "4", "5"}));
    EXPECT_EQ(read(rows, 3, false), (QStringList{"2", "3", "4", "5"}));
}

TEST_F(ResultReaderTest, ARowCorrectedOutOfTheSearchIsStillReadAndAGoneRowIsEmpty) {
    search(Form().withReimburser("财务"));  // 5, 3, 1, 6
    recordstest::execute("update 发票报销 set 报销人 = '李四' where 发票号码 = '3'");
    recordstest::execute("delete from 发票报销 where 发票号码 = '1'");
    records::ResultReader rows = reader();
    EXPECT_EQ(read(rows, 0, true), (QStringList{"5", "3", "-", "6"}));
    rows.start(1, true);
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.row().text[records::kReimburser], "李四");
    EXPECT_EQ(read(rows, 3, false), (QStringList{"6", "-", "3", "5"}));
}

TEST_F(ResultReaderTest, AFewRowsOfAManyAreReadByKeyAsWell) {
    recordstest::insertMany(200, "2024-03-04");
    search(Form().withReimburser("财务"));
    records::ResultReader rows = reader();
    EXPECT_EQ(read(rows, 0, true), (QStringList{"5", "3", "1", "6"}));
    EXPECT_EQ(read(rows, 3, false), (QStringList{"6", "1", "3", "5"}));
}

TEST_F(ResultReaderTest, OnlyTheColumnsAskedForAreMade) {
    search(Form());
    records::ResultReader rows = reader();
    rows.setColumns(records::ColumnSet().set(records::kReimburser));
    rows.start(0, true);
    ASSERT_TRUE(rows.next());
    EXPECT_EQ(rows.row().text[records::kReimburser], "财务部");
    EXPECT_EQ(rows.row().text[records::kNumber], "");
    EXPECT_EQ(rows.statement().text(records::kRowColumnsOffset + records::kReimburser), "财务部");
}

}  // namespace
