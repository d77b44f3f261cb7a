#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>

#include "MainWindowFixture.h"
#include "base/IniFile.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/InvoiceFaceView.h"
#include "scanner/KeyboardCapture.h"

namespace {

const QColor kRed(255, 0, 0);

// A scan of an invoice of the given number, date and amount.
QString payload(const QString& number, const QString& date, const QString& amount) {
    return QStringLiteral("01,10,044031900111,%1,%2,%3,12345678901234567890,ABCD")
        .arg(number, amount, date);
}

// The office's rules in config.ini, driven through the real main window as a clerk would.
class OfficeRulesTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\n");
        IniFile ini(dir.file("config.ini"));
        ini.writeString("核销规则", "最早开票日期", "2024-01-01");
        ini.writeString("核销规则", "金额上限", "10000");
        ini.writeString("核销规则", "红字发票", "提示");
        open();
    }
    static trail::Entry onlyTrailLine(const QString& number) {
        const trail::Lines lines =
            openInvoiceStore()->readTrail(trail::Filter::of({"044031900111", number}), 10);
        EXPECT_EQ(lines.entries.size(), 1);
        return lines.entries.value(0);
    }
    static QString storedNotes(const QString& number) {
        Database db = Database::open(GetConnectionString());
        Statement s = db.prepare("select 核销提示 from 发票报销 where 发票号码=?1");
        s.bind(1, number);
        return s.step() ? s.text(0) : QString("(none)");
    }
};

TEST_F(OfficeRulesTest, ARefusedScanStoresNothingShowsWhyAndTheNextScanWorks) {
    scan(payload("12345678", "20231231", "100.00"));
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_num->text(), "0");
    EXPECT_EQ(form->Label_msg->text(), "拒绝报销!");
    EXPECT_EQ(colourOf(form->Label_msg), kRed);
    EXPECT_EQ(form->Label_note_sm->text(),
              "不符合核销规则：开票日期2023-12-31早于最早开票日期2024-01-01");
    EXPECT_EQ(
        form->Panel_face_sm->shownTexts(),
        (QStringList{"发票种类：增值税电子普通发票", "发票代码：044031900111", "发票号码：12345678",
                     "开票日期：2023-12-31", "开票金额：100.00", "校验码后六位：567890"}));
    // The outcome and the face stand within the panel, above the reimburser's row.
    const QRect panel = form->Panel_center1->rect();
    for (const QWidget* shown :
         {static_cast<QWidget*>(form->Label_fphm_sm), static_cast<QWidget*>(form->Label_msg),
          static_cast<QWidget*>(form->Label_note_sm), static_cast<QWidget*>(form->Panel_face_sm)}) {
        EXPECT_TRUE(shown->isVisible());
        EXPECT_TRUE(panel.contains(shown->geometry())) << shown->objectName().toStdString();
        EXPECT_LE(shown->geometry().bottom(), form->ComboBox1->geometry().top());
    }
    EXPECT_LE(form->Label_msg->geometry().bottom(), form->Label_note_sm->geometry().top());
    const trail::Entry line = onlyTrailLine("12345678");
    EXPECT_EQ(line.action, "拒绝登记");
    EXPECT_EQ(line.ruleNotes, "最早开票日期：开票日期2023-12-31早于最早开票日期2024-01-01");
    EXPECT_TRUE(
        log().contains("不符合核销规则，未报销：044031900111-12345678："
                       "最早开票日期：开票日期2023-12-31早于最早开票日期2024-01-01"));

    scan(payload("12345679", "20240105", "100.00"));
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(form->Label_note_sm->text(), "");
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(form->Label_num->text(), "1");
    for (int tick = 0; tick < 4; ++tick) {
        form->Timer1Timer();
    }
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_FALSE(form->Panel_face_sm->isVisible());
    EXPECT_EQ(form->Label_msg->geometry(), QRect(148, 92, 256, 65));
}

TEST_F(OfficeRulesTest, AWarningIsRecordedWithTheInvoiceAndAnEarlierOneIsNamed) {
    scan(payload("12345678", "20240105", "-50.00"));
    EXPECT_EQ(form->Label_msg->text(), "报销成功!");
    EXPECT_EQ(form->Label_note_sm->text(), "提示：红字发票（金额-50.00）");
    EXPECT_EQ(storedNotes("12345678"), "红字发票：红字发票（金额-50.00）");
    const trail::Entry line = onlyTrailLine("12345678");
    EXPECT_EQ(line.action, "登记");
    EXPECT_EQ(line.ruleNotes, "红字发票：红字发票（金额-50.00）");

    clock.advanceSeconds(90);
    scan(payload("12345678", "20240105", "-50.00"));
    EXPECT_EQ(form->Label_msg->text(), "已报销!");
    EXPECT_EQ(form->Label_note_sm->text(), "首次报销：2024/3/1 9:30:00，报销人：Ann");
}

TEST_F(OfficeRulesTest, AnAmountAtTheLimitIsWrittenOffOnlyWhenTheClerkSaysSo) {
    bool hookedWhileAsked = true;
    prompts.onCall = [&](const FakePrompts::Call&) {
        hookedWhileAsked = form->capture().isHooked();
    };
    prompts.answerMessage(MsgAnswer::Cancel);
    scan(payload("12345678", "20240105", "10000.00"));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text,
              "金额超过上限，确认报销？\n\n金额10000.00达到上限10000.00");
    EXPECT_EQ(prompts.messages()[0].buttons, MsgButtons::YesNo);
    EXPECT_FALSE(hookedWhileAsked);  // the clerk may answer with the keyboard
    EXPECT_TRUE(form->capture().isHooked());
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_note_sm->text(), "不符合核销规则：金额10000.00达到上限10000.00，未确认");

    prompts.answerMessage(MsgAnswer::Ok);
    scan(payload("12345678", "20240105", "10000.00"));
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(form->Label_note_sm->text(), "提示：金额10000.00达到上限10000.00，已确认");
}

TEST_F(OfficeRulesTest, ARefusedManualEntryStaysTypedAndSaysWhy) {
    emit form->Image_sx->clicked();
    form->Date_kprq->setDate(QDate(2024, 3, 2));  // tomorrow, by the clock
    form->Edit_fpdm->setText("044031900111");
    form->Edit_fphm->setText("12345678");
    emit form->Image_jc->clicked();
    EXPECT_TRUE(rows().isEmpty());
    EXPECT_EQ(form->Label_msg1->text(), "拒绝报销！");
    EXPECT_EQ(form->Label_note_sx->text(),
              "不符合核销规则：开票日期2024-03-02晚于本机日期2024-03-01");
    EXPECT_EQ(
        form->Panel_face_sx->shownTexts(),
        (QStringList{"发票代码：044031900111", "发票号码：12345678", "开票日期：2024-03-02"}));
    EXPECT_EQ(form->Edit_fphm->text(), "12345678");
}

TEST(OfficeRulesSettings, AValueThatCannotBeReadIsToldAtStartAndLeftOff) {
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    TempExeDir dir;
    FakePrompts prompts;
    IniFile(dir.file("config.ini")).writeString("核销规则", "金额上限", "1万");
    MainWindow form(std::make_unique<FakeDevices>());
    form.show();
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"核销规则设置有误，以下规则未生效：\n"
                          "config.ini 金额上限=1万：应为大于零的金额，如 10000.00"});
    EXPECT_TRUE(
        testfiles::logMessages(dir.logPath())
            .contains("核销规则设置无效，未生效：config.ini 金额上限=1万：应为大于零的金额，如 "
                      "10000.00"));
}

}  // namespace
