#include <gtest/gtest.h>

#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "records/RecordSource.h"
#include "records/StoreFind.h"

using findwalk::Cell;
using findwalk::Match;
using findwalk::Walk;
using recordstest::insert;
using recordstest::Invoice;

namespace {

class StoreFindTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Grid order: 4, 3, 2, 1.
        insert(Invoice::of("1", "2024-03-05 00:00:00")
                   .withCode("k-044")
                   .withAmount(1235000)
                   .withReimburser("Alice"));
        insert(Invoice::of("2", "2024-03-05 09:05:00")
                   .withAmount(std::nullopt)
                   .withReimburser(std::nullopt)
                   .withMode(2));
        insert(Invoice::of("3", "2024-03-05 10:00:00").withAmount(500).withReimburser("财务部"));
        insert(Invoice::of("4", "2024-03-05 11:00:00").withReimburser(QStringLiteral("\u212A2")));
        source.run(records::searchQuery(records::SearchForm()));
        source.finishKeys();
    }

    // A press over the visible columns in their designed order.
    std::optional<Cell> find(const QString& text, Walk walk, Cell current = {0, 0},
                             std::optional<int> scope = std::nullopt, Match match = Match::Anywhere,
                             bool ignoreCase = false, qint64 splitRows = 100000) {
        records::FindRequest request = recordstest::findRequest(source, text, walk);
        request.search.column = scope;
        request.search.match = match;
        request.search.ignoreCase = ignoreCase;
        request.current = current;
        request.splitRows = splitRows;
        return records::findInStore(request, control);
    }

    TempExeDir dir;
    std::unique_ptr<records::RecordConnection> db =
        records::openRecordConnection(records::currentStore());
    records::RecordSource source{*db};
    TaskControl control;
};

std::optional<Cell> at(int row, int column) {
    return Cell{row, column};
}

TEST_F(StoreFindTest, CellsAreComparedAsTheGridShowsThem) {
    EXPECT_EQ(find("123.5", Walk::FromFirst), at(3, 2));
    EXPECT_EQ(find("0.05", Walk::FromFirst, {}, 2, Match::Whole), at(1, 2));
    EXPECT_EQ(find("2024/3/5 9:05:00", Walk::FromFirst, {}, std::nullopt, Match::Whole), at(2, 4));
    EXPECT_EQ(find("2024/3/5", Walk::FromFirst, {}, 4, Match::Whole), at(3, 4));  // midnight
    EXPECT_EQ(find("手工", Walk::FromFirst, {}, 6), at(2, 6));
    EXPECT_EQ(find("财务", Walk::FromFirst), at(1, 5));
    // A missing value is an empty text.
    EXPECT_EQ(find("", Walk::FromFirst, {}, 5, Match::Whole), at(2, 5));
    EXPECT_EQ(find("", Walk::FromFirst, {}, 2, Match::Whole), at(2, 2));
}

TEST_F(StoreFindTest, TheWalkBeginsNextToTheCurrentCellAndDoesNotWrap) {
    // "2024/" stands in 报销时间 alone (开票日期 reads 20240101).
    EXPECT_EQ(find("2024/", Walk::Down, {0, 0}), at(0, 4));
    EXPECT_EQ(find("2024/", Walk::Down, {0, 4}), at(1, 4));
    EXPECT_EQ(find("2024/", Walk::Up, {1, 4}), at(0, 4));
    EXPECT_EQ(find("2024/", Walk::Up, {0, 4}), std::nullopt);
    EXPECT_EQ(find("2024", Walk::Down, {0, 0}), at(0, 3));
    EXPECT_EQ(find("Alice", Walk::Down, {3, 5}), std::nullopt);
    EXPECT_EQ(find("Alice", Walk::Up, {3, 6}), at(3, 5));
    // One column as scope: the current record is not examined at all.
    EXPECT_EQ(find("财务", Walk::Down, {1, 0}, 5), std::nullopt);
    EXPECT_EQ(find("财务", Walk::Up, {2, 5}, 5), at(1, 5));
    EXPECT_EQ(find("财务", Walk::FromFirst, {1, 5}, 5), at(1, 5));
    // No current record: from the near end.
    EXPECT_EQ(find("1", Walk::Up, {-1, 0}, 1), at(3, 1));
}

TEST_F(StoreFindTest, LetterCaseIsFoldedAsTheGridsTextWouldBe) {
    EXPECT_EQ(find("ALICE", Walk::FromFirst), std::nullopt);
    EXPECT_EQ(find("ALICE", Walk::FromFirst, {}, std::nullopt, Match::Anywhere, true), at(3, 5));
    EXPECT_EQ(find("aLiC", Walk::FromFirst, {}, 5, Match::Start, true), at(3, 5));
    // The Kelvin sign folds to k, in the cell and in the text searched for.
    EXPECT_EQ(find("k2", Walk::FromFirst, {}, 5, Match::Whole), std::nullopt);
    EXPECT_EQ(find("k2", Walk::FromFirst, {}, 5, Match::Whole, true), at(0, 5));
    EXPECT_EQ(find(QStringLiteral("\u212A-0"), Walk::FromFirst, {}, 0), std::nullopt);
    EXPECT_EQ(find(QStringLiteral("\u212A-0"), Walk::FromFirst, {}, 0, Match::Anywhere, true),
              at(3, 0));
}

TEST_F(StoreFindTest, OnlyTheRowsOfTheResultAreWalked) {
    insert(Invoice::of("5", "2024-03-05 10:30:00").withReimburser("Bob"));
    recordstest::execute("delete from 发票报销 where 发票号码 = '3'");
    EXPECT_EQ(find("Bob", Walk::FromFirst), std::nullopt);
    // The gone row shows empty cells, as in the grid.
    EXPECT_EQ(find("", Walk::FromFirst, {}, 1, Match::Whole), at(1, 1));
}

TEST_F(StoreFindTest, AWalkInTwoStretchesFindsWhatOneWouldFind) {
    // Split from two rows on: the first stretch is rows 0-1 (going down from the first), the
    // second rows 2-3.
    const auto split = [&](const QString& text, Walk walk, Cell current,
                           std::optional<int> scope = std::nullopt) {
        return find(text, walk, current, scope, Match::Anywhere, false, 2);
    };
    EXPECT_EQ(split("Alice", Walk::FromFirst, {}), at(3, 5));     // second stretch
    EXPECT_EQ(split("20240101", Walk::FromFirst, {}), at(0, 3));  // both: the first wins
    EXPECT_EQ(split("财务", Walk::FromFirst, {}), at(1, 5));
    EXPECT_EQ(split("nowhere", Walk::FromFirst, {}), std::nullopt);
    EXPECT_EQ(control.done(), 4);
    EXPECT_EQ(split("2024/", Walk::Up, {3, 0}), at(2, 4));  // up: rows 3-2, then 1-0
    EXPECT_EQ(split(QStringLiteral("\u212A2"), Walk::Up, {3, 0}, 5), at(0, 5));
    EXPECT_EQ(split("Alice", Walk::Down, {1, 5}), at(3, 5));
    control.cancel();
    EXPECT_THROW(split("nowhere", Walk::FromFirst, {}), TaskCancelled);
}

TEST_F(StoreFindTest, TheWalkCountsItsRowsAndStopsOnACancel) {
    EXPECT_EQ(find("nowhere", Walk::Down, {1, 0}), std::nullopt);
    EXPECT_EQ(control.total(), 3);  // rows 1 to 3
    EXPECT_EQ(control.done(), 3);
    control.cancel();
    EXPECT_THROW(find("nowhere", Walk::FromFirst), TaskCancelled);
}

}  // namespace
