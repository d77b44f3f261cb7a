#include <gtest/gtest.h>

#include <QList>

#include "records/FindWalk.h"

using findwalk::Cell;
using findwalk::Direction;
using findwalk::Match;
using findwalk::Search;
using findwalk::Walk;

namespace {

// A grid of texts; the unformatted text of a cell carries a "raw:" prefix.
class Table final : public findwalk::Target {
public:
    explicit Table(QList<QStringList> rows) : rows_(std::move(rows)) {}
    int rowCount() const override { return int(rows_.size()); }
    int columnCount() const override { return rows_.isEmpty() ? 3 : int(rows_[0].size()); }
    QString text(int row, int column, bool formatted) const override {
        ++reads;
        return formatted ? rows_[row][column] : "raw:" + rows_[row][column];
    }
    mutable int reads = 0;

private:
    QList<QStringList> rows_;
};

const Table grid({
    {"a1", "x", "Alpha"},
    {"b2", "x", "beta"},
    {"c3", "y", "alphabet"},
    {"d4", "x", "ALPHA"},
});

std::optional<Cell> at(int row, int column) {
    return Cell{row, column};
}

// A search for text in one column or, with nothing, every column.
Search search(const QString& text, std::optional<int> column = std::nullopt,
              Match match = Match::Anywhere, bool ignoreCase = false, bool ignoreFormat = true) {
    Search s;
    s.text = text;
    s.column = column;
    s.match = match;
    s.ignoreCase = ignoreCase;
    s.ignoreFormat = ignoreFormat;
    return s;
}

TEST(FindWalkDirection, CtrlReversesAndAllGoesOnDownAfterAMatch) {
    EXPECT_EQ(findwalk::walkFor(Direction::Up, false, false), Walk::Up);
    EXPECT_EQ(findwalk::walkFor(Direction::Down, false, false), Walk::Down);
    EXPECT_EQ(findwalk::walkFor(Direction::All, false, false), Walk::FromFirst);
    EXPECT_EQ(findwalk::walkFor(Direction::All, false, true), Walk::Down);
    EXPECT_EQ(findwalk::walkFor(Direction::Up, true, false), Walk::Down);
    EXPECT_EQ(findwalk::walkFor(Direction::Down, true, false), Walk::Up);
    EXPECT_EQ(findwalk::walkFor(Direction::All, true, false), Walk::Up);
    EXPECT_EQ(findwalk::walkFor(Direction::All, true, true), Walk::Up);
}

TEST(FindWalkMatch, MatchTypesAndLetterCase) {
    Search s = search("ALP");
    EXPECT_TRUE(findwalk::matches("ALPHA", s));
    EXPECT_FALSE(findwalk::matches("Alpha", s));  // case counts unless ignored
    s.ignoreCase = true;
    EXPECT_TRUE(findwalk::matches("alphabet", s));
    EXPECT_TRUE(findwalk::matches("the alpha", s));
    s.match = Match::Start;
    EXPECT_TRUE(findwalk::matches("alphabet", s));
    EXPECT_FALSE(findwalk::matches("the alpha", s));
    s.match = Match::Whole;
    EXPECT_FALSE(findwalk::matches("alphabet", s));
    EXPECT_TRUE(findwalk::matches("alp", s));
    s.ignoreCase = false;
    EXPECT_FALSE(findwalk::matches("alp", s));
    EXPECT_TRUE(findwalk::matches("ALP", s));
    const Search chinese = search("财务", std::nullopt, Match::Start);
    EXPECT_TRUE(findwalk::matches("财务部", chinese));
    EXPECT_FALSE(findwalk::matches("李财务", chinese));
}

TEST(FindWalkScope, OneColumnWalksItsCellsDownAndUpWithoutTheCurrentOne) {
    const Search s = search("x", 1);
    EXPECT_EQ(findwalk::find(grid, s, Walk::Down, {0, 1}), at(1, 1));
    EXPECT_EQ(findwalk::find(grid, s, Walk::Down, {1, 0}), at(3, 1));      // row 2 has y
    EXPECT_EQ(findwalk::find(grid, s, Walk::Down, {3, 1}), std::nullopt);  // no wrap-around
    EXPECT_EQ(findwalk::find(grid, s, Walk::Up, {3, 2}), at(1, 1));
    EXPECT_EQ(findwalk::find(grid, s, Walk::Up, {0, 1}), std::nullopt);
    // From the first record the first record counts, even when it is current.
    EXPECT_EQ(findwalk::find(grid, s, Walk::FromFirst, {0, 1}), at(0, 1));
    EXPECT_EQ(findwalk::find(grid, search("y", 1), Walk::FromFirst, {3, 1}), at(2, 1));
}

TEST(FindWalkScope, AllColumnsGoAlongTheRecordThenToTheNext) {
    const Search s = search("a", std::nullopt, Match::Anywhere, true);
    // From (0,0) down: (0,1) x, (0,2) Alpha.
    EXPECT_EQ(findwalk::find(grid, s, Walk::Down, {0, 0}), at(0, 2));
    // From (0,2) down: next record from its first column; b2, x, beta.
    EXPECT_EQ(findwalk::find(grid, s, Walk::Down, {0, 2}), at(1, 2));
    // Up from (2,1): (2,0) c3, then record 1 from its last column: beta.
    EXPECT_EQ(findwalk::find(grid, s, Walk::Up, {2, 1}), at(1, 2));
    // Up from (0,2): (0,1) x, (0,0) a1.
    EXPECT_EQ(findwalk::find(grid, s, Walk::Up, {0, 2}), at(0, 0));
    EXPECT_EQ(findwalk::find(grid, s, Walk::FromFirst, {3, 2}), at(0, 0));
    const Search d4 = search("d4");
    EXPECT_EQ(findwalk::find(grid, d4, Walk::Down, {3, 0}), std::nullopt);
    EXPECT_EQ(findwalk::find(grid, d4, Walk::Up, {3, 1}), at(3, 0));
}

TEST(FindWalkScope, UnformattedTextsWhenFormatIsNotIgnored) {
    const Search s = search("raw:b", std::nullopt, Match::Anywhere, false, false);
    EXPECT_EQ(findwalk::find(grid, s, Walk::FromFirst, {0, 0}), at(1, 0));
    const Search formatted = search("raw:b");
    EXPECT_EQ(findwalk::find(grid, formatted, Walk::FromFirst, {0, 0}), std::nullopt);
}

TEST(FindWalkScope, AWalkWithoutMatchExaminesEveryCellOnce) {
    const Table table({{"a", "b"}, {"c", "d"}, {"e", "f"}});
    EXPECT_EQ(findwalk::find(table, search("z"), Walk::FromFirst, {1, 1}), std::nullopt);
    EXPECT_EQ(table.reads, 6);
    table.reads = 0;
    EXPECT_EQ(findwalk::find(table, search("z"), Walk::Down, {1, 0}), std::nullopt);
    EXPECT_EQ(table.reads, 3);  // (1,1), (2,0), (2,1)
}

TEST(FindWalkScope, EmptyGridsAndNoCurrentRecord) {
    const Table empty({});
    EXPECT_EQ(findwalk::find(empty, search(""), Walk::FromFirst, {0, 0}), std::nullopt);
    EXPECT_EQ(findwalk::find(grid, search("a1"), Walk::Down, {-1, 0}), at(0, 0));
    EXPECT_EQ(findwalk::find(grid, search("ALPHA"), Walk::Up, {-1, 0}), at(3, 2));
}

TEST(FindWalkHistory, EachTextOnceInTheOrderFirstSearched) {
    findwalk::history().clear();
    findwalk::remember("b");
    findwalk::remember("a");
    findwalk::remember("b");
    EXPECT_EQ(findwalk::history(), (QStringList{"b", "a"}));
    findwalk::history().clear();
}

}  // namespace
