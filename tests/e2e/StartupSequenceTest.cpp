#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSplashScreen>
#include <QTimer>

#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "LocalHttpServer.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "app/ProgramEntry.h"
#include "base/AppError.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "mainwindow/MainWindow.h"
#include "prompts/QtPrompts.h"
#include "scanner/InputDevices.h"

namespace {

class NoDevices final : public KeyboardDeviceSource {
public:
    std::optional<QList<RawInputDevice>> deviceList() override { return QList<RawInputDevice>{}; }
    bool hasDeviceInfo(quint32) override { return false; }
    QString deviceName(quint32) override { return {}; }
    std::optional<QString> deviceDescription(const QString&) override { return {}; }
};

// Keeps what it plays in a list of the test's.
class ListeningPlayer final : public SoundPlayer {
public:
    explicit ListeningPlayer(QList<SoundKind>& heard) : heard_(heard) {}
    void play(SoundKind kind) override { heard_ << kind; }

private:
    QList<SoundKind>& heard_;
};

// Runs the whole start in-process; the main window, once shown, is looked at and closed.
struct Start {
    explicit Start(const char* title) { seams.instanceTitle = QString::fromLatin1(title); }

    int run() {
        seams.prompts = &prompts;
        seams.keyboardDevices = [] { return std::make_unique<NoDevices>(); };
        seams.startUpdater = [this](const QString& program, const QString& arguments) {
            updaterStarts << program + u'|' + arguments;
        };
        seams.soundPlayer = [this] { return std::make_unique<ListeningPlayer>(sounds); };
        seams.mainWindowShown = [this](MainWindow& window) {
            ++windowsShown;
            if (onShown) {
                onShown(window);
            }
            QTimer::singleShot(0, &window, &QWidget::close);
        };
        int argc = 1;
        char name[] = "test_startup";
        char* argv[] = {name, nullptr};
        return runProgram(argc, argv, seams);
    }

    FakePrompts prompts;
    ProgramSeams seams;
    QStringList updaterStarts;
    QList<SoundKind> sounds;
    int windowsShown = 0;
    std::function<void(MainWindow&)> onShown;
};

TempExeDir::Options fresh(bool configIni = true,
                          const QString& taxNumber = TempExeDir::kTaxNumber) {
    TempExeDir::Options options;
    options.companyDir = false;
    options.configIni = configIni;
    options.taxNumber = taxNumber;
    return options;
}

QString iniValue(const TempExeDir& dir, const QString& section, const QString& key) {
    return IniFile(dir.file("config.ini")).readString(section, key, "<absent>");
}

TEST(StartupSequence, AFirstStartProvisionsTheCompanyAndShowsTheScanPanel) {
    TempExeDir dir(fresh());
    Start start("fpbx startup test 1");
    start.onShown = [](MainWindow& window) {
        EXPECT_TRUE(window.Panel_center1->isVisible());
        EXPECT_EQ(window.Label_msg->text(), "等待扫描");
        EXPECT_EQ(window.Label_num->text(), "0");
        EXPECT_EQ(window.modeFlag(), 1);
    };
    EXPECT_EQ(start.run(), 0);
    EXPECT_EQ(start.windowsShown, 1);
    EXPECT_TRUE(start.prompts.calls().isEmpty());
    EXPECT_TRUE(QFile::exists(dir.databasePath()));
    EXPECT_TRUE(QFile::exists(dir.companyDir() + "/bxr.txt"));
    EXPECT_EQ(iniValue(dir, "SERVER", "updateUrl"), "http://127.0.0.1:9/fpbx");
    EXPECT_EQ(iniValue(dir, "版本信息", "Version"), "1.0.1");
    const QStringList log = testfiles::logMessages(dir.logPath());
    EXPECT_TRUE(log.contains("===================hook==================="));
    EXPECT_TRUE(log.contains("扫描录入"));
}

TEST(StartupSequence, WithoutConfigIniTheStartFailsWithItsBox) {
    TempExeDir dir(fresh(/*configIni=*/false));
    Start start("fpbx startup test 2");
    EXPECT_EQ(start.run(), 0);
    EXPECT_EQ(start.windowsShown, 0);
    ASSERT_EQ(start.prompts.messages().size(), 1);
    const auto box = start.prompts.messages()[0];
    EXPECT_EQ(box.text, "启动失败，请先检查是否安装开票软件！");
    EXPECT_EQ(box.caption, "提示");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(iniValue(dir, "SERVER", "updateUrl"), "http://127.0.0.1:9/fpbx");
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              QStringList{"读取失败，税号为空或税号不符合规则"});
}

