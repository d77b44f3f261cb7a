#pragma once

#include <QAbstractTableModel>
#include <QTimer>
#include <exception>
#include <memory>

#include "records/RecordSource.h"

class LongTask;

namespace records {

// The records grid's model over a lazy record source: the exact row count at once, the rows'
// texts as the view asks for them. While keys remain unread they are read in short slices
// whenever the event loop is idle, so that the search's read ends soon without a long wait.
// A search in another order than 报销时间 newest first is sorted by the engine, which takes
// seconds at a million rows: it runs on a thread of its own and a connection of its own, and the
// rows shown stay until its keys are all there.
class RecordsModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    // The field's unformatted text (the find dialog's "忽略格式" off).
    static constexpr int RawTextRole = Qt::UserRole + 1;

    explicit RecordsModel(RecordConnection& connection, QObject* parent = nullptr);
    ~RecordsModel() override;

    // Runs a search, its rows in the model's order; resultShown() follows once they are there.
    // In the default order it runs at once: the model is empty when it fails, and the error is
    // thrown. In another it runs in the background: searchStarted() comes at once, and a
    // failure is thrown by rethrowFailure().
    void run(const QuerySpec& spec);
    // Orders the rows of this and every later search so; the search shown runs again in that
    // order (the store sorts). Throws as run does.
    void sortBy(const SortOrder& sort);
    const SortOrder& sortOrder() const { return sort_; }
    void clear();

    // A search runs in the background.
    bool searching() const { return task_ != nullptr; }
    // Gives up the background search; the rows shown stay.
    void cancelSearch();
    // The error of the last background search, thrown once.
    void rethrowFailure();

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

signals:
    void searchStarted();
    // A search has ended: its rows are shown, or in the background it failed (the model is
    // then empty) or was given up (the earlier rows stay). A search that fails at once throws
    // instead.
    void resultShown();

private:
    void readKeysWhileIdle();
    void showFound();

    struct Background;
    mutable RecordSource source_;
    QTimer idle_;
    SortOrder sort_;
    bool searched_ = false;  // a search has run
    std::unique_ptr<LongTask> task_;
    std::shared_ptr<Background> background_;  // shared with the task's thread
    std::exception_ptr failure_;
};

}  // namespace records
