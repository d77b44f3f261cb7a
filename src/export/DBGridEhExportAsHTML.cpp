#include "export/DBGridEhExportAsHTML.h"

using exportgrid::Alignment;
using exportgrid::Column;

namespace {

void appendHex(QByteArray& out, int value) {
    static const char digits[] = "0123456789ABCDEF";
    out += digits[(value >> 4) & 0xF];
    out += digits[value & 0xF];
}

QByteArray cellStart(int width, Alignment alignment) {
    return QByteArrayLiteral("  <TD WIDTH=") + QByteArray::number(width) +
           QByteArrayLiteral(" ALIGN=\"") + TDBGridEhExportAsHTML::GetAlignment(alignment) + '"';
}

}  // namespace

QByteArray TDBGridEhExportAsHTML::GetColor(exportgrid::Rgb color) {
    QByteArray out;
    out.reserve(6);
    appendHex(out, color.red);
    appendHex(out, color.green);
    appendHex(out, color.blue);
    return out;
}

QByteArray TDBGridEhExportAsHTML::GetAlignment(Alignment alignment) {
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

QByteArray TDBGridEhExportAsHTML::fontText(const exportgrid::Font& font, const QString& text) {
    QByteArray out = QByteArrayLiteral("<FONT STYLE=\"font-family: ") + encode(font.name) +
                     QByteArrayLiteral("; font-size: ") + QByteArray::number(font.pointSize) +
                     QByteArrayLiteral("pt; color: #") + GetColor(font.color) +
                     QByteArrayLiteral("\">");
    if (font.bold)
        out += "<B>";
    if (font.italic)
        out += "<I>";
    if (font.underline)
        out += "<U>";
    if (font.strikeOut)
        out += "<STRIKE>";
    if (text.isEmpty()) {
        out += "&nbsp";
    } else {
        // One replacement after the other, ampersand first; no closing semicolons.
        QByteArray escaped = encode(text);
        escaped.replace('&', QByteArrayLiteral("&amp"));
        escaped.replace('<', QByteArrayLiteral("&lt"));
        escaped.replace('>', QByteArrayLiteral("&gt"));
        escaped.replace('"', QByteArrayLiteral("&quot"));
        out += escaped;
    }
    if (font.bold)
        out += "</B>";
    if (font.italic)
        out += "</I>";
    if (font.underline)
        out += "</U>";
    if (font.strikeOut)
        out += "</STRIKE>";
    out += "</FONT>";
    return out;
}

void TDBGridEhExportAsHTML::PutL(const QByteArray& s) {
    Stream->write(s);
    Stream->write("\r\n", 2);
}

void TDBGridEhExportAsHTML::WritePrefix() {
    PutL(QByteArrayLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">"));
    PutL(QByteArrayLiteral("<html>"));
    PutL(QByteArrayLiteral("<head>"));
    PutL(
        QByteArrayLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">"));
    PutL(QByteArrayLiteral("<title>"));
    PutL(encode(DBGridEh->name()));
    PutL(QByteArrayLiteral("</title>"));
    PutL(QByteArrayLiteral("</head>"));
    PutL(QByteArrayLiteral("<body>"));
    QByteArray border;
    if (!DBGridEh->showsLines()) {
        border = QByteArrayLiteral("BORDER=0 CELLSPACING=0 CELLPADDING=");
    } else if (DBGridEh->has3DLook()) {
        border = QByteArrayLiteral("BORDER=1 CELLSPACING=0 CELLPADDING=");
    } else {
        border = QByteArrayLiteral("BORDER=0 CELLSPACING=1 CELLPADDING=");
    }
    border += DBGridEh->isFlat() ? '1' : '2';
    PutL(QByteArrayLiteral("<table ") + border + QByteArrayLiteral(" BGCOLOR=#") +
         GetColor(DBGridEh->fixedColor()) + QByteArrayLiteral(">\r\n"));
}

void TDBGridEhExportAsHTML::WriteSuffix() {
    PutL(QByteArrayLiteral("</table>"));
    PutL(QByteArrayLiteral("</body>"));
    PutL(QByteArrayLiteral("</html>"));
}

void TDBGridEhExportAsHTML::WriteTitle(const QList<Column>& columns) {
    if (columns.isEmpty()) {
        return;
    }
    PutL(QByteArrayLiteral("<TR>"));
    for (const Column& column : columns) {
        Put(cellStart(column.width, column.titleAlignment) + '>');
        PutText(column.titleFont, column.title);
        PutL(QByteArrayLiteral("</TD>"));
    }
    PutL(QByteArrayLiteral("</TR>"));
}

void TDBGridEhExportAsHTML::WriteRecord(const QList<Column>& columns) {
    PutL(QByteArrayLiteral("<TR>"));
    TDBGridEhExport::WriteRecord(columns);
    PutL(QByteArrayLiteral("</TR>"));
}

void TDBGridEhExportAsHTML::WriteDataCell(const Column& column, TColCellParamsEh& params) {
    Put(cellStart(column.width, params.Alignment) + QByteArrayLiteral(" BGCOLOR=#") +
        GetColor(params.Background) + '>');
    PutText(params.Font, params.Text);
    PutL(QByteArrayLiteral("</TD>"));
}

void TDBGridEhExportAsHTML::WriteFooter(const QList<Column>& columns, int footerRow) {
    PutL(QByteArrayLiteral("<TR>"));
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns.at(i);
        WriteFooterCell(i, footerRow, column, column.font, column.color, column.alignment,
                        QString());
    }
    PutL(QByteArrayLiteral("</TR>"));
}

void TDBGridEhExportAsHTML::WriteFooterCell(int, int, const Column& column,
                                            const exportgrid::Font& font,
                                            exportgrid::Rgb background, Alignment alignment,
                                            const QString& text) {
    Put(cellStart(column.width, alignment) + QByteArrayLiteral(" BGCOLOR=#") +
        GetColor(background) + '>');
    PutText(font, text);
    PutL(QByteArrayLiteral("</TD>"));
}
