#include "export/DBGridEhExport.h"

#include <cstring>
#include <stdexcept>

#include "export/DBGridEhExportAsHTML.h"
#include "export/DBGridEhExportAsRTF.h"
#include "export/DBGridEhExportAsXLS.h"
#include "export/DBGridEhExportAsXLSX.h"

using exportgrid::Column;

TDBGridEhExport::TDBGridEhExport() = default;
TDBGridEhExport::~TDBGridEhExport() = default;

const QByteArray& TDBGridEhExport::gbk(QStringView text) {
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

void TDBGridEhExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    if (!exportAll) {
        throw std::invalid_argument("only the export of every row is supported");
    }
    Stream = &stream;
    DBGridEh->beginExport();
    try {
        ExpCols = DBGridEh->columns();
        WritePrefix();
        WriteTitle(ExpCols);
        const std::unique_ptr<exportgrid::RowCursor> cursor = DBGridEh->rows();
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
        DBGridEh->endExport();
        throw;
    }
    DBGridEh->endExport();
    WriteSuffix();
}

void TDBGridEhExport::ExportToFile(const QString& fileName, bool exportAll) {
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

void TDBGridEhExport::CalcFooterValues() {}
void TDBGridEhExport::WritePrefix() {}
void TDBGridEhExport::WriteSuffix() {}
void TDBGridEhExport::WriteTitle(const QList<Column>&) {}

void TDBGridEhExport::WriteRecord(const QList<Column>& columns) {
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        if (!(FColCellParamsEh.Font == column.font)) {
            FColCellParamsEh.Font = column.font;
        }
        FColCellParamsEh.Background = column.color;
        FColCellParamsEh.Alignment = column.alignment;
        FColCellParamsEh.Value = CurrentRow->cell(i);
        FColCellParamsEh.Text = FColCellParamsEh.Value.displayText;
        WriteDataCell(column, FColCellParamsEh);
    }
}

void TDBGridEhExport::WriteDataCell(const Column&, TColCellParamsEh&) {}
void TDBGridEhExport::WriteFooter(const QList<Column>&, int) {}
void TDBGridEhExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font&,
                                      exportgrid::Rgb, exportgrid::Alignment, const QString&) {}

// Tab-separated text.

void TDBGridEhExportAsText::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    FirstRec = true;
    TDBGridEhExport::ExportToStream(stream, exportAll);
}

void TDBGridEhExportAsText::CheckFirstRec() {
    if (FirstRec) {
        FirstRec = false;
    } else {
        Stream->put("\r\n");
    }
}

void TDBGridEhExportAsText::CheckFirstCell() {
    if (FirstCell) {
        FirstCell = false;
    } else {
        Stream->write('\t');
    }
}

void TDBGridEhExportAsText::WriteTitle(const QList<Column>& columns) {
    CheckFirstRec();
    for (int i = 0; i < columns.size(); ++i) {
        putGbk(columns.at(i).title);
        if (i + 1 < columns.size()) {
            Stream->write('\t');
        }
    }
}

void TDBGridEhExportAsText::WriteRecord(const QList<Column>& columns) {
    CheckFirstRec();
    FirstCell = true;
    TDBGridEhExport::WriteRecord(columns);
}

void TDBGridEhExportAsText::WriteDataCell(const Column&, TColCellParamsEh& params) {
    CheckFirstCell();
    putGbk(params.Text);
}

void TDBGridEhExportAsText::WriteFooter(const QList<Column>& columns, int footerRow) {
    CheckFirstRec();
    FirstCell = true;
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
}

void TDBGridEhExportAsText::WriteFooterCell(int, int, const Column&, const exportgrid::Font&,
                                            exportgrid::Rgb, exportgrid::Alignment,
                                            const QString& text) {
    CheckFirstCell();
    putGbk(text);
}

// Quoted values separated by ";".

TDBGridEhExportAsCSV::TDBGridEhExportAsCSV() : FSeparator(DBGridEhImpExpCsvSeparator) {}

void TDBGridEhExportAsCSV::CheckFirstCell() {
    if (FirstCell) {
        FirstCell = false;
    } else {
        Stream->write(FSeparator);
    }
}

void TDBGridEhExportAsCSV::putQuoted(const QString& text) {
    // No GBK trail byte is a double quote, so the bytes can be searched directly.
    const QByteArray& bytes = gbk(text);
    Stream->write('"');
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    const void* quote = nullptr;
    while ((quote = std::memchr(begin, '"', size_t(end - begin))) != nullptr) {
        const char* at = static_cast<const char*>(quote);
        Stream->write(begin, at + 1 - begin);
        Stream->write('"');
        begin = at + 1;
    }
    Stream->write(begin, end - begin);
    Stream->write('"');
}

void TDBGridEhExportAsCSV::WriteTitle(const QList<Column>& columns) {
    CheckFirstRec();
    for (int i = 0; i < columns.size(); ++i) {
        putQuoted(columns.at(i).title);
        if (i + 1 < columns.size()) {
            Stream->write(FSeparator);
        }
    }
}

void TDBGridEhExportAsCSV::WriteDataCell(const Column&, TColCellParamsEh& params) {
    CheckFirstCell();
    putQuoted(params.Text);
}

void TDBGridEhExportAsCSV::WriteFooterCell(int, int, const Column&, const exportgrid::Font&,
                                           exportgrid::Rgb, exportgrid::Alignment,
                                           const QString& text) {
    CheckFirstCell();
    putQuoted(text);
}

// The entry point.

std::unique_ptr<TDBGridEhExport> createExporter(ExporterClass exporterClass) {
    switch (exporterClass) {
        case ExporterClass::Text:
            return std::make_unique<TDBGridEhExportAsText>();
        case ExporterClass::Csv:
            return std::make_unique<TDBGridEhExportAsCSV>();
        case ExporterClass::Html:
            return std::make_unique<TDBGridEhExportAsHTML>();
        case ExporterClass::Rtf:
            return std::make_unique<TDBGridEhExportAsRTF>();
        case ExporterClass::Xls:
            return std::make_unique<TDBGridEhExportAsXLS>();
        case ExporterClass::Xlsx:
            return std::make_unique<TDBGridEhExportAsXLSX>();
    }
    throw std::invalid_argument("unknown exporter class");
}

AppError tooManyRecordsForSheet(qint64 count, qint64 limit) {
    return AppError(QStringLiteral("共%1条记录，超过Excel工作表的上限%2条，无法导出为Excel工作簿，"
                                   "请缩小查询范围后再导出!")
                        .arg(count)
                        .arg(limit));
}

void SaveDBGridEhToExportFile(ExporterClass exporterClass, exportgrid::Grid& grid,
                              const QString& fileName, bool exportAll) {
    const std::unique_ptr<TDBGridEhExport> exporter = createExporter(exporterClass);
    exporter->setGrid(&grid);
    exporter->ExportToFile(fileName, exportAll);
}
