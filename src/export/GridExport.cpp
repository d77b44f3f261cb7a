#include "export/GridExport.h"

#include <cstring>
#include <stdexcept>

using exportgrid::Column;

GridExport::GridExport() = default;
GridExport::~GridExport() = default;

const QByteArray& GridExport::gbk(QStringView text) {
    // Most cells are digits and dates: spare them the converter.
    const qsizetype length = text.size();
    scratch_.resize(length);
    char* out = scratch_.data();
    for (qsizetype i = 0; i < length; ++i) {
        const char16_t ch = text[i].unicode();
        if (ch >= 0x80) {
            scratch_.resize(encoder_.requiredSpace(length));
            char* end = encoder_.appendToBuffer(scratch_.data(), text);
            scratch_.truncate(end - scratch_.constData());
            return scratch_;
        }
        out[i] = char(ch);
    }
    return scratch_;
}

void GridExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    if (!exportAll) {
        throw std::invalid_argument("only the export of every row is supported");
    }
    Stream = &stream;
    ExportedGrid->beginExport();
    try {
        ExpCols = ExportedGrid->columns();
        WritePrefix();
        WriteTitle(ExpCols);
        const std::unique_ptr<exportgrid::RowCursor> cursor = ExportedGrid->rows();
        CurrentRow = cursor.get();
        while (cursor->next()) {
            WriteRecord(ExpCols);
            CalcFooterValues();
        }
        CurrentRow = nullptr;
        for (int row = 0; row < footerRowCount(); ++row) {
            WriteFooter(ExpCols, row);
        }
    } catch (...) {
        CurrentRow = nullptr;
        ExportedGrid->endExport();
        throw;
    }
    ExportedGrid->endExport();
    WriteSuffix();
}

void GridExport::ExportToFile(const QString& fileName, bool exportAll) {
    exportio::FileOutputStream file(fileName);
    try {
        ExportToStream(file, exportAll);
    } catch (...) {
        // The file keeps what was written; the export's own error is the one to report.
        try {
            file.close();
        } catch (...) {
        }
        throw;
    }
    file.close();
}

void GridExport::CalcFooterValues() {}
void GridExport::WritePrefix() {}
void GridExport::WriteSuffix() {}
void GridExport::WriteTitle(const QList<Column>&) {}

void GridExport::WriteRecord(const QList<Column>& columns) {
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        if (!(cellParams_.Font == column.font)) {
            cellParams_.Font = column.font;
        }
        cellParams_.Background = column.color;
        cellParams_.Alignment = column.alignment;
        cellParams_.Value = CurrentRow->cell(i);
        cellParams_.Text = cellParams_.Value.displayText;
        WriteDataCell(column, cellParams_);
    }
}

void GridExport::WriteDataCell(const Column&, CellParams&) {}
void GridExport::WriteFooter(const QList<Column>&, int) {}
void GridExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font&, exportgrid::Rgb,
                                 exportgrid::Alignment, const QString&) {}

AppError tooManyRecordsForSheet(qint64 count, qint64 limit) {
    return AppError(QStringLiteral("共%1条记录，超过Excel工作表的上限%2条，无法导出为Excel工作簿，"
                                   "请缩小查询范围后再导出!")
                        .arg(count)
                        .arg(limit));
}
