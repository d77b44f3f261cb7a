#include "export/HtmlExport.h"

using exportgrid::Alignment;
using exportgrid::Column;
using exportgrid::Rgb;

namespace {

void colorDigits(Rgb color, char out[6]) {
    static const char digits[] = "0123456789ABCDEF";
    const int parts[3] = {color.red, color.green, color.blue};
    for (int i = 0; i < 3; ++i) {
        out[2 * i] = digits[(parts[i] >> 4) & 0xF];
        out[2 * i + 1] = digits[parts[i] & 0xF];
    }
}

}  // namespace

QByteArray HtmlExport::GetColor(Rgb color) {
    char out[6];
    colorDigits(color, out);
    return QByteArray(out, 6);
}

QByteArray HtmlExport::GetAlignment(Alignment alignment) {
    switch (alignment) {
        case Alignment::Right:
            return QByteArrayLiteral("RIGHT");
        case Alignment::Center:
            return QByteArrayLiteral("CENTER");
        case Alignment::Left:
            break;
    }
    return QByteArrayLiteral("LEFT");
}

QByteArray HtmlExport::fontText(const exportgrid::Font& font, const QString& text) {
    exportio::MemoryOutputStream out;
    HtmlExport writer;
    writer.Stream = &out;
    writer.PutText(font, text);
    return out.data();
}

void HtmlExport::putColor(Rgb color) {
    char out[6];
    colorDigits(color, out);
    Stream->write(out, 6);
}

void HtmlExport::PutText(const exportgrid::Font& font, QStringView text) {
    putFontStart(font);
    putEscaped(text);
    putFontEnd(font);
}

void HtmlExport::putFontStart(const exportgrid::Font& font) {
    Stream->put("<FONT STYLE=\"font-family: ");
    putGbk(font.name);
    Stream->put("; font-size: ");
    Stream->writeNumber(font.pointSize);
    Stream->put("pt; color: #");
    putColor(font.color);
    Stream->put("\">");
    if (font.bold)
        Stream->put("<B>");
    if (font.italic)
        Stream->put("<I>");
    if (font.underline)
        Stream->put("<U>");
    if (font.strikeOut)
        Stream->put("<STRIKE>");
}

void HtmlExport::putEscaped(QStringView text) {
    if (text.isEmpty()) {
        Stream->put("&nbsp");
        return;
    }
    // The four replacements one after the other, ampersand first, come to one pass that
    // replaces each of the four characters; none gets a closing semicolon.
    const QByteArray& bytes = gbk(text);
    const char* run = bytes.constData();
    const char* end = run + bytes.size();
    for (const char* at = run; at < end; ++at) {
        const char* entity = nullptr;
        qsizetype length = 0;
        switch (*at) {
            case '&':
                entity = "&amp";
                length = 4;
                break;
            case '<':
                entity = "&lt";
                length = 3;
                break;
            case '>':
                entity = "&gt";
                length = 3;
                break;
            case '"':
                entity = "&quot";
                length = 5;
                break;
            default:
                continue;
        }
        Stream->write(run, at - run);
        Stream->write(entity, length);
        run = at + 1;
    }
    Stream->write(run, end - run);
}

void HtmlExport::putFontEnd(const exportgrid::Font& font) {
    if (font.bold)
        Stream->put("</B>");
    if (font.italic)
        Stream->put("</I>");
    if (font.underline)
        Stream->put("</U>");
    if (font.strikeOut)
        Stream->put("</STRIKE>");
    Stream->put("</FONT>");
}

void HtmlExport::PutL(const QByteArray& s) {
    Stream->write(s);
    Stream->put("\r\n");
}

