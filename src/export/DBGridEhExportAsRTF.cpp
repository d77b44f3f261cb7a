#include "export/DBGridEhExportAsRTF.h"

#include <cmath>

using exportgrid::Alignment;
using exportgrid::Column;
using exportgrid::Rgb;

namespace {

bool isRtfSyntax(unsigned char byte) {
    return byte == '\\' || byte == '{' || byte == '}';
}

void appendHexEscape(QByteArray& out, unsigned char byte) {
    static const char digits[] = "0123456789abcdef";
    out += "\\'";
    out += digits[byte >> 4];
    out += digits[byte & 0xF];
}

}  // namespace

QByteArray TDBGridEhExportAsRTF::GetAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return QByteArrayLiteral("\\qr");
        case Alignment::Center:
            return QByteArrayLiteral("\\qc");
        case Alignment::Left:
            break;
    }
    return QByteArrayLiteral("\\ql");
}

QByteArray TDBGridEhExportAsRTF::protectText(const QString& text) {
    const QByteArray bytes = encode(text);
    QByteArray out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes.at(i));
        if (byte >= 0x81 && byte <= 0xFE && i + 1 < bytes.size()) {
            // A double-byte character: its trail byte may look like RTF syntax.
            const auto trail = static_cast<unsigned char>(bytes.at(i + 1));
            if (isRtfSyntax(trail)) {
                appendHexEscape(out, byte);
                appendHexEscape(out, trail);
            } else {
                out += char(byte);
                out += char(trail);
            }
            ++i;
        } else if (isRtfSyntax(byte)) {
            out += '\\';
            out += char(byte);
        } else {
            out += char(byte);
        }
    }
    return out;
}

int TDBGridEhExportAsRTF::twips(int pixels, int dpi) {
    const double inches = double(pixels) / double(dpi);
    return int(std::trunc(inches * 1440.0));
}

void TDBGridEhExportAsRTF::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    colorTable_.clear();
    fontTable_.clear();
    exportio::MemoryOutputStream body;
    GetColorIndex(Rgb{0, 0, 0});
    GetColorIndex(Rgb{255, 255, 255});
    GetColorIndex(DBGridEh->fixedColor());
    TDBGridEhExport::ExportToStream(body, exportAll);
    Stream = &stream;
    writeHeader(stream);
    stream.write(body.data());
}

void TDBGridEhExportAsRTF::writeHeader(exportio::OutputStream& file) {
    file.write(QByteArrayLiteral("{\\rtf0\\ansi\\ansicpg936\r\n"));
    QByteArray colors = QByteArrayLiteral("{\\colortbl");
    for (const Rgb& c : colorTable_) {
        colors += "\\red" + QByteArray::number(c.red) + "\\green" + QByteArray::number(c.green) +
                  "\\blue" + QByteArray::number(c.blue) + ';';
    }
    colors += "}\r\n";
    file.write(colors);
    QByteArray fonts = QByteArrayLiteral("{\\fonttbl");
    for (int i = 0; i < fontTable_.size(); ++i) {
        fonts += "\\f" + QByteArray::number(i) + "\\fnil " + encode(fontTable_.at(i)) + ';';
    }
    fonts += "}\r\n";
    file.write(fonts);
}

void TDBGridEhExportAsRTF::PutL(const QByteArray& s) {
    Stream->write(s);
    Stream->write("\r\n", 2);
}

int TDBGridEhExportAsRTF::GetColorIndex(Rgb color) {
    // The tables hold a handful of entries: a linear search is the fastest.
    const qsizetype index = colorTable_.indexOf(color);
    if (index >= 0) {
        return int(index);
    }
    colorTable_.append(color);
    return int(colorTable_.size() - 1);
}