TEST(StartupSequence, AFourteenCharacterTaxNumberStopsTheStart) {
    TempExeDir dir(fresh(true, "12345678901234"));
    Start start("fpbx startup test 3");
    start.run();
    EXPECT_EQ(start.windowsShown, 0);
    EXPECT_EQ(start.prompts.messageTexts(), QStringList{"启动失败，请先检查是否安装开票软件！"});
    EXPECT_FALSE(QFile::exists(dir.file("12345678901234")));
}

TEST(StartupSequence, ADueUpdateHandsOverAndTouchesNothingElse) {
    TempExeDir dir(fresh());
    Start start("fpbx startup test 4");
    start.seams.checkUpdate = [] { return true; };
    EXPECT_EQ(start.run(), 0);
    EXPECT_EQ(start.windowsShown, 0);
    EXPECT_EQ(start.prompts.messageTexts(), QStringList{"软件有更新，点击确定开始更新！"});
    EXPECT_EQ(start.prompts.messages()[0].caption, "提示");
    EXPECT_EQ(start.updaterStarts, QStringList{"Update.exe|test_startup 16"});
    EXPECT_FALSE(QFile::exists(dir.companyDir()));
    EXPECT_FALSE(QDir(dir.file("log")).exists());
}

TEST(StartupSequence, AStagedUpdaterIsSwappedIn) {
    TempExeDir dir(fresh());
    QDir().mkpath(dir.file("temp"));
    testfiles::writeBytes(dir.file("temp/Update.exe"), "staged");
    Start start("fpbx startup test 5");
    start.run();
    EXPECT_EQ(start.windowsShown, 1);
    EXPECT_EQ(testfiles::readBytes(dir.file("Update.exe")), "staged");
    EXPECT_FALSE(QFile::exists(dir.file("temp/Update.exe")));
}

TEST(StartupSequence, ATemplateNamedInCapitalsLeavesTheCompanyWithoutADatabase) {
    TempExeDir dir(fresh());
    QFile::rename(dir.file("database/fpbx.mdb"), dir.file("database/FPBX.MDB"));
    Start start("fpbx startup test 6");
    start.run();
    EXPECT_EQ(start.windowsShown, 1);
    EXPECT_FALSE(QFile::exists(dir.databasePath()));
    // The start says the database is missing; then the count cannot be read: its box says so.
    ASSERT_EQ(start.prompts.messages().size(), 2);
    EXPECT_EQ(start.prompts.messages()[0].caption, "提示");
    EXPECT_TRUE(
        start.prompts.messages()[0].text.startsWith("数据库文件不存在：" + dir.databasePath()));
    EXPECT_EQ(start.prompts.messages()[1].caption, "出现异常");
}

TEST(StartupSequence, AReadOnlyConfigIniEndsTheStartAtTheErrorDisplay) {
    TempExeDir dir(fresh());
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner);
    Start start("fpbx startup test 7");
    EXPECT_EQ(start.run(), 0);
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner | QFile::WriteOwner);
    EXPECT_EQ(start.windowsShown, 0);
    ASSERT_EQ(start.prompts.messages().size(), 1);
    const auto box = start.prompts.messages()[0];
    EXPECT_EQ(box.caption, "Velmora电子发票核销软件");
    EXPECT_EQ(box.icon, MsgIcon::Stop);
    EXPECT_EQ(box.text, "Unable to write to " + dir.file("config.ini") + ".");
    EXPECT_FALSE(QFile::exists(dir.companyDir()));
}

TEST(StartupSequence, ASecondStartEndsAtOnceAndBringsTheFirstForward) {
    TempExeDir dir(fresh());
    Start first("fpbx startup test 8");
    int secondResult = -1;
    QByteArray iniBefore, logBefore;
    first.onShown = [&](MainWindow& window) {
        window.showMinimized();
        iniBefore = testfiles::readBytes(dir.file("config.ini"));
        logBefore = testfiles::readBytes(dir.logPath());
        Start second("fpbx startup test 8");
        second.seams.checkUpdate = [] {
            ADD_FAILURE() << "the second start ran the update check";
            return false;
        };
        second.seams.indicationShown = [](QWidget&) {
            ADD_FAILURE() << "the second start showed the start-up indication";
        };
        secondResult = second.run();
        EXPECT_EQ(second.windowsShown, 0);
        EXPECT_TRUE(second.prompts.calls().isEmpty());
    };
    first.run();
    EXPECT_EQ(secondResult, 0);
    EXPECT_EQ(testfiles::readBytes(dir.file("config.ini")), iniBefore);
    EXPECT_EQ(testfiles::readBytes(dir.logPath()), logBefore);
}

}  // namespace

namespace {

class Throwing final : public QObject {
public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) {
            throw AppError("事件处理失败");
        }
        return QObject::event(e);
    }
};

