#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringEncoder>

#include "base/AppError.h"
#include "export/ExportGrid.h"
#include "export/OutputStream.h"

// The export framework: walks a grid's visible columns and every row of its result, and lets
// each format (a file each) write the pieces.

// What WriteRecord hands to WriteDataCell for one cell; one record is reused for every cell.
struct CellParams {
    QString Text;
    exportgrid::Alignment Alignment = exportgrid::Alignment::Left;
    exportgrid::Rgb Background;
    exportgrid::Font Font;
    exportgrid::Cell Value;  // the field behind the cell: null flag and typed value
};

class GridExport {
public:
    GridExport();
    virtual ~GridExport();
    GridExport(const GridExport&) = delete;
    GridExport& operator=(const GridExport&) = delete;

    void setGrid(exportgrid::Grid* grid) { ExportedGrid = grid; }

    // Only the walk over every row exists (exportAll true): the grid offers no row selection
    // to walk instead, and no caller asks for one.
    virtual void ExportToStream(exportio::OutputStream& stream, bool exportAll);
    // Creates (or empties) the file, exports into it and closes it, after a failure too.
    virtual void ExportToFile(const QString& fileName, bool exportAll);

protected:
    virtual void CalcFooterValues();
    virtual void WritePrefix();
    virtual void WriteSuffix();
    virtual void WriteTitle(const QList<exportgrid::Column>& columns);
    virtual void WriteRecord(const QList<exportgrid::Column>& columns);
    virtual void WriteDataCell(const exportgrid::Column& column, CellParams& params);
    // The records grid has no footer rows; these are here for the format's completeness.
    virtual void WriteFooter(const QList<exportgrid::Column>& columns, int footerRow);
    virtual void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                                 const exportgrid::Font& font, exportgrid::Rgb background,
                                 exportgrid::Alignment alignment, const QString& text);

    // The byte form of a text in the files, GBK. The result lives until the next call: one
    // buffer and one converter serve the whole export.
    const QByteArray& gbk(QStringView text);
    void putGbk(QStringView text) { Stream->write(gbk(text)); }

    int footerRowCount() const { return 0; }

    exportgrid::Grid* ExportedGrid = nullptr;  // the grid being exported
    exportio::OutputStream* Stream = nullptr;
    QList<exportgrid::Column> ExpCols;
    CellParams cellParams_;

    // The row being written, while the export walks the rows.
    const exportgrid::RowCursor* CurrentRow = nullptr;

private:
    QStringEncoder encoder_{"GBK", QStringConverter::Flag::Stateless};
    QByteArray scratch_;
};

// The refusal of a result with more records than a sheet of a spreadsheet format takes.
AppError tooManyRecordsForSheet(qint64 count, qint64 limit);
