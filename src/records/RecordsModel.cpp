#include "records/RecordsModel.h"

#include <QElapsedTimer>
#include <mutex>

#include "base/LongTask.h"

namespace records {

namespace {

Qt::Alignment toQt(exportgrid::Alignment alignment) {
    switch (alignment) {
        case exportgrid::Alignment::Right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case exportgrid::Alignment::Center:
            return Qt::AlignCenter;
        case exportgrid::Alignment::Left:
            break;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

// What a background search shares with its thread: the keys it found, and the connection it
// reads on while it reads, so that a cancel can stop the engine.
struct RecordsModel::Background {
    QuerySpec spec;
    std::vector<qint64> keys;
    std::mutex mutex;
    RecordConnection* reading = nullptr;
    bool givenUp = false;
};

RecordsModel::RecordsModel(RecordConnection& connection, QObject* parent)
    : QAbstractTableModel(parent), source_(connection) {
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &RecordsModel::readKeysWhileIdle);
}

RecordsModel::~RecordsModel() {
    cancelSearch();
}

void RecordsModel::run(const QuerySpec& spec) {
    cancelSearch();
    failure_ = nullptr;
    searched_ = true;
    const QuerySpec wanted = sorted(spec, sort_);
    if (!wanted.inTimeOrder()) {
        auto background = std::make_shared<Background>();
        background->spec = wanted;
        const StoreAddress address = source_.connection().address();
        task_ = std::make_unique<LongTask>(
            LongTask::Slice(), [background, address](TaskControl& control) {
                const std::unique_ptr<RecordConnection> connection = openRecordConnection(address);
                {
                    const std::lock_guard<std::mutex> lock(background->mutex);
                    if (background->givenUp) {
                        return;
                    }
                    background->reading = connection.get();
                }
                try {
                    background->keys = readAllKeys(*connection, background->spec);
                } catch (...) {
                    const std::lock_guard<std::mutex> lock(background->mutex);
                    background->reading = nullptr;
                    control.checkCancelled();
                    throw;
                }
                const std::lock_guard<std::mutex> lock(background->mutex);
                background->reading = nullptr;
            });
        background_ = background;
        connect(task_.get(), &LongTask::ended, this, &RecordsModel::showFound);
        task_->start();
        emit searchStarted();
        return;
    }
    idle_.stop();
    beginResetModel();
    try {
        source_.run(wanted);
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
    if (!source_.allKeysKnown()) {
        idle_.start();
    }
    emit resultShown();
}

void RecordsModel::showFound() {
    // The task is let go once its signal is over.
    LongTask* task = task_.release();
    task->deleteLater();
    const std::shared_ptr<Background> background = std::move(background_);
    if (task->outcome() == LongTask::Outcome::Failed) {
        try {
            task->wait();
        } catch (...) {
            failure_ = std::current_exception();
        }
        clear();
    } else if (task->outcome() == LongTask::Outcome::Finished) {
        idle_.stop();
        beginResetModel();
        source_.adopt(background->spec, std::move(background->keys));
        endResetModel();
    }
    emit resultShown();
}

void RecordsModel::cancelSearch() {
    if (!task_) {
        return;
    }
    {
        const std::lock_guard<std::mutex> lock(background_->mutex);
        background_->givenUp = true;
        if (background_->reading != nullptr) {
            background_->reading->interrupt();
        }
    }
    task_->cancel();  // ends it as cancelled: showFound lets it go
}

void RecordsModel::rethrowFailure() {
    if (failure_) {
        std::rethrow_exception(std::exchange(failure_, nullptr));
    }
}

void RecordsModel::sortBy(const SortOrder& sort) {
    sort_ = sort;
    if (searched_) {
        const QuerySpec shown = source_.spec();
        run(shown);
    }
}

void RecordsModel::clear() {
    idle_.stop();
    beginResetModel();
    source_.clear();
    endResetModel();
}

void RecordsModel::readKeysWhileIdle() {
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && slice.elapsed() < 10) {
        more = source_.fetchKeys(4096);
    }
    if (!more) {
        idle_.stop();
    }
}

int RecordsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(source_.rowCount());
}

int RecordsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant RecordsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole || role == RawTextRole) {
        // Every field's unformatted text is its display text here: no column has a display
        // format of its own.
        return source_.row(index.row()).text[std::size_t(index.column())];
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(toQt(columns()[std::size_t(index.column())].alignment));
    }
    return {};
}

QVariant RecordsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return columns()[std::size_t(section)].title;
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(toQt(columns()[std::size_t(section)].titleAlignment));
    }
    if (role == Qt::InitialSortOrderRole) {
        // A first click on 报销时间 keeps newest first; on any other column it sorts upwards.
        return int(section == kReimbursedAt ? Qt::DescendingOrder : Qt::AscendingOrder);
    }
    return {};
}

Qt::ItemFlags RecordsModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void RecordsModel::correctReimburser(int index, const QString& name) {
    const RecordRow shown = source_.row(index);
    // The write must not run inside the search's read, which may be older than the table.
    source_.finishKeys();
    idle_.stop();
    source_.connection().saveReimburser(shown.text[kCode], shown.text[kNumber], name);
    source_.setReimburser(index, name);
    emit dataChanged(this->index(index, kReimburser), this->index(index, kReimburser));
}

}  // namespace records
