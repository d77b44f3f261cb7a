#include <QLabel>
#include <QRandomGenerator>
#include <QTimer>

#include "MainWindowFixture.h"
#include "StoreFixtures.h"
#include "base/AppInfo.h"

namespace {

const QString kPayload = "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD";
const QColor kDarkShadow(105, 105, 105);
const QColor kRed(255, 0, 0);

class ScanTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\n");
        open();
    }
    void expectEmptied() {
        EXPECT_TRUE(form->DataEdit->toPlainText().isEmpty());
        EXPECT_TRUE(form->scanBuffer().bytes().isEmpty());
    }
};

TEST_F(ScanTest, AScannedInvoiceIsRecordedShownAndReturnsToWaiting) {
    scan(kPayload);
    EXPECT_EQ(rows(), (QList<Row>{{"044031900111", "12345678", "1000000", "20200101",
                                   "12345678901234567890", "Ann", 0}}));
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(colourOf(form->Label_msg), kDarkShadow);
    EXPECT_EQ(form->Label_fphm_sm->text(), "发票号码：12345678");
    EXPECT_EQ(form->Label_num->text(), "1");
    expectEmptied();
    EXPECT_TRUE(form->Timer1->isActive());
    EXPECT_TRUE(log().contains("扫描结果：" + kPayload));
    EXPECT_TRUE(log().contains("报销成功发票信息：044031900111-12345678"));
    EXPECT_TRUE(prompts.calls().isEmpty());

    for (int i = 0; i < 3; ++i) {
        form->Timer1Timer();
    }
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    form->Timer1Timer();
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_EQ(colourOf(form->Label_msg), kDarkShadow);
    EXPECT_TRUE(form->Label_fphm_sm->text().isEmpty());
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(ScanTest, TheRunningTimerReturnsToWaitingAfterFourSeconds) {
    scan(kPayload);
    ASSERT_TRUE(form->Timer1->isActive());
    EXPECT_EQ(form->Timer1->interval(), 1000);
    // Its ticks, driven here rather than waited for.
    for (int tick = 1; tick <= 3; ++tick) {
        form->Timer1Timer();
    }
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    form->Timer1Timer();
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_FALSE(form->Timer1->isActive());
}

TEST_F(ScanTest, AStoreFailureIsShownAsSuchNeverAsAlreadyReimbursed) {
    QFile::rename(dir.databasePath(), dir.databasePath() + ".away");
    prompts.clear();
    scan(kPayload);
    EXPECT_EQ(form->Label_msg->text(), "登记失败!");
    EXPECT_EQ(colourOf(form->Label_msg), kRed);
    EXPECT_EQ(form->Label_fphm_sm->text(), "数据库文件不存在");
    ASSERT_EQ(prompts.messages().size(), 1);
    const auto box = prompts.messages()[0];
    EXPECT_EQ(box.caption, "出现异常");
    EXPECT_EQ(box.owner, form.get());
    EXPECT_TRUE(box.text.startsWith("数据库文件不存在：" + dir.databasePath()))
        << box.text.toStdString();
    EXPECT_TRUE(box.text.contains("Could not find file")) << box.text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.databasePath()));  // never created
    EXPECT_TRUE(form->Timer1->isActive());
    expectEmptied();
    // Once the file is back, the same scan is recorded.
    QFile::rename(dir.databasePath() + ".away", dir.databasePath());
    scan(kPayload);
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(rows().size(), 1);
}

TEST_F(ScanTest, TheSameInvoiceAgainIsAlreadyReimbursed) {
    scan(kPayload);
    teststore::recordInvoice(
        teststore::invoice().code("1234567890").number("00000009").amount("0.00").date("20240101"),
        EntryMode::Manual);  // behind its back
    scan(kPayload);
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    EXPECT_EQ(colourOf(form->Label_msg), kRed);
    EXPECT_EQ(form->Label_num->text(), "1");  // not refreshed
    EXPECT_EQ(rows().size(), 2);
    expectEmptied();
}

TEST_F(ScanTest, APayloadWithoutCodeIsDroppedSilently) {
    scan("01,10,,12345678,100.00,20200101,1234,ABCD");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_TRUE(form->Label_fphm_sm->text().isEmpty());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(log().join('\n').contains("扫描结果"));
    expectEmptied();
    scan(kPayload);
    EXPECT_EQ(rows().size(), 1);
}

