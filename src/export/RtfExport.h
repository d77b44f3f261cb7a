#pragma once

#include <QStringList>

#include "export/GridExport.h"

// The grid as an RTF document holding one table. The header names code page 936, since no reader
// here takes it from the system. The colour and font tables come first in the file but grow as
// cells are written. A record row takes its colours and fonts from its columns alone (the grid has
// no look of its own per cell), so once the title row and the first record are written the tables
// are complete: those rows are held aside until then, the header is written, and the rest of the
// body streams straight after them. A colour or font first met later would break that rule and
// fails the export. A failed export leaves the file empty, as a document without the end of its
// body is none.
class RtfExport : public GridExport {
public:
    void ExportToStream(exportio::OutputStream& stream, bool exportAll) override;
    void ExportToFile(const QString& fileName, bool exportAll) override;

    static QByteArray GetAlignment(exportgrid::Alignment alignment);
    // GBK text with "\", "{" and "}" escaped, and a double-byte character whose second byte is
    // one of them written as two \'hh escapes; every other byte as it is.
    static QByteArray protectText(const QString& text);
    // Whole twips of a pixel width at the given resolution.
    static int twips(int pixels, int dpi);

protected:
    void WritePrefix() override {}
    void WriteSuffix() override;
    void WriteTitle(const QList<exportgrid::Column>& columns) override;
    void WriteRecord(const QList<exportgrid::Column>& columns) override;
    void WriteDataCell(const exportgrid::Column& column, CellParams& params) override;
    void WriteFooter(const QList<exportgrid::Column>& columns, int footerRow) override;
    void WriteFooterCell(int dataCol, int row, const exportgrid::Column& column,
                         const exportgrid::Font& font, exportgrid::Rgb background,
                         exportgrid::Alignment alignment, const QString& text) override;

    void Put(const QByteArray& s) { Stream->write(s); }
    void PutL(const QByteArray& s);
    void PutText(const exportgrid::Font& font, QStringView text, exportgrid::Rgb background);
    int GetFontIndex(const QString& fontName);
    int GetColorIndex(exportgrid::Rgb color);
    void WriteCellBorder(bool left, bool top, bool right, bool bottom);
    exportgrid::Rgb GetDataCellColor(const QList<exportgrid::Column>& columns, int column) const;

private:
    void putProtected(QStringView text);
    void writeRowDefinition(const QList<exportgrid::Column>& columns, bool title);
    void writeCell(exportgrid::Alignment alignment, const exportgrid::Font& font, QStringView text,
                   exportgrid::Rgb background);
    void putTextFormat(const exportgrid::Font& font, exportgrid::Rgb background);
    void writeCellStart(exportgrid::Alignment alignment, const exportgrid::Font& font,
                        exportgrid::Rgb background);
    void writeHeader(exportio::OutputStream& file);
    void releaseHead();  // the header, the rows held aside, and from now on straight to the target
    void checkTablesOpen() const;

    struct CellStart {
        exportgrid::Alignment alignment;
        exportgrid::Font font;
        exportgrid::Rgb background;
        QByteArray bytes;
    };

    QList<exportgrid::Rgb> colorTable_;
    QStringList fontTable_;
    exportio::OutputStream* target_ = nullptr;      // the document's stream
    exportio::MemoryOutputStream* head_ = nullptr;  // the rows held aside until the header is out
    QByteArray dataRowDefinition_;
    QList<CellStart> cellStarts_;  // per column
    qsizetype cellIndex_ = 0;
};
