#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include "MainWindowFixture.h"
#include "StoreFixtures.h"
#include "base/AppError.h"
#include "base/AppInfo.h"
#include "base/DatabaseSettings.h"
#include "mainwindow/ClickableLabel.h"
#include "mainwindow/ReimburserList.h"
#include "scanner/KeyboardCapture.h"

namespace {

const QColor kDarkShadow(105, 105, 105);
const QColor kGreen(98, 163, 6);

TEST_F(MainWindowTest, StartsInScanModeWaitingWithTheCountAndTheLogInOrder) {
    teststore::recordInvoice(
        teststore::invoice().code("1234567890").number("00000001").amount("0.00").date("20240101"),
        EntryMode::Manual);
    teststore::recordInvoice(
        teststore::invoice().code("1234567890").number("00000002").amount("0.00").date("20240101"),
        EntryMode::Manual);
    devices.addHid(0x1003B, "VID_0C2E&PID_0B61", "HID Keyboard Device");
    open();
    EXPECT_EQ(form->windowTitle(), "电子发票核销");
    EXPECT_EQ(form->size(), QSize(567, 328));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form->modeFlag(), 1);
    EXPECT_TRUE(form->Panel_center1->isVisible());
    EXPECT_FALSE(form->Panel_center2->isVisible());
    EXPECT_TRUE(form->Image_sm1->isVisible() && form->Image_sx->isVisible());
    EXPECT_FALSE(form->Image_sm->isVisible() || form->Image_sx1->isVisible());
    EXPECT_EQ(form->Label_msg->text(), "等待扫描");
    EXPECT_EQ(colourOf(form->Label_msg), kDarkShadow);
    EXPECT_TRUE(form->Label_fphm_sm->text().isEmpty());
    EXPECT_FALSE(form->DataEdit->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_EQ(form->Label_num->text(), "2");
    EXPECT_FALSE(form->Label_smq->isVisible());
    EXPECT_TRUE(form->capture().isHooked());
    EXPECT_EQ(log().mid(2),
              (QStringList{"设备名称：0001003b", "设备名称：HID Keyboard Device",
                           "===================hook===================", "扫描录入"}));
}

TEST_F(MainWindowTest, ControlsSitAtTheirBoundsWithTheirLook) {
    open();
    EXPECT_EQ(form->Panel_top->geometry(), QRect(0, 0, 567, 63));
    EXPECT_EQ(form->Panel_top->palette().color(QPalette::Window), kGreen);
    EXPECT_EQ(form->Panel_bottom->geometry(), QRect(0, 287, 567, 41));
    // The visible scan tile directly left of the visible manual tile at the right end.
    EXPECT_EQ(form->Image_sm1->geometry().right() + 1, form->Image_sx->geometry().left());
    EXPECT_EQ(form->Image_sx->geometry().right(), 565);
    const QList<const QLabel*> pictures{form->Image_logo, form->Image_sm,  form->Image_sm1,
                                        form->Image_sx,   form->Image_sx1, form->Image_jc};
    for (const QLabel* picture : pictures) {
        EXPECT_EQ(picture->pixmap().size(), picture->size());
    }
    EXPECT_EQ(form->Label_num->font().pixelSize(), 32);
    EXPECT_EQ(colourOf(form->Label_num), kGreen);
    EXPECT_EQ(colourOf(form->Label_smq), QColor(255, 0, 0));
    EXPECT_TRUE(form->Label_result->font().underline());
    EXPECT_EQ(form->Label_msg->geometry(), QRect(148, 92, 256, 65));
    EXPECT_EQ(form->Edit_fpdm->maxLength(), 12);
    EXPECT_EQ(form->Edit_fphm->maxLength(), 20);
    EXPECT_EQ(form->Timer1->interval(), 1000);
}

TEST_F(MainWindowTest, SwitchingModesRunsTheDeviceCheckHookAndCounts) {
    devices.addHid(0x10, "VID_0001&PID_0001", "Standard PS/2 Keyboard");
    open();
    EXPECT_TRUE(form->Label_smq->isVisible());
    clock.set(QDateTime(QDate(2024, 3, 2), QTime(8, 0, 0)));  // a new day, a fresh log
    emit form->Image_sx->clicked();
    EXPECT_EQ(form->modeFlag(), 0);
    EXPECT_TRUE(form->Panel_center2->isVisible());
    EXPECT_TRUE(form->Image_sx1->isVisible() && form->Image_sm->isVisible());
    EXPECT_FALSE(form->Image_sx->isVisible() || form->Image_sm1->isVisible());
    EXPECT_TRUE(form->deviceList().isEmpty());
    EXPECT_FALSE(form->capture().isHooked());
    EXPECT_EQ(form->Date_kprq->date(), QDate(2024, 3, 2));
    EXPECT_EQ(form->Label_num1->text(), "0");
    EXPECT_EQ(log(), (QStringList{"===================unhook===================", "手动录入"}));

    devices.addHid(0x20, "VID_0C2E&PID_0B61", "HID Keyboard Device");
    emit form->Image_sm->clicked();
    EXPECT_EQ(form->modeFlag(), 1);
    EXPECT_TRUE(form->capture().isHooked());
    EXPECT_FALSE(form->Label_smq->isVisible());
    EXPECT_EQ(form->deviceList(), (QStringList{"00000010", "Standard PS/2 Keyboard", "00000020",
                                               "HID Keyboard Device"}));
    EXPECT_EQ(log().mid(2, 2),
              (QStringList{"设备名称：00000010", "设备名称：Standard PS/2 Keyboard"}));
    EXPECT_EQ(log().mid(6),
              (QStringList{"===================hook===================", "扫描录入"}));
}

TEST_F(MainWindowTest, TheRecordsWindowOpensUnhookedAndBothCountsAreRefreshed) {
    open();
    QList<bool> hookedWhileOpen;
    form->setOpenRecords([&](QWidget* owner) {
        EXPECT_EQ(owner, form.get());
        hookedWhileOpen << form->capture().isHooked();
        teststore::recordInvoice(
            teststore::invoice().code("1234567890").number("00000001").amount("1").date("20240101"),
            EntryMode::Import);
    });
    emit form->Label_result->clicked();
    EXPECT_TRUE(form->capture().isHooked());
    EXPECT_EQ(form->Label_num->text(), "1");
    EXPECT_EQ(form->Label_num1->text(), "1");

    emit form->Image_sx->clicked();
    form->setOpenRecords([&](QWidget*) {
        hookedWhileOpen << form->capture().isHooked();
        teststore::recordInvoice(
            teststore::invoice().code("1234567890").number("00000002").amount("1").date("20240101"),
            EntryMode::Import);
    });
    emit form->Label_result->clicked();
    EXPECT_FALSE(form->capture().isHooked());
    EXPECT_EQ(form->Label_num->text(), "2");
    EXPECT_EQ(form->Label_num1->text(), "2");
    EXPECT_EQ(hookedWhileOpen, (QList<bool>{false, false}));
}

TEST_F(MainWindowTest, TheRecordsLinkOpensTheRecordsWindowModallyOwnedByTheMainWindow) {
    open();
    QString opened;
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            opened = modal->metaObject()->className();
            owner = modal->parentWidget();
            modal->close();
        }
    });
    form->Label_resultClick();
    EXPECT_EQ(opened, "RecordsWindow");
    EXPECT_EQ(owner, form.get());
    EXPECT_TRUE(prompts.messages().isEmpty());
    EXPECT_TRUE(form->capture().isHooked());
}

