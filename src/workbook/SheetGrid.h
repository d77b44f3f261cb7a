#pragma once

#include <QList>

#include "workbook/Sheet.h"

// Lays out the cells of a worksheet as they come. A sheet has at most maxRows rows and 256
// columns, and its grid (every row padded to the widest) may not be out of all proportion to
// the cells the file holds: a few cells far apart would otherwise cost hundreds of megabytes.
class SheetGrid {
public:
    explicit SheetGrid(int maxRows) : maxRows_(maxRows) {}

    // Throws AppError when the cell lies outside the sheet's limits. A later cell in the same
    // place wins, as it does in a spreadsheet program.
    void put(quint32 row, quint32 column, workbook::Cell cell);
    // Empty cells with a style: they widen the sheet and hold nothing.
    void extend(quint32 row, quint32 lastColumn, qsizetype cells);
    // Throws AppError when the padded grid would be out of proportion.
    workbook::Sheet finish(const QString& name);

private:
    workbook::Cell& at(quint32 row, quint32 column);
    void checkProportion(qsizetype gridCells, qsizetype fileCells) const;

    int maxRows_;
    QList<QList<workbook::Cell>> rows_;
    qsizetype columns_ = 0;
    qsizetype laidOut_ = 0;  // cells in rows_ so far
    qsizetype cellsInFile_ = 0;
};
