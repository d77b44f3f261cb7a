#pragma once

#include <optional>

#include "records/RecordSource.h"

namespace records {

// Reads the rows of a result in grid order on a connection of its own (a worker's), in one read
// transaction. The keys say which rows and in which order. Where the result is a dense part of
// the table, a walk of the store in the same order gives the rows quickly; a row the walk does
// not give (its reimburser corrected since the search) is looked up by key, and a row the walk
// gives that the result does not hold (recorded since) is passed over. A sparse result is read
// by key alone.
class ResultReader {
public:
    ResultReader(RecordConnection& connection, QuerySpec spec, KeyList keys);
    ~ResultReader();

    qint64 rowCount() const { return qint64(keys_->size()); }

    // Only these columns are read (the others are null and their texts empty); all by default.
    // Set before start().
    void setColumns(ColumnSet columns) { columns_ = columns; }

    // The next row read is first; the rows after it come towards the last row (down) or the
    // first (up).
    void start(qint64 first, bool down);
    // Moves to the next row; false past the end of the result.
    bool next();
    qint64 index() const { return index_; }
    // false when the row has gone from the table since the search.
    bool present() const { return current_ != nullptr; }
    // The row as rowStatement() selects it, until the next move; only when present().
    const RowValues& statement() const { return *current_; }
    // The row's texts as the grid shows them (a row that has gone shows empty).
    const RecordRow& row();

    // A result of at least this share of the table is read by walking the store.
    static constexpr qint64 kWalkShare = 8;  // one row in eight
    // Where rows are read by key, they are asked for this many at a time.
    static constexpr qint64 kLookupBatch = 2048;

private:
    bool walkRow();                 // the walk's next row is loaded; false when the walk is over
    void lookUp(qint64 key);        // into row_ and keyPlace_
    void expectFrom(qint64 index);  // tells the lookup the keys of the batch that starts there
    bool walkComesFirst() const;    // the walk's row comes before the key's row in walk order

    RecordConnection& connection_;
    QuerySpec spec_;
    KeyList keys_;
    bool useWalk_ = false;
    ColumnSet columns_ = kAllColumns;
    std::unique_ptr<RowLookup> lookup_;
    const RowValues* looked_ = nullptr;  // the row lookup_ found
    // The batch of keys the lookup was last told of: from its first index to its end
    // (exclusive) in the reading direction.
    bool batchValid_ = false;
    qint64 batchFirst_ = 0;
    qint64 batchEnd_ = 0;
    QList<WalkSegment> segments_;
    int segment_ = 0;
    std::unique_ptr<Query> walk_;
    bool walkLoaded_ = false;
    qint64 walkRowid_ = 0;
    RowPlace keyPlace_;
    RowPlace from_;  // where the walk begins
    bool down_ = true;
    qint64 index_ = -1;
    const RowValues* current_ = nullptr;
    bool lookedUp_ = false;  // lookup_ holds a row
    bool decoded_ = false;
    RecordRow row_;
};

}  // namespace records
