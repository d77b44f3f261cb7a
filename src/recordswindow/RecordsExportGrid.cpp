#include "recordswindow/RecordsExportGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "invoice/Amount.h"
#include "records/RecordsModel.h"
#include "records/ResultReader.h"
#include "recordswindow/RecordsGrid.h"

namespace {

exportgrid::Rgb rgb(const QColor& color) {
    return {color.red(), color.green(), color.blue()};
}

// Walks every row of the result in grid order on a connection of its own, one row in memory at a
// time; made on the UI thread, used on the export's thread.
class Cursor final : public exportgrid::RowCursor {
public:
    Cursor(records::StoreAddress store, records::QuerySpec spec, records::KeyList keys,
           QList<int> columns)
        : store_(std::move(store)),
          spec_(std::move(spec)),
          keys_(std::move(keys)),
          columns_(std::move(columns)) {}

    bool next() override {
        if (!reader_) {
            connection_ = records::openRecordConnection(store_);
            reader_.emplace(*connection_, spec_, keys_);
            reader_->start(0, true);
        }
        return reader_->next();
    }

    exportgrid::Cell cell(int column) const override {
        exportgrid::Cell cell;
        if (!reader_ || column < 0 || column >= columns_.size()) {
            return cell;
        }
        const records::RecordRow& row = reader_->row();
        const auto field = std::size_t(columns_[column]);
        cell.isNull = row.null[field];
        cell.displayText = row.text[field];
        cell.rawText = row.text[field];
        if (field == records::kAmount && row.amount) {
            cell.number = amount::toDouble(*row.amount);
            cell.integer = *row.amount / amount::kScale;
        }
        return cell;
    }

private:
    records::StoreAddress store_;
    records::QuerySpec spec_;
    records::KeyList keys_;
    QList<int> columns_;
    // Declared in this order so that the reader ends its read before its connection closes.
    std::unique_ptr<records::RecordConnection> connection_;
    mutable std::optional<records::ResultReader> reader_;
};

}  // namespace

RecordsExportGrid::RecordsExportGrid(RecordsGrid* view, records::RecordsModel* model)
    : view_(view), model_(model) {}

QString RecordsExportGrid::name() const {
    return view_->objectName();
}

bool RecordsExportGrid::showsLines() const {
    return view_->showGrid();
}

exportgrid::Rgb RecordsExportGrid::fixedColor() const {
    return rgb(view_->palette().color(QPalette::Button));
}

QList<exportgrid::Column> RecordsExportGrid::columns() const {
    const QPalette palette = view_->palette();
    exportgrid::Font font;
    font.name = QStringLiteral("MS Sans Serif");  // the grid font as designed
    font.pointSize = 8;                           // 11 pixels at 96 dpi
    font.color = rgb(palette.color(QPalette::Text));
    QList<exportgrid::Column> result;
    for (int logical : view_->visibleColumns()) {
        const records::ColumnInfo& info = records::columns()[std::size_t(logical)];
        exportgrid::Column column;
        column.title = info.title;
        column.titleAlignment = info.titleAlignment;
        column.alignment = info.alignment;
        column.width = view_->horizontalHeader()->sectionSize(logical);
        column.titleFont = font;
        column.font = font;
        column.titleColor = rgb(palette.color(QPalette::Button));
        column.color = rgb(palette.color(QPalette::Base));
        column.fieldType = info.fieldType;
        result << column;
    }
    return result;
}

qint64 RecordsExportGrid::rowCount() const {
    return model_->source().rowCount();
}

bool RecordsExportGrid::prepareRows() {
    return model_->source().fetchKeysFor(kPrepareSliceMs);
}

std::unique_ptr<exportgrid::RowCursor> RecordsExportGrid::rows() {
    records::RecordSource& source = model_->source();
    source.finishKeys();  // at once when not prepared
    return std::make_unique<Cursor>(source.connection().address(), source.spec(), source.keys(),
                                    view_->visibleColumns());
}

void RecordsExportGrid::beginExport() {
    current_ = view_->currentIndex();
    updates_ = view_->updatesEnabled();
    view_->setUpdatesEnabled(false);
}

void RecordsExportGrid::endExport() {
    if (current_.isValid() && view_->currentIndex() != current_) {
        view_->setCurrentIndex(current_);
    }
    view_->setUpdatesEnabled(updates_);
}

void RecordsExportGrid::selectAllRows() {
    const int rows = model_->rowCount();
    if (rows == 0) {
        return;
    }
    const QItemSelection all(model_->index(0, 0),
                             model_->index(rows - 1, model_->columnCount() - 1));
    view_->selectionModel()->select(all, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void RecordsExportGrid::clearRowSelection() {
    view_->selectionModel()->clearSelection();
}
