#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <atomic>

#include "ExportTestSupport.h"
#include "FakeClock.h"
#include "FakePrompts.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "base/AppInfo.h"
#include "export/ExportCommand.h"
#include "prompts/ErrorDisplay.h"

using namespace exporttest;
using exportgrid::PlainGrid;

namespace {

class ExportCommand : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.filePath(name); }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files); }

    QTemporaryDir dir;
    FakePrompts prompts;
    PlainGrid grid = twoRecordsGrid();
    QObject owner;
    // 100,000 rows; at row 5,000 the progress window's "取消" is pressed (from the export's own
    // thread, where the rows are made).
    std::atomic<qint64> rowsReached{0};
    PlainGrid many = [this] {
        PlainGrid rows = emptyRecordsGrid();
        rows.setRowSource(100000, [this](qint64 row) {
            rowsReached = row;
            if (row == 5000) {
                prompts.progressWindows().last().request.cancel();
            }
            return QList<exportgrid::Cell>{exportgrid::textCell(QString::number(row)),
                                           exportgrid::textCell(QStringLiteral("1")),
                                           exportgrid::amountCell(10000),
                                           exportgrid::textCell(QStringLiteral("20240101")),
                                           exportgrid::nullCell(),
                                           exportgrid::textCell(QStringLiteral("张三")),
                                           exportgrid::entryModeCell(0)};
        });
        return rows;
    }();
};

}  // namespace

TEST(ExportCommandName, IsTheTimeStampAndTheFixedText) {
    EXPECT_EQ(proposedExportName(QDateTime(QDate(2020, 1, 1), QTime(9, 30, 5))),
              QStringLiteral("20200101093005_电子发票报销记录"));
    FakeClock clock(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)));
    EXPECT_EQ(proposedExportName(), QStringLiteral("20241231235959_电子发票报销记录"));
}

TEST_F(ExportCommand, DialogOffersTheSixTypesWithExcelPreselected) {
    prompts.answerFile(std::nullopt);
    ExportGridToFile(grid, QStringLiteral("20200101093005_电子发票报销记录"), &owner);
    const QList<FakePrompts::Call> calls = prompts.calls();
    ASSERT_EQ(calls.size(), 1);
    const FileDialogRequest& request = calls[0].request;
    EXPECT_EQ(calls[0].kind, FakePrompts::Kind::Save);
    EXPECT_EQ(request.owner, &owner);
    EXPECT_EQ(request.proposedName, QStringLiteral("20200101093005_电子发票报销记录"));
    EXPECT_EQ(request.selectedFilter, 5);
    ASSERT_EQ(request.filters.size(), 6);
    const char* expected[][2] = {
        {"文本文件(*.txt)", "*.txt"},    {"文本交换文件(*.csv)", "*.csv"},
        {"htm文件(*.htm)", "*.htm"},     {"副文本文件(*.rtf)", "*.rtf"},
        {"Excel工作簿(*.xls)", "*.xls"}, {"Excel 2007工作簿(*.xlsx)", "*.xlsx"}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(request.filters[i].description, QString::fromUtf8(expected[i][0]));
        EXPECT_EQ(request.filters[i].pattern, QString::fromUtf8(expected[i][1]));
    }
}