TEST(MessageLoop, AnErrorInAnEventHandlerIsShownAndTheLoopGoesOn) {
    FakePrompts prompts;
    Throwing target;
    QCoreApplication::postEvent(&target, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    bool later = false;
    QTimer::singleShot(0, [&] { later = true; });
    QCoreApplication::processEvents();
    EXPECT_TRUE(later);
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "事件处理失败.");
    EXPECT_EQ(prompts.messages()[0].icon, MsgIcon::Stop);
}

}  // namespace

namespace {

// The start-up indication as a test sees it.
struct Indication {
    void watch(Start& start) {
        start.seams.indicationShown = [this](QWidget& shown) {
            shownAt = sinceStart.elapsed();
            widget = &shown;
            visible = shown.isVisible();
            message = static_cast<QSplashScreen&>(shown).message();
            title = shown.windowTitle();
            if (onShown) {
                onShown();
            }
            // The message loop goes on while the check runs: this timer ticks.
            auto* ticker = new QTimer(&shown);
            QObject::connect(ticker, &QTimer::timeout, [this] { ++ticks; });
            ticker->start(20);
            QObject::connect(&shown, &QObject::destroyed,
                             [this] { goneAt = sinceStart.elapsed(); });
        };
        sinceStart.start();
    }
    QElapsedTimer sinceStart;
    qint64 shownAt = -1;
    qint64 goneAt = -1;
    QPointer<QWidget> widget;
    bool visible = false;
    QString message;
    QString title;
    int ticks = 0;
    std::function<void()> onShown;
};

TEST(StartupIndication, ShowsAtOnceAndIsGoneWhenTheStalledServiceIsGivenUp) {
    LocalHttpServer service("", /*hang=*/true);  // accepts and never answers
    TempExeDir dir(fresh());
    IniFile(dir.file("config.ini")).writeString("SERVER", "updateUrl", service.baseUrl());
    Start start("fpbx startup test 11");
    start.seams.updateTimeouts = {300, 600};
    Indication indication;
    indication.watch(start);
    // At once: shown before the check has so much as reached the service.
    bool serviceAskedBeforeTheIndication = true;
    indication.onShown = [&] { serviceAskedBeforeTheIndication = service.connected(); };
    bool goneBeforeTheWindow = false;
    bool givenUpBeforeTheWindow = false;
    start.onShown = [&](MainWindow&) {
        goneBeforeTheWindow = indication.widget.isNull();
        givenUpBeforeTheWindow = service.connected() && !service.clientStillConnected();
    };
    start.run();

    EXPECT_GE(indication.shownAt, 0);
    EXPECT_FALSE(serviceAskedBeforeTheIndication);
    EXPECT_TRUE(indication.visible);
    EXPECT_EQ(indication.message, "正在检查更新…");
    EXPECT_EQ(indication.title, "正在检查更新…");
    // More than one turn of the loop while the check ran, however few a busy machine allows.
    EXPECT_GE(indication.ticks, 2);
    EXPECT_TRUE(service.connected());
    EXPECT_TRUE(givenUpBeforeTheWindow);
    EXPECT_TRUE(goneBeforeTheWindow);
    // The check's own limits, not the program's 5 s: the indication lasts as long as the check.
    ASSERT_GE(indication.goneAt, indication.shownAt);
    EXPECT_LT(indication.goneAt - indication.shownAt, 4000);
    EXPECT_EQ(start.windowsShown, 1);
    EXPECT_TRUE(start.prompts.calls().isEmpty());
}

TEST(StartupIndication, IsGoneBeforeTheUpdateBoxAndBeforeTheErrorDisplay) {
    {
        TempExeDir dir(fresh());
        Start start("fpbx startup test 12");
        start.seams.checkUpdate = [] { return true; };
        Indication indication;
        indication.watch(start);
        QList<bool> goneAtBoxes;
        start.prompts.onCall = [&](const FakePrompts::Call&) {
            goneAtBoxes << indication.widget.isNull();
        };
        start.run();
        EXPECT_EQ(start.prompts.messageTexts(), QStringList{"软件有更新，点击确定开始更新！"});
        EXPECT_EQ(goneAtBoxes, QList<bool>{true});
        EXPECT_EQ(start.updaterStarts.size(), 1);
    }
    {
        TempExeDir dir(fresh());
        QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner);
        Start start("fpbx startup test 12");
        Indication indication;
        indication.watch(start);
        QList<bool> goneAtBoxes;
        start.prompts.onCall = [&](const FakePrompts::Call&) {
            goneAtBoxes << indication.widget.isNull();
        };
        start.run();
        QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner | QFile::WriteOwner);
        ASSERT_EQ(start.prompts.messages().size(), 1);
        EXPECT_EQ(start.prompts.messages()[0].icon, MsgIcon::Stop);  // raised on the worker
        EXPECT_EQ(goneAtBoxes, QList<bool>{true});
        EXPECT_EQ(start.windowsShown, 0);
    }
}

