#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <optional>

#include "../scanner/FakeDevices.h"
#include "FakePrompts.h"
#include "FakeSoundPlayer.h"
#include "SilentNameServer.h"
#include "TempExeDir.h"
#include "app/FpbxApplication.h"
#include "app/ProgramEntry.h"
#include "base/IniFile.h"
#include "mainwindow/MainWindow.h"
#include "reader/ReaderClient.h"
#include "update/UpdateCheck.h"

// The update check when the name server never answers. The whole process lives with that name
// server (see main).
namespace {

std::optional<SilentNameServer> nameServer;
QString whyNoNameServer;

// No address of the service can be had: its name is asked of the silent name server.
const QString kServiceUrl = QStringLiteral("http://updates.fpbx.test/fpbx");
const updatecheck::HttpTimeouts kShortTimeouts{300, 600};

#define REQUIRE_SILENT_NAME_SERVER()                                   \
    if (!nameServer) {                                                 \
        GTEST_SKIP() << "no namespaces for a name server of our own: " \
                     << whyNoNameServer.toStdString();                 \
    }

TEST(SilentNameServer, TheUpdateRequestGivesUpAtItsTimeOut) {
    REQUIRE_SILENT_NAME_SERVER();
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(updatecheck::postForBody(kServiceUrl, kShortTimeouts));
    // The system's resolver alone would wait 5 s twice for each question.
    EXPECT_LT(timer.elapsed(), 4000);
    EXPECT_TRUE(nameServer->askedSomething());
}

TEST(SilentNameServer, TheStartUpIndicationShowsUntilTheCheckGivesUp) {
    REQUIRE_SILENT_NAME_SERVER();
    TempExeDir::Options options;
    options.companyDir = false;
    TempExeDir dir(options);
    IniFile(dir.file("config.ini")).writeString("SERVER", "updateUrl", kServiceUrl);

    FakePrompts prompts;
    ProgramSeams seams;
    seams.prompts = &prompts;
    seams.instanceTitle = QStringLiteral("fpbx silent name server test");
    seams.keyboardDevices = [] { return std::make_unique<FakeDevices>(); };
    seams.soundPlayer = [] { return std::make_unique<FakeSoundPlayer>(); };
    seams.updateTimeouts = kShortTimeouts;
    QElapsedTimer sinceStart;
    qint64 indicationAt = -1;
    qint64 indicationGoneAt = -1;
    QPointer<QWidget> indication;
    bool indicationVisible = false;
    bool indicationGoneBeforeTheWindow = false;
    seams.indicationShown = [&](QWidget& shown) {
        indicationAt = sinceStart.elapsed();
        indication = &shown;
        indicationVisible = shown.isVisible();
        QObject::connect(&shown, &QObject::destroyed,
                         [&] { indicationGoneAt = sinceStart.elapsed(); });
    };
    seams.mainWindowShown = [&](MainWindow& window) {
        indicationGoneBeforeTheWindow = indication.isNull();
        QTimer::singleShot(0, &window, &QWidget::close);
    };
    int argc = 1;
    char name[] = "test_silent_name_server";
    char* argv[] = {name, nullptr};
    sinceStart.start();
    EXPECT_EQ(runProgram(argc, argv, seams), 0);

    EXPECT_GE(indicationAt, 0);
    EXPECT_TRUE(indicationVisible);
    EXPECT_TRUE(indicationGoneBeforeTheWindow);
    EXPECT_TRUE(nameServer->askedSomething());
    // The indication lasts as long as the check: given up at the limits of the seams, under the
    // program's own 3 s for a name and far under the resolver's 10 s.
    ASSERT_GE(indicationGoneAt, indicationAt);
    EXPECT_LT(indicationGoneAt - indicationAt, 2500);
    EXPECT_TRUE(prompts.calls().isEmpty());
}

}  // namespace

int main(int argc, char** argv) {
    // Namespaces are for processes of one thread: before anything else starts.
    nameServer = SilentNameServer::enter(&whyNoNameServer);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    FpbxApplication app(argc, argv);
    readerclient::setProgram(QStringLiteral(FPBX_OUTPUT_DIR "/fpbx-reader"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
