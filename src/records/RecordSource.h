#pragma once

#include <QString>
#include <array>
#include <list>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

#include "records/RecordColumns.h"
#include "records/RecordQuery.h"
#include "records/RecordStore.h"

namespace records {

// One row of a result as the grid shows it.
struct RecordRow {
    qint64 rowid = 0;
    bool present = false;  // false when the row has gone from the table since the search
    std::array<QString, kColumnCount> text;  // the display text of each column
    std::array<bool, kColumnCount> null{};
    std::optional<qint64> amount;  // 开票金额 in ten-thousandths
};

// Where a row stands in the grid's order: its stored 报销时间 (null sorts last) and its rowid.
struct RowPlace {
    std::optional<QByteArray> time;
    qint64 rowid = 0;
};
// Whether a comes before b in the grid (newest time first, then newest rowid).
bool comesBefore(const RowPlace& a, const RowPlace& b);

// The grid's texts of a row selected as rowStatement() selects it; only the given columns' texts
// are made (the others are left empty).
void decodeRow(const RowValues& values, RecordRow& row, ColumnSet columns = kAllColumns);
RowPlace placeOf(const RowValues& values);

// The keys of a result in grid order, all of them: shared, unchanged, with the threads that read
// the result's rows on connections of their own.
using KeyList = std::shared_ptr<const std::vector<qint64>>;

// The result of a search, read lazily. A search learns the exact count and the keys of the
// first rows; further keys are read as rows are asked for (or in slices by fetchKeys), and rows
// are read by key in pages, of which only a bounded number stay in memory. Until every key has
// been read the search's read transaction stays open, so that keys, count and the rows read
// meanwhile come from one snapshot.
class RecordSource {
public:
    explicit RecordSource(RecordConnection& connection);
    ~RecordSource();

    // Runs the search. On failure the source is left empty and the error is thrown.
    void run(const QuerySpec& spec);
    // Takes a search whose keys were read elsewhere (readAllKeys on a worker's connection):
    // its rows are read by key from now on.
    void adopt(const QuerySpec& spec, std::vector<qint64> keys);
    void clear();

    qint64 rowCount() const { return count_; }
    const RecordRow& row(qint64 index);

    // The key of a row; nothing past the end of the result.
    std::optional<qint64> keyAt(qint64 index);
    // Reads up to max further keys; false when all keys are known.
    bool fetchKeys(qint64 max);
    // Reads further keys for about the given milliseconds; true when all keys are known.
    bool fetchKeysFor(int milliseconds);
    // Reads the remaining keys and ends the read, so that a write on the connection works on
    // the current state of the database.
    void finishKeys();
    bool allKeysKnown() const { return keyStatement_ == nullptr; }

    // The search that gave the result, and all of its keys once they are known.
    const QuerySpec& spec() const { return spec_; }
    KeyList keys() const;

    // Shows a new reimburser in a row that has been corrected in the table.
    void setReimburser(qint64 index, const QString& name);

    RecordConnection& connection() { return connection_; }

    static constexpr qint64 kPageRows = 128;
    static constexpr std::size_t kPagesKept = 64;

private:
    using Page = std::vector<RecordRow>;
    Page& page(qint64 number);
    void endRead();

    RecordConnection& connection_;
    QuerySpec spec_;
    bool reading_ = false;                 // the search's read transaction is open
    std::unique_ptr<Query> keyStatement_;  // open while keys remain
    std::shared_ptr<std::vector<qint64>> keys_ = std::make_shared<std::vector<qint64>>();
    qint64 count_ = 0;
    std::unique_ptr<RowLookup> lookup_;
    std::unordered_map<qint64, std::pair<Page, std::list<qint64>::iterator>> pages_;
    std::list<qint64> recent_;  // page numbers, most recently used first
    RecordRow missing_;
};

// Every key of a search in its order, count and keys from one read of the connection. Throws
// AppError.
std::vector<qint64> readAllKeys(RecordConnection& connection, const QuerySpec& spec);

}  // namespace records
