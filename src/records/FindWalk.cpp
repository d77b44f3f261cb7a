#include "records/FindWalk.h"

namespace findwalk {

Walk walkFor(Direction chosen, bool ctrlHeld, bool continuing) {
    Direction d = chosen;
    if (ctrlHeld) {
        d = d == Direction::Up ? Direction::Down : Direction::Up;
    }
    switch (d) {
        case Direction::Up:
            return Walk::Up;
        case Direction::Down:
            return Walk::Down;
        case Direction::All:
            break;
    }
    return continuing ? Walk::Down : Walk::FromFirst;
}

bool matches(const QString& cell, const Search& search) {
    const Qt::CaseSensitivity cs = search.ignoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
    switch (search.match) {
        case Match::Whole:
            return cell.compare(search.text, cs) == 0;
        case Match::Start:
            return cell.startsWith(search.text, cs);
        case Match::Anywhere:
            break;
    }
    return cell.contains(search.text, cs);
}

Start startOf(const Search& search, Walk walk, Cell current, int rowCount, int columnCount) {
    if (walk == Walk::FromFirst) {
        return {0, true, 0};
    }
    const bool down = walk == Walk::Down;
    if (current.row < 0 || current.row >= rowCount) {
        // No current record: the walk begins at the near end.
        return down ? Start{0, true, 0} : Start{rowCount - 1, false, columnCount - 1};
    }
    if (search.column) {
        // One column: the current record's cell is the current cell, which is not examined.
        return down ? Start{current.row + 1, true, 0}
                    : Start{current.row - 1, false, columnCount - 1};
    }
    return {current.row, down, current.column + (down ? 1 : -1)};
}

std::optional<int> matchInRow(const std::function<bool(int column)>& cellMatches,
                              const Search& search, bool down, int from, int columnCount) {
    if (search.column) {
        const int column = *search.column;
        const bool examined = down ? column >= from : column <= from;
        if (examined && cellMatches(column)) {
            return column;
        }
        return std::nullopt;
    }
    for (int column = from; column >= 0 && column < columnCount; column += down ? 1 : -1) {
        if (cellMatches(column)) {
            return column;
        }
    }
    return std::nullopt;
}

std::optional<Cell> find(const Target& target, const Search& search, Walk walk, Cell current) {
    const int rows = target.rowCount();
    const int columns = target.columnCount();
    if (rows <= 0 || columns <= 0 ||
        (search.column && (*search.column < 0 || *search.column >= columns))) {
        return std::nullopt;
    }
    const Start start = startOf(search, walk, current, rows, columns);
    for (int row = start.row; row >= 0 && row < rows; row += start.down ? 1 : -1) {
        const int from = row == start.row ? start.firstColumn : start.down ? 0 : columns - 1;
        const std::optional<int> column = matchInRow(
            [&](int c) { return matches(target.text(row, c, search.ignoreFormat), search); },
            search, start.down, from, columns);
        if (column) {
            return Cell{row, *column};
        }
    }
    return std::nullopt;
}

QStringList& history() {
    static QStringList texts;
    return texts;
}

void remember(const QString& text) {
    if (!history().contains(text)) {
        history() << text;
    }
}

}  // namespace findwalk