TEST_F(MainWindowTest, ARecordsWindowThatFailsToOpenShowsTheErrorAndHooksAgain) {
    open();
    form->setOpenRecords([](QWidget*) { throw AppError("Could not find file 'x'."); });
    form->Label_resultClick();
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, appinfo::title());
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
    EXPECT_TRUE(form->capture().isHooked());
    const QStringList lines = log();
    EXPECT_EQ(lines.sliced(lines.size() - 2),
              (QStringList{"===================unhook===================",
                           "===================hook==================="}));
}

TEST_F(MainWindowTest, TheAddLinksAreWiredToTheReimburserList) {
    open();
    QStringList asked;
    form->reimbursers().setAskName([&](QWidget*) {
        asked << (form->capture().isHooked() ? "hooked" : "unhooked");
        return QString("Ann");
    });
    emit form->Label6->clicked();
    EXPECT_TRUE(form->capture().isHooked());
    EXPECT_EQ(form->ComboBox1->currentText(), "Ann");
    emit form->Image_sx->clicked();
    EXPECT_EQ(form->ComboBox2->currentText(), "Ann");  // selected on entering manual mode
    form->reimbursers().setAskName([&](QWidget*) {
        asked << (form->capture().isHooked() ? "hooked" : "unhooked");
        return QString("Bob");
    });
    emit form->Label7->clicked();
    EXPECT_EQ(asked, (QStringList{"unhooked", "unhooked"}));
    EXPECT_EQ(testfiles::readBytes(bxrPath()), QByteArray("Ann\r\nBob\r\n"));
    EXPECT_EQ(form->ComboBox1->currentText(), "Ann");
}