int TDBGridEhExportAsRTF::GetFontIndex(const QString& fontName) {
    for (int i = 0; i < fontTable_.size(); ++i) {
        if (fontTable_.at(i).compare(fontName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    fontTable_.append(fontName);
    return int(fontTable_.size() - 1);
}

void TDBGridEhExportAsRTF::WriteCellBorder(bool left, bool top, bool right, bool bottom) {
    if (left)
        PutL(QByteArrayLiteral("\\clbrdrl\\brdrs\\brdrcf0"));
    if (top)
        PutL(QByteArrayLiteral("\\clbrdrt\\brdrs\\brdrcf0"));
    if (bottom)
        PutL(QByteArrayLiteral("\\clbrdrb\\brdrs\\brdrcf0"));
    if (right)
        PutL(QByteArrayLiteral("\\clbrdrr\\brdrs\\brdrcf0"));
}

Rgb TDBGridEhExportAsRTF::GetDataCellColor(const QList<Column>& columns, int column) const {
    return columns.at(column).color;
}

void TDBGridEhExportAsRTF::writeRowDefinition(const QList<Column>& columns, bool title) {
    PutL(QByteArrayLiteral("\\trowd\\trgaph40"));
    const int dpi = DBGridEh->screenDpi();
    int right = 0;
    for (int i = 0; i < columns.size(); ++i) {
        WriteCellBorder(true, true, true, true);
        right += twips(columns.at(i).width, dpi);
        const Rgb shading = title ? columns.at(i).titleColor : GetDataCellColor(columns, i);
        PutL(QByteArrayLiteral("\\clshdng10000\\clcfpat") +
             QByteArray::number(GetColorIndex(shading)) + QByteArrayLiteral("\\cellx") +
             QByteArray::number(right));
    }
    PutL(QByteArrayLiteral("{\\trrh0"));
}

void TDBGridEhExportAsRTF::PutText(const exportgrid::Font& font, const QString& text,
                                   Rgb background) {
    QByteArray out = QByteArrayLiteral("\\fs") + QByteArray::number(font.pointSize * 2);
    if (font.bold)
        out += "\\b";
    if (font.italic)
        out += "\\i";
    if (font.strikeOut)
        out += "\\strike";
    if (font.underline)
        out += "\\ul";
    out += "\\f" + QByteArray::number(GetFontIndex(font.name));
    out += "\\cf" + QByteArray::number(GetColorIndex(font.color));
    out += "\\cb" + QByteArray::number(GetColorIndex(background));
    out += ' ';
    out += protectText(text);
    Put(out);
}

void TDBGridEhExportAsRTF::writeCell(Alignment alignment, const exportgrid::Font& font,
                                     const QString& text, Rgb background) {
    const QByteArray spacing =
        DBGridEh->isFlat() ? QByteArrayLiteral("12") : QByteArrayLiteral("24");
    Put(QByteArrayLiteral("\\pard\\intbl{") + GetAlignment(alignment) + "\\sb" + spacing + "\\sa" +
        spacing);
    PutText(font, text, background);
    PutL(QByteArrayLiteral("\\cell}"));
}

void TDBGridEhExportAsRTF::WriteTitle(const QList<Column>& columns) {
    writeRowDefinition(columns, true);
    for (const Column& column : columns) {
        writeCell(column.titleAlignment, column.titleFont, column.title, column.titleColor);
    }
    PutL(QByteArrayLiteral("\\pard\\intbl\\row}"));
}

void TDBGridEhExportAsRTF::WriteRecord(const QList<Column>& columns) {
    writeRowDefinition(columns, false);
    TDBGridEhExport::WriteRecord(columns);
    PutL(QByteArrayLiteral("\\pard\\intbl\\row}"));
}

void TDBGridEhExportAsRTF::WriteDataCell(const Column&, TColCellParamsEh& params) {
    writeCell(params.Alignment, params.Font, params.Text, params.Background);
}

void TDBGridEhExportAsRTF::WriteSuffix() {
    Put(QByteArrayLiteral("}"));
}

void TDBGridEhExportAsRTF::WriteFooter(const QList<Column>& columns, int footerRow) {
    writeRowDefinition(columns, false);
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
    PutL(QByteArrayLiteral("\\pard\\intbl\\row}"));
}

void TDBGridEhExportAsRTF::WriteFooterCell(int, int, const Column&, const exportgrid::Font& font,
                                           Rgb background, Alignment alignment,
                                           const QString& text) {
    writeCell(alignment, font, text, background);
}
