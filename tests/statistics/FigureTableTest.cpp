#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "base/AppError.h"
#include "base/TextCodec.h"
#include "invoice/Amount.h"
#include "statistics/FigureTable.h"

namespace {

ReimbursementFigures fixture() {
    ReimbursementFigures figures;
    figures.rows = {{"王五", 10, 115250}, {"", 10, 101501}, {"李四", 12, 78500}};
    return figures;
}

TEST(FigureTable, TheTableShowsExactSumsWithTheirTotals) {
    EXPECT_EQ(figuretable::headings(FigureGrouping::ByReimburser),
              (QStringList{"报销人", "发票张数", "开票金额合计"}));
    EXPECT_EQ(figuretable::displayRows(FigureGrouping::ByReimburser, fixture()),
              (QList<QStringList>{{"王五", "10", "11.525"},
                                  {"（未填写）", "10", "10.1501"},
                                  {"李四", "12", "7.85"},
                                  {"合计", "32", "29.5251"}}));
    EXPECT_EQ(figuretable::headings(FigureGrouping::ByMonth).value(0), "月份");
}

TEST(FigureTable, MoneyHasAtLeastTwoDecimals) {
    EXPECT_EQ(amount::toMoneyText(0), "0.00");
    EXPECT_EQ(amount::toMoneyText(1235000), "123.50");
    EXPECT_EQ(amount::toMoneyText(1234567), "123.4567");
    EXPECT_EQ(amount::toMoneyText(-5000), "-0.50");
    EXPECT_EQ(amount::toMoneyText(1), "0.0001");
}

TEST(FigureTable, TheCsvIsGbkWithCrLf) {
    EXPECT_EQ(figuretable::csv(FigureGrouping::ByReimburser, fixture()),
              textcodec::toGbk("报销人,发票张数,开票金额合计\r\n王五,10,11.525\r\n"
                               "（未填写）,10,10.1501\r\n李四,12,7.85\r\n合计,32,29.5251\r\n"));
}

TEST(FigureTable, TheWorkbookIsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath("统计.xlsx");
    figuretable::writeXlsx(path, FigureGrouping::ByMonth, "报销统计", fixture());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(2) == "PK");  // a zip package
    // As a spreadsheet program reads it: numbers, each sum the decimal it is.
    QProcess reader;
    reader.start("/usr/bin/python3", {FPBX_SOURCE_DIR "/tests/export/read_xlsx.py", path});
    ASSERT_TRUE(reader.waitForFinished(60000));
    const QString cells = QString::fromUtf8(reader.readAllStandardOutput());
    EXPECT_TRUE(cells.contains("A1 str 报销统计 |")) << cells.toStdString();
    EXPECT_TRUE(cells.contains("A3 str 月份 |"));
    EXPECT_TRUE(cells.contains("B4 int 10 |") || cells.contains("B4 float 10.0 |"));
    EXPECT_TRUE(cells.contains("C4 float 11.525 | #,##0.00## |")) << cells.toStdString();
    EXPECT_TRUE(cells.contains("C7 float 29.5251 | #,##0.00## |"));
    EXPECT_THROW(figuretable::writeXlsx(dir.filePath("none/统计.xlsx"), FigureGrouping::ByMonth,
                                        "报销统计", fixture()),
                 AppError);
}

}  // namespace
