#pragma once

#include <QList>

#include "import/Workbook.h"

// Gathers the cells of a worksheet as they come and lays them out as a Sheet at the end. A sheet
// has at most maxRows rows and 256 columns, and the laid-out grid (every row padded to the
// widest) may not be out of all proportion to the cells the file holds: a few cells far apart
// would otherwise cost hundreds of megabytes.
class SheetGrid {
public:
    explicit SheetGrid(int maxRows) : maxRows_(maxRows) {}

    // Throws AppError when the cell lies outside the sheet's limits.
    void put(quint32 row, quint32 column, workbook::Cell cell);
    // Empty cells with a style: they widen the sheet and hold nothing.
    void extend(quint32 row, quint32 lastColumn, qsizetype cells);
    // Throws AppError when the grid would be out of proportion.
    workbook::Sheet finish(const QString& name);

private:
    struct Placed {
        quint16 row;
        quint16 column;
        workbook::Cell cell;
    };
    void include(quint32 row, quint32 column);

    int maxRows_;
    QList<Placed> cells_;
    qsizetype rows_ = 0;
    qsizetype columns_ = 0;
    qsizetype cellsInFile_ = 0;
};