TEST(StartupIndication, ASecondStartWhileTheCheckRunsShowsNoneAndTouchesNothing) {
    TempExeDir dir(fresh());
    Start first("fpbx startup test 13");
    int secondResult = -1;
    int secondIndications = 0;
    first.seams.indicationShown = [&](QWidget&) {
        const QByteArray iniBefore = testfiles::readBytes(dir.file("config.ini"));
        Start second("fpbx startup test 13");
        second.seams.indicationShown = [&](QWidget&) { ++secondIndications; };
        secondResult = second.run();
        EXPECT_EQ(second.windowsShown, 0);
        EXPECT_EQ(testfiles::readBytes(dir.file("config.ini")), iniBefore);
        EXPECT_FALSE(QDir(dir.file("log")).exists());
    };
    first.run();
    EXPECT_EQ(secondResult, 0);
    EXPECT_EQ(secondIndications, 0);
    EXPECT_EQ(first.windowsShown, 1);
}

TEST(StartupSequence, OutcomesAreHeardUnlessConfigIniTurnsTheSoundsOff) {
    for (const bool soundsOn : {true, false}) {
        TempExeDir dir;
        testfiles::writeBytes(joinPath(dir.companyDir(), "bxr.txt"), "Ann\r\n");
        if (!soundsOn) {
            IniFile(dir.file("config.ini")).writeString("声音", "开启", "0");
        }
        Start start("fpbx startup test 14");
        start.onShown = [](MainWindow& window) {
            window.Image_sxClick();
            window.Edit_fpdm->setText("044031900111");
            window.Edit_fphm->setText("12345678");
            window.Image_jcClick();
            EXPECT_EQ(window.Label_msg1->text(), "报销成功！");
        };
        start.run();
        EXPECT_EQ(start.sounds,
                  soundsOn ? QList<SoundKind>{SoundKind::Registered} : QList<SoundKind>{})
            << "sounds on: " << soundsOn;
    }
}

TEST(StartupSequence, QtsOwnTextsInTheProgramsDialogsAreChinese) {
    TempExeDir dir(fresh());
    Start start("fpbx startup test 15");
    start.onShown = [](MainWindow& window) {
        QtPrompts dialogs;
        QStringList texts;
        // The buttons and labels of the dialog about to open, which is then cancelled.
        auto collect = [&texts] {
            QTimer::singleShot(0, [&texts] {
                QWidget* dialog = QApplication::activeModalWidget();
                ASSERT_NE(dialog, nullptr);
                for (const QPushButton* button : dialog->findChildren<QPushButton*>()) {
                    texts << button->text();
                }
                for (const QLabel* label : dialog->findChildren<QLabel*>()) {
                    texts << label->text();
                }
                QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
            });
        };
        collect();
        dialogs.message(&window, "提示", "要继续吗？", MsgIcon::Question, MsgButtons::OkCancel, {});
        EXPECT_TRUE(texts.contains("确定") && texts.contains("取消"))
            << texts.join('|').toStdString();

        texts.clear();
        collect();
        dialogs.inputText(&window, "添加报销人", "报销人：", "");
        EXPECT_TRUE(texts.contains("确定") && texts.contains("取消"))
            << texts.join('|').toStdString();

        texts.clear();
        collect();
        FileDialogRequest save;
        save.owner = &window;
        save.caption = "另存为";
        save.filters = {{"文本文件(*.txt)", "*.txt"}};
        dialogs.saveFile(save);
        for (const char* expected :
             {"保存(&S)", "取消", "查找范围：", "文件名称(&N)：", "文件类型："}) {
            EXPECT_TRUE(texts.contains(QString::fromUtf8(expected)))
                << expected << " not in " << texts.join('|').toStdString();
        }
    };
    start.run();
    EXPECT_EQ(start.windowsShown, 1);
}

}  // namespace

// With the registry on a server the local file is not in use: a damaged one is not reported.
TEST(StartupSequence, WithTheRegistryOnAServerTheLocalFileIsNeitherCheckedNorReported) {
    TempExeDir dir;
    testfiles::writeBytes(dir.databasePath(), "not a database at all");
    IniFile ini(dir.file("config.ini"));
    ini.writeString("数据库", "类型", "postgresql");
    ini.writeString("数据库", "连接", "host=" + dir.file("no-server") + " connect_timeout=1");
    Start start("fpbx startup test server");
    EXPECT_EQ(start.run(), 0);
    EXPECT_EQ(start.windowsShown, 1);
    for (const QString& text : start.prompts.messageTexts()) {
        EXPECT_FALSE(text.contains("数据库文件")) << text.toStdString();
    }
    EXPECT_EQ(testfiles::readBytes(dir.databasePath()), "not a database at all");
}
