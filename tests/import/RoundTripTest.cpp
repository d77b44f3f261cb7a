#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "ImportFixtures.h"
#include "TempExeDir.h"
#include "export/PlainGrid.h"
#include "export/XlsExport.h"
#include "export/XlsxExport.h"

namespace {

// Records exported as .xls on one computer are imported on another.
TEST(RoundTripTest, RecordsExportedAsXlsImportAsTheyWere) {
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))};

    using namespace exportgrid;
    PlainGrid grid(recordsColumns());
    // Columns: 发票代码, 发票号码, 开票金额, 开票日期, 报销时间, 报销人, 录入方式.
    grid.addRow({textCell("044031900111"), textCell("00000123"), amountCell(1235000),
                 textCell("20170120"), dateTimeCell(QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9))),
                 textCell("张三"), entryModeCell(0)});
    grid.addRow({textCell(""), textCell("24442000000012345678"), amountCell(std::nullopt),
                 textCell("20240301"), dateTimeCell(QDateTime(QDate(2024, 2, 1), QTime(0, 0))),
                 nullCell(), entryModeCell(1)});
    XlsExport xls;
    xls.setGrid(&grid);
    xls.ExportToFile(dir.file("exported.xls"), true);

    fixtures::FakeView view;
    view.path = dir.file("exported.xls");
    EXPECT_TRUE(RunImport(view));
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"导入完毕, 总共 2 条数据，成功 2 条，失败 0 条！"});
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{"044031900111|00000123|1235000|20170120||2024-01-31 13:05:09|2|张三",
                           "|24442000000012345678|null|20240301||2024-02-01 00:00:00|2|"}));
}

// And so are records exported as .xlsx: the amount as a number, 报销时间 as a date-time cell.
TEST(RoundTripTest, RecordsExportedAsXlsxImportAsTheyWere) {
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9))};

    using namespace exportgrid;
    PlainGrid grid(recordsColumns());
    grid.addRow({textCell("044031900111"), textCell("00000123"), amountCell(1235000),
                 textCell("20170120"), dateTimeCell(QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9))),
                 textCell("张三"), entryModeCell(0)});
    grid.addRow({textCell(""), textCell("24442000000012345678"), amountCell(std::nullopt),
                 textCell("20240301"), dateTimeCell(QDateTime(QDate(2024, 2, 1), QTime(0, 0))),
                 nullCell(), entryModeCell(1)});
    grid.addRow({textCell("_x0031_"), textCell("1"), amountCell(1), textCell("20240302"),
                 dateTimeCell(std::nullopt), textCell("李四"), entryModeCell(1)});
    XlsxExport xlsx;
    xlsx.setGrid(&grid);
    xlsx.ExportToFile(dir.file("exported.xlsx"), true);

    fixtures::FakeView view;
    view.path = dir.file("exported.xlsx");
    EXPECT_TRUE(RunImport(view));
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"导入完毕, 总共 3 条数据，成功 3 条，失败 0 条！"});
    EXPECT_EQ(fixtures::storedRows(),
              (QStringList{"044031900111|00000123|1235000|20170120||2024-01-31 13:05:09|2|张三",
                           "|24442000000012345678|null|20240301||2024-02-01 00:00:00|2|",
                           "_x0031_|00000001|1|20240302||2024-05-06 07:08:09|2|李四"}));
}

}  // namespace