void HtmlExport::WritePrefix() {
    cellFrames_.clear();
    Stream->put("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n");
    Stream->put("<html>\r\n");
    Stream->put("<head>\r\n");
    Stream->put("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n");
    Stream->put("<title>\r\n");
    PutL(gbk(ExportedGrid->name()));
    Stream->put("</title>\r\n");
    Stream->put("</head>\r\n");
    Stream->put("<body>\r\n");
    Stream->put("<table ");
    if (!ExportedGrid->showsLines()) {
        Stream->put("BORDER=0 CELLSPACING=0 CELLPADDING=");
    } else if (ExportedGrid->has3DLook()) {
        Stream->put("BORDER=1 CELLSPACING=0 CELLPADDING=");
    } else {
        Stream->put("BORDER=0 CELLSPACING=1 CELLPADDING=");
    }
    Stream->write(ExportedGrid->isFlat() ? '1' : '2');
    Stream->put(" BGCOLOR=#");
    putColor(ExportedGrid->fixedColor());
    Stream->put(">\r\n\r\n");
}

void HtmlExport::WriteSuffix() {
    Stream->put("</table>\r\n</body>\r\n</html>\r\n");
}

void HtmlExport::putCellStart(int width, Alignment alignment) {
    Stream->put("  <TD WIDTH=");
    Stream->writeNumber(width);
    Stream->put(" ALIGN=\"");
    Stream->write(GetAlignment(alignment));
    Stream->write('"');
}

void HtmlExport::putDataCell(int width, Alignment alignment, Rgb background,
                             const exportgrid::Font& font, QStringView text) {
    putCellStart(width, alignment);
    Stream->put(" BGCOLOR=#");
    putColor(background);
    Stream->write('>');
    PutText(font, text);
    Stream->put("</TD>\r\n");
}

void HtmlExport::WriteTitle(const QList<Column>& columns) {
    if (columns.isEmpty()) {
        return;
    }
    Stream->put("<TR>\r\n");
    for (const Column& column : columns) {
        putCellStart(column.width, column.titleAlignment);
        Stream->write('>');
        PutText(column.titleFont, column.title);
        Stream->put("</TD>\r\n");
    }
    Stream->put("</TR>\r\n");
}

void HtmlExport::WriteRecord(const QList<Column>& columns) {
    cellIndex_ = 0;
    Stream->put("<TR>\r\n");
    GridExport::WriteRecord(columns);
    Stream->put("</TR>\r\n");
}

void HtmlExport::WriteDataCell(const Column& column, CellParams& params) {
    // A column's cells share their look: what comes before and after the text is made once.
    const qsizetype index = cellIndex_++;
    if (index == cellFrames_.size()) {
        exportio::OutputStream* out = Stream;
        exportio::MemoryOutputStream before;
        Stream = &before;
        putCellStart(column.width, params.Alignment);
        Stream->put(" BGCOLOR=#");
        putColor(params.Background);
        Stream->write('>');
        putFontStart(params.Font);
        exportio::MemoryOutputStream after;
        Stream = &after;
        putFontEnd(params.Font);
        Stream->put("</TD>\r\n");
        Stream = out;
        cellFrames_.append(CellFrame{column.width, params.Alignment, params.Background, params.Font,
                                     before.data(), after.data()});
    }
    const CellFrame* frame = index < cellFrames_.size() ? &cellFrames_[index] : nullptr;
    if (frame == nullptr || frame->width != column.width || frame->alignment != params.Alignment ||
        frame->background != params.Background || !(frame->font == params.Font)) {
        putDataCell(column.width, params.Alignment, params.Background, params.Font, params.Text);
        return;
    }
    Stream->write(frame->before);
    putEscaped(params.Text);
    Stream->write(frame->after);
}

void HtmlExport::WriteFooter(const QList<Column>& columns, int footerRow) {
    Stream->put("<TR>\r\n");
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
    Stream->put("</TR>\r\n");
}

void HtmlExport::WriteFooterCell(int, int, const Column& column, const exportgrid::Font& font,
                                 Rgb background, Alignment alignment, const QString& text) {
    putDataCell(column.width, alignment, background, font, text);
}
