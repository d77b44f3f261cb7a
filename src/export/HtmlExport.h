#pragma once

#include "export/GridExport.h"

// The grid as an HTML 3.2 page holding one table. The page names its code page (GBK) in a
// meta element, since no reader here takes it from the system.
class HtmlExport : public GridExport {
public:
    static QByteArray GetColor(exportgrid::Rgb color);  // "RRGGBB"
    static QByteArray GetAlignment(exportgrid::Alignment alignment);
    // The font-wrapped, escaped form of one cell's text, as PutText writes it.
    static QByteArray fontText(const exportgrid::Font& font, const QString& text);

protected:
    void WritePrefix() override;
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
    void PutText(const exportgrid::Font& font, QStringView text);

private:
    void putFontStart(const exportgrid::Font& font);
    void putEscaped(QStringView text);
    void putFontEnd(const exportgrid::Font& font);
    void putColor(exportgrid::Rgb color);
    void putCellStart(int width, exportgrid::Alignment alignment);
    void putDataCell(int width, exportgrid::Alignment alignment, exportgrid::Rgb background,
                     const exportgrid::Font& font, QStringView text);

    struct CellFrame {
        int width;
        exportgrid::Alignment alignment;
        exportgrid::Rgb background;
        exportgrid::Font font;
        QByteArray before;  // up to the text
        QByteArray after;   // from the text to the line end
    };
    QList<CellFrame> cellFrames_;  // per column
    qsizetype cellIndex_ = 0;
};
