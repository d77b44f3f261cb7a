#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringEncoder>
#include <memory>

#include "export/ExportGrid.h"
#include "export/OutputStream.h"
#include "shell/AppError.h"

// The export framework: walks a grid's visible columns and every row of its result, and lets
// each format write the pieces. Text (tab-separated) and CSV (quoted, ";"-separated) writers
// live here too; HTML, RTF and XLS have a file each.

// What WriteRecord hands to WriteDataCell for one cell; one record is reused for every cell.
struct TColCellParamsEh {
    QString Text;
    exportgrid::Alignment Alignment = exportgrid::Alignment::Left;
    exportgrid::Rgb Background;
    exportgrid::Font Font;
    exportgrid::Cell Value;  // the field behind the cell: null flag and typed value
};

class TDBGridEhExport {
public:
    TDBGridEhExport();
    virtual ~TDBGridEhExport();
    TDBGridEhExport(const TDBGridEhExport&) = delete;
    TDBGridEhExport& operator=(const TDBGridEhExport&) = delete;

    void setGrid(exportgrid::Grid* grid) { DBGridEh = grid; }

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
    virtual void WriteDataCell(const exportgrid::Column& column, TColCellParamsEh& params);
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

    exportgrid::Grid* DBGridEh = nullptr;
    exportio::OutputStream* Stream = nullptr;
    QList<exportgrid::Column> ExpCols;
    TColCellParamsEh FColCellParamsEh;

    // The row being written, while the export walks the rows.
    const exportgrid::RowCursor* CurrentRow = nullptr;

private:
    QStringEncoder encoder_{"GBK", QStringConverter::Flag::Stateless};
    QByteArray scratch_;
};

class TDBGridEhExportAsText : public TDBGridEhExport {
public:
    void ExportToStream(exportio::OutputStream& stream, bool exportAll) override;

protected:
    void WritePrefix() override {}
    void WriteSuffix() override {}
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteRecord(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, TColCellParamsEh& params) override;
    void WriteFooter(const QList<exportgrid::Column>& columns, int footerRow) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;
    virtual void CheckFirstRec();
    virtual void CheckFirstCell();

    bool FirstRec = true;
    bool FirstCell = true;
};

// The separator of the CSV writer; nothing in the program changes it.
inline constexpr char DBGridEhImpExpCsvSeparator = ';';

class TDBGridEhExportAsCSV : public TDBGridEhExportAsText {
public:
    TDBGridEhExportAsCSV();

protected:
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, TColCellParamsEh& params) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;
    void CheckFirstCell() override;

    // A text between double quotes, each double quote in it doubled.
    void putQuoted(const QString& text);

    char FSeparator;
};

// The exporter classes the export command chooses from.
enum class ExporterClass { Text, Csv, Html, Rtf, Xls, Xlsx };

std::unique_ptr<TDBGridEhExport> createExporter(ExporterClass exporterClass);

// The refusal of a result with more records than a sheet of a spreadsheet format takes.
AppError tooManyRecordsForSheet(qint64 count, qint64 limit);

// The one entry point: a fresh exporter of the class, on the grid, into the file.
void SaveDBGridEhToExportFile(ExporterClass exporterClass, exportgrid::Grid& grid,
                              const QString& fileName, bool exportAll);