TEST_F(ScanTest, TextWithoutCommasIsNoInvoice) {
    scan("ABC123");
    EXPECT_EQ(form->Label_fphm_sm->text(), "您扫的不是发票信息！");
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(rows().isEmpty());
    expectEmptied();
}

TEST_F(ScanTest, AQuotedItemKeepsItsComma) {
    scan("01,10,\"0440,31900111\",12345678,100.00,20200101,,ABCD");
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].code, "0440,31900111");
    EXPECT_EQ(rows()[0].check, "");
}

TEST_F(ScanTest, AnAmountThatIsNoNumberShowsTheErrorAndStoresNothing) {
    scan("01,10,044031900111,12345678,12.3x,20200101,1234,ABCD");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_EQ(prompts.messages()[0].caption, appinfo::title());
    EXPECT_TRUE(prompts.messages()[0].text.contains("12.3x"));
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_fphm_sm->text(), "发票号码：12345678");
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_FALSE(form->Timer1->isActive());
    expectEmptied();
    scan(kPayload);
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(rows().size(), 1);
}

TEST_F(ScanTest, BadInputLeavesTheWindowReadyForTheNextScan) {
    QRandomGenerator random(20240301);
    QString noise;
    for (int i = 0; i < 300; ++i) {
        noise += QChar(char(random.bounded(33, 127)));
    }
    type(noise);
    EXPECT_EQ(form->DataEdit->toPlainText(), noise);
    QTest::keyClick(handle(), Qt::Key_Return);
    expectEmptied();

    type(QString(10000, u'7'));
    EXPECT_EQ(form->scanBuffer().bytes().size(), 10000);
    EXPECT_FALSE(form->scanBuffer().IsScanComplete());
    QTest::keyClick(handle(), Qt::Key_Return);
    EXPECT_EQ(form->Label_fphm_sm->text(), "您扫的不是发票信息！");
    expectEmptied();

    scan("发票代码，发票号码");
    EXPECT_EQ(form->Label_fphm_sm->text(), "您扫的不是发票信息！");
    expectEmptied();

    const qsizetype before = rows().size();
    scan(kPayload);
    EXPECT_EQ(rows().size(), before + 1);
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(rows().last().number, "12345678");
}

TEST_F(ScanTest, ANewOutcomeWhileOneIsShownCountsItsTicksAfresh) {
    scan(kPayload);
    form->Timer1Timer();
    form->Timer1Timer();
    scan(kPayload);
    form->Timer1Timer();
    form->Timer1Timer();
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    form->Timer1Timer();
    form->Timer1Timer();
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
}

TEST_F(ScanTest, FullyDigitalInvoicesAreRecordedWithoutCode) {
    scan("01,32,,23442000000014209621,112,20230215,,74AE");
    scan("01,31,,24922000000012341234,666.00,20240208,,76A1");
    EXPECT_EQ(rows(),
              (QList<Row>{{"", "23442000000014209621", "1120000", "20230215", "", "Ann", 0},
                          {"", "24922000000012341234", "6660000", "20240208", "", "Ann", 0}}));
    EXPECT_EQ(form->Label_fphm_sm->text(), "发票号码：24922000000012341234");
    // The longer number is shown whole, centred where the line was.
    const QRect line = form->Label_fphm_sm->geometry();
    EXPECT_GE(line.width(),
              form->Label_fphm_sm->fontMetrics().horizontalAdvance(form->Label_fphm_sm->text()));
    EXPECT_LE(qAbs(line.center().x() - QRect(149, 71, 257, 33).center().x()), 1);
    scan("01,32,,23442000000014209621,112,20230215,,74AE");
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    EXPECT_EQ(rows().size(), 2);
}

TEST_F(ScanTest, AnEmptyCodeNeedsANumberOfTwentyDigits) {
    scan("01,32,,2344200000001420962,112,20230215,,74AE");
    scan("01,32,,,112,20230215,,74AE");
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    expectEmptied();
}

TEST_F(ScanTest, AnOlderInvoiceWithTheLastEightDigitsIsAnotherInvoice) {
    scan("01,32,,23442000000014209621,112,20230215,,74AE");
    scan("01,10,044031900111,14209621,50.00,20230301,1234,ABCD");
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(rows().size(), 2);
    EXPECT_EQ(form->Label_num->text(), "2");
}

}  // namespace
