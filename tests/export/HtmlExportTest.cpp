#include <gtest/gtest.h>

#include "ExportTestSupport.h"
#include "export/Exporters.h"
#include "export/HtmlExport.h"

using namespace exporttest;
using exportgrid::PlainGrid;

namespace {

const char kHeader[] =
    "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2//EN\">\r\n<html>\r\n<head>\r\n"
    "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">\r\n"
    "<title>\r\nDBGridEh1\r\n</title>\r\n</head>\r\n<body>\r\n"
    "<table BORDER=0 CELLSPACING=1 CELLPADDING=2 BGCOLOR=#F0F0F0>\r\n\r\n";
const char kFont[] = "<FONT STYLE=\"font-family: MS Sans Serif; font-size: 8pt; color: #000000\">";

QString titleRow() {
    const char* cells[][3] = {{"88", "CENTER", "发票代码"},  {"80", "CENTER", "发票号码"},
                              {"90", "RIGHT", "开票金额"},   {"71", "CENTER", "开票日期"},
                              {"101", "CENTER", "报销时间"}, {"70", "LEFT", "报销人"},
                              {"80", "CENTER", "录入方式"}};
    QString row = QStringLiteral("<TR>\r\n");
    for (const auto& c : cells) {
        row += QStringLiteral("  <TD WIDTH=") + QString::fromLatin1(c[0]) +
               QStringLiteral(" ALIGN=\"") + QString::fromLatin1(c[1]) + QStringLiteral("\">") +
               QString::fromLatin1(kFont) + QString::fromUtf8(c[2]) +
               QStringLiteral("</FONT></TD>\r\n");
    }
    return row + QStringLiteral("</TR>\r\n");
}

}  // namespace

TEST(HtmlExport, WorkedExampleLinesAndTableTag) {
    PlainGrid grid = twoRecordsGrid();
    const QByteArray bytes = exportBytes(ExporterClass::Html, grid);
    // Literal GBK bytes of the worked example's title cell.
    EXPECT_TRUE(bytes.contains(
        QByteArray("\r\n  <TD WIDTH=88 ALIGN=\"CENTER\"><FONT STYLE=\"font-family: MS Sans Serif; "
                   "font-size: 8pt; color: #000000\">") +
        hex("B7 A2 C6 B1 B4 FA C2 EB") + QByteArray("</FONT></TD>\r\n")));
    EXPECT_TRUE(bytes.contains(
        "\r\n  <TD WIDTH=88 ALIGN=\"CENTER\" BGCOLOR=#FFFFFF><FONT STYLE=\"font-family: MS Sans "
        "Serif; font-size: 8pt; color: #000000\">012001700111</FONT></TD>\r\n"));
    EXPECT_TRUE(
        bytes.contains("\r\n<table BORDER=0 CELLSPACING=1 CELLPADDING=2 BGCOLOR=#F0F0F0>\r\n"));
}

TEST(HtmlExport, WholePageOfOneRecord) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("012001700111"), QStringLiteral("12345678"), std::nullopt,
                          QStringLiteral("20170120"), QDateTime(QDate(2024, 3, 5), QTime(9, 30, 5)),
                          QStringLiteral("A&B<C>"), 0));
    const QString font = QString::fromLatin1(kFont);
    auto cell = [&](const char* width, const char* align, const QString& text) {
        return QStringLiteral("  <TD WIDTH=") + QString::fromLatin1(width) +
               QStringLiteral(" ALIGN=\"") + QString::fromLatin1(align) +
               QStringLiteral("\" BGCOLOR=#FFFFFF>") + font + text +
               QStringLiteral("</FONT></TD>\r\n");
    };
    const QString expected = QString::fromLatin1(kHeader) + titleRow() +
                             QStringLiteral("<TR>\r\n") +
                             cell("88", "CENTER", QStringLiteral("012001700111")) +
                             cell("80", "CENTER", QStringLiteral("12345678")) +
                             cell("90", "RIGHT", QStringLiteral("&nbsp")) +
                             cell("71", "CENTER", QStringLiteral("20170120")) +
                             cell("101", "LEFT", QStringLiteral("2024/3/5 9:30:05")) +
                             cell("70", "LEFT", QStringLiteral("A&ampB&ltC&gt")) +
                             cell("80", "CENTER", QStringLiteral("扫描")) +
                             QStringLiteral("</TR>\r\n</table>\r\n</body>\r\n</html>\r\n");
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Html, grid)), expected);
}

TEST(HtmlExport, EmptyResultIsHeaderTitleRowAndTrailer) {
    PlainGrid grid = emptyRecordsGrid();
    EXPECT_EQ(fromGbk(exportBytes(ExporterClass::Html, grid)),
              QString::fromLatin1(kHeader) + titleRow() +
                  QStringLiteral("</table>\r\n</body>\r\n</html>\r\n"));
}

TEST(HtmlExport, TextEscapesWithoutSemicolonsAmpersandFirst) {
    exportgrid::Font font;
    EXPECT_EQ(HtmlExport::fontText(font, QStringLiteral("say \"hi\" &lt")),
              QByteArray(kFont) + "say &quothi&quot &amplt</FONT>");
    EXPECT_EQ(HtmlExport::fontText(font, QString()), QByteArray(kFont) + "&nbsp</FONT>");
}

TEST(HtmlExport, FontStylesWrapTheTextInOrder) {
    exportgrid::Font font;
    font.name = QStringLiteral("宋体");
    font.pointSize = 12;
    font.color = {255, 0, 0};
    font.bold = true;
    font.underline = true;
    EXPECT_EQ(HtmlExport::fontText(font, QStringLiteral("x")),
              QByteArray("<FONT STYLE=\"font-family: ") + hex("CB CE CC E5") +
                  "; font-size: 12pt; color: #FF0000\"><B><U>x</B></U></FONT>");
    font.bold = font.underline = false;
    font.italic = font.strikeOut = true;
    EXPECT_TRUE(HtmlExport::fontText(font, QStringLiteral("x"))
                    .endsWith("#FF0000\"><I><STRIKE>x</I></STRIKE></FONT>"));
}

TEST(HtmlExport, TableTagFollowsTheGridsLook) {
    exportgrid::SystemColours colours;
    colours.buttonFace = {212, 208, 200};
    PlainGrid grid = emptyRecordsGrid(colours);
    EXPECT_TRUE(
        exportBytes(ExporterClass::Html, grid)
            .contains("<table BORDER=0 CELLSPACING=1 CELLPADDING=2 BGCOLOR=#D4D0C8>\r\n\r\n"));
    grid.look3D = true;
    grid.flat = true;
    EXPECT_TRUE(exportBytes(ExporterClass::Html, grid)
                    .contains("<table BORDER=1 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#D4D0C8>"));
    grid.lines = false;
    EXPECT_TRUE(exportBytes(ExporterClass::Html, grid)
                    .contains("<table BORDER=0 CELLSPACING=0 CELLPADDING=1 BGCOLOR=#D4D0C8>"));
}

TEST(HtmlExport, ColourValuesAreUpperCaseRgb) {
    EXPECT_EQ(HtmlExport::GetColor({255, 255, 255}), QByteArray("FFFFFF"));
    EXPECT_EQ(HtmlExport::GetColor({10, 171, 0}), QByteArray("0AAB00"));
}