TEST_F(MainWindowTest, AMissingReimburserFileIsCreatedEmpty) {
    QFile::remove(bxrPath());
    open();
    EXPECT_TRUE(QFile::exists(bxrPath()));
    EXPECT_EQ(form->ComboBox1->count(), 0);
    EXPECT_EQ(form->reimbursers().current(), "");
}

TEST_F(MainWindowTest, AFailingCountShowsZero) {
    QFile::remove(dir.databasePath());
    open();
    EXPECT_EQ(form->Label_num->text(), "0");
    ASSERT_FALSE(prompts.messages().isEmpty());
    EXPECT_EQ(prompts.messages()[0].caption, "出现异常");
    EXPECT_EQ(prompts.messages()[0].owner, form.get());
    const QStringList lines = log();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.constLast().startsWith("获取扫描总数异常：Could not find file"))
        << lines.constLast().toStdString();
}

}  // namespace

namespace {

// A server that is not there: the start shows the window at once and says on the scan panel
// why there is no count, without a box; a scan is a failed registration, never an invoice
// already reimbursed.
TEST_F(MainWindowTest, AStartWithTheServerDownShowsTheWindowAndSaysSo) {
    setDatabaseSettings(
        {DatabaseSettings::Engine::Postgresql, "postgresql",
         "host=" + dir.file("no-server") + " user=fpbx_clerk password=Kept-Out-77"});
    QElapsedTimer timer;
    timer.start();
    open();
    EXPECT_LT(timer.elapsed(), 5000);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Label_num->text(), "—");
    QTRY_COMPARE_WITH_TIMEOUT(form->storeRunner().pending(), 0, 15000);
    EXPECT_EQ(form->Label_num->text(), "—");
    EXPECT_EQ(form->Label_num1->text(), "—");
    EXPECT_EQ(form->Label_msg->text(), "无法连接数据库服务器");
    const QString note = form->Label_note_sm->toolTip().isEmpty() ? form->Label_note_sm->text()
                                                                  : form->Label_note_sm->toolTip();
    EXPECT_TRUE(note.startsWith("无法连接数据库服务器：connection to server"))
        << note.toStdString();
    EXPECT_TRUE(prompts.messages().isEmpty());

    type("01,10,044031900111,12345678,100.00,20200101,12345678901234567890,ABCD");
    QTest::keyClick(handle(), Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(form->storeRunner().pending(), 0, 15000);
    EXPECT_EQ(form->Label_msg->text(), "登记失败!");
    EXPECT_EQ(form->Label_fphm_sm->text(), "无法连接数据库服务器");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_TRUE(prompts.messages()[0].text.startsWith("无法连接数据库服务器，发票未登记。"));
    EXPECT_FALSE(testfiles::readBytes(dir.logPath()).contains("Kept-Out"));
    EXPECT_TRUE(
        log().contains("扫描结果：01,10,044031900111,12345678,100.00,20200101,"
                       "12345678901234567890,ABCD"));
}

// The columns of a label's picture that hold pixels of its green digits.
QList<int> greenColumns(QLabel* label) {
    const QImage image = label->grab().toImage();
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.green() > c.red() + 40 && c.green() > c.blue() + 40) {
                columns << x;
                break;
            }
        }
    }
    return columns;
}

}  // namespace

TEST_F(MainWindowTest, ACountOfEightDigitsIsShownWholeOnBothPanels) {
    open();
    for (QLabel* count : {form->Label_num, form->Label_num1}) {
        count->setText("12345");
        EXPECT_EQ(static_cast<CountLabel*>(count)->textFont().pixelSize(), 32);
        count->setText("99999999");
        EXPECT_LT(static_cast<CountLabel*>(count)->textFont().pixelSize(), 32);
        const QList<int> green = greenColumns(count);
        ASSERT_FALSE(green.isEmpty());
        // Neither end cut off, and the digits still fill most of the label.
        EXPECT_GT(green.first(), 0);
        EXPECT_LT(green.last(), count->width() - 1);
        EXPECT_GT(green.last() - green.first(), count->width() * 3 / 4);
        EXPECT_EQ(count->geometry(), QRect(69, 13, 105, 37));
    }
}
