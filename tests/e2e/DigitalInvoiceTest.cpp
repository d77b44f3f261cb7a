// A fully digital invoice (no code, a 20-digit number) recorded one way is found as already
// reimbursed the other ways; an older invoice whose number equals its last eight digits is a
// different invoice.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "ImportFixtures.h"
#include "MainWindowFixture.h"
#include "mainwindow/ClickableLabel.h"

namespace {

class DigitalInvoiceTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\n");
        open();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }

    // Imports a worksheet stream with one row per (code, number).
    void importRows(const QList<QPair<QString, QString>>& invoices) {
        fixtures::BiffStream stream;
        stream.bof().codePage(936);
        const QStringList headings{"发票代码", "发票号码", "开票金额",
                                   "开票日期", "报销时间", "报销人"};
        for (int c = 0; c < headings.size(); ++c) {
            stream.label(0, c, headings[c]);
        }
        quint16 row = 1;
        for (const auto& [code, number] : invoices) {
            stream.label(row, 0, code).label(row, 1, number).number(row, 2, 112);
            stream.label(row, 3, "20230215").blank(row, 4).label(row, 5, "Bob");
            ++row;
        }
        const QString path = dir.file("digital.xls");
        testfiles::writeBytes(path, stream.eof().bytes());
        fixtures::FakeView view;
        view.path = path;
        ASSERT_TRUE(ImportSheet(path, view));
    }

    void enterByHand(const QString& code, const QString& number) {
        emit form->Image_sx->clicked();
        form->Edit_fpdm->setText(code);
        form->Edit_fphm->setText(number);
        emit form->Image_jc->clicked();
        emit form->Image_sm->clicked();
    }
};

TEST_F(DigitalInvoiceTest, ImportedThenScannedIsAlreadyReimbursed) {
    importRows({{"", "23442000000014209621"}});
    scan("01,32,,23442000000014209621,112,20230215,,74AE");
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].mode, 2);
}

TEST_F(DigitalInvoiceTest, ScannedThenTypedOrImportedIsAlreadyReimbursed) {
    scan("01,31,,24922000000012341234,666.00,20240208,,76A1");
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    enterByHand("", "24922000000012341234");
    EXPECT_EQ(form->Label_msg1->text(), "已报销！");
    importRows({{"", "24922000000012341234"}});
    EXPECT_EQ(prompts.messageTexts().last(), "导入完毕, 总共 1 条数据，成功 0 条，失败 1 条！");
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].amount, "6660000");
}

TEST_F(DigitalInvoiceTest, TheLastEightDigitsOfADigitalNumberAreAnotherInvoice) {
    importRows({{"", "23442000000014209621"}});
    scan("01,10,044031900111,14209621,100.00,20200101,12345678901234567890,ABCD");
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    enterByHand("044031900111", "14209621");
    EXPECT_EQ(form->Label_msg1->text(), "已报销！");
    EXPECT_EQ(rows().size(), 2);
}

}  // namespace
