#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QItemSelectionModel>
#include <QLabel>
#include <QTimer>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "importwindow/ImportDialog.h"
#include "records/RecordsModel.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"
#include "store/InvoiceStore.h"

using recordstest::insert;
using recordstest::Invoice;

namespace {

class ListFormButtonsTest : public ::testing::Test {
protected:
    void SetUp() override {
        insert(Invoice::of("11", "2024-03-05 08:00:00").withReimburser("张三"));
        insert(Invoice::of("12", "2024-03-05 09:30:00").withReimburser("李四"));
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30))};
};

TEST_F(ListFormButtonsTest, ExportWritesTheWholeResultInTheChosenType) {
    RecordsWindow form(nullptr);
    form.DBGridEh1->setCurrentIndex(form.DBGridEh1->model()->index(1, 0));
    const QString chosen = dir.file("report");
    prompts.answerFile(FileDialogResult{chosen, 2});
    form.exportButtonClick();

    const auto calls = prompts.calls();
    ASSERT_EQ(calls.size(), 3);
    EXPECT_EQ(calls[0].kind, FakePrompts::Kind::Save);
    EXPECT_EQ(calls[0].initial, "20240305102030_电子发票报销记录");
    EXPECT_EQ(calls[0].request.selectedFilter, 5);
    EXPECT_EQ(calls[1].text, "确认导出？");
    EXPECT_EQ(calls[2].text, "文件导出成功！\r\n\r\n" + chosen + ".csv");
    EXPECT_EQ(testfiles::readGbk(chosen + ".csv").section("\r\n", 0, 0),
              "\"发票代码\";\"发票号码\";\"开票金额\";\"开票日期\";\"报销时间\";\"报销人\";"
              "\"录入方式\";\"报销单号\"");
    EXPECT_EQ(testfiles::readGbk(chosen + ".csv").count("\r\n"), 2);
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 1);
    EXPECT_FALSE(form.DBGridEh1->selectionModel()->hasSelection());
}

TEST_F(ListFormButtonsTest, AFileThatCannotBeCreatedReachesTheErrorDisplay) {
    RecordsWindow form(nullptr);
    prompts.answerFile(FileDialogResult{dir.file("no/such/folder/report"), 1});
    form.exportButtonClick();
    const QStringList texts = prompts.messageTexts();
    ASSERT_EQ(texts.size(), 2);
    EXPECT_EQ(texts[1], "Cannot create file " + dir.file("no/such/folder/report.txt") + ".");
    EXPECT_EQ(prompts.messages()[1].icon, MsgIcon::Stop);
}

TEST_F(ListFormButtonsTest, ImportOpensTheDialogAndQueriesAgainAfterIt) {
    RecordsWindow form(nullptr);
    ASSERT_EQ(form.Label1->text(), "总共 2 条");
    bool dialogSeen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
        dialogSeen = dialog != nullptr;
        // An invoice recorded while the dialog is open shows once it closes.
        teststore::recordInvoice(
            teststore::invoice().code("044031900111").number("13").amount("1").date("20240305"),
            EntryMode::Scan);
        if (dialog != nullptr) {
            dialog->reject();
        }
    });
    form.importButtonClick();
    EXPECT_TRUE(dialogSeen);
    EXPECT_EQ(form.Label1->text(), "总共 3 条");
}

}  // namespace

TEST_F(ListFormButtonsTest, ExportWritesEveryRowOfAResultTheGridHasNotYetRead) {
    recordstest::insertMany(3000, "2024-03-05");
    RecordsWindow form(nullptr);
    ASSERT_FALSE(form.model()->source().allKeysKnown());
    const QString chosen = dir.file("all");
    prompts.answerFile(FileDialogResult{chosen, 1});
    form.exportButtonClick();
    const QStringList lines = testfiles::readGbk(chosen + ".txt").split("\r\n");
    ASSERT_EQ(lines.size(), 3003);  // the titles, 3,002 records
    EXPECT_TRUE(lines[1].startsWith("044031900111\t12\t100\t20240101\t2024/3/5 9:30:00\t"));
    EXPECT_EQ(lines[3], "044031900111\t50002999\t100\t20240101\t2024/3/5 0:49:59\t张三\t扫描\t");
    EXPECT_EQ(lines[3002], "044031900111\t50000000\t100\t20240101\t2024/3/5\t张三\t扫描\t");
    EXPECT_EQ(prompts.messageTexts().last(), "文件导出成功！\r\n\r\n" + chosen + ".txt");
    ASSERT_EQ(prompts.progressWindows().size(), 1);
    EXPECT_EQ(prompts.progressWindows()[0].request.total, 3002);
}
