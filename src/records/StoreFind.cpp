#include "records/StoreFind.h"

#include <QHash>
#include <atomic>
#include <cstring>
#include <thread>

#include "base/LocaleFormats.h"
#include "invoice/Amount.h"
#include "records/ResultReader.h"

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

// findwalk::matches on a cell's display text given as UTF-8. Without case folding, or where both
// texts are ASCII, the bytes are compared as they are (UTF-8 keeps a text's order and its parts);
// any other cell is compared as the grid's text, and its answer kept for the next cell of the
// same value (names and entry modes repeat).
class CellMatcher {
public:
    explicit CellMatcher(const findwalk::Search& search)
        : search_(search), needle_(search.text.toUtf8()), needleAscii_(isAscii(needle_)) {}

    bool matches(QByteArrayView cell, int column) {
        if (!search_.ignoreCase || (needleAscii_ && isAscii(cell))) {
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
QByteArrayView displayBytes(const RowValues& row, int field, char (&scratch)[32]) {
    const int column = rowColumnOf(field);
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

// One stretch of the walk, rows first to end (exclusive) in the walk's direction, on a connection
// of its own. It stops at its first match, or once `stop` is set.
class Stretch {
public:
    Stretch(const FindRequest& request, const findwalk::Start& start, qint64 first, qint64 end,
            std::atomic<qint64>& done)
        : request_(request), start_(start), first_(first), end_(end), done_(done) {}

    std::optional<findwalk::Cell> walk(TaskControl& control, const std::atomic<bool>& stop) {
        const int columns = int(request_.columns.size());
        const std::optional<int>& scope = request_.search.column;
        const std::unique_ptr<RecordConnection> connection = openRecordConnection(request_.store);
        ResultReader reader(*connection, request_.spec, request_.keys);
        ColumnSet examined;
        for (int c = 0; c < columns; ++c) {
            if (!scope || *scope == c) {
                examined.set(std::size_t(request_.columns[c]));
            }
        }
        reader.setColumns(examined);
        reader.start(first_, start_.down);
        CellMatcher matcher(request_.search);
        char scratch[32];
        while (reader.next() && reader.index() != end_) {
            control.checkCancelled();
            if (stop.load(std::memory_order_relaxed)) {
                return std::nullopt;
            }
            if (((done_.fetch_add(1, std::memory_order_relaxed) + 1) & 0x3FF) == 0) {
                control.setDone(done_.load(std::memory_order_relaxed));
            }
            const int from = reader.index() == start_.row ? start_.firstColumn
                             : start_.down                ? 0
                                                          : columns - 1;
            const std::optional<int> column = findwalk::matchInRow(
                [&](int c) {
                    // A row gone from the table shows empty cells.
                    const int field = request_.columns[c];
                    const QByteArrayView text =
                        reader.present() ? displayBytes(reader.statement(), field, scratch)
                                         : QByteArrayView();
                    return matcher.matches(text, field);
                },
                request_.search, start_.down, from, columns);
            if (column) {
                return findwalk::Cell{int(reader.index()), *column};
            }
        }
        return std::nullopt;
    }

private:
    const FindRequest& request_;
    const findwalk::Start& start_;
    qint64 first_;
    qint64 end_;
    std::atomic<qint64>& done_;  // the rows examined by every stretch of the walk
};

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
    const qint64 total = start.down ? rows - start.row : start.row + 1;
    const qint64 step = start.down ? 1 : -1;
    const qint64 end = start.down ? rows : -1;
    control.setTotal(total);

    // A match in the first stretch comes before any in the second.
    const qint64 middle = total >= request.splitRows ? start.row + step * (total / 2) : end;
    std::atomic<qint64> done{0};
    Stretch near(request, start, start.row, middle, done);
    Stretch far(request, start, middle, end, done);
    std::atomic<bool> nearEnded{false};  // with a match or an error: the far stretch is moot
    std::optional<findwalk::Cell> farMatch;
    std::exception_ptr farError;
    std::thread farThread;
    if (middle != end) {
        farThread = std::thread([&] {
            try {
                farMatch = far.walk(control, nearEnded);
            } catch (...) {
                farError = std::current_exception();
            }
        });
    }
    std::optional<findwalk::Cell> match;
    try {
        const std::atomic<bool> never{false};
        match = near.walk(control, never);
    } catch (...) {
        nearEnded = true;
        if (farThread.joinable()) {
            farThread.join();
        }
        throw;
    }
    nearEnded = match.has_value();
    if (farThread.joinable()) {
        farThread.join();
    }
    control.setDone(done);
    if (match) {
        return match;
    }
    if (farError) {
        std::rethrow_exception(farError);
    }
    return farMatch;
}

}  // namespace records
