#pragma once

#include <QAbstractTableModel>
#include <QTimer>

#include "records/RecordSource.h"

namespace records {

// The records grid's model over a lazy record source: the exact row count at once, the rows'
// texts as the view asks for them. While keys remain unread they are read in short slices
// whenever the event loop is idle, so that the search's read ends soon without a long wait.
class RecordsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // The field's unformatted text (the find dialog's "忽略格式" off).
    static constexpr int RawTextRole = Qt::UserRole + 1;

    explicit RecordsModel(RecordConnection& connection, QObject* parent = nullptr);

    // Runs a search, its rows in the model's order; the model is empty when it fails, and the
    // error is thrown.
    void run(const QuerySpec& spec);
    // Orders the rows of this and every later search so; the search shown runs again in that
    // order (the store sorts). Throws as run does.
    void sortBy(const SortOrder& sort);
    const SortOrder& sortOrder() const { return sort_; }
    void clear();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const RecordRow& row(int index) const { return source_.row(index); }
    RecordSource& source() { return source_; }

    // Writes a new reimburser into the table row that grid row index shows (found by its code
    // and number) and shows it in place.
    void correctReimburser(int index, const QString& name);

private:
    void readKeysWhileIdle();

    mutable RecordSource source_;
    QTimer idle_;
    SortOrder sort_;
    bool searched_ = false;  // a search has run
};

}  // namespace records
