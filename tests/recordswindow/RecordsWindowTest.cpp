#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "base/AppInfo.h"
#include "prompts/ErrorDisplay.h"
#include "records/RecordsModel.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"

using recordstest::insert;
using recordstest::Invoice;

namespace {

QStringList shownNumbers(RecordsWindow& form) {
    QStringList numbers;
    const QAbstractItemModel* model = form.DBGridEh1->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        numbers << model->index(row, 1).data().toString();
    }
    return numbers;
}

class ListFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        insert(Invoice::of("11", "2024-03-04 18:00:00").withReimburser("财务部"));
        insert(Invoice::of("12", "2024-03-05 08:00:00").withReimburser("张三"));
        insert(Invoice::of("13", "2024-03-05 09:30:00").withReimburser("点击修改").withMode(2));
        insert(Invoice::of("12345678901234567890", "2024-03-01 10:00:00")
                   .withCode("")
                   .withReimburser("李四"));
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
};

TEST_F(ListFormTest, OpensOnTodaysInvoicesNewestFirst) {
    RecordsWindow form(nullptr);
    EXPECT_EQ(form.windowTitle(), "发票报销记录");
    EXPECT_EQ(form.size(), QSize(642, 422));
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12"}));
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    EXPECT_EQ(form.DBGridEh1->currentIndex().row(), 0);
    for (QDateEdit* picker :
         {form.Date_bxsj_start, form.Date_bxsj_end, form.Date_kprq_start, form.Date_kprq_end}) {
        EXPECT_EQ(picker->date(), QDate(2024, 3, 5));
        EXPECT_FALSE(picker->isEnabled());
    }
    EXPECT_EQ(form.Date_bxsj_start->text(), "2024/3/5");
    EXPECT_EQ(form.Date_kprq_end->text(), "20240305");
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(ListFormTest, ADayWithoutReimbursementsShowsAnEmptyGrid) {
    clock.set(QDateTime(QDate(2024, 3, 6), QTime(9, 0, 0)));
    RecordsWindow form(nullptr);
    EXPECT_EQ(form.DBGridEh1->model()->rowCount(), 0);
    EXPECT_EQ(form.Label1->text(), "总共 0 条");
}

TEST_F(ListFormTest, ControlsAndTheirEnabling) {
    RecordsWindow form(nullptr);
    EXPECT_EQ(form.GroupBox1->title(), "查询条件");
    EXPECT_EQ(form.CheckBox_fpdm->text(), "发票代码");
    EXPECT_EQ(form.CheckBox_fphm->text(), "发票号码");
    EXPECT_EQ(form.CheckBox_bxr->text(), "报   销  人");
    EXPECT_EQ(form.CheckBox_bxsj->text(), "报销时间");
    EXPECT_EQ(form.CheckBox_kprq->text(), "开票日期");
    EXPECT_EQ(form.searchButton->text(), "查  询");
    EXPECT_EQ(form.resetButton->text(), "重  置");
    EXPECT_EQ(form.exportButton->text(), "导  出");
    EXPECT_EQ(form.importButton->text(), "导  入");
    EXPECT_EQ(form.Edit_fpdm->maxLength(), 12);
    EXPECT_EQ(form.Edit_fphm->maxLength(), 20);
    EXPECT_FALSE(form.Edit_fpdm->isEnabled());
    form.CheckBox_fpdm->click();
    EXPECT_TRUE(form.Edit_fpdm->isEnabled());
    EXPECT_FALSE(form.Edit_fphm->isEnabled());
    form.CheckBox_fphm->click();
    form.CheckBox_bxr->click();
    form.CheckBox_bxsj->click();
    EXPECT_TRUE(form.Edit_fphm->isEnabled());
    EXPECT_TRUE(form.Edit_bxr->isEnabled());
    EXPECT_TRUE(form.Date_bxsj_start->isEnabled());
    EXPECT_TRUE(form.Date_bxsj_end->isEnabled());
    EXPECT_FALSE(form.Date_kprq_start->isEnabled());
    form.CheckBox_kprq->click();
    EXPECT_TRUE(form.Date_kprq_end->isEnabled());
    form.CheckBox_fpdm->click();
    EXPECT_FALSE(form.Edit_fpdm->isEnabled());
}

TEST_F(ListFormTest, SearchByCheckedCriteria) {
    RecordsWindow form(nullptr);
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12", "11", "12345678901234567890"}));
    EXPECT_EQ(form.Label1->text(), "总共 4 条");
    form.CheckBox_bxr->click();
    form.Edit_bxr->setText("财务");
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), QStringList{"11"});
    EXPECT_EQ(form.Label1->text(), "总共 1 条");
    form.CheckBox_bxr->click();
    form.CheckBox_bxsj->click();
    form.Date_bxsj_start->setDate(QDate(2024, 3, 1));
    form.Date_bxsj_end->setDate(QDate(2024, 3, 4));
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), (QStringList{"11", "12345678901234567890"}));
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(ListFormTest, AColumnTitleSortsTheRowsAndTheExportFollows) {
    RecordsWindow form(nullptr);
    form.show();
    form.searchButton->click();
    QHeaderView* header = form.DBGridEh1->horizontalHeader();
    const auto* model = qobject_cast<records::RecordsModel*>(form.DBGridEh1->model());
    const auto click = [&](int column) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !model->searching(); }, 20000));
    };
    EXPECT_EQ(header->sortIndicatorSection(), 4);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    click(1);  // 发票号码, upwards
    EXPECT_EQ(shownNumbers(form), (QStringList{"11", "12", "12345678901234567890", "13"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    click(1);
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12345678901234567890", "12", "11"}));

    const QString chosen = dir.file("sorted");
    prompts.answerFile(FileDialogResult{chosen, 1});
    form.exportButtonClick();
    const QStringList lines = testfiles::readGbk(chosen + ".txt").split("\r\n");
    ASSERT_EQ(lines.size(), 5);
    EXPECT_TRUE(lines[1].startsWith("044031900111\t13\t"));
    EXPECT_TRUE(lines[2].startsWith("\t12345678901234567890\t"));
    EXPECT_TRUE(lines[4].startsWith("044031900111\t11\t"));

    click(4);  // 报销时间: newest first at once
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12", "11", "12345678901234567890"}));
}

TEST_F(ListFormTest, ATwentyDigitNumberIsFound) {
    RecordsWindow form(nullptr);
    form.CheckBox_fphm->click();
    QTest::keyClicks(form.Edit_fphm, "123456789012345678901");  // one digit too many
    EXPECT_EQ(form.Edit_fphm->text(), "12345678901234567890");
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), QStringList{"12345678901234567890"});
}

