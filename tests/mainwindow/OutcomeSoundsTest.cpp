#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include "FakeSoundPlayer.h"
#include "MainWindowFixture.h"

namespace {

using Sounds = QList<SoundKind>;

const QString kPayload = "01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD";

class SoundTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        testfiles::writeBytes(bxrPath(), "Ann\r\n");
        open();
        form->setSoundPlayer(&player);
        // What had been heard when a box came up.
        prompts.onCall = [this](const FakePrompts::Call&) { heardAtBoxes << player.played; };
    }
    void enterByHand(const QString& code, const QString& number) {
        form->Edit_fpdm->setText(code);
        form->Edit_fphm->setText(number);
        form->Image_jcClick();
    }
    void loseTheDatabase() { QFile::rename(dir.databasePath(), dir.databasePath() + ".away"); }

    FakeSoundPlayer player;
    QList<Sounds> heardAtBoxes;
};

TEST_F(SoundTest, EachScanOutcomeHasItsSound) {
    scan(kPayload);
    EXPECT_EQ(player.played, Sounds{SoundKind::Registered});
    scan(kPayload);
    EXPECT_EQ(player.played, (Sounds{SoundKind::Registered, SoundKind::AlreadyRecorded}));
    player.played.clear();

    scan("ABC123");  // no invoice
    EXPECT_EQ(player.played, Sounds{SoundKind::Failed});
    player.played.clear();

    scan("01,10,,12345678,100.00,20200101,1234,ABCD");  // dropped without a word or a sound
    EXPECT_TRUE(player.played.isEmpty());

    scan("01,10,044031900111,87654321,12.3x,20200101,1234,ABCD");  // an amount that is no number
    EXPECT_EQ(player.played, Sounds{SoundKind::Failed});
    EXPECT_EQ(heardAtBoxes, QList<Sounds>{Sounds{SoundKind::Failed}});
}

TEST_F(SoundTest, AStoreFailureIsHeardBeforeItsBox) {
    loseTheDatabase();
    scan(kPayload);
    EXPECT_EQ(form->Label_msg->text(), "登记失败!");
    EXPECT_EQ(player.played, Sounds{SoundKind::Failed});
    EXPECT_EQ(heardAtBoxes, QList<Sounds>{Sounds{SoundKind::Failed}});
}

TEST_F(SoundTest, EachManualOutcomeHasItsSound) {
    form->Image_sxClick();
    form->ComboBox2->setCurrentText("Ann");
    enterByHand("044031900111", "12345678");
    EXPECT_EQ(form->Label_msg1->text(), "报销成功！");
    enterByHand("044031900111", "12345678");
    EXPECT_EQ(form->Label_msg1->text(), "已报销！");
    EXPECT_EQ(player.played, (Sounds{SoundKind::Registered, SoundKind::AlreadyRecorded}));
    player.played.clear();

    enterByHand("044031900111", "1234567");  // refused by the checks: the box says it
    EXPECT_EQ(prompts.messageTexts(), QStringList{"请输入正确的发票号码！"});
    EXPECT_TRUE(player.played.isEmpty());

    loseTheDatabase();
    enterByHand("044031900111", "87654321");
    EXPECT_EQ(form->Label_msg1->text(), "登记失败！");
    EXPECT_EQ(player.played, Sounds{SoundKind::Failed});
}

}  // namespace
