#include "records/TrailPages.h"

#include <memory>

#include "base/LocaleFormats.h"
#include "store/InvoiceStore.h"

namespace records {

namespace {

// The store of the reading thread, opened there at its first page.
class TrailReader final : public QObject {
public:
    trail::Lines read(const trail::Filter& filter, qsizetype limit) {
        if (!store_) {
            store_ = openInvoiceStore(StoreUse::Reading);
        }
        return store_->readTrail(filter, limit);
    }

private:
    std::unique_ptr<InvoiceStore> store_;
};

const QStringList& headings() {
    static const QStringList all = {
        QStringLiteral("时间"),     QStringLiteral("操作"), QStringLiteral("发票代码"),
        QStringLiteral("发票号码"), QStringLiteral("内容"), QStringLiteral("用户"),
        QStringLiteral("计算机"),   QStringLiteral("版本"), QStringLiteral("数据库用户")};
    return all;
}

QString text(const trail::Entry& e, int column) {
    switch (column) {
        case 0:
            return localefmt::dateTimeText(e.at);
        case 1:
            return e.action;
        case 2:
            return e.code;
        case 3:
            return e.number;
        case 4:
            return e.summary();
        case 5:
            return e.actor.user;
        case 6:
            return e.actor.host;
        case 7:
            return e.actor.version;
        default:
            return e.databaseUser;
    }
}

}  // namespace

TrailPages::TrailPages(QObject* parent) : QAbstractTableModel(parent) {
    reader_ = new TrailReader;
    reader_->moveToThread(&thread_);
    thread_.start();
}

TrailPages::~TrailPages() {
    thread_.quit();
    thread_.wait();
    delete reader_;
}

void TrailPages::show(const trail::Filter& filter) {
    beginResetModel();
    ++generation_;
    filter_ = filter;
    entries_.clear();
    anyDatabaseUser_ = false;
    error_ = trail::Lines();
    complete_ = false;
    reading_ = false;
    endResetModel();
    readNextPage();
}

void TrailPages::readNextPage() {
    if (reading_ || complete_) {
        return;
    }
    reading_ = true;
    const trail::Filter filter =
        entries_.isEmpty() ? filter_ : filter_.following(entries_.constLast().position());
    const quint64 generation = generation_;
    auto* reader = static_cast<TrailReader*>(reader_);
    QMetaObject::invokeMethod(
        reader,
        [this, reader, filter, generation] {
            const trail::Lines lines = reader->read(filter, kPageLines);
            QMetaObject::invokeMethod(
                this, [this, generation, lines] { arrived(generation, lines); },
                Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
}

void TrailPages::arrived(quint64 generation, const trail::Lines& lines) {
    if (generation != generation_) {
        return;  // a page of an earlier listing
    }
    reading_ = false;
    if (!lines.ok) {
        error_ = lines;
        complete_ = true;
        emit pageRead();
        return;
    }
    complete_ = !lines.truncated;
    if (!lines.entries.isEmpty()) {
        beginInsertRows(QModelIndex(), int(entries_.size()),
                        int(entries_.size() + lines.entries.size() - 1));
        for (const trail::Entry& e : lines.entries) {
            anyDatabaseUser_ = anyDatabaseUser_ || !e.databaseUser.isEmpty();
        }
        entries_ << lines.entries;
        endInsertRows();
    }
    emit pageRead();
}

int TrailPages::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

int TrailPages::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(headings().size());
}

QVariant TrailPages::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= entries_.size()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return text(entries_[index.row()], index.column());
    }
    if (role == Qt::ToolTipRole && index.column() == kContentColumn) {
        return entries_[index.row()].summary();  // a long reason is cut in the list
    }
    return {};
}

QVariant TrailPages::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= headings().size()) {
        return {};
    }
    return headings()[section];
}

bool TrailPages::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !complete_ && !reading_;
}

void TrailPages::fetchMore(const QModelIndex& parent) {
    if (!parent.isValid()) {
        readNextPage();
    }
}

}  // namespace records