TEST_F(ListFormTest, AnEmptyCheckedTextStopsTheSearchWithItsMessage) {
    RecordsWindow form(nullptr);
    form.CheckBox_fpdm->click();
    form.CheckBox_fphm->click();
    form.CheckBox_bxsj->click();
    form.Date_bxsj_start->setDate(QDate(2024, 1, 1));
    form.searchButton->click();
    ASSERT_EQ(prompts.messages().size(), 1);
    const FakePrompts::Call box = prompts.messages()[0];
    EXPECT_EQ(box.text, "请输入发票代码！");
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.icon, MsgIcon::None);
    EXPECT_EQ(box.buttons, MsgButtons::Ok);
    EXPECT_EQ(box.owner, &form);
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12"}));
    EXPECT_EQ(form.Label1->text(), "总共 2 条");

    prompts.clear();
    form.Edit_fpdm->setText("044031900111");
    form.searchButton->click();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"请输入发票号码！"});
    prompts.clear();
    form.CheckBox_fphm->click();
    form.CheckBox_bxr->click();
    form.searchButton->click();
    EXPECT_EQ(prompts.messageTexts(), QStringList{"请输入报销人！"});
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12"}));
}

TEST_F(ListFormTest, ResetClearsTheCriteriaButKeepsTheGrid) {
    RecordsWindow form(nullptr);
    form.searchButton->click();
    for (QCheckBox* box : {form.CheckBox_fpdm, form.CheckBox_fphm, form.CheckBox_bxr,
                           form.CheckBox_bxsj, form.CheckBox_kprq}) {
        box->click();
    }
    form.Edit_fpdm->setText("1");
    form.Edit_fphm->setText("2");
    form.Edit_bxr->setText("3");
    form.Date_bxsj_start->setDate(QDate(2023, 1, 1));
    form.resetButton->click();
    for (QCheckBox* box : {form.CheckBox_fpdm, form.CheckBox_fphm, form.CheckBox_bxr,
                           form.CheckBox_bxsj, form.CheckBox_kprq}) {
        EXPECT_FALSE(box->isChecked());
    }
    for (QWidget* w : std::initializer_list<QWidget*>{form.Edit_fpdm, form.Edit_fphm, form.Edit_bxr,
                                                      form.Date_bxsj_start, form.Date_bxsj_end,
                                                      form.Date_kprq_start, form.Date_kprq_end}) {
        EXPECT_FALSE(w->isEnabled());
    }
    EXPECT_EQ(form.Edit_fpdm->text(), "");
    EXPECT_EQ(form.Edit_fphm->text(), "");
    EXPECT_EQ(form.Edit_bxr->text(), "");
    EXPECT_EQ(form.Date_bxsj_start->date(), QDate(2023, 1, 1));  // dates stay
    EXPECT_EQ(shownNumbers(form).size(), 4);
    EXPECT_EQ(form.Label1->text(), "总共 4 条");
}

