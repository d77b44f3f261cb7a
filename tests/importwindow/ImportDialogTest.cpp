#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <atomic>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "ImportFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/TextCodec.h"
#include "importwindow/ImportDialog.h"
#include "importwindow/ImportFailuresDialog.h"
#include "store/ClaimStore.h"

using fixtures::Row;

namespace {

class ImportFormTest : public ::testing::Test {
protected:
    ImportFormTest() {
        QFile::copy(QStringLiteral(FPBX_IMPORT_TEMPLATE), dir.file("模板.xls"));
        QFile::copy(QStringLiteral(FPBX_IMPORT_TEMPLATE_XLSX), dir.file("模板.xlsx"));
        form.show();
    }
    ~ImportFormTest() override {
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isImporting(); }, 20000));
    }

    // Presses 导入 and waits until the worker has ended.
    void importAndWait() {
        form.Button2->click();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isImporting(); }, 20000));
    }
    QString rowsWorkbook(int rows) {
        QList<Row> sheet{fixtures::readHeadings()};
        for (int i = 0; i < rows; ++i) {
            sheet << Row{"044031900111", QString::number(1000 + i), "1.00", "20200101", "", "张三"};
        }
        const QString path = dir.file("rows.xls");
        fixtures::writeXls(path, sheet);
        return path;
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9))};
    QWidget owner;
    ImportDialog form{&owner};
};

TEST_F(ImportFormTest, OpensWithItsControlsInTheirFirstState) {
    EXPECT_EQ(form.windowTitle(), "导入Excel数据");
    EXPECT_EQ(form.size(), QSize(383, 182));
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.Label2->text(), "请选择需要导入的Excel表");
    EXPECT_EQ(form.Label1->text(), "下载模板");
    EXPECT_TRUE(form.Label1->font().underline());
    EXPECT_EQ(form.Edit1->text(), "");
    EXPECT_EQ(form.Button1->text(), "浏览");
    EXPECT_EQ(form.Button2->text(), "导入");
    EXPECT_EQ(form.loadLabel->text(), "正在导入，请耐心等待。。。");
    EXPECT_FALSE(form.loadLabel->isVisible());
    EXPECT_EQ(form.loadLabel->palette().color(QPalette::WindowText), QColor(Qt::red));
    EXPECT_EQ(form.Label_1->text() + form.Label_count->text() + form.Label_2->text(), "共0条");
}

TEST_F(ImportFormTest, TheTemplateIsCopiedUnderItsOwnNameIntoTheChosenFolder) {
    const QString folder = dir.file("downloads");
    QDir().mkpath(folder);
    testfiles::writeBytes(folder + "/模板.xls", "old");
    prompts.answerFile(FileDialogResult{folder + "/我的名字.xls", 1});
    QTest::mouseClick(form.Label1, Qt::LeftButton);

    const QList<FakePrompts::Call> calls = prompts.calls();
    ASSERT_EQ(calls.size(), 2);
    EXPECT_EQ(calls[0].kind, FakePrompts::Kind::Save);
    EXPECT_EQ(calls[0].initial, "20240131130509_模板.xls");
    ASSERT_EQ(calls[0].request.filters.size(), 2);
    EXPECT_EQ(calls[0].request.filters[0].description, "Excel工作簿(*.xls)");
    EXPECT_EQ(calls[0].request.filters[1].description, "Excel 2007工作簿(*.xlsx)");
    EXPECT_EQ(calls[0].request.selectedFilter, 1);
    EXPECT_EQ(calls[1].text, "模板下载完成！");
    EXPECT_EQ(calls[1].caption, "提示");
    EXPECT_EQ(calls[1].icon, MsgIcon::Information);
    EXPECT_EQ(calls[1].owner, &form);
    EXPECT_EQ(testfiles::readBytes(folder + "/模板.xls"),
              testfiles::readBytes(QStringLiteral(FPBX_IMPORT_TEMPLATE)));
    EXPECT_FALSE(QFile::exists(folder + "/我的名字.xls"));
}

