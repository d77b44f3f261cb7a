#include "export/CsvExport.h"

using exportgrid::Column;

CsvExport::CsvExport() : FSeparator(kCsvSeparator) {}

void CsvExport::CheckFirstCell() {
    if (FirstCell) {
        FirstCell = false;
    } else {
        Stream->write(FSeparator);
    }
}

void CsvExport::putQuoted(const QString& text) {
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

void CsvExport::WriteTitle(const QList<Column>& columns) {
    CheckFirstRec();
    for (int i = 0; i < columns.size(); ++i) {
        putQuoted(columns.at(i).title);
        if (i + 1 < columns.size()) {
            Stream->write(FSeparator);
        }
    }
}

void CsvExport::WriteDataCell(const Column&, CellParams& params) {
    CheckFirstCell();
    putQuoted(params.Text);
}

void CsvExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font&, exportgrid::Rgb,
                                exportgrid::Alignment, const QString& text) {
    CheckFirstCell();
    putQuoted(text);
}
