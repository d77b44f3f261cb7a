#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "claimsheet/ClaimDialog.h"
#include "records/RecordColumns.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"
#include "store/ClaimStore.h"
#include "store/InvoiceStore.h"

namespace {

// A claim found in the records window: by its number, and from a row of its invoices, whose
// sheet is written again into the trail.
class RecordsWindowClaimTest : public ::testing::Test {
protected:
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30))};
    QString claim;

    void SetUp() override {
        std::unique_ptr<ClaimStore> claims = openClaimStore();
        claim = claims->openClaim("张三").number;
        std::unique_ptr<InvoiceStore> store = openInvoiceStore();
        for (const char* number : {"11", "12"}) {
            store->registerInvoice(
                teststore::invoice().code("1").number(number).amount("10.5").claim(claim),
                EntryMode::Scan);
        }
        store->registerInvoice(teststore::invoice().code("1").number("13").amount("1"),
                               EntryMode::Scan);
        claims->closeClaim(claim);
    }
};

TEST_F(RecordsWindowClaimTest, ByNumberAndFromARowWithItsSheetWrittenAgain) {
    RecordsWindow form(nullptr);
    form.CheckBox_bxdh->click();
    form.Edit_bxdh->setText("bx20240305");  // a day's claims, whatever the letters' case
    form.searchButton->click();
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    form.Edit_bxdh->setText(claim);
    form.searchButton->click();
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    form.Edit_bxdh->setText("BX202403050002");
    form.searchButton->click();
    EXPECT_EQ(form.Label1->text(), "总共 0 条");
    form.Edit_bxdh->clear();  // every invoice in a claim
    form.searchButton->click();
    EXPECT_EQ(form.Label1->text(), "总共 2 条");
    const QAbstractItemModel* grid = form.DBGridEh1->model();
    EXPECT_EQ(grid->headerData(records::kClaimNumber, Qt::Horizontal).toString(), "报销单号");
    EXPECT_EQ(grid->index(0, records::kClaimNumber).data().toString(), claim);

    QStringList shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ClaimDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        for (int r = 0; r < dialog->Grid_invoices->rowCount(); ++r) {
            shown << dialog->Grid_invoices->item(r, 3)->text();
        }
        shown << dialog->Label_total->text();
        EXPECT_TRUE(dialog->writeAgain());
        dialog->accept();
    });
    form.showClaim(0);
    EXPECT_EQ(shown,
              (QStringList{"11", "12", "共 2 张    合计：￥21.00\n合计（大写）：贰拾壹元整"}));
    EXPECT_TRUE(QFileInfo::exists(dir.companyDir() + "/报销单/202403/" + claim + ".pdf"));
    const trail::Lines lines = openInvoiceStore()->readTrail(
        trail::Filter::between(QDate(2024, 3, 5), QDate(2024, 3, 5)), 20);
    ASSERT_FALSE(lines.entries.isEmpty());
    EXPECT_EQ(lines.entries.last().action, "重新生成报销单");
    EXPECT_EQ(lines.entries.last().claimNumber, claim);

    // An invoice of no claim says so.
    form.CheckBox_bxdh->click();
    form.searchButton->click();
    prompts.clear();
    form.showClaim(0);  // 13: of invoices of one time, the last recorded comes first
    EXPECT_EQ(prompts.messageTexts(), QStringList{"这张发票不属于任何报销单。"});
}

}  // namespace
