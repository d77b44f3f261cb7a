#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "records/FindWalk.h"
#include "records/RecordsModel.h"
#include "recordswindow/FindDialog.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"

using recordstest::insert;
using recordstest::Invoice;

namespace {

QStringList items(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) {
        texts << box->itemText(i);
    }
    return texts;
}

class FindDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        findwalk::history().clear();
        // Grid order: 4 (李四), 3 (alice), 2 (财务部), 1 (Alice).
        insert(Invoice::of("1", "2024-03-05 08:00:00").withReimburser("Alice"));
        insert(Invoice::of("2", "2024-03-05 09:00:00").withReimburser("财务部"));
        insert(Invoice::of("3", "2024-03-05 10:00:00").withReimburser("alice").withMode(1));
        insert(Invoice::of("4", "2024-03-05 11:00:00").withReimburser("李四"));
        form = std::make_unique<RecordsWindow>(nullptr);
        grid = form->DBGridEh1;
    }
    void TearDown() override { findwalk::history().clear(); }

    void setCurrent(int row, int column) {
        grid->setCurrentIndex(grid->model()->index(row, column));
    }
    std::pair<int, int> current() const {
        return {grid->currentIndex().row(), grid->currentIndex().column()};
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0))};
    std::unique_ptr<RecordsWindow> form;
    RecordsGrid* grid = nullptr;
};

TEST_F(FindDialogTest, ControlsAndTheirInitialState) {
    findwalk::remember("财务");
    setCurrent(0, 5);
    FindDialog dialog(grid);
    EXPECT_EQ(dialog.windowTitle(), "查找字符");
    EXPECT_TRUE(dialog.isModal());
    EXPECT_EQ(dialog.textBox()->currentText(), "");
    EXPECT_TRUE(dialog.textBox()->isEditable());
    EXPECT_EQ(items(dialog.textBox()), QStringList{"财务"});
    EXPECT_EQ(items(dialog.scopeBox()),
              (QStringList{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间", "报销人",
                           "录入方式", "报销单号", "<All>"}));
    EXPECT_EQ(dialog.scopeBox()->currentText(), "报销人");
    EXPECT_EQ(items(dialog.matchBox()),
              (QStringList{"字符串的任意位置", "整个字符串", "字符串的头位置"}));
    EXPECT_EQ(dialog.matchBox()->currentIndex(), -1);
    EXPECT_EQ(items(dialog.directionBox()), (QStringList{"向上", "向下", "全部"}));
    EXPECT_EQ(dialog.directionBox()->currentIndex(), -1);
    EXPECT_EQ(dialog.ignoreCaseBox()->text(), "忽略大小写&C");
    EXPECT_FALSE(dialog.ignoreCaseBox()->isChecked());
    EXPECT_EQ(dialog.ignoreFormatBox()->text(), "忽略格式&o");
    EXPECT_TRUE(dialog.ignoreFormatBox()->isChecked());
    EXPECT_EQ(dialog.findNextButton()->text(), "下一个&F");
    EXPECT_TRUE(dialog.findNextButton()->isDefault());
    EXPECT_EQ(dialog.closeButton()->text(), "关闭");
}

TEST_F(FindDialogTest, TheWalkFollowsTheShownOrder) {
    // A click on 报销人's title: Alice, alice, 李四, 财务部 (as their bytes sort).
    grid->horizontalHeader()->setSortIndicator(5, Qt::AscendingOrder);
    const auto* model = qobject_cast<records::RecordsModel*>(grid->model());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->searching(); }, 20000));  // sorted apart
    setCurrent(0, 0);
    FindDialog dialog(grid);
    dialog.scopeBox()->setCurrentIndex(5);
    dialog.textBox()->setEditText("lice");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(0, 5));
    EXPECT_EQ(grid->model()->index(0, 1).data().toString(), "1");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));
    EXPECT_EQ(grid->model()->index(1, 1).data().toString(), "3");
    EXPECT_FALSE(dialog.findNext(false));
}

