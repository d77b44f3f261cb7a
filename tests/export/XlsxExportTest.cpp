#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include "ExportTestSupport.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "export/Exporters.h"
#include "export/XlsxExport.h"
#include "workbook/Workbook.h"

using namespace exporttest;
using exportgrid::PlainGrid;

namespace {

// What openpyxl reads back from the workbook, line by line.
QStringList readBack(const QString& path) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(FPBX_SOURCE_DIR "/tests/export/read_xlsx.py"), path});
    EXPECT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString()
                                    << "(scripts/deps.sh installs python3-openpyxl)";
    return QString::fromUtf8(python.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

class XlsxExportTest : public ::testing::Test {
protected:
    QString exported(PlainGrid& grid) {
        const QString path = dir.filePath(QStringLiteral("export.xlsx"));
        exportGridToFile(ExporterClass::Xlsx, grid, path, true);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(XlsxExportTest, TwoRecordsReadBackAsTheGridShowsThem) {
    PlainGrid grid = twoRecordsGrid();
    // Widths in characters of the default font, 7 pixels each: 88, 80, 90, 71, 101, 70 and 80
    // pixels. Titles are aligned as the grid's, data cells as the spreadsheet aligns them. The
    // null reimburser of the second record is no cell.
    EXPECT_EQ(readBack(exported(grid)),
              (QStringList{
                  "sheets Sheet1",
                  "width A 12.57",
                  "width B 11.43",
                  "width C 12.86",
                  "width D 10.14",
                  "width E 14.43",
                  "width F 10.00",
                  "width G 11.43",
                  "A1 str 发票代码 | General | center",
                  "B1 str 发票号码 | General | center",
                  "C1 str 开票金额 | General | right",
                  "D1 str 开票日期 | General | center",
                  "E1 str 报销时间 | General | center",
                  "F1 str 报销人 | General | left",
                  "G1 str 录入方式 | General | center",
                  "A2 str 012001700111 | General | None",
                  "B2 str 12345678 | General | None",
                  "C2 float 123.5 | General | None",
                  "D2 str 20170120 | General | None",
                  "E2 datetime 2024-03-05 09:30:05 | yyyy/m/d h:mm:ss | None",
                  "F2 str 张三 | General | None",
                  "G2 str 扫描 | General | None",
                  "A3 str 044031900222 | General | None",
                  "B3 str 00000002 | General | None",
                  "C3 int 100 | General | None",
                  "D3 str 20170121 | General | None",
                  "E3 datetime 2024-03-06 00:00:00 | yyyy/m/d h:mm:ss | None",
                  "G3 str 手工录入 | General | None",
              }));
}

// A real office suite reads the workbook as written (a workbook it had to repair would not
// convert so).
TEST_F(XlsxExportTest, LibreOfficeReadsTheWorkbookAsWritten) {
    const QString soffice = QStringLiteral("/usr/bin/soffice");
    ASSERT_TRUE(QFile::exists(soffice))
        << "LibreOffice is missing: scripts/deps.sh installs libreoffice-calc-nogui";
    PlainGrid grid = twoRecordsGrid();
    const QString workbook = exported(grid);
    QProcess office;
    office.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + dir.filePath("lo"),
                           QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                           QStringLiteral("csv:Text - txt - csv (StarCalc):44,34,76"),
                           QStringLiteral("--outdir"), dir.path(), workbook});
    ASSERT_TRUE(office.waitForFinished(120000));
    EXPECT_EQ(QString::fromUtf8(testfiles::readBytes(dir.filePath("export.csv"))),
              "发票代码,发票号码,开票金额,开票日期,报销时间,报销人,录入方式\n"
              "012001700111,12345678,123.5,20170120,2024/3/5 9:30:05,张三,扫描\n"
              "044031900222,00000002,100,20170121,2024/3/6 0:00:00,,手工录入\n");
}

TEST_F(XlsxExportTest, AnEmptyResultIsTheTitleRowInTheGridsColumnOrder) {
    PlainGrid grid = emptyRecordsGrid();
    grid.moveColumn(5, 0);
    grid.column(0).width = 120;
    EXPECT_EQ(
        readBack(exported(grid)),
        (QStringList{"sheets Sheet1", "width A 17.14", "width B 12.57", "width C 11.43",
                     "width D 12.86", "width E 10.14", "width F 14.43", "width G 11.43",
                     "A1 str 报销人 | General | left", "B1 str 发票代码 | General | center",
                     "C1 str 发票号码 | General | center", "D1 str 开票金额 | General | right",
                     "E1 str 开票日期 | General | center", "F1 str 报销时间 | General | center",
                     "G1 str 录入方式 | General | center"}));
}

// openpyxl leaves the _xHHHH_ escapes of a text undecoded; the program's own reader decodes
// them as spreadsheet programs do.
// openpyxl leaves the _xHHHH_ escapes of a text undecoded; the program's own reader decodes
// them as spreadsheet programs do.
TEST_F(XlsxExportTest, TextsKeepEveryCharacter) {
    exportgrid::Column column;
    column.title = QStringLiteral("T");
    PlainGrid grid({column});
    const QStringList texts{"O'Brien \"x\" <&>",   "a\tb\r\nc", "x\x01y",
                            "_x0041_ and _x005F_", " lead",     "发票"};
    for (const QString& text : texts) {
        grid.addRow({exportgrid::textCell(text)});
    }
    const workbook::Sheet sheet = workbook::readFirstSheet(exported(grid));
    QStringList read;
    for (const QList<workbook::Cell>& row : sheet.rows.mid(1)) {
        read << row.value(0).text;
    }
    EXPECT_EQ(read, texts);
}

TEST_F(XlsxExportTest, AResultLargerThanASheetIsRefusedBeforeTheFileIsTouched) {
    PlainGrid grid = emptyRecordsGrid();
    grid.setRowSource(1048576, [](qint64) { return QList<exportgrid::Cell>(7); });
    const QString path = dir.filePath(QStringLiteral("kept.xlsx"));
    testfiles::writeBytes(path, "old");
    try {
        exportGridToFile(ExporterClass::Xlsx, grid, path, true);
        ADD_FAILURE() << "no error";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(),
                  "共1048576条记录，超过Excel工作表的上限1048575条，无法导出为Excel工作簿，"
                  "请缩小查询范围后再导出!");
    }
    EXPECT_EQ(testfiles::readBytes(path), "old");
}

}  // namespace
