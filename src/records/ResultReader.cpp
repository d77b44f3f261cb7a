#include "records/ResultReader.h"

namespace records {

ResultReader::ResultReader(RecordConnection& connection, QuerySpec spec, KeyList keys)
    : connection_(connection),
      spec_(std::move(spec)),
      keys_(keys ? std::move(keys) : std::make_shared<const std::vector<qint64>>()),
      lookup_(connection.rowLookup()) {
    connection_.beginRead();
    try {
        // Rows in another order than the walks' are read by key.
        if (spec_.inTimeOrder()) {
            const std::unique_ptr<Query> tableRows =
                connection_.prepare(tableRowsStatement(connection_.dialect()));
            const qint64 rows = tableRows->step() ? tableRows->int64(0) : 0;
            useWalk_ = spec_.timeOrdered || rowCount() * kWalkShare >= rows;
        }
    } catch (...) {
        connection_.endRead();
        throw;
    }
}

ResultReader::~ResultReader() {
    walk_.reset();
    lookup_.reset();
    connection_.endRead();
}

void ResultReader::start(qint64 first, bool down) {
    down_ = down;
    index_ = first - (down ? 1 : -1);
    batchValid_ = false;
    walk_.reset();
    walkLoaded_ = false;
    segments_.clear();
    segment_ = 0;
    if (!useWalk_ || first < 0 || first >= rowCount()) {
        return;
    }
    const bool fromEnd = down ? first == 0 : first == rowCount() - 1;
    if (!fromEnd) {
        // The walk begins at the first row's place in the table.
        lookUp((*keys_)[std::size_t(first)]);
        if (lookedUp_) {
            from_ = keyPlace_;
            segments_ =
                walkStatements(spec_, down, from_.time ? WalkFrom::TimedRow : WalkFrom::UntimedRow);
            return;
        }
    }
    // From the end of the result; rows before the first one are passed over.
    segments_ = walkStatements(spec_, down, WalkFrom::End, columns_);
}

bool ResultReader::walkRow() {
    while (!walkLoaded_ && segment_ < segments_.size()) {
        if (!walk_) {
            const WalkSegment& segment = segments_[segment_];
            walk_ = connection_.prepareWalk(segment.sql);
            for (int i = 0; i < spec_.params.size(); ++i) {
                walk_->bind(i + 1, spec_.params[i]);
            }
            const int after = int(spec_.params.size());
            if (segment.bindsTime) {
                walk_->bindUtf8(after + 1, *from_.time);
            }
            if (segment.bindsRowid) {
                walk_->bind(after + 2, from_.rowid);
            }
        }
        if (walk_->step()) {
            walkLoaded_ = true;
            // The row's place is read only when it does not hold the key looked for.
            walkRowid_ = walk_->int64(0);
        } else {
            walk_.reset();
            ++segment_;
        }
    }
    return walkLoaded_;
}

void ResultReader::lookUp(qint64 key) {
    keyPlace_ = RowPlace{std::nullopt, key};
    if (!useWalk_ && connection_.dialect() != Dialect::Sqlite) {
        expectFrom(index_);
    }
    looked_ = lookup_->find(key);
    lookedUp_ = looked_ != nullptr;
    if (lookedUp_) {
        keyPlace_ = placeOf(*looked_);
    }
}

void ResultReader::expectFrom(qint64 index) {
    if (batchValid_ && (down_ ? index >= batchFirst_ && index < batchEnd_
                              : index <= batchFirst_ && index > batchEnd_)) {
        return;
    }
    std::vector<qint64> batch;
    qint64 i = index;
    for (; i >= 0 && i < rowCount() && qint64(batch.size()) < kLookupBatch; i += down_ ? 1 : -1) {
        batch.push_back((*keys_)[std::size_t(i)]);
    }
    batchValid_ = true;
    batchFirst_ = index;
    batchEnd_ = i;
    lookup_->expect(batch);
}

bool ResultReader::walkComesFirst() const {
    const RowPlace walkPlace = placeOf(*walk_);
    return down_ ? comesBefore(walkPlace, keyPlace_) : comesBefore(keyPlace_, walkPlace);
}

bool ResultReader::next() {
    index_ += down_ ? 1 : -1;
    current_ = nullptr;
    decoded_ = false;
    if (index_ < 0 || index_ >= rowCount()) {
        return false;
    }
    const qint64 key = (*keys_)[std::size_t(index_)];
    bool keyLookedUp = false;
    while (walkRow()) {
        if (walkRowid_ == key) {
            current_ = &*walk_;
            walkLoaded_ = false;  // stepped on at the next move
            return true;
        }
        if (!keyLookedUp) {
            lookUp(key);
            keyLookedUp = true;
            if (!lookedUp_) {
                return true;  // gone from the table: shown empty, as the grid shows it
            }
        }
        if (!walkComesFirst()) {
            current_ = looked_;  // the key's row is not on the walk
            return true;
        }
        walkLoaded_ = false;  // a row the result does not hold
    }
    if (!keyLookedUp) {
        lookUp(key);
    }
    current_ = lookedUp_ ? looked_ : nullptr;
    return true;
}

const RecordRow& ResultReader::row() {
    if (!decoded_) {
        decoded_ = true;
        row_.rowid = index_ >= 0 && index_ < rowCount() ? (*keys_)[std::size_t(index_)] : 0;
        if (current_ != nullptr) {
            decodeRow(*current_, row_, columns_);
        } else {
            row_.present = false;
            row_.amount.reset();
            row_.null.fill(true);
            for (QString& text : row_.text) {
                text.clear();
            }
        }
    }
    return row_;
}

}  // namespace records
