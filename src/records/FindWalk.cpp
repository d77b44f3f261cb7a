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

namespace {

// Steps through cells in reading order (or against it); false past either end.
class Walker {
public:
    Walker(const Target& target, const Search& search, bool down)
        : target_(target), search_(search), down_(down), columns_(target.columnCount()) {}

    bool step(Cell& cell) const {
        if (search_.column) {
            cell.row += down_ ? 1 : -1;
        } else if (down_ && ++cell.column >= columns_) {
            cell.column = 0;
            ++cell.row;
        } else if (!down_ && --cell.column < 0) {
            cell.column = columns_ - 1;
            --cell.row;
        }
        return cell.row >= 0 && cell.row < target_.rowCount();
    }

    bool examine(const Cell& cell) const {
        return matches(target_.text(cell.row, cell.column, search_.ignoreFormat), search_);
    }

private:
    const Target& target_;
    const Search& search_;
    bool down_;
    int columns_;
};

}  // namespace

std::optional<Cell> find(const Target& target, const Search& search, Walk walk, Cell current) {
    if (target.rowCount() <= 0 || target.columnCount() <= 0 ||
        (search.column && (*search.column < 0 || *search.column >= target.columnCount()))) {
        return std::nullopt;
    }
    const Walker walker(target, search, walk != Walk::Up);
    Cell cell = current;
    if (cell.row < 0 || cell.row >= target.rowCount()) {
        // No current record: the walk begins at the near end.
        cell = walk == Walk::Up ? Cell{target.rowCount(), 0} : Cell{-1, target.columnCount() - 1};
    }
    if (search.column) {
        cell.column = *search.column;
    }
    if (walk == Walk::FromFirst) {
        cell = Cell{0, search.column.value_or(0)};
        if (walker.examine(cell)) {
            return cell;
        }
    }
    while (walker.step(cell)) {
        if (walker.examine(cell)) {
            return cell;
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
