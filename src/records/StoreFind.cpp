#include "records/StoreFind.h"

#include <QHash>
#include <cstring>

#include "records/ResultReader.h"
#include "shell/LocaleFormats.h"
#include "store/Amount.h"

namespace records {

namespace {

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
}

bool equalAscii(const char* a, const char* b, qsizetype n, bool ignoreCase) {
    if (!ignoreCase) {
        return std::memcmp(a, b, size_t(n)) == 0;
    }
    for (qsizetype i = 0; i < n; ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// findwalk::matches on a cell's display text given as UTF-8. Where both texts are ASCII the
// bytes are compared as they are (letter case folded as the search says); any other cell is
// compared as the grid's text, and its answer kept for the next cell of the same value (names
// and entry modes repeat).
class CellMatcher {
public:
    explicit CellMatcher(const findwalk::Search& search)
        : search_(search), needle_(search.text.toUtf8()), needleAscii_(isAscii(needle_)) {}

    bool matches(QByteArrayView cell, int column) {
        if (isAscii(cell) && (needleAscii_ || !search_.ignoreCase)) {
            return matchesBytes(cell);
        }
        QHash<QByteArray, bool>& known = known_[std::size_t(column)];
        const auto found = known.constFind(QByteArray::fromRawData(cell.data(), cell.size()));
        if (found != known.constEnd()) {
            return *found;
        }
        const bool result = findwalk::matches(QString::fromUtf8(cell), search_);
        if (known.size() >= kKnownPerColumn) {
            known.clear();
        }
        known.insert(cell.toByteArray(), result);
        return result;
    }

private:
    static constexpr qsizetype kKnownPerColumn = 4096;

    bool matchesBytes(QByteArrayView cell) const {
        const qsizetype n = needle_.size();
        const bool fold = search_.ignoreCase;
        switch (search_.match) {
            case findwalk::Match::Whole:
                return cell.size() == n && equalAscii(cell.data(), needle_.constData(), n, fold);
            case findwalk::Match::Start:
                return cell.size() >= n && equalAscii(cell.data(), needle_.constData(), n, fold);
            case findwalk::Match::Anywhere:
                break;
        }
        if (!fold) {
            return n == 0 || memmem(cell.data(), size_t(cell.size()), needle_.constData(),
                                    size_t(n)) != nullptr;
        }
        for (qsizetype at = 0; at + n <= cell.size(); ++at) {
            if (equalAscii(cell.data() + at, needle_.constData(), n, true)) {
                return true;
            }
        }
        return false;
    }

    const findwalk::Search& search_;
    QByteArray needle_;
    bool needleAscii_;
    std::array<QHash<QByteArray, bool>, kColumnCount> known_;
};

// A column's display text of the reader's row as UTF-8, as decodeRow makes it.
QByteArrayView displayBytes(const Statement& row, int field, char (&scratch)[32]) {
    const int column = kRowColumnsOffset + field;
    if (row.isNull(column)) {
        return {};
    }
    if (field == kAmount) {
        char out[amount::kMaxTextLength];
        const int length = amount::writeShortest(row.int64(column), out);
        std::memcpy(scratch, out, size_t(length));
        return QByteArrayView(scratch, length);
    }
    const QByteArrayView stored = row.utf8(column);
    if (field == kReimbursedAt) {
        if (const std::optional<localefmt::WallClock> time = localefmt::readStorageText(stored)) {
            char out[localefmt::kMaxDisplayLength];
            const int length = localefmt::writeDisplay(*time, out);
            std::memcpy(scratch, out, size_t(length));
            return QByteArrayView(scratch, length);
        }
    }
    return stored;
}

}  // namespace

std::optional<findwalk::Cell> findInStore(const FindRequest& request, TaskControl& control) {
    const qint64 rows = request.keys ? qint64(request.keys->size()) : 0;
    const int columns = int(request.columns.size());
    const std::optional<int>& scope = request.search.column;
    if (rows <= 0 || columns <= 0 || (scope && (*scope < 0 || *scope >= columns))) {
        return std::nullopt;
    }
    const findwalk::Start start =
        findwalk::startOf(request.search, request.walk, request.current, int(rows), columns);
    if (start.row < 0 || start.row >= rows) {
        return std::nullopt;
    }
    control.setTotal(start.down ? rows - start.row : start.row + 1);

    Database db = Database::open(request.connectionString);
    ResultReader reader(db, request.spec, request.keys);
    ColumnSet examined;
    for (int c = 0; c < columns; ++c) {
        if (!scope || *scope == c) {
            examined.set(std::size_t(request.columns[c]));
        }
    }
    reader.setColumns(examined);
    reader.start(start.row, start.down);
    CellMatcher matcher(request.search);
    char scratch[32];
    qint64 done = 0;
    while (reader.next()) {
        control.checkCancelled();
        if ((++done & 0x3FF) == 0) {
            control.setDone(done);
        }
        const int from = reader.index() == start.row ? start.firstColumn
                         : start.down                ? 0
                                                     : columns - 1;
        const std::optional<int> column = findwalk::matchInRow(
            [&](int c) {
                // A row gone from the table shows empty cells.
                const int field = request.columns[c];
                const QByteArrayView text = reader.present()
                                                ? displayBytes(reader.statement(), field, scratch)
                                                : QByteArrayView();
                return matcher.matches(text, field);
            },
            request.search, start.down, from, columns);
        if (column) {
            return findwalk::Cell{int(reader.index()), *column};
        }
    }
    control.setDone(done);
    return std::nullopt;
}

}  // namespace records
