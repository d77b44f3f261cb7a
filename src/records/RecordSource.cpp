#include "records/RecordSource.h"

#include <QElapsedTimer>

#include "base/AppError.h"

namespace records {

namespace {

void bindAll(Query& statement, const QStringList& params) {
    for (int i = 0; i < params.size(); ++i) {
        statement.bind(i + 1, params[i]);
    }
}

qint64 singleNumber(RecordConnection& connection, const QString& sql, const QStringList& params) {
    const std::unique_ptr<Query> statement = connection.prepare(sql);
    bindAll(*statement, params);
    return statement->step() ? statement->int64(0) : 0;
}

}  // namespace

bool comesBefore(const RowPlace& a, const RowPlace& b) {
    if (a.time.has_value() != b.time.has_value()) {
        return a.time.has_value();
    }
    if (a.time && *a.time != *b.time) {
        return *a.time > *b.time;  // byte order, as the engine compares text
    }
    return a.rowid > b.rowid;
}

void decodeRow(const RowValues& statement, RecordRow& row, ColumnSet columns) {
    row.present = true;
    row.amount.reset();
    for (int c = 0; c < kColumnCount; ++c) {
        const int column = rowColumnOf(c);
        row.null[c] = statement.isNull(column);
        if (row.null[c] || !columns.test(std::size_t(c))) {
            row.text[c].truncate(0);
            if (c == kAmount && !row.null[c]) {
                row.amount = statement.int64(column);
            }
            continue;
        }
        if (c == kAmount) {
            row.amount = statement.int64(column);
            setAmountText(row.text[c], *row.amount);
        } else if (c == kReimbursedAt) {
            setReimbursedAtText(row.text[c], statement.utf8(column));
        } else {
            setStoredText(row.text[c], statement.utf8(column));
        }
    }
}

RowPlace placeOf(const RowValues& statement) {
    RowPlace place;
    place.rowid = statement.int64(0);
    if (!statement.isNull(1)) {
        place.time = statement.utf8(1).toByteArray();
    }
    return place;
}

RecordSource::RecordSource(RecordConnection& connection)
    : connection_(connection), lookup_(connection.rowLookup()) {
    missing_.null.fill(true);
}

RecordSource::~RecordSource() {
    endRead();
}

void RecordSource::endRead() {
    keyStatement_.reset();
    if (reading_) {
        reading_ = false;
        connection_.endRead();
    }
}

void RecordSource::clear() {
    keys_ = std::make_shared<std::vector<qint64>>();
    count_ = 0;
    pages_.clear();
    recent_.clear();
    spec_ = QuerySpec();
    endRead();
}

void RecordSource::run(const QuerySpec& spec) {
    clear();
    try {
        if (spec.dialect != connection_.dialect()) {
            throw AppError(QStringLiteral("A search written for another database engine."));
        }
        spec_ = spec;
        // Count and keys from one snapshot: the read begins with the count.
        connection_.beginRead();
        reading_ = true;
        count_ = singleNumber(connection_, countStatement(spec), spec.params);
        KeyOrder order = KeyOrder::Planned;
        if (spec.byReimburser) {
            order = keyOrderFor(spec, count_,
                                singleNumber(connection_, tableRowsStatement(spec.dialect), {}));
        }
        keyStatement_ = connection_.prepare(keyStatement(spec, order));
        bindAll(*keyStatement_, spec.params);
        fetchKeys(kPageRows);
    } catch (...) {
        clear();
        throw;
    }
}

void RecordSource::adopt(const QuerySpec& spec, std::vector<qint64> keys) {
    clear();
    spec_ = spec;
    count_ = qint64(keys.size());
    keys_ = std::make_shared<std::vector<qint64>>(std::move(keys));
}

std::vector<qint64> readAllKeys(RecordConnection& connection, const QuerySpec& spec) {
    RecordSource source(connection);
    source.run(spec);
    source.finishKeys();
    const KeyList keys = source.keys();
    return keys ? *keys : std::vector<qint64>();
}

bool RecordSource::fetchKeys(qint64 max) {
    if (!keyStatement_) {
        return false;
    }
    for (qint64 i = 0; i < max; ++i) {
        bool more = false;
        try {
            more = keyStatement_->step();
        } catch (...) {
            endRead();
            throw;
        }
        if (!more) {
            endRead();
            return false;
        }
        keys_->push_back(keyStatement_->int64(0));
    }
    return true;
}

bool RecordSource::fetchKeysFor(int milliseconds) {
    QElapsedTimer slice;
    slice.start();
    while (fetchKeys(4096)) {
        if (slice.elapsed() >= milliseconds) {
            return false;
        }
    }
    return true;
}

void RecordSource::finishKeys() {
    while (fetchKeys(1 << 16)) {
    }
}

KeyList RecordSource::keys() const {
    return allKeysKnown() ? KeyList(keys_) : KeyList();
}

std::optional<qint64> RecordSource::keyAt(qint64 index) {
    if (index < 0 || index >= count_) {
        return std::nullopt;
    }
    while (index >= qint64(keys_->size()) && keyStatement_) {
        fetchKeys(kPageRows * 8);
    }
    if (index >= qint64(keys_->size())) {
        return std::nullopt;
    }
    return (*keys_)[std::size_t(index)];
}

RecordSource::Page& RecordSource::page(qint64 number) {
    const auto found = pages_.find(number);
    if (found != pages_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second.second);
        return found->second.first;
    }
    Page rows;
    const qint64 first = number * kPageRows;
    const qint64 last = std::min(count_, first + kPageRows);
    rows.reserve(std::size_t(last - first));
    std::vector<std::optional<qint64>> keys;
    std::vector<qint64> known;
    keys.reserve(std::size_t(last - first));
    for (qint64 i = first; i < last; ++i) {
        keys.push_back(keyAt(i));
        if (keys.back()) {
            known.push_back(*keys.back());
        }
    }
    lookup_->expect(known);
    for (const std::optional<qint64>& key : keys) {
        if (!key) {
            rows.push_back(missing_);
            continue;
        }
        RecordRow row;
        row.rowid = *key;
        row.null.fill(true);
        if (const RowValues* values = lookup_->find(*key)) {
            decodeRow(*values, row);
        }
        // At once: a statement left on its row would hold the read open.
        lookup_->release();
        rows.push_back(std::move(row));
    }
    if (pages_.size() >= kPagesKept) {
        pages_.erase(recent_.back());
        recent_.pop_back();
    }
    recent_.push_front(number);
    auto& slot = pages_[number];
    slot.first = std::move(rows);
    slot.second = recent_.begin();
    return slot.first;
}

const RecordRow& RecordSource::row(qint64 index) {
    if (index < 0 || index >= count_) {
        return missing_;
    }
    Page& rows = page(index / kPageRows);
    const std::size_t offset = std::size_t(index % kPageRows);
    return offset < rows.size() ? rows[offset] : missing_;
}

void RecordSource::setReimburser(qint64 index, const QString& name) {
    const auto found = pages_.find(index / kPageRows);
    if (found == pages_.end()) {
        return;  // read afresh from the table when next shown
    }
    RecordRow& row = found->second.first[std::size_t(index % kPageRows)];
    row.text[kReimburser] = name;
    row.null[kReimburser] = false;
}

}  // namespace records
