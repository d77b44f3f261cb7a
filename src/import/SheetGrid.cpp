#include "import/SheetGrid.h"

#include "shell/AppError.h"

namespace {

constexpr quint32 kMaxColumns = 256;
// Any grid up to about 40 MB of cells is laid out; a larger one needs one cell in the file for
// every 64 cells of the grid.
constexpr qsizetype kFreeGridCells = qsizetype(1) << 20;
constexpr qsizetype kGridCellsPerFileCell = 64;

}  // namespace

void SheetGrid::include(quint32 row, quint32 column) {
    if (row >= quint32(maxRows_) || column >= kMaxColumns) {
        throw AppError(
            QStringLiteral("a cell lies outside the %1 rows and 256 columns a worksheet can have")
                .arg(maxRows_));
    }
    rows_ = qMax(rows_, qsizetype(row) + 1);
    columns_ = qMax(columns_, qsizetype(column) + 1);
}

void SheetGrid::put(quint32 row, quint32 column, workbook::Cell cell) {
    include(row, column);
    cells_.append(Placed{quint16(row), quint16(column), std::move(cell)});
    ++cellsInFile_;
}

void SheetGrid::extend(quint32 row, quint32 lastColumn, qsizetype cells) {
    include(row, lastColumn);
    cellsInFile_ += cells;
}

workbook::Sheet SheetGrid::finish(const QString& name) {
    const qsizetype gridCells = rows_ * columns_;
    if (gridCells > qMax(kFreeGridCells, kGridCellsPerFileCell * cellsInFile_)) {
        throw AppError(QStringLiteral("its %1 cells are spread over %2 rows and %3 columns")
                           .arg(cellsInFile_)
                           .arg(rows_)
                           .arg(columns_));
    }
    workbook::Sheet sheet;
    if (!name.isEmpty()) {
        sheet.name = name;
    }
    sheet.columnCount = int(columns_);
    sheet.rows.resize(rows_);
    for (QList<workbook::Cell>& row : sheet.rows) {
        row.resize(columns_);
    }
    // A later record for the same cell wins, as it does in a spreadsheet program.
    for (Placed& placed : cells_) {
        sheet.rows[placed.row][placed.column] = std::move(placed.cell);
    }
    cells_.clear();
    return sheet;
}
