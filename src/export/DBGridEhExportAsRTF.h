#pragma once

#include <QDir>
#include <QStringList>

#include "export/DBGridEhExport.h"

// The grid as an RTF document holding one table. The colour and font tables come first in the
// file but are known only once every cell has been seen, so the body is held aside (in memory,
// beyond a block in a temporary file beside the target) and the header written in front of it
// at the end. The header names code page 936, since no reader
// here takes it from the system.
class TDBGridEhExportAsRTF : public TDBGridEhExport {
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
    void WriteDataCell(const exportgrid::Column& column, TColCellParamsEh& params) override;
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
    void writeHeader(exportio::OutputStream& file);

    QString spillFolder_ = QDir::tempPath();
    QList<exportgrid::Rgb> colorTable_;
    QStringList fontTable_;
};
