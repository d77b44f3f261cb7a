#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The grid's find: which cells a press of "下一个" examines, in which order, and what matches.
namespace findwalk {

enum class Match { Anywhere, Whole, Start };  // 字符串的任意位置, 整个字符串, 字符串的头位置
enum class Direction { Up, Down, All };  // 向上, 向下, 全部

// The walk one press makes.
enum class Walk {
    Up,         // from the cell before the current one towards the first record
    Down,       // from the cell after the current one towards the last record
    FromFirst,  // from the first record on, downwards
};

// Ctrl held turns up into down and down or all into up; "全部" goes on downwards when the
// previous press found a match and nothing of the search has changed since.
Walk walkFor(Direction chosen, bool ctrlHeld, bool continuing);

// The grid as the walk sees it: its records and its visible columns in display order.
class Target {
public:
    virtual ~Target() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    // formatted: the display text; otherwise the field's unformatted text.
    virtual QString text(int row, int column, bool formatted) const = 0;
};

struct Cell {
    int row = 0;
    int column = 0;  // position among the visible columns
    friend bool operator==(const Cell&, const Cell&) = default;
};

struct Search {
    QString text;
    std::optional<int> column;  // nothing: every visible column ("<All>")
    Match match = Match::Anywhere;
    bool ignoreCase = false;
    bool ignoreFormat = true;
};

bool matches(const QString& cell, const Search& search);

// Where a walk begins: the record it examines first, its direction, and the first column of that
// record it examines (in walk order; past the record's last column when it examines none).
struct Start {
    int row = 0;
    bool down = true;
    int firstColumn = 0;
};
Start startOf(const Search& search, Walk walk, Cell current, int rowCount, int columnCount);

// The first matching column of one record in walk order, beginning at column from (going down:
// from and the columns after it; going up: from and those before it). With a column as scope,
// that column alone counts. cellMatches(column) compares a cell with the search.
std::optional<int> matchInRow(const std::function<bool(int column)>& cellMatches,
                              const Search& search, bool down, int from, int columnCount);

// The first matching cell of the walk, or nothing; the walk does not wrap around. current is
// the grid's current cell (not examined unless the walk starts from the first record).
std::optional<Cell> find(const Target& target, const Search& search, Walk walk, Cell current);

// Every text searched for in this run of the program, in the order first searched.
QStringList& history();
void remember(const QString& text);

}  // namespace findwalk