TEST_F(FindDialogTest, ScopeFollowsTheMovedColumns) {
    grid->horizontalHeader()->moveSection(5, 0);
    setCurrent(0, 1);
    FindDialog dialog(grid);
    EXPECT_EQ(items(dialog.scopeBox()).mid(0, 3), (QStringList{"报销人", "发票代码", "发票号码"}));
    EXPECT_EQ(dialog.scopeBox()->currentText(), "发票号码");
}

TEST_F(FindDialogTest, AllStartsAtTheFirstRecordThenGoesOnDownWithoutWrapping) {
    setCurrent(2, 5);
    FindDialog dialog(grid);
    dialog.textBox()->setEditText("lic");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));  // alice, the first from the top
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(3, 5));  // Alice
    EXPECT_FALSE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(3, 5));  // stays where it was
    // After a press without a match "全部" starts from the top again.
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(FindDialogTest, AChangedSearchStartsAllFromTheTopAgain) {
    FindDialog dialog(grid);
    dialog.scopeBox()->setCurrentIndex(5);
    dialog.textBox()->setEditText("lic");
    dialog.findNext(false);
    dialog.findNext(false);
    EXPECT_EQ(current(), std::make_pair(3, 5));
    dialog.textBox()->setEditText("li");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));
    dialog.findNext(false);
    EXPECT_EQ(current(), std::make_pair(3, 5));
    dialog.directionBox()->setCurrentIndex(2);
    dialog.findNext(false);
    EXPECT_EQ(current(), std::make_pair(1, 5));
}

TEST_F(FindDialogTest, UpAndDownStartNextToTheCurrentCell) {
    setCurrent(1, 5);
    FindDialog dialog(grid);
    dialog.textBox()->setEditText("i");
    dialog.directionBox()->setCurrentIndex(1);  // 向下
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(3, 5));  // alice itself is not examined
    dialog.directionBox()->setCurrentIndex(0);   // 向上
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));
    EXPECT_FALSE(dialog.findNext(false));  // 李四 has no i
    EXPECT_EQ(current(), std::make_pair(1, 5));
    // Ctrl turns up into down.
    EXPECT_TRUE(dialog.findNext(true));
    EXPECT_EQ(current(), std::make_pair(3, 5));
}

TEST_F(FindDialogTest, CtrlTurnsAllIntoUp) {
    setCurrent(3, 5);
    FindDialog dialog(grid);
    dialog.textBox()->setEditText("lic");
    EXPECT_TRUE(dialog.findNext(true));
    EXPECT_EQ(current(), std::make_pair(1, 5));
}

TEST_F(FindDialogTest, EveryColumnInDisplayOrderWithAll) {
    setCurrent(0, 0);
    FindDialog dialog(grid);
    dialog.scopeBox()->setCurrentIndex(8);  // <All>
    dialog.directionBox()->setCurrentIndex(1);
    dialog.textBox()->setEditText("手工录入");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 6));
    dialog.textBox()->setEditText("2024/3/5 8:00:00");
    dialog.matchBox()->setCurrentIndex(1);  // whole text
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(3, 4));
    dialog.textBox()->setEditText("2024/3/5");
    EXPECT_FALSE(dialog.findNext(false));
    dialog.matchBox()->setCurrentIndex(2);  // start
    dialog.directionBox()->setCurrentIndex(0);
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(2, 4));
}

TEST_F(FindDialogTest, LetterCaseCountsUnlessIgnored) {
    FindDialog dialog(grid);
    dialog.scopeBox()->setCurrentIndex(5);
    dialog.matchBox()->setCurrentIndex(1);
    dialog.textBox()->setEditText("ALICE");
    EXPECT_FALSE(dialog.findNext(false));
    dialog.ignoreCaseBox()->setChecked(true);
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(1, 5));
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(current(), std::make_pair(3, 5));
}

