#include <gtest/gtest.h>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPushButton>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "export/ExportGrid.h"
#include "records/RecordsModel.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"

using exportgrid::Alignment;
using exportgrid::FieldType;
using recordstest::insert;
using recordstest::Invoice;

namespace {

QStringList titles(const QList<exportgrid::Column>& columns) {
    QStringList result;
    for (const auto& c : columns) {
        result << c.title;
    }
    return result;
}

class RecordsExportGridTest : public ::testing::Test {
protected:
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(12, 0, 0))};
};

TEST_F(RecordsExportGridTest, ColumnsAsDesignedWithTheGridsLook) {
    RecordsWindow form(nullptr);
    exportgrid::Grid& grid = form.exportGrid();
    EXPECT_EQ(grid.name(), "DBGridEh1");
    EXPECT_TRUE(grid.showsLines());
    EXPECT_FALSE(grid.has3DLook());
    EXPECT_FALSE(grid.isFlat());
    EXPECT_EQ(grid.screenDpi(), 96);
    const QPalette palette = form.DBGridEh1->palette();
    const QColor button = palette.color(QPalette::Button);
    EXPECT_EQ(grid.fixedColor(), (exportgrid::Rgb{button.red(), button.green(), button.blue()}));

    const QList<exportgrid::Column> columns = grid.columns();
    EXPECT_EQ(titles(columns), (QStringList{"发票代码", "发票号码", "开票金额", "开票日期",
                                            "报销时间", "报销人", "录入方式", "报销单号"}));
    ASSERT_EQ(columns.size(), 8);
    EXPECT_EQ(columns[0].width, 88);
    EXPECT_EQ(columns[2].width, 90);
    EXPECT_EQ(columns[4].width, 101);
    EXPECT_EQ(columns[6].width, 80);
    EXPECT_EQ(columns[7].width, 110);
    EXPECT_EQ(columns[5].width, form.DBGridEh1->horizontalHeader()->sectionSize(5));
    EXPECT_EQ(columns[2].alignment, Alignment::Right);
    EXPECT_EQ(columns[2].titleAlignment, Alignment::Right);
    EXPECT_EQ(columns[4].alignment, Alignment::Left);
    EXPECT_EQ(columns[4].titleAlignment, Alignment::Center);
    EXPECT_EQ(columns[5].alignment, Alignment::Left);
    EXPECT_EQ(columns[5].titleAlignment, Alignment::Left);
    EXPECT_EQ(columns[6].alignment, Alignment::Center);
    EXPECT_EQ(columns[2].fieldType, FieldType::Decimal);
    EXPECT_EQ(columns[4].fieldType, FieldType::DateTime);
    EXPECT_EQ(columns[0].fieldType, FieldType::Text);
    EXPECT_EQ(columns[6].fieldType, FieldType::Text);
    EXPECT_EQ(columns[0].font.name, "MS Sans Serif");
    EXPECT_EQ(columns[0].font.pointSize, 8);
    EXPECT_FALSE(columns[0].font.bold);
    const QColor text = palette.color(QPalette::Text), base = palette.color(QPalette::Base);
    EXPECT_EQ(columns[3].font.color, (exportgrid::Rgb{text.red(), text.green(), text.blue()}));
    EXPECT_EQ(columns[3].titleFont.color, columns[3].font.color);
    EXPECT_EQ(columns[3].color, (exportgrid::Rgb{base.red(), base.green(), base.blue()}));
    EXPECT_EQ(columns[3].titleColor, grid.fixedColor());
}

TEST_F(RecordsExportGridTest, MovedAndResizedColumnsAndTheirCells) {
    insert(Invoice::of("1", "2024-03-05 00:00:00").withAmount(1235000).withReimburser("张三"));
    RecordsWindow form(nullptr);
    QHeaderView* header = form.DBGridEh1->horizontalHeader();
    header->moveSection(5, 0);
    header->resizeSection(5, 133);
    header->hideSection(3);
    // Kept through a new search.
    form.searchButton->click();
    const QList<exportgrid::Column> columns = form.exportGrid().columns();
    EXPECT_EQ(titles(columns), (QStringList{"报销人", "发票代码", "发票号码", "开票金额",
                                            "报销时间", "录入方式", "报销单号"}));
    EXPECT_EQ(columns[0].width, 133);
    auto rows = form.exportGrid().rows();
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->cell(0).displayText, "张三");
    EXPECT_EQ(rows->cell(3).displayText, "123.5");
    EXPECT_EQ(rows->cell(4).displayText, "2024/3/5");  // midnight: the date alone
    EXPECT_EQ(rows->cell(5).displayText, "扫描");
    EXPECT_FALSE(rows->next());
}

