#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "ExportTestSupport.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "export/Exporters.h"
#include "export/RtfExport.h"

using namespace exporttest;
using exportgrid::PlainGrid;

namespace {

const char kBorders[] =
    "\\clbrdrl\\brdrs\\brdrcf0\r\n\\clbrdrt\\brdrs\\brdrcf0\r\n"
    "\\clbrdrb\\brdrs\\brdrcf0\r\n\\clbrdrr\\brdrs\\brdrcf0\r\n";
const int kRightEdges[] = {1320, 2520, 3870, 4935, 6450, 7500, 8700};

// The row definition of the records grid with every cell shaded by colour index shading.
QByteArray rowDefinition(int shading) {
    QByteArray out = "\\trowd\\trgaph40\r\n";
    for (int edge : kRightEdges) {
        out += kBorders;
        out += "\\clshdng10000\\clcfpat" + QByteArray::number(shading) + "\\cellx" +
               QByteArray::number(edge) + "\r\n";
    }
    return out + "{\\trrh0\r\n";
}

QByteArray titleRow(const char* format) {
    QByteArray out;
    const char* cells[][2] = {{"\\qc", "发票代码"}, {"\\qc", "发票号码"}, {"\\qr", "开票金额"},
                              {"\\qc", "开票日期"}, {"\\qc", "报销时间"}, {"\\ql", "报销人"},
                              {"\\qc", "录入方式"}};
    for (const auto& c : cells) {
        out += QByteArray("\\pard\\intbl{") + c[0] + "\\sb24\\sa24\\fs16\\f0" + format + ' ' +
               gbk(QString::fromUtf8(c[1])) + "\\cell}\r\n";
    }
    return out + "\\pard\\intbl\\row}\r\n";
}

const char kHeader[] =
    "{\\rtf0\\ansi\\ansicpg936\r\n"
    "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;\\red240\\green240\\blue240;}"
    "\r\n{\\fonttbl\\f0\\fnil MS Sans Serif;}\r\n";

}  // namespace

TEST(RtfExport, EmptyResultIsHeaderTitleRowAndClosingBrace) {
    PlainGrid grid = emptyRecordsGrid();
    EXPECT_EQ(exportBytes(ExporterClass::Rtf, grid),
              QByteArray(kHeader) + rowDefinition(2) + titleRow("\\cf0\\cb2") + "}");
}

TEST(RtfExport, RecordRowCellsUseTheWindowColour) {
    PlainGrid grid = twoRecordsGrid();
    const QByteArray bytes = exportBytes(ExporterClass::Rtf, grid);
    const QByteArray firstRecord =
        rowDefinition(1) +
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 012001700111\\cell}\r\n"
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 12345678\\cell}\r\n"
        "\\pard\\intbl{\\qr\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 123.5\\cell}\r\n"
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 20170120\\cell}\r\n"
        "\\pard\\intbl{\\ql\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 2024/3/5 9:30:05\\cell}\r\n"
        "\\pard\\intbl{\\ql\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 " +
        hex("D5 C5 C8 FD") +
        "\\cell}\r\n"
        "\\pard\\intbl{\\qc\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 " +
        hex("C9 A8 C3 E8") + "\\cell}\r\n\\pard\\intbl\\row}\r\n";
    EXPECT_TRUE(bytes.startsWith(QByteArray(kHeader) + rowDefinition(2) + titleRow("\\cf0\\cb2") +
                                 firstRecord));
    EXPECT_TRUE(bytes.contains(
        "\\pard\\intbl{\\ql\\sb24\\sa24\\fs16\\f0\\cf0\\cb1 \\cell}\r\n"));  // null reimburser
    EXPECT_TRUE(bytes.endsWith("\\pard\\intbl\\row}\r\n}"));
}

TEST(RtfExport, ButtonFaceEqualToWhiteLeavesTwoColours) {
    exportgrid::SystemColours colours;
    colours.buttonFace = {255, 255, 255};
    PlainGrid grid = emptyRecordsGrid(colours);
    EXPECT_EQ(exportBytes(ExporterClass::Rtf, grid),
              QByteArray("{\\rtf0\\ansi\\ansicpg936\r\n"
                         "{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;}\r\n"
                         "{\\fonttbl\\f0\\fnil MS Sans Serif;}\r\n") +
                  rowDefinition(1) + titleRow("\\cf0\\cb1") + "}");
}

TEST(RtfExport, TextColourNeitherBlackNorWhiteIsTheFourthColour) {
    exportgrid::SystemColours colours;
    colours.windowText = {0, 0, 128};
    PlainGrid grid = twoRecordsGrid(colours);
    const QByteArray bytes = exportBytes(ExporterClass::Rtf, grid);
    EXPECT_TRUE(bytes.startsWith(
        "{\\rtf0\\ansi\\ansicpg936\r\n{\\colortbl\\red0\\green0\\blue0;\\red255\\green255\\blue255;"
        "\\red240\\green240\\blue240;\\red0\\green0\\blue128;}\r\n"));
    EXPECT_TRUE(bytes.contains(titleRow("\\cf3\\cb2")));
    EXPECT_TRUE(bytes.contains("\\pard\\intbl{\\qc\\sb24\\sa24\\fs16\\f0\\cf3\\cb1 012001700111"));
    EXPECT_FALSE(bytes.contains("\\cf0"));
}

TEST(RtfExport, WindowColourOutsideTheTableIsAppendedAtFirstUse) {
    exportgrid::SystemColours colours;
    colours.window = {255, 255, 224};
    PlainGrid grid = twoRecordsGrid(colours);
    const QByteArray bytes = exportBytes(ExporterClass::Rtf, grid);
    EXPECT_TRUE(bytes.contains("\\red240\\green240\\blue240;\\red255\\green255\\blue224;}\r\n"));
    EXPECT_TRUE(bytes.contains("\\clcfpat3\\cellx1320\r\n"));
    EXPECT_TRUE(bytes.contains("\\cf0\\cb3 012001700111"));
}

