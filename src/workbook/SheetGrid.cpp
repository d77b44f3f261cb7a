#include "workbook/SheetGrid.h"

#include "base/AppError.h"
#include "workbook/Sheet.h"
#include "workbook/WorkbookRefusal.h"

namespace {

constexpr quint32 kMaxColumns = 256;
// Any grid up to about 40 MB of cells is laid out; a larger one needs one cell in the file for
// every 64 cells of the grid.
constexpr qsizetype kFreeGridCells = qsizetype(1) << 20;
constexpr qsizetype kGridCellsPerFileCell = 64;

}  // namespace

workbook::Cell& SheetGrid::at(quint32 row, quint32 column) {
    if (row >= quint32(maxRows_) || column >= kMaxColumns) {
        throw workbook::unreadable(
            QStringLiteral("工作表超出了%1行、256列的限制，文件可能已损坏。").arg(maxRows_));
    }
    if (rows_.size() <= qsizetype(row)) {
        rows_.resize(qsizetype(row) + 1);
    }
    columns_ = qMax(columns_, qsizetype(column) + 1);
    QList<workbook::Cell>& cells = rows_[row];
    if (cells.size() <= qsizetype(column)) {
        const qsizetype grown = laidOut_ + qsizetype(column) + 1 - cells.size();
        checkProportion(grown, cellsInFile_ + 1);
        laidOut_ = grown;
        cells.resize(qsizetype(column) + 1);
    }
    return cells[column];
}

void SheetGrid::checkProportion(qsizetype gridCells, qsizetype fileCells) const {
    if (gridCells > qMax(kFreeGridCells, kGridCellsPerFileCell * fileCells)) {
        throw workbook::unreadable(
            QStringLiteral("工作表的%1个单元格分散在%2行、%3列中，文件可能已损坏。")
                .arg(fileCells)
                .arg(rows_.size())
                .arg(columns_));
    }
}

void SheetGrid::put(quint32 row, quint32 column, workbook::Cell cell) {
    at(row, column) = std::move(cell);
    ++cellsInFile_;
}

void SheetGrid::extend(quint32 row, quint32 lastColumn, qsizetype cells) {
    at(row, lastColumn);
    cellsInFile_ += cells;
}

workbook::Sheet SheetGrid::finish(const QString& name) {
    checkProportion(rows_.size() * columns_, cellsInFile_);
    workbook::Sheet sheet;
    if (!name.isEmpty()) {
        sheet.name = name;
    }
    sheet.columnCount = int(columns_);
    for (QList<workbook::Cell>& cells : rows_) {
        cells.resize(columns_);
    }
    sheet.rows = std::move(rows_);
    return sheet;
}
