#include "records/RecordsModel.h"

#include <QElapsedTimer>

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

RecordsModel::RecordsModel(RecordConnection& connection, QObject* parent)
    : QAbstractTableModel(parent), source_(connection) {
    idle_.setInterval(0);
    connect(&idle_, &QTimer::timeout, this, &RecordsModel::readKeysWhileIdle);
}

void RecordsModel::run(const QuerySpec& spec) {
    idle_.stop();
    beginResetModel();
    try {
        searched_ = true;
        source_.run(sorted(spec, sort_));
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
    if (!source_.allKeysKnown()) {
        idle_.start();
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
