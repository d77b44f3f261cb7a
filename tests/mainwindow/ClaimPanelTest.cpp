#include <QComboBox>
#include <QLabel>

#include "MainWindowFixture.h"
#include "mainwindow/ClaimPanel.h"
#include "mainwindow/ClickableLabel.h"
#include "store/ClaimStore.h"

namespace {

QString payload(const QString& number, const QString& amount) {
    return QStringLiteral("01,10,044031900111,%1,%2,20240301,12345678901234567890,ABCD")
        .arg(number, amount);
}

// A claim at the scan desk, driven through the real main window: two scans join the claim it
// opens by itself, 结束本单 closes it and keeps its sheet.
class ClaimPanelTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\nBob\r\n");
        open();
    }
    void pick(const QString& name) {
        form->ComboBox1->setCurrentText(name);
        emit form->ComboBox1->textActivated(name);
    }
    QString panelText(const char* name) {
        return form->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    void click(const char* name) {
        ClickableLabel* link = form->findChild<ClickableLabel*>(QString::fromLatin1(name));
        QTest::mouseClick(link, Qt::LeftButton);
    }
};

TEST_F(ClaimPanelTest, TwoScansJoinAClaimAndClosingItKeepsItsSheet) {
    EXPECT_EQ(panelText("Label_claim"), "报销单：无");
    scan(payload("00000011", "0.10"));
    scan(payload("00000012", "0.20"));
    scan(payload("00000012", "0.20"));  // already reimbursed: not counted again
    EXPECT_EQ(panelText("Label_claim"), "报销单：BX202403010001");
    EXPECT_EQ(panelText("Label_claimTotal"), "共 2 张  合计 0.30");

    click("Label_closeClaim");
    EXPECT_EQ(panelText("Label_claim"), "报销单：无");
    const QString kept = joinPath(dir.companyDir(), "报销单/202403/BX202403010001.pdf");
    EXPECT_EQ(form->claimPanel().lastSheet(), kept);
    EXPECT_TRUE(QFile::exists(kept));
    ASSERT_FALSE(prompts.messages().isEmpty());
    EXPECT_EQ(prompts.messages().last().text,
              "报销单BX202403010001：共 2 张，合计￥0.30。\n已保存：" + kept);
    EXPECT_EQ(prompts.messages().last().detailsCaption, "打印…");

    // The next scan opens the next claim.
    scan(payload("00000013", "1"));
    EXPECT_EQ(panelText("Label_claim"), "报销单：BX202403010002");
    EXPECT_EQ(panelText("Label_claimTotal"), "共 1 张  合计 1.00");
    // An undo in the records window takes the invoice out of the open claim too.
    form->setOpenRecords([](QWidget*) {
        openInvoiceStore()->undoRegistration({"044031900111", "00000013"}, "重复");
    });
    form->Label_resultClick();
    EXPECT_EQ(panelText("Label_claimTotal"), "共 0 张  合计 0.00");
    const ClaimRead first = openClaimStore()->readClaim("BX202403010001");
    ASSERT_TRUE(first.claim);
    EXPECT_EQ(first.claim->invoices.size(), 2);
    EXPECT_EQ(first.claim->invoices[0].kindCode, "10");

    // The program ends with a claim open: the next start takes it up again.
    form.reset();
    pendingDevices = std::make_unique<FakeDevices>();
    open();
    EXPECT_EQ(panelText("Label_claim"), "报销单：BX202403010002");
    EXPECT_EQ(panelText("Label_claimTotal"), "共 0 张  合计 0.00");
    scan(payload("00000014", "2"));
    EXPECT_EQ(panelText("Label_claimTotal"), "共 1 张  合计 2.00");
}

// Another reimburser while a claim with invoices is open: the clerk is asked whether to close it
// first; an empty claim simply changes hands.
TEST_F(ClaimPanelTest, AnotherReimburserAsksToCloseAClaimWithInvoicesOnly) {
    scan(payload("00000011", "5"));
    EXPECT_EQ(openClaimStore()->readClaim("BX202403010001").claim->reimburser, "Bob");
    prompts.answerMessage(MsgAnswer::Cancel);  // 否: it stays open
    pick("Ann");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text,
              "报销单BX202403010001（报销人：Bob，共1张）尚未结束。\n换报销人前结束本单？");
    EXPECT_EQ(panelText("Label_claim"), "报销单：BX202403010001");

    prompts.clear();
    pick("Bob");  // back to the claim's own reimburser: nothing to ask
    pick("Ann");  // 是 (unscripted): closed, its sheet kept and offered
    ASSERT_EQ(prompts.messages().size(), 2);
    EXPECT_EQ(panelText("Label_claim"), "报销单：无");
    EXPECT_TRUE(QFile::exists(joinPath(dir.companyDir(), "报销单/202403/BX202403010001.pdf")));

    prompts.clear();
    click("Label_newClaim");  // an empty claim of Ann's
    EXPECT_EQ(panelText("Label_claim"), "报销单：BX202403010002");
    pick("Bob");
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_EQ(openClaimStore()->readClaim("BX202403010002").claim->reimburser, "Bob");
}

}  // namespace