TEST_F(ExportCommand, KeptNameAndTypeGiveAnXlsFileAndTheSuccessMessage) {
    grid.setCurrentRow(1);
    const QString chosen = path(QStringLiteral("20200101093005_电子发票报销记录"));
    prompts.answerFile(FileDialogResult{chosen, 5});
    bool selectedDuringExport = false;
    prompts.onCall = [&](const FakePrompts::Call& call) {
        if (call.caption == QStringLiteral("导出文件")) {
            selectedDuringExport = QFile::exists(chosen + QStringLiteral(".xls"));
        }
    };
    ExportGridToFile(grid, QStringLiteral("20200101093005_电子发票报销记录"), &owner);

    EXPECT_EQ(files(), QStringList{QStringLiteral("20200101093005_电子发票报销记录.xls")});
    EXPECT_TRUE(testfiles::readBytes(chosen + QStringLiteral(".xls"))
                    .startsWith(hex("09 08 08 00 00 00 10 00 00 00 00 00 42 00 02 00 A8 03")));
    const QList<FakePrompts::Call> boxes = prompts.messages();
    ASSERT_EQ(boxes.size(), 2);
    EXPECT_EQ(boxes[0].caption, QStringLiteral("确认"));
    EXPECT_EQ(boxes[0].text, QStringLiteral("确认导出？"));
    EXPECT_EQ(boxes[0].icon, MsgIcon::None);
    EXPECT_EQ(boxes[0].buttons, MsgButtons::OkCancel);
    EXPECT_EQ(boxes[1].caption, QStringLiteral("导出文件"));
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("文件导出成功！\r\n\r\n") + chosen + QStringLiteral(".xls"));
    EXPECT_EQ(boxes[1].icon, MsgIcon::Information);
    EXPECT_EQ(boxes[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(boxes[1].owner, &owner);
    EXPECT_TRUE(selectedDuringExport);
    EXPECT_FALSE(grid.allSelected());
    EXPECT_EQ(grid.currentRow(), 1);
}

TEST_F(ExportCommand, ExtensionOfTheChosenTypeIsAlwaysAppended) {
    prompts.answerFile(FileDialogResult{path(QStringLiteral("report")), 2});
    prompts.answerFile(FileDialogResult{path(QStringLiteral("report.xls")), 5});
    prompts.answerFile(FileDialogResult{path(QStringLiteral("r")), 1});
    prompts.answerFile(FileDialogResult{path(QStringLiteral("r")), 3});
    prompts.answerFile(FileDialogResult{path(QStringLiteral("r")), 4});
    prompts.answerFile(FileDialogResult{path(QStringLiteral("r.xls")), 6});
    for (int i = 0; i < 6; ++i) {
        ExportGridToFile(grid, QStringLiteral("x"), &owner);
    }
    EXPECT_EQ(files(), (QStringList{"r.htm", "r.rtf", "r.txt", "r.xls.xlsx", "report.csv",
                                    "report.xls.xls"}));
    EXPECT_TRUE(testfiles::readBytes(path(QStringLiteral("r.xls.xlsx"))).startsWith("PK\x03\x04"));
    EXPECT_TRUE(testfiles::readBytes(path(QStringLiteral("report.csv"))).startsWith("\"\xB7\xA2"));
    EXPECT_TRUE(testfiles::readBytes(path(QStringLiteral("r.rtf"))).startsWith("{\\rtf0"));
    EXPECT_TRUE(testfiles::readBytes(path(QStringLiteral("r.htm"))).startsWith("<!DOCTYPE"));
}

TEST_F(ExportCommand, CancelAtEitherPromptWritesNothingAndShowsNothingMore) {
    prompts.answerFile(std::nullopt);
    ExportGridToFile(grid, QStringLiteral("x"), &owner);
    EXPECT_TRUE(prompts.messages().isEmpty());

    prompts.answerFile(FileDialogResult{path(QStringLiteral("report")), 2});
    prompts.answerMessage(MsgAnswer::Cancel);
    ExportGridToFile(grid, QStringLiteral("x"), &owner);
    EXPECT_EQ(prompts.messageTexts(), QStringList{QStringLiteral("确认导出？")});
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(grid.exportsBegun(), 0);
    EXPECT_FALSE(grid.allSelected());
}

TEST_F(ExportCommand, ExistingFileIsReplacedWithoutAQuestion) {
    testfiles::writeBytes(path(QStringLiteral("report.txt")), QByteArray(5000, 'x'));
    prompts.answerFile(FileDialogResult{path(QStringLiteral("report")), 1});
    ExportGridToFile(grid, QStringLiteral("x"), &owner);
    EXPECT_EQ(prompts.messages().size(), 2);
    EXPECT_TRUE(testfiles::readBytes(path(QStringLiteral("report.txt")))
                    .endsWith("\t\xCA\xD6\xB9\xA4\xC2\xBC\xC8\xEB"));
}

TEST_F(ExportCommand, EmptyResultStillGivesAFile) {
    PlainGrid empty = emptyRecordsGrid();
    prompts.answerFile(FileDialogResult{path(QStringLiteral("none")), 2});
    ExportGridToFile(empty, QStringLiteral("x"), &owner);
    EXPECT_EQ(testfiles::readGbk(path(QStringLiteral("none.csv"))),
              QStringLiteral("\"发票代码\";\"发票号码\";\"开票金额\";\"开票日期\";\"报销时间\";"
                             "\"报销人\";\"录入方式\""));
}

TEST_F(ExportCommand, FileThatCannotBeCreatedReachesTheCallerWithoutSuccessBox) {
    const QString chosen = path(QStringLiteral("no/such/dir/report"));
    prompts.answerFile(FileDialogResult{chosen, 5});
    try {
        ExportGridToFile(grid, QStringLiteral("x"), &owner);
        FAIL() << "no error";
    } catch (const AppError& e) {
        EXPECT_EQ(e.message(),
                  QStringLiteral("Cannot create file ") + chosen + QStringLiteral(".xls"));
    }
    EXPECT_EQ(prompts.messageTexts(), QStringList{QStringLiteral("确认导出？")});
    EXPECT_FALSE(grid.allSelected());
}

TEST_F(ExportCommand, AtTheErrorDisplayAFailureIsTheOnlyBoxAfterTheConfirmation) {
    // As the records window's handler runs the command.
    const QString chosen = path(QStringLiteral("no/such/dir/report"));
    prompts.answerFile(FileDialogResult{chosen, 1});
    EXPECT_FALSE(runGuarded([&] { ExportGridToFile(grid, QStringLiteral("x"), &owner); }));

    PlainGrid big = emptyRecordsGrid();
    big.setRowSource(70000, [](qint64) { return QList<exportgrid::Cell>(7); });
    prompts.answerFile(FileDialogResult{path(QStringLiteral("big")), 5});
    EXPECT_FALSE(runGuarded([&] { ExportGridToFile(big, QStringLiteral("x"), &owner); }));

    const QList<FakePrompts::Call> boxes = prompts.messages();
    ASSERT_EQ(boxes.size(), 4);
    EXPECT_EQ(boxes[1].caption, appinfo::title());
    EXPECT_EQ(boxes[1].icon, MsgIcon::Stop);
    EXPECT_EQ(boxes[1].text,
              QStringLiteral("Cannot create file ") + chosen + QStringLiteral(".txt."));
    EXPECT_EQ(boxes[3].icon, MsgIcon::Stop);
    EXPECT_EQ(boxes[3].text,
              QStringLiteral("共70000条记录，超过Excel工作表的上限65535条，无法导出为"
                             "Excel工作簿，请缩小查询范围后再导出!"));
    EXPECT_TRUE(files().isEmpty());
    EXPECT_FALSE(big.allSelected());
}

namespace {

// A result of many rows made as the export reaches them.
PlainGrid manyRowsGrid(qint64 rows) {
    PlainGrid grid = emptyRecordsGrid();
    grid.setRowSource(rows, [](qint64 row) {
        return recordRow(QStringLiteral("012001700111"), QString::number(row), 1235000,
                         QStringLiteral("20170120"), QDateTime(QDate(2024, 3, 5), QTime(9, 30, 5)),
                         QStringLiteral("张三"), 0);
    });
    return grid;
}

}  // namespace

TEST_F(ExportCommand, TheRowsAreWrittenBehindAProgressWindowThatThenCloses) {
    PlainGrid many = manyRowsGrid(3000);
    prompts.answerFile(FileDialogResult{path(QStringLiteral("many")), 1});
    ExportGridToFile(many, QStringLiteral("x"), &owner);
    EXPECT_EQ(testfiles::readBytes(path(QStringLiteral("many.txt"))).count("\r\n"), 3000);
    const QList<FakePrompts::Progress> windows = prompts.progressWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0].request.owner, &owner);
    EXPECT_EQ(windows[0].request.caption, QStringLiteral("导出文件"));
    EXPECT_EQ(windows[0].request.label, QStringLiteral("正在导出：0 / 3000 条"));
    EXPECT_EQ(windows[0].request.total, 3000);
    EXPECT_TRUE(bool(windows[0].request.cancel));
    EXPECT_FALSE(windows[0].open);
    EXPECT_EQ(prompts.messages().size(), 2);  // confirmation, success
}

