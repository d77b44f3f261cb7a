#include "export/TextExport.h"

using exportgrid::Column;

void TextExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    FirstRec = true;
    GridExport::ExportToStream(stream, exportAll);
}

void TextExport::CheckFirstRec() {
    if (FirstRec) {
        FirstRec = false;
    } else {
        Stream->put("\r\n");
    }
}

void TextExport::CheckFirstCell() {
    if (FirstCell) {
        FirstCell = false;
    } else {
        Stream->write('\t');
    }
}

void TextExport::WriteTitle(const QList<Column>& columns) {
    CheckFirstRec();
    for (int i = 0; i < columns.size(); ++i) {
        putGbk(columns.at(i).title);
        if (i + 1 < columns.size()) {
            Stream->write('\t');
        }
    }
}

void TextExport::WriteRecord(const QList<Column>& columns) {
    CheckFirstRec();
    FirstCell = true;
    GridExport::WriteRecord(columns);
}

void TextExport::WriteDataCell(const Column&, CellParams& params) {
    CheckFirstCell();
    putGbk(params.Text);
}

void TextExport::WriteFooter(const QList<Column>& columns, int footerRow) {
    CheckFirstRec();
    FirstCell = true;
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
}

void TextExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font&, exportgrid::Rgb,
                                 exportgrid::Alignment, const QString& text) {
    CheckFirstCell();
    putGbk(text);
}
