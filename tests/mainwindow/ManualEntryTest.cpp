#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateEdit>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>

#include "MainWindowFixture.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/ReimburserList.h"

namespace {

class ManualTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\nBob\r\n");
        open();
        emit form->Image_sx->clicked();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
    void enter(const QString& code, const QString& number) {
        form->Edit_fpdm->setText(code);
        form->Edit_fphm->setText(number);
        emit form->Image_jc->clicked();
    }
};

TEST_F(ManualTest, AFailingCheckIsShownByTheWindowAndTheFieldsKept) {
    enter("1234567890", "1234567");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "请输入正确的发票号码！");
    EXPECT_EQ(prompts.messages()[0].caption, "提示");
    EXPECT_EQ(prompts.messages()[0].owner, form.get());
    EXPECT_EQ(form->Edit_fpdm->text(), "1234567890");
    EXPECT_EQ(form->Edit_fphm->text(), "1234567");
    EXPECT_TRUE(rows().isEmpty());
}

// A database file gone while the program runs: told as a scan tells it, in Chinese first, on the
// panel and in the box, with what was typed kept for another try.
TEST_F(ManualTest, AStoreFailureIsToldAsAScanTellsItAndTheEntryKept) {
    QFile::rename(dir.databasePath(), dir.databasePath() + ".away");
    prompts.clear();
    enter("044031900111", "12345678");
    EXPECT_EQ(form->Label_msg1->text(), "登记失败！");
    const QString note = form->Label_note_sx->toolTip().isEmpty() ? form->Label_note_sx->text()
                                                                  : form->Label_note_sx->toolTip();
    EXPECT_TRUE(note.startsWith("数据库文件不存在：Could not find file")) << note.toStdString();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, "出现异常");
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("数据库文件不存在：" + dir.databasePath()))
        << prompts.messages()[0].text.toStdString();
    EXPECT_EQ(form->Edit_fpdm->text(), "044031900111");
    EXPECT_EQ(form->Edit_fphm->text(), "12345678");

    // Going back to the panel counts again: the failed count is said in Chinese first too.
    prompts.clear();
    emit form->Image_sm->clicked();
    emit form->Image_sx->clicked();
    ASSERT_FALSE(prompts.messages().isEmpty());
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("数据库文件不存在：Could not find file"))
        << prompts.messages()[0].text.toStdString();
    EXPECT_EQ(form->Label_num1->text(), "0");
}

TEST_F(ManualTest, AValidEntryIsRecordedByHand) {
    form->ComboBox2->setCurrentIndex(0);
    form->Date_kprq->setDate(QDate(2023, 12, 5));
    enter("044031900111", "12345678");
    EXPECT_EQ(rows(), (QList<Row>{{"044031900111", "12345678", "0", "20231205", "", "Ann", 1}}));
    EXPECT_EQ(form->reimbursers().current(), "Ann");
    EXPECT_EQ(form->Label_msg1->text(), "报销成功！");
    EXPECT_EQ(form->Label_num1->text(), "1");
    EXPECT_TRUE(form->Edit_fpdm->text().isEmpty());
    EXPECT_TRUE(form->Edit_fphm->text().isEmpty());
    EXPECT_EQ(form->Date_kprq->date(), QDate(2023, 12, 5));
    EXPECT_EQ(form->ComboBox2->currentText(), "Ann");

    enter("044031900111", "12345678");
    EXPECT_EQ(form->Label_msg1->text(), "已报销！");
    EXPECT_TRUE(form->Edit_fphm->text().isEmpty());
    EXPECT_EQ(rows().size(), 1);
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(ManualTest, ByHandThenScannedAndTheOtherWayRound) {
    enter("", "23442000000014209621");
    EXPECT_EQ(form->Label_msg1->text(), "报销成功！");
    enter("044031900111", "87654321");
    emit form->Image_sm->clicked();
    scan("01,32,,23442000000014209621,112,20230215,,74AE");
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    scan("01,10,044031900111,87654321,100.00,20200101,,ABCD");
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    scan("01,10,044031900111,11112222,100.00,20200101,,ABCD");
    emit form->Image_sx->clicked();
    enter("044031900111", "11112222");
    EXPECT_EQ(form->Label_msg1->text(), "已报销！");
    EXPECT_EQ(rows().size(), 3);
}

TEST_F(ManualTest, OnlyDigitsCanBeTypedIntoTheEdits) {
    form->Edit_fpdm->setFocus();
    type("12ab3");
    QTest::keyClick(handle(), Qt::Key_Backspace);
    type("45");
    EXPECT_EQ(form->Edit_fpdm->text(), "1245");
    QGuiApplication::clipboard()->setText("99xy");
    QTest::keyClick(handle(), Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(handle(), Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(form->Edit_fpdm->text(), "1245");
    form->Edit_fphm->setFocus();
    type("123456789012345678901");
    EXPECT_EQ(form->Edit_fphm->text(), "12345678901234567890");
    EXPECT_EQ(form->Edit_fpdm->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(ManualTest, TextArrivingAroundTheKeyFilterMustBeDigits) {
    form->Edit_fpdm->setFocus();
    type("12");
    // A middle-click paste of the X selection and a drop both insert at the cursor.
    form->Edit_fpdm->insert("3'x");
    EXPECT_EQ(form->Edit_fpdm->text(), "12");
    form->Edit_fpdm->insert("34");
    EXPECT_EQ(form->Edit_fpdm->text(), "1234");
    // A composition committed by an input method.
    QInputMethodEvent composed;
    composed.setCommitString("5a");
    QCoreApplication::sendEvent(form->Edit_fpdm, &composed);
    EXPECT_EQ(form->Edit_fpdm->text(), "1234");
    EXPECT_FALSE(form->Edit_fpdm->acceptDrops());
    // A middle-click on the number edit, where the platform keeps a selection.
    form->Edit_fphm->setFocus();
    QGuiApplication::clipboard()->setText("87654321'--", QClipboard::Selection);
    QTest::mouseClick(form->Edit_fphm, Qt::MiddleButton);
    EXPECT_EQ(form->Edit_fphm->text(), "");
    emit form->Image_jc->clicked();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"请输入正确的发票代码！"});
    EXPECT_TRUE(rows().isEmpty());
}

}  // namespace