TEST(RtfExport, RtfSyntaxInTextsIsProtected) {
    EXPECT_EQ(RtfExport::protectText(QStringLiteral("a\\b{c}d")), QByteArray("a\\\\b\\{c\\}d"));
    // 乗 81 5C, 亄 81 7B, 亇 81 7D: their trail bytes would read as RTF syntax.
    EXPECT_EQ(RtfExport::protectText(QStringLiteral("乗亄亇")),
              QByteArray("\\'81\\'5c\\'81\\'7b\\'81\\'7d"));
    // Every other byte as it is: 张三, tabs, line ends.
    EXPECT_EQ(RtfExport::protectText(QStringLiteral("张三\t\r\n;")),
              hex("D5 C5 C8 FD 09 0D 0A 3B"));
}

TEST(RtfExport, ProtectedTextInACell) {
    PlainGrid grid = emptyRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("1"), QStringLiteral("2"), 0, QStringLiteral("3"),
                          std::nullopt, QStringLiteral("{乗}"), 0));
    EXPECT_TRUE(
        exportBytes(ExporterClass::Rtf, grid).contains("\\cf0\\cb1 \\{\\'81\\'5c\\}\\cell}\r\n"));
}

TEST(RtfExport, FlatGridSpacingAndOtherResolutions) {
    PlainGrid grid = emptyRecordsGrid();
    grid.flat = true;
    grid.dpi = 144;
    const QByteArray bytes = exportBytes(ExporterClass::Rtf, grid);
    EXPECT_TRUE(bytes.contains("\\pard\\intbl{\\qc\\sb12\\sa12\\fs16"));
    // 88, 80, 90, 71, 101 pixels at 144 dpi: 880, 800, 900, 710 and 1009 twips (the quotient
    // leaves 101 pixels a hair below 1010).
    EXPECT_TRUE(bytes.contains("\\cellx880\r\n"));
    EXPECT_TRUE(bytes.contains("\\cellx3290\r\n"));
    EXPECT_TRUE(bytes.contains("\\cellx4299\r\n"));
    EXPECT_EQ(RtfExport::twips(101, 144), 1009);
    EXPECT_EQ(RtfExport::twips(88, 96), 1320);
}

TEST(RtfExport, FontsAreListedOnceWhateverTheirCaseAndStylesFollowTheSize) {
    PlainGrid grid = emptyRecordsGrid();
    grid.column(0).titleFont.name = QStringLiteral("ms sans serif");
    grid.column(1).titleFont.name = QStringLiteral("宋体");
    grid.column(1).titleFont.pointSize = 10;
    grid.column(1).titleFont.bold = true;
    grid.column(1).titleFont.italic = true;
    grid.column(1).titleFont.strikeOut = true;
    grid.column(1).titleFont.underline = true;
    const QByteArray bytes = exportBytes(ExporterClass::Rtf, grid);
    EXPECT_TRUE(bytes.contains(QByteArray("{\\fonttbl\\f0\\fnil ms sans serif;\\f1\\fnil ") +
                               hex("CB CE CC E5") + ";}\r\n"));
    EXPECT_TRUE(bytes.contains("{\\qc\\sb24\\sa24\\fs20\\b\\i\\strike\\ul\\f1\\cf0\\cb2 "));
    EXPECT_TRUE(bytes.contains("{\\qr\\sb24\\sa24\\fs16\\f0\\cf0\\cb2 "));
}

TEST(RtfExport, FileStaysEmptyWhenTheExportFailsBeforeTheBodyIsComplete) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.rtf"));
    testfiles::writeBytes(file, "old");
    PlainGrid grid = twoRecordsGrid();
    grid.failAtRow(1, QStringLiteral("gone"));
    EXPECT_THROW(exportGridToFile(ExporterClass::Rtf, grid, file, true), AppError);
    EXPECT_EQ(testfiles::readBytes(file), QByteArray());
    EXPECT_FALSE(grid.exporting());
}

TEST(RtfExport, FileStaysEmptyAlsoWhenTheExportFailsAfterItsHeaderWasWritten) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("out.rtf"));
    testfiles::writeBytes(file, "old");
    PlainGrid grid = twoRecordsGrid();
    grid.addRow(recordRow(QStringLiteral("044031900333"), QStringLiteral("00000003"), 500,
                          QStringLiteral("20170122"), std::nullopt, QStringLiteral("李四"), 1));
    grid.failAtRow(2, QStringLiteral("gone"));
    EXPECT_THROW(exportGridToFile(ExporterClass::Rtf, grid, file, true), AppError);
    EXPECT_EQ(testfiles::readBytes(file), QByteArray());
    // Without the failure the same grid gives its three rows.
    PlainGrid whole = twoRecordsGrid();
    whole.addRow(recordRow(QStringLiteral("044031900333"), QStringLiteral("00000003"), 500,
                           QStringLiteral("20170122"), std::nullopt, QStringLiteral("李四"), 1));
    exportGridToFile(ExporterClass::Rtf, whole, file, true);
    const QByteArray bytes = testfiles::readBytes(file);
    EXPECT_TRUE(bytes.startsWith("{\\rtf0\\ansi"));
    EXPECT_EQ(bytes.count("\\pard\\intbl\\row}"), 4);
    EXPECT_TRUE(bytes.endsWith("\\pard\\intbl\\row}\r\n}"));
}
