#include "records/RecordSource.h"

#include "store/EntryMode.h"

namespace records {

RowReader::RowReader(Database& db)
    : statement_(db.prepare(
          QStringLiteral("select 发票代码, 发票号码, 开票金额, 开票日期, 报销时间, 报销人, %1 as "
                         "录入方式 from 发票报销 where rowid = ?1")
              .arg(entrymode::displaySql()))) {}

RecordRow RowReader::read(qint64 rowid) {
    RecordRow row;
    row.rowid = rowid;
    row.null.fill(true);
    statement_.bind(1, rowid);
    if (statement_.step()) {
        row.present = true;
        for (int c = 0; c < kColumnCount; ++c) {
            row.null[c] = statement_.isNull(c);
            if (row.null[c]) {
                continue;
            }
            if (c == kAmount) {
                row.amount = statement_.int64(c);
                row.text[c] = amountText(*row.amount);
            } else if (c == kReimbursedAt) {
                row.text[c] = reimbursedAtText(statement_.text(c));
            } else {
                row.text[c] = statement_.text(c);
            }
        }
    }
    // Reset at once: a statement left on its row would hold the read open.
    statement_.reset();
    return row;
}

RecordSource::RecordSource(Database& db) : db_(db), reader_(db) {
    missing_.null.fill(true);
}

RecordSource::~RecordSource() = default;

void RecordSource::clear() {
    keys_.reset();
    knownKeys_.clear();
    knownKeys_.shrink_to_fit();
    count_ = 0;
    pages_.clear();
    recent_.clear();
}

void RecordSource::run(const QuerySpec& spec) {
    clear();
    try {
        keys_.emplace(db_.prepare(keyStatement(spec)));
        for (int i = 0; i < spec.params.size(); ++i) {
            keys_->bind(i + 1, spec.params[i]);
        }
        if (fetchKeys(kPageRows)) {
            // Counted while the key statement holds the read: the same snapshot.
            Statement count = db_.prepare(countStatement(spec));
            for (int i = 0; i < spec.params.size(); ++i) {
                count.bind(i + 1, spec.params[i]);
            }
            count.step();
            count_ = count.int64(0);
        } else {
            count_ = qint64(knownKeys_.size());
        }
    } catch (...) {
        clear();
        throw;
    }
}

bool RecordSource::fetchKeys(qint64 max) {
    if (!keys_) {
        return false;
    }
    for (qint64 i = 0; i < max; ++i) {
        bool more = false;
        try {
            more = keys_->step();
        } catch (...) {
            keys_.reset();
            throw;
        }
        if (!more) {
            keys_.reset();
            return false;
        }
        knownKeys_.push_back(keys_->int64(0));
    }
    return true;
}

void RecordSource::finishKeys() {
    while (fetchKeys(1 << 16)) {
    }
}

std::optional<qint64> RecordSource::keyAt(qint64 index) {
    if (index < 0 || index >= count_) {
        return std::nullopt;
    }
    while (index >= qint64(knownKeys_.size()) && keys_) {
        fetchKeys(kPageRows * 8);
    }
    if (index >= qint64(knownKeys_.size())) {
        return std::nullopt;
    }
    return knownKeys_[std::size_t(index)];
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
    for (qint64 i = first; i < last; ++i) {
        const std::optional<qint64> key = keyAt(i);
        rows.push_back(key ? reader_.read(*key) : missing_);
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