TEST_F(ImportFormTest, TheXlsxTypeCopiesTheXlsxTemplate) {
    const QString folder = dir.file("downloads");
    QDir().mkpath(folder);
    prompts.answerFile(FileDialogResult{folder + "/我的名字.xls", 2});
    form.Label1Click();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"模板下载完成！"});
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{"模板.xlsx"});
    EXPECT_EQ(testfiles::readBytes(folder + "/模板.xlsx"),
              testfiles::readBytes(QStringLiteral(FPBX_IMPORT_TEMPLATE_XLSX)));
}

TEST_F(ImportFormTest, ACancelledOrFailedTemplateDownload) {
    form.Label1Click();  // cancelled: nothing copied, nothing shown
    EXPECT_EQ(prompts.messages().size(), 0);

    QFile::remove(dir.file("模板.xls"));
    prompts.answerFile(FileDialogResult{dir.file("out/x.xls"), 1});
    form.Label1Click();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"模板下载失败！"});
    EXPECT_FALSE(QFile::exists(dir.file("out/模板.xls")));
}

TEST_F(ImportFormTest, BrowsePutsTheChosenPathIntoEdit1) {
    form.Edit1->setText("/typed.xls");
    form.Button1->click();  // cancelled
    EXPECT_EQ(form.Edit1->text(), "/typed.xls");
    prompts.answerFile(FileDialogResult{"/data/发票.xls", 1});
    form.Button1->click();
    EXPECT_EQ(form.Edit1->text(), "/data/发票.xls");
    EXPECT_EQ(prompts.calls()[0].kind, FakePrompts::Kind::Open);
    ASSERT_FALSE(prompts.calls()[0].request.filters.isEmpty());
    EXPECT_EQ(prompts.calls()[0].request.filters[0].description, "Excel工作簿(*.xls *.xlsx)");
    EXPECT_EQ(prompts.calls()[0].request.filters[0].pattern, "*.xls *.xlsx");
}

TEST_F(ImportFormTest, ASuccessfulImportClosesTheDialogOnItsMessage) {
    form.Edit1->setText(rowsWorkbook(3));
    bool loadingDuringSummary = false;
    QString countDuringSummary;
    prompts.onCall = [&](const FakePrompts::Call&) {
        // On the worker thread: look at the dialog through the UI thread.
        QMetaObject::invokeMethod(
            &form,
            [&] {
                loadingDuringSummary = form.loadLabel->isVisible();
                countDuringSummary = form.Label_count->text();
            },
            Qt::BlockingQueuedConnection);
    };
    importAndWait();
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"导入完毕, 总共 3 条数据，成功 3 条，失败 0 条！"});
    EXPECT_EQ(prompts.messages()[0].owner, &form);
    EXPECT_TRUE(loadingDuringSummary);
    EXPECT_EQ(countDuringSummary, "3");
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.result(), QDialog::Accepted);
    EXPECT_FALSE(form.loadLabel->isVisible());
    EXPECT_EQ(fixtures::storedRows().size(), 3);
}

TEST_F(ImportFormTest, WithNewClaimCheckedTheRowsJoinAClaimClosedWithItsSheet) {
    form.Edit1->setText(rowsWorkbook(3));
    form.CheckBox_claim->setChecked(true);
    importAndWait();
    const QString kept = dir.companyDir() + "/报销单/202401/BX202401310001.pdf";
    EXPECT_EQ(prompts.messageTexts(),
              (QStringList{"导入完毕, 总共 3 条数据，成功 3 条，失败 0 条！",
                           "报销单BX202401310001：共 3 张，合计￥3.00。\n已保存：" + kept}));
    EXPECT_TRUE(QFile::exists(kept));
    const ClaimRead claim = openClaimStore()->readClaim("BX202401310001");
    ASSERT_TRUE(claim.claim);
    EXPECT_TRUE(claim.claim->closedAt.isValid());
    EXPECT_EQ(claim.claim->invoices.size(), 3);
}