TEST_F(FindDialogTest, SearchedTextsAreKeptForTheRun) {
    {
        FindDialog dialog(grid);
        dialog.textBox()->setEditText("李");
        dialog.findNext(false);
        dialog.textBox()->setEditText("财务");
        dialog.findNext(false);
        dialog.textBox()->setEditText("李");
        dialog.findNext(false);
        EXPECT_EQ(items(dialog.textBox()), (QStringList{"李", "财务"}));
    }
    FindDialog again(grid);
    EXPECT_EQ(items(again.textBox()), (QStringList{"李", "财务"}));
    EXPECT_EQ(again.textBox()->currentText(), "");
}

TEST_F(FindDialogTest, EnterFindsNextAndEscapeCloses) {
    setCurrent(0, 5);
    FindDialog dialog(grid);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    dialog.textBox()->setFocus();
    QTest::keyClicks(dialog.textBox()->lineEdit(), "alice");
    QTest::keyClick(dialog.textBox()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(current(), std::make_pair(1, 5));
    EXPECT_TRUE(dialog.isVisible());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace

namespace {

class FindDialogWalkTest : public ::testing::Test {
protected:
    void SetUp() override { findwalk::history().clear(); }
    void TearDown() override { findwalk::history().clear(); }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0))};
};

TEST_F(FindDialogWalkTest, AWalkReadsTheRestOfAResultNotYetReadByTheGrid) {
    recordstest::insertMany(3000, "2024-03-05");
    RecordsWindow form(nullptr);
    ASSERT_FALSE(form.model()->source().allKeysKnown());
    FindDialog dialog(form.DBGridEh1);
    dialog.scopeBox()->setCurrentIndex(1);  // 发票号码
    dialog.textBox()->setEditText("50000000");
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 2999);
    EXPECT_EQ(form.DBGridEh1->currentIndex().column(), 1);
}

TEST_F(FindDialogWalkTest, WhileItWalksTheDialogShowsProgressAndEscapeStopsItWhereTheGridWas) {
    insert(Invoice::of("1", "2024-03-05 08:00:00").withReimburser("Alice"));
    insert(Invoice::of("2", "2024-03-05 09:00:00").withReimburser("李四"));
    RecordsWindow form(nullptr);
    form.DBGridEh1->setCurrentIndex(form.DBGridEh1->model()->index(0, 5));
    FindDialog dialog(form.DBGridEh1);
    dialog.setProgressDelay(0);
    dialog.show();
    dialog.textBox()->setEditText("Alice");  // row 1 would match
    bool progressShown = false;
    bool inputsWaited = false;
    QTimer::singleShot(0, &dialog, [&] {
        progressShown = dialog.walking() && dialog.progressBar()->isVisible();
        inputsWaited = !dialog.findNextButton()->isEnabled() && !dialog.textBox()->isEnabled() &&
                       dialog.closeButton()->isEnabled();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.findNext(false));
    EXPECT_TRUE(progressShown);
    EXPECT_TRUE(inputsWaited);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.walking());
    EXPECT_FALSE(dialog.progressBar()->isVisible());
    EXPECT_TRUE(dialog.findNextButton()->isEnabled());
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 0);
    // Opened again, the dialog finds as before.
    dialog.show();
    EXPECT_TRUE(dialog.findNext(false));
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 1);
}

TEST_F(FindDialogWalkTest, AWalkShorterThanTheDelayShowsNoProgress) {
    insert(Invoice::of("1", "2024-03-05 08:00:00").withReimburser("Alice"));
    RecordsWindow form(nullptr);
    FindDialog dialog(form.DBGridEh1);
    dialog.setProgressDelay(3600 * 1000);
    dialog.show();
    bool progressShown = true;
    QTimer::singleShot(0, &dialog, [&] { progressShown = dialog.progressBar()->isVisible(); });
    dialog.textBox()->setEditText("nowhere");
    EXPECT_FALSE(dialog.findNext(false));
    EXPECT_FALSE(progressShown);
}

}  // namespace