TEST_F(ListFormTest, AMissingDatabaseKeepsTheWindowFromOpening) {
    QFile::remove(dir.databasePath());
    EXPECT_THROW(RecordsWindow form(nullptr), AppError);
    // As the records link opens it: the error reaches the error display.
    EXPECT_FALSE(runGuarded([] { RecordsWindow form(nullptr); }));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, appinfo::title());
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("Could not find file '"));
}

TEST_F(ListFormTest, ARejectedSearchEmptiesTheGridAndKeepsTheLabel) {
    RecordsWindow form(nullptr);
    recordstest::execute("drop table 发票报销");
    form.searchButton->click();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(prompts.messages()[0].text, "no such table: 发票报销.");
    EXPECT_EQ(form.DBGridEh1->model()->rowCount(), 0);
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
}

TEST_F(ListFormTest, TheGridShowsItsColumnsAndCannotBeEdited) {
    RecordsWindow form(nullptr);
    const QHeaderView* header = form.DBGridEh1->horizontalHeader();
    const QAbstractItemModel* model = form.DBGridEh1->model();
    QStringList titles;
    QList<int> widths;
    for (int c = 0; c < model->columnCount(); ++c) {
        titles << model->headerData(c, Qt::Horizontal).toString();
        widths << header->sectionSize(c);
    }
    EXPECT_EQ(titles, (QStringList{"发票代码", "发票号码", "开票金额", "开票日期", "报销时间",
                                   "报销人", "录入方式", "报销单号"}));
    EXPECT_EQ(widths.mid(0, 5), (QList<int>{88, 80, 90, 71, 101}));
    EXPECT_EQ(widths[6], 80);
    EXPECT_TRUE(header->sectionsMovable());
    EXPECT_EQ(header->sectionResizeMode(0), QHeaderView::Interactive);
    EXPECT_EQ(form.DBGridEh1->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(form.DBGridEh1->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(model->flags(model->index(0, 5)).testFlag(Qt::ItemIsEditable));
    EXPECT_EQ(model->index(0, 6).data().toString(), "手工录入");  // imported
    EXPECT_EQ(model->index(1, 6).data().toString(), "扫描");
    EXPECT_EQ(model->index(0, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(model->index(0, 0).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
              Qt::AlignCenter);
}

TEST_F(ListFormTest, TheRowIndicatorMarksTheCurrentRecord) {
    RecordsWindow form(nullptr);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QHeaderView* indicator = form.DBGridEh1->verticalHeader();
    const auto darkPixels = [&](int row) {
        const QImage image = indicator->grab().toImage();
        const int top = indicator->sectionViewportPosition(row);
        int dark = 0;
        for (int y = top; y < top + indicator->sectionSize(row); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                dark += qGray(image.pixel(x, y)) < 80 ? 1 : 0;
            }
        }
        return dark;
    };
    EXPECT_GT(darkPixels(0), 4);
    EXPECT_EQ(darkPixels(1), 0);
    form.DBGridEh1->setCurrentIndex(form.DBGridEh1->model()->index(1, 2));
    EXPECT_EQ(darkPixels(0), 0);
    EXPECT_GT(darkPixels(1), 4);
}

TEST_F(ListFormTest, ATitleClickSortsInTheBackgroundAndACancelKeepsTheRowsShown) {
    RecordsWindow form(nullptr);
    form.show();
    auto* model = qobject_cast<records::RecordsModel*>(form.DBGridEh1->model());
    QHeaderView* titles = form.DBGridEh1->horizontalHeader();
    form.DBGridEh1->setCurrentIndex(model->index(1, 5));
    // 报销人 upwards: 张三 (E5 BC A0) before 点击修改 (E7 82 B9) by their bytes.
    titles->setSortIndicator(5, Qt::AscendingOrder);
    EXPECT_TRUE(model->searching());
    EXPECT_EQ(form.Label1->text(), "正在排序…");
    EXPECT_EQ(shownNumbers(form), (QStringList{"13", "12"}));  // meanwhile the rows stay
    ASSERT_TRUE(QTest::qWaitFor([&] { return !model->searching(); }, 20000));
    EXPECT_EQ(shownNumbers(form), (QStringList{"12", "13"}));
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    EXPECT_EQ(form.DBGridEh1->currentIndex(), model->index(0, 5));

    titles->setSortIndicator(5, Qt::DescendingOrder);
    model->cancelSearch();
    EXPECT_FALSE(model->searching());
    EXPECT_EQ(shownNumbers(form), (QStringList{"12", "13"}));
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(ListFormTest, CtrlFInTheGridOpensTheFindDialog) {
    RecordsWindow form(nullptr);
    QStringList opened;
    const auto closeWhenOpen = [&] {
        QTimer::singleShot(0, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened << modal->windowTitle();
                modal->close();
            }
        });
    };
    closeWhenOpen();
    QTest::keyClick(form.DBGridEh1, Qt::Key_F);
    QCoreApplication::processEvents();
    EXPECT_EQ(opened, QStringList{});
    closeWhenOpen();
    QTest::keyClick(form.DBGridEh1, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(opened, QStringList{"查找字符"});
}

}  // namespace

TEST_F(ListFormTest, AStoreOfAnEarlierVersionIsBroughtUpToDateBeforeTheWindowOpens) {
    recordstest::execute(
        "drop trigger 发票报销_报销人_加; drop trigger 发票报销_报销人_减; "
        "drop trigger 发票报销_报销人_改; drop index 发票报销_报销人时间; "
        "drop table 发票报销_报销人");
    RecordsWindow form(nullptr);
    const QList<FakePrompts::Progress> windows = prompts.progressWindows();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_EQ(windows[0].request.caption, "发票报销记录");
    EXPECT_FALSE(bool(windows[0].request.cancel));  // nothing to stop halfway
    EXPECT_FALSE(windows[0].open);
    form.CheckBox_bxr->click();
    form.Edit_bxr->setText("财务");
    form.searchButton->click();
    EXPECT_EQ(shownNumbers(form), QStringList{"11"});
    // Opened again, there is nothing more to do.
    RecordsWindow again(nullptr);
    EXPECT_EQ(prompts.progressWindows().size(), 1);
}

TEST_F(ListFormTest, WideColumnsShowTheirLongestTextWholeUnlessTheUserSizedThem) {
    clock.set(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 59)));
    insert(Invoice::of("24312000000000000021", "2024-12-31 23:59:59"));
    struct Case {
        int column;
        int designed;
        QString longest;
    };
    for (const Case& c :
         {Case{1, 80, "24312000000000000021"}, Case{4, 101, "2024/12/31 23:59:59"}}) {
        RecordsWindow form(nullptr);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        RecordsGrid* grid = form.DBGridEh1;
        QCoreApplication::processEvents();
        EXPECT_EQ(grid->model()->index(0, c.column).data().toString(), c.longest);
        const int textWidth = QFontMetrics(grid->font()).horizontalAdvance(c.longest);
        EXPECT_GT(grid->columnWidth(c.column), c.designed) << c.column;
        EXPECT_GT(grid->columnWidth(c.column), textWidth + 2) << c.column;  // inside the margins
        // A width the user gives it stays.
        grid->horizontalHeader()->resizeSection(c.column, 60);
        form.searchButton->click();
        QCoreApplication::processEvents();
        EXPECT_EQ(grid->columnWidth(c.column), 60) << c.column;
    }
}
