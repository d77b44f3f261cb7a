#include "records/RecordsExportGrid.h"

#include <QHeaderView>
#include <QItemSelectionModel>

#include "records/RecordsGrid.h"
#include "records/RecordsModel.h"
#include "store/Amount.h"

namespace {

exportgrid::Rgb rgb(const QColor& color) {
    return {color.red(), color.green(), color.blue()};
}

// Walks every row of the result by its key, one row in memory at a time.
class Cursor final : public exportgrid::RowCursor {
public:
    Cursor(records::RecordSource& source, QList<int> columns)
        : source_(source), reader_(source.database()), columns_(std::move(columns)) {}

    bool next() override {
        if (index_ + 1 >= source_.rowCount()) {
            index_ = source_.rowCount();
            return false;
        }
        ++index_;
        const std::optional<qint64> key = source_.keyAt(index_);
        row_ = key ? reader_.read(*key) : records::RecordRow{};
        if (!key) {
            row_.null.fill(true);
        }
        return true;
    }

    exportgrid::Cell cell(int column) const override {
        exportgrid::Cell cell;
        if (column < 0 || column >= columns_.size()) {
            return cell;
        }
        const auto field = std::size_t(columns_[column]);
        cell.isNull = row_.null[field];
        cell.displayText = row_.text[field];
        cell.rawText = row_.text[field];
        if (field == records::kAmount && row_.amount) {
            cell.number = amount::toDouble(*row_.amount);
            cell.integer = *row_.amount / amount::kScale;
        }
        return cell;
    }

private:
    records::RecordSource& source_;
    records::RowReader reader_;
    QList<int> columns_;
    qint64 index_ = -1;
    records::RecordRow row_;
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

std::unique_ptr<exportgrid::RowCursor> RecordsExportGrid::rows() {
    return std::make_unique<Cursor>(model_->source(), view_->visibleColumns());
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
