#include "export/RtfExport.h"

#include <cmath>

#include "base/AppError.h"

using exportgrid::Alignment;
using exportgrid::Column;
using exportgrid::Rgb;

namespace {

bool isRtfSyntax(unsigned char byte) {
    return byte == '\\' || byte == '{' || byte == '}';
}

void putHexEscape(exportio::OutputStream& out, unsigned char byte) {
    static const char digits[] = "0123456789abcdef";
    const char escape[4] = {'\\', '\'', digits[byte >> 4], digits[byte & 0xF]};
    out.write(escape, 4);
}

}  // namespace

QByteArray RtfExport::GetAlignment(Alignment alignment) {
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

QByteArray RtfExport::protectText(const QString& text) {
    exportio::MemoryOutputStream out;
    RtfExport writer;
    writer.Stream = &out;
    writer.putProtected(text);
    return out.data();
}

void RtfExport::putProtected(QStringView text) {
    const QByteArray& bytes = gbk(text);
    const char* run = bytes.constData();
    const char* end = run + bytes.size();
    const char* at = run;
    while (at < end) {
        const auto byte = static_cast<unsigned char>(*at);
        if (byte >= 0x81 && byte <= 0xFE && at + 1 < end) {
            // A double-byte character: its trail byte may look like RTF syntax.
            const auto trail = static_cast<unsigned char>(at[1]);
            if (isRtfSyntax(trail)) {
                Stream->write(run, at - run);
                putHexEscape(*Stream, byte);
                putHexEscape(*Stream, trail);
                run = at + 2;
            }
            at += 2;
        } else {
            if (isRtfSyntax(byte)) {
                Stream->write(run, at - run);
                Stream->write('\\');
                run = at;  // the byte itself follows its backslash
            }
            ++at;
        }
    }
    Stream->write(run, end - run);
}

int RtfExport::twips(int pixels, int dpi) {
    const double inches = double(pixels) / double(dpi);
    return int(std::trunc(inches * 1440.0));
}

void RtfExport::ExportToFile(const QString& fileName, bool exportAll) {
    exportio::FileOutputStream file(fileName);
    try {
        ExportToStream(file, exportAll);
    } catch (...) {
        // A document without the end of its body is no document: the file is left empty.
        file.discard();
        throw;
    }
    file.close();
}

void RtfExport::ExportToStream(exportio::OutputStream& stream, bool exportAll) {
    colorTable_.clear();
    fontTable_.clear();
    dataRowDefinition_.clear();
    cellStarts_.clear();
    exportio::MemoryOutputStream head;
    target_ = &stream;
    head_ = &head;
    GetColorIndex(Rgb{0, 0, 0});
    GetColorIndex(Rgb{255, 255, 255});
    GetColorIndex(ExportedGrid->fixedColor());
    try {
        GridExport::ExportToStream(head, exportAll);
    } catch (...) {
        target_ = nullptr;
        head_ = nullptr;
        throw;
    }
    target_ = nullptr;
    head_ = nullptr;
}

void RtfExport::releaseHead() {
    writeHeader(*target_);
    target_->write(head_->constData(), head_->size());
    Stream = target_;
    head_ = nullptr;
}

void RtfExport::writeHeader(exportio::OutputStream& file) {
    file.put("{\\rtf0\\ansi\\ansicpg936\r\n");
    file.put("{\\colortbl");
    for (const Rgb& c : colorTable_) {
        file.put("\\red");
        file.writeNumber(c.red);
        file.put("\\green");
        file.writeNumber(c.green);
        file.put("\\blue");
        file.writeNumber(c.blue);
        file.write(';');
    }
    file.put("}\r\n");
    file.put("{\\fonttbl");
    for (int i = 0; i < fontTable_.size(); ++i) {
        file.put("\\f");
        file.writeNumber(i);
        file.put("\\fnil ");
        file.write(gbk(fontTable_.at(i)));
        file.write(';');
    }
    file.put("}\r\n");
}

void RtfExport::PutL(const QByteArray& s) {
    Stream->write(s);
    Stream->put("\r\n");
}

int RtfExport::GetColorIndex(Rgb color) {
    // The tables hold a handful of entries: a linear search is the fastest.
    const qsizetype index = colorTable_.indexOf(color);
    if (index >= 0) {
        return int(index);
    }
    checkTablesOpen();
    colorTable_.append(color);
    return int(colorTable_.size() - 1);
}

int RtfExport::GetFontIndex(const QString& fontName) {
    for (int i = 0; i < fontTable_.size(); ++i) {
        const QString& known = fontTable_.at(i);
        if (known == fontName || known.compare(fontName, Qt::CaseInsensitive) == 0) {
            return i;
        }
    }
    checkTablesOpen();
    fontTable_.append(fontName);
    return int(fontTable_.size() - 1);
}

void RtfExport::checkTablesOpen() const {
    if (target_ != nullptr && head_ == nullptr) {
        throw AppError(
            QStringLiteral("RTF: a colour or font first used after the document header"));
    }
}

void RtfExport::WriteCellBorder(bool left, bool top, bool right, bool bottom) {
    if (left)
        Stream->put("\\clbrdrl\\brdrs\\brdrcf0\r\n");
    if (top)
        Stream->put("\\clbrdrt\\brdrs\\brdrcf0\r\n");
    if (bottom)
        Stream->put("\\clbrdrb\\brdrs\\brdrcf0\r\n");
    if (right)
        Stream->put("\\clbrdrr\\brdrs\\brdrcf0\r\n");
}

Rgb RtfExport::GetDataCellColor(const QList<Column>& columns, int column) const {
    return columns.at(column).color;
}

void RtfExport::writeRowDefinition(const QList<Column>& columns, bool title) {
    Stream->put("\\trowd\\trgaph40\r\n");
    const int dpi = ExportedGrid->screenDpi();
    int right = 0;
    for (int i = 0; i < columns.size(); ++i) {
        WriteCellBorder(true, true, true, true);
        right += twips(columns.at(i).width, dpi);
        const Rgb shading = title ? columns.at(i).titleColor : GetDataCellColor(columns, i);
        Stream->put("\\clshdng10000\\clcfpat");
        Stream->writeNumber(GetColorIndex(shading));
        Stream->put("\\cellx");
        Stream->writeNumber(right);
        Stream->put("\r\n");
    }
    Stream->put("{\\trrh0\r\n");
}

void RtfExport::PutText(const exportgrid::Font& font, QStringView text, Rgb background) {
    putTextFormat(font, background);
    putProtected(text);
}

void RtfExport::putTextFormat(const exportgrid::Font& font, Rgb background) {
    Stream->put("\\fs");
    Stream->writeNumber(font.pointSize * 2);
    if (font.bold)
        Stream->put("\\b");
    if (font.italic)
        Stream->put("\\i");
    if (font.strikeOut)
        Stream->put("\\strike");
    if (font.underline)
        Stream->put("\\ul");
    Stream->put("\\f");
    Stream->writeNumber(GetFontIndex(font.name));
    Stream->put("\\cf");
    Stream->writeNumber(GetColorIndex(font.color));
    Stream->put("\\cb");
    Stream->writeNumber(GetColorIndex(background));
    Stream->write(' ');
}

void RtfExport::writeCellStart(Alignment alignment, const exportgrid::Font& font, Rgb background) {
    Stream->put("\\pard\\intbl{");
    Stream->write(GetAlignment(alignment));
    if (ExportedGrid->isFlat()) {
        Stream->put("\\sb12\\sa12");
    } else {
        Stream->put("\\sb24\\sa24");
    }
    putTextFormat(font, background);
}

void RtfExport::writeCell(Alignment alignment, const exportgrid::Font& font, QStringView text,
                          Rgb background) {
    writeCellStart(alignment, font, background);
    putProtected(text);
    Stream->put("\\cell}\r\n");
}

void RtfExport::WriteTitle(const QList<Column>& columns) {
    writeRowDefinition(columns, true);
    for (const Column& column : columns) {
        writeCell(column.titleAlignment, column.titleFont, column.title, column.titleColor);
    }
    Stream->put("\\pard\\intbl\\row}\r\n");
}

void RtfExport::WriteRecord(const QList<Column>& columns) {
    // Every record row has the same definition: made once, then copied.
    if (dataRowDefinition_.isEmpty()) {
        exportio::OutputStream* out = Stream;
        exportio::MemoryOutputStream definition;
        Stream = &definition;
        writeRowDefinition(columns, false);
        Stream = out;
        dataRowDefinition_ = definition.data();
    }
    Stream->write(dataRowDefinition_);
    cellIndex_ = 0;
    GridExport::WriteRecord(columns);
    Stream->put("\\pard\\intbl\\row}\r\n");
    if (head_ != nullptr) {
        // The title row and one record have used every colour and font there is.
        releaseHead();
    }
}

void RtfExport::WriteDataCell(const Column&, CellParams& params) {
    // A column's cells share their look: the formatting before the text is made once.
    const qsizetype index = cellIndex_++;
    if (index == cellStarts_.size()) {
        exportio::OutputStream* out = Stream;
        exportio::MemoryOutputStream start;
        Stream = &start;
        writeCellStart(params.Alignment, params.Font, params.Background);
        Stream = out;
        cellStarts_.append(
            CellStart{params.Alignment, params.Font, params.Background, start.data()});
    }
    const CellStart* start = index < cellStarts_.size() ? &cellStarts_[index] : nullptr;
    if (start == nullptr || start->alignment != params.Alignment ||
        start->background != params.Background || !(start->font == params.Font)) {
        writeCell(params.Alignment, params.Font, params.Text, params.Background);
        return;
    }
    Stream->write(start->bytes);
    putProtected(params.Text);
    Stream->put("\\cell}\r\n");
}

void RtfExport::WriteSuffix() {
    if (head_ != nullptr) {
        releaseHead();  // a result without records
    }
    Stream->write('}');
}

void RtfExport::WriteFooter(const QList<Column>& columns, int footerRow) {
    writeRowDefinition(columns, false);
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
    Stream->put("\\pard\\intbl\\row}\r\n");
}

void RtfExport::WriteFooterCell(int, int, const Column&, const exportgrid::Font& font,
                                Rgb background, Alignment alignment, const QString& text) {
    writeCell(alignment, font, text, background);
}
