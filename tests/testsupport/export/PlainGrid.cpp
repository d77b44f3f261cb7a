#include "export/PlainGrid.h"

#include "base/AppError.h"
#include "base/LocaleFormats.h"
#include "invoice/Amount.h"
#include "invoice/EntryMode.h"
#include "records/RecordColumns.h"

namespace exportgrid {

QList<Column> recordsColumns(const SystemColours& colours) {
    // The grid font's digits are 6 pixels wide.
    constexpr int kDigitWidth = 6;
    Font font;
    font.color = colours.windowText;
    QList<Column> columns;
    // The formats are tested on the grid's first seven columns, those the records were designed
    // with; the claim's column is one more text column.
    for (int i = 0; i <= records::kEntryMode; ++i) {
        const records::ColumnInfo& d = records::columns()[std::size_t(i)];
        Column c;
        c.title = d.title;
        c.titleAlignment = d.titleAlignment;
        c.alignment = d.alignment;
        c.width = d.width > 0 ? d.width : records::defaultColumnWidth(kDigitWidth);
        c.titleFont = font;
        c.font = font;
        c.titleColor = colours.buttonFace;
        c.color = colours.window;
        c.fieldType = d.fieldType;
        columns << c;
    }
    return columns;
}

Cell nullCell() {
    return Cell{};
}

Cell textCell(const QString& text) {
    Cell cell;
    cell.isNull = false;
    cell.displayText = text;
    cell.rawText = text;
    return cell;
}

Cell amountCell(std::optional<qint64> tenThousandths) {
    if (!tenThousandths) {
        return nullCell();
    }
    Cell cell = textCell(amount::toShortestText(*tenThousandths));
    cell.number = amount::toDouble(*tenThousandths);
    return cell;
}

Cell dateTimeCell(std::optional<QDateTime> value) {
    if (!value) {
        return nullCell();
    }
    Cell cell;
    cell.isNull = false;
    cell.displayText = localefmt::dateTimeDisplay(*value);
    cell.rawText = localefmt::storageText(*value);
    return cell;
}

Cell integerCell(qint64 value) {
    Cell cell = textCell(QString::number(value));
    cell.integer = value;
    return cell;
}

Cell entryModeCell(int mode) {
    Cell cell = textCell(entrymode::displayText(mode));
    cell.rawText = QString::number(mode);
    return cell;
}

class PlainGrid::Cursor final : public RowCursor {
public:
    explicit Cursor(PlainGrid& grid) : grid_(grid) {}

    bool next() override {
        ++position_;
        if (position_ >= grid_.rowCount()) {
            return false;
        }
        if (grid_.failRow_ && *grid_.failRow_ == position_) {
            throw AppError(grid_.failMessage_);
        }
        grid_.currentRow_ = position_;
        row_ = grid_.sourceCount_ >= 0 ? grid_.source_(position_) : grid_.held_.at(position_);
        return true;
    }

    Cell cell(int column) const override { return row_.at(grid_.fieldOf_.at(column)); }

private:
    PlainGrid& grid_;
    qint64 position_ = -1;
    QList<Cell> row_;
};

PlainGrid::PlainGrid(QList<Column> columns, SystemColours colours)
    : fixed(colours.buttonFace), columns_(std::move(columns)) {
    for (int i = 0; i < columns_.size(); ++i) {
        fieldOf_ << i;
    }
}

void PlainGrid::moveColumn(int from, int to) {
    columns_.move(from, to);
    fieldOf_.move(from, to);
}

void PlainGrid::addRow(QList<Cell> cells) {
    held_ << std::move(cells);
}

void PlainGrid::setRowSource(qint64 count, RowSource source) {
    sourceCount_ = count;
    source_ = std::move(source);
}

void PlainGrid::failAtRow(qint64 row, const QString& message) {
    failRow_ = row;
    failMessage_ = message;
}

qint64 PlainGrid::rowCount() const {
    return sourceCount_ >= 0 ? sourceCount_ : held_.size();
}

std::unique_ptr<RowCursor> PlainGrid::rows() {
    return std::make_unique<Cursor>(*this);
}

void PlainGrid::beginExport() {
    savedRow_ = currentRow_;
    exporting_ = true;
    ++exportsBegun_;
}

void PlainGrid::endExport() {
    currentRow_ = savedRow_;
    exporting_ = false;
}

}  // namespace exportgrid