TEST_F(ImportFormTest, TheSummaryOffersTheFailedRowsWhichCanBeSavedAsCsv) {
    const QString path = dir.file("twice.xls");
    fixtures::writeXls(
        path, {fixtures::readHeadings(), Row{"044031900111", "5", "1.00", "20200101", "", "张三"},
               Row{"044031900111", "5", "1.00", "20200101", "", "李四"}});
    form.Edit1->setText(path);
    prompts.answerMessage(MsgAnswer::Details);
    const QString saved = dir.file("失败明细.csv");
    prompts.answerFile(FileDialogResult{saved, 1});
    QStringList shown;
    // The details open on the UI thread while the worker waits; they are read, saved, closed.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* details = qobject_cast<ImportFailuresDialog*>(QApplication::activeModalWidget());
        if (details == nullptr) {
            return;
        }
        for (int c = 0; c < details->table->columnCount(); ++c) {
            shown << details->table->item(0, c)->text();
        }
        details->saveButton->click();
        details->closeButton->click();
    });
    poll.start(10);
    importAndWait();
    const QList<FakePrompts::Call> boxes = prompts.messages();
    ASSERT_GE(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, "导入完毕, 总共 2 条数据，成功 1 条，失败 1 条！");
    EXPECT_EQ(boxes[0].buttons, MsgButtons::OkDetails);
    EXPECT_EQ(boxes[0].detailsCaption, "查看失败明细");
    EXPECT_EQ(shown,
              (QStringList{"3", "044031900111", "00000005", "已报销（2024/1/31 13:05:09，张三）"}));
    EXPECT_EQ(textcodec::fromGbk(testfiles::readBytes(saved)),
              "行号,发票代码,发票号码,原因\r\n3,044031900111,00000005,已报销（2024/1/31 "
              "13:05:09，张三）\r\n");
    EXPECT_FALSE(form.isVisible());  // and the dialog closed as after any finished import
}

TEST_F(ImportFormTest, AFailedImportLeavesTheDialogOpen) {
    importAndWait();
    form.Edit1->setText(dir.file("missing.xls"));
    importAndWait();
    testfiles::writeBytes(dir.file("text.xls"), "not a workbook");
    form.Edit1->setText(dir.file("text.xls"));
    importAndWait();
    EXPECT_EQ(prompts.messageTexts(), (QStringList{"请选择Excel表！", "请选择有效的Excel表！",
                                                   "请选择有效的Excel表（.xls或.xlsx）！"}));
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.loadLabel->isVisible());
    EXPECT_EQ(form.Label_count->text(), "0");
}

TEST_F(ImportFormTest, WhileAnImportRunsTheDialogNeitherClosesNorStartsAnother) {
    form.Edit1->setText(rowsWorkbook(2));
    std::atomic<bool> summaryOpen{false};
    std::atomic<bool> release{false};
    prompts.onCall = [&](const FakePrompts::Call&) {
        summaryOpen = true;
        while (!release) {
            QThread::msleep(2);
        }
    };
    form.Button2->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return summaryOpen.load(); }, 20000));
    EXPECT_TRUE(form.isImporting());
    form.close();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.isVisible());
    form.Button2->click();              // does nothing while one runs
    QCoreApplication::processEvents();  // whatever the click queued is handled before the release
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isImporting(); }, 20000));
    EXPECT_EQ(prompts.messages().size(), 1);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(fixtures::storedRows().size(), 2);
}

TEST_F(ImportFormTest, TheLastCountStaysUntilTheNextImportWritesIt) {
    form.Edit1->setText(rowsWorkbook(5));
    importAndWait();
    EXPECT_EQ(form.Label_count->text(), "5");
    form.show();
    form.Edit1->setText(dir.file("none.xls"));
    importAndWait();
    EXPECT_EQ(form.Label_count->text(), "5");
    EXPECT_TRUE(form.isVisible());
}

}  // namespace