TEST_F(RecordsExportGridTest, CellValuesAndNulls) {
    insert(Invoice::of("1", "2024-03-05 09:00:00").withAmount(1000000));
    insert(Invoice::of("2", "2024-03-05 08:00:00")
               .withAmount(std::nullopt)
               .withReimburser(std::nullopt));
    insert(Invoice::of("3", "2024-03-05 00:00:01").withAmount(500));
    RecordsWindow form(nullptr);
    auto rows = form.exportGrid().rows();
    ASSERT_TRUE(rows->next());
    exportgrid::Cell amount = rows->cell(2);
    EXPECT_FALSE(amount.isNull);
    EXPECT_EQ(amount.displayText, "100");
    EXPECT_EQ(amount.rawText, "100");
    EXPECT_DOUBLE_EQ(amount.number, 100.0);
    EXPECT_EQ(rows->cell(4).displayText, "2024/3/5 9:00:00");
    ASSERT_TRUE(rows->next());
    amount = rows->cell(2);
    EXPECT_TRUE(amount.isNull);
    EXPECT_EQ(amount.displayText, "");
    EXPECT_TRUE(rows->cell(5).isNull);
    EXPECT_EQ(rows->cell(5).displayText, "");
    EXPECT_FALSE(rows->cell(1).isNull);
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->cell(2).displayText, "0.05");
    EXPECT_DOUBLE_EQ(rows->cell(2).number, 0.05);
    EXPECT_EQ(rows->cell(4).displayText, "2024/3/5 0:00:01");
    EXPECT_FALSE(rows->next());
}

TEST_F(RecordsExportGridTest, EveryRowIsStreamedAlsoRowsNotYetFetched) {
    recordstest::insertMany(3000, "2024-03-05");
    RecordsWindow form(nullptr);
    EXPECT_FALSE(form.model()->source().allKeysKnown());
    exportgrid::Grid& grid = form.exportGrid();
    EXPECT_EQ(grid.rowCount(), 3000);
    auto rows = grid.rows();
    int count = 0;
    QString first, last;
    while (rows->next()) {
        const QString number = rows->cell(1).displayText;
        if (count == 0) {
            first = number;
        }
        last = number;
        ++count;
    }
    EXPECT_EQ(count, 3000);
    EXPECT_EQ(first, "50002999");
    EXPECT_EQ(last, "50000000");
    EXPECT_FALSE(rows->next());
}

TEST_F(RecordsExportGridTest, ACorrectedRowIsExportedWithItsNewName) {
    insert(Invoice::of("1", "2024-03-05 09:00:00"));
    RecordsWindow form(nullptr);
    prompts.answerInput(QStringLiteral("李四"));
    form.DBGridEh1CellClick(form.model()->index(0, 5));
    auto rows = form.exportGrid().rows();
    ASSERT_TRUE(rows->next());
    EXPECT_EQ(rows->cell(5).displayText, "李四");
}

TEST_F(RecordsExportGridTest, TheCurrentRowStaysAndTheSelectionIsTheViews) {
    recordstest::insertMany(300, "2024-03-05");
    RecordsWindow form(nullptr);
    exportgrid::Grid& grid = form.exportGrid();
    const QModelIndex current = form.model()->index(42, 3);
    form.DBGridEh1->setCurrentIndex(current);
    grid.beginExport();
    EXPECT_FALSE(form.DBGridEh1->updatesEnabled());
    auto rows = grid.rows();
    while (rows->next()) {
    }
    grid.endExport();
    EXPECT_TRUE(form.DBGridEh1->updatesEnabled());
    EXPECT_EQ(form.DBGridEh1->currentIndex(), current);

    grid.selectAllRows();
    EXPECT_EQ(form.DBGridEh1->selectionModel()->selectedRows().size(), 300);
    grid.clearRowSelection();
    EXPECT_TRUE(form.DBGridEh1->selectionModel()->selectedRows().isEmpty());
    EXPECT_EQ(form.DBGridEh1->currentIndex(), current);
}

}  // namespace
