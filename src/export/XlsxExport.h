#pragma once

#include <memory>

#include "export/GridExport.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// The grid as an Excel 2007 workbook (.xlsx) of one sheet, written by libxlsxwriter in its
// constant-memory mode: one row in memory at a time, whatever the size of the result. The
// title row, aligned as the grid's titles, then one row per record: amounts and other numbers
// as numbers, 报销时间 as a date-time shown in the locale formats, everything else as text;
// each column as wide as in the grid. Data cells keep the spreadsheet's own alignment: the
// library hashes a cell's format at every cell, which would double the time of an export.
class XlsxExport : public GridExport {
public:
    // A sheet has 1,048,576 rows, the title row among them.
    static constexpr qint64 kMaxRecords = 1048575;

    XlsxExport();
    ~XlsxExport() override;

    // The workbook is packed into a temporary file, then copied into the stream.
    void ExportToStream(exportio::OutputStream& stream, bool exportAll) override;
    // Refuses an oversized result before the file is created, so an existing file survives.
    void ExportToFile(const QString& fileName, bool exportAll) override;

protected:
    void WritePrefix() override;
    void WriteSuffix() override;
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteRecord(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, CellParams& params) override;

private:
    struct WorkbookCloser {
        void operator()(lxw_workbook* workbook) const;
    };

    void checkRowCount() const;
    void writeText(const QString& text, lxw_format* format);
    void check(int error) const;

    std::unique_ptr<lxw_workbook, WorkbookCloser> workbook_;
    lxw_worksheet* sheet_ = nullptr;
    QList<lxw_format*> titleFormats_;
    lxw_format* dateTimeFormat_ = nullptr;
    QByteArray utf8_;
    quint32 row_ = 0;
    quint16 col_ = 0;
};
