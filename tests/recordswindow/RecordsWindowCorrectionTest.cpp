#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"

using recordstest::insert;
using recordstest::Invoice;
using recordstest::storedReimburser;

namespace {

class ReimburserCorrectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        insert(Invoice::of("12", "2024-03-05 08:00:00").withReimburser("张三"));
        insert(Invoice::of("13", "2024-03-05 09:30:00").withReimburser("点击修改"));
        insert(Invoice::of("13", "2024-03-04 09:30:00").withCode("044031900222"));
        form = std::make_unique<RecordsWindow>(nullptr);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    // A click on the cell of grid row row under model column column.
    void click(int row, int column) {
        RecordsGrid* grid = form->DBGridEh1;
        const QModelIndex index = grid->model()->index(row, column);
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(index).center());
    }

    QString shown(int row) const {
        return form->DBGridEh1->model()->index(row, 5).data().toString();
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    std::unique_ptr<RecordsWindow> form;
};

TEST_F(ReimburserCorrectionTest, OnlyTheReimburserColumnOpensTheInputBox) {
    for (int column : {0, 1, 2, 3, 4, 6}) {
        click(0, column);
    }
    EXPECT_TRUE(prompts.calls().isEmpty());
    click(1, 5);
    ASSERT_EQ(prompts.calls().size(), 1);
    const FakePrompts::Call box = prompts.calls()[0];
    EXPECT_EQ(box.kind, FakePrompts::Kind::Input);
    EXPECT_EQ(box.caption, "修改报销人->发票号码:12");
    EXPECT_EQ(box.text, "报销人:");
    EXPECT_EQ(box.initial, "张三");
    EXPECT_EQ(box.owner, form.get());
}

TEST_F(ReimburserCorrectionTest, ThePlaceholderOpensAnEmptyInputBox) {
    click(0, 5);
    ASSERT_EQ(prompts.calls().size(), 1);
    EXPECT_EQ(prompts.calls()[0].caption, "修改报销人->发票号码:13");
    EXPECT_EQ(prompts.calls()[0].initial, "");
}

TEST_F(ReimburserCorrectionTest, ASavedNameShowsInPlaceAndIsFoundByALaterSearch) {
    prompts.answerInput(QStringLiteral("王五"));
    click(0, 5);
    const QList<FakePrompts::Call> boxes = prompts.messages();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0].text, "保存成功");
    EXPECT_EQ(boxes[0].caption, "提示");
    EXPECT_EQ(boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(boxes[0].owner, form.get());
    EXPECT_EQ(shown(0), "王五");
    EXPECT_EQ(shown(1), "张三");
    EXPECT_EQ(form->Label1->text(), "总共 2 条");
    // Only the invoice of that code and number changed.
    EXPECT_EQ(storedReimburser("044031900111", "13"), "王五");
    EXPECT_EQ(storedReimburser("044031900222", "13"), "张三");

    form->CheckBox_bxr->click();
    form->Edit_bxr->setText("王五");
    form->searchButton->click();
    ASSERT_EQ(form->DBGridEh1->model()->rowCount(), 1);
    EXPECT_EQ(form->DBGridEh1->model()->index(0, 1).data().toString(), "13");
}

TEST_F(ReimburserCorrectionTest, TheLimitIsEightBytes) {
    prompts.answerInput(QStringLiteral("张三李四王"));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"最长输入8个字符！"});
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::None);
    EXPECT_EQ(prompts.messages()[0].caption, "提示");
    EXPECT_EQ(storedReimburser("044031900111", "12"), "张三");
    EXPECT_EQ(shown(1), "张三");

    prompts.clear();
    prompts.answerInput(QStringLiteral("abcdefghi"));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"最长输入8个字符！"});
    EXPECT_EQ(prompts.calls().size(), 2);  // the input box is not shown again

    prompts.clear();
    prompts.answerInput(QStringLiteral("abcdefgh"));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"保存成功"});
    EXPECT_EQ(storedReimburser("044031900111", "12"), "abcdefgh");

    prompts.clear();
    prompts.answerInput(QStringLiteral("张三李四"));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"保存成功"});
    EXPECT_EQ(shown(1), "张三李四");
}

TEST_F(ReimburserCorrectionTest, CancelOrAnEmptyEntryChangesNothing) {
    click(1, 5);  // unscripted: cancelled
    prompts.answerInput(QString());
    click(1, 5);
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(storedReimburser("044031900111", "12"), "张三");
    prompts.answerInput(QStringLiteral("  "));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"保存成功"});
    EXPECT_EQ(storedReimburser("044031900111", "12"), "  ");
}

TEST_F(ReimburserCorrectionTest, TheColumnIsKnownByItsTitleWhereverItWasMoved) {
    form->DBGridEh1->horizontalHeader()->moveSection(5, 0);
    prompts.answerInput(QStringLiteral("李四"));
    click(1, 5);
    EXPECT_EQ(prompts.messageTexts(), QStringList{"保存成功"});
    EXPECT_EQ(storedReimburser("044031900111", "12"), "李四");
}

TEST_F(ReimburserCorrectionTest, AFailedSaveReachesTheErrorDisplayWithoutSuccess) {
    recordstest::execute("delete from 发票报销 where 发票号码 = '12'");
    prompts.answerInput(QStringLiteral("李四"));
    click(1, 5);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("Row cannot be located for updating."));
    EXPECT_EQ(shown(1), "张三");
}

}  // namespace