TEST_F(ExportCommand, ACancelStopsTheExportRemovesItsFileAndShowsNothingMore) {
    many.setCurrentRow(7);
    prompts.answerFile(FileDialogResult{path(QStringLiteral("big")), 2});
    ExportGridToFile(many, QStringLiteral("x"), &owner);
    EXPECT_EQ(rowsReached.load(), 5000);  // not a row further
    EXPECT_TRUE(files().isEmpty());
    EXPECT_EQ(prompts.messageTexts(), QStringList{QStringLiteral("确认导出？")});
    EXPECT_FALSE(many.allSelected());
    EXPECT_EQ(many.currentRow(), 7);
    ASSERT_EQ(prompts.progressWindows().size(), 1);
    EXPECT_FALSE(prompts.progressWindows()[0].open);
}

TEST_F(ExportCommand, ACancelBeforeAnyRowIsWrittenLeavesAnExistingFileAlone) {
    testfiles::writeBytes(path(QStringLiteral("report.csv")), "old");
    prompts.onProgress = [](const ProgressRequest& request) { request.cancel(); };
    prompts.answerFile(FileDialogResult{path(QStringLiteral("report")), 2});
    ExportGridToFile(grid, QStringLiteral("x"), &owner);
    EXPECT_EQ(testfiles::readBytes(path(QStringLiteral("report.csv"))), "old");
    EXPECT_EQ(prompts.messageTexts(), QStringList{QStringLiteral("确认导出？")});
    EXPECT_FALSE(grid.allSelected());
}
