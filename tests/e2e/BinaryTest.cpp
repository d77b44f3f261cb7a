#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/IniFile.h"

namespace {

// The real program started in a temporary exe directory, offscreen.
class ProgramRun {
public:
    explicit ProgramRun(const TempExeDir& dir) : dir_(dir) {
        const QString binary = dir.file("fpbx");
        if (!QFile::exists(binary)) {
            QFile::copy(QStringLiteral(FPBX_BINARY), binary);
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process_.setProcessEnvironment(env);
        process_.setWorkingDirectory(QDir::tempPath());  // not the exe directory
        process_.start(binary, {});
    }
    ~ProgramRun() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
    // Waits until the main window has entered scan mode (a start takes its time on a busy machine).
    bool waitUntilShown(int timeoutMs = 30000) {
        return QTest::qWaitFor(
            [&] { return testfiles::logMessages(dir_.logPath()).contains("扫描录入"); }, timeoutMs);
    }
    QProcess& process() { return process_; }

private:
    const TempExeDir& dir_;
    QProcess process_;
};

TempExeDir::Options installation() {
    TempExeDir::Options options;
    options.companyDir = false;
    return options;
}

TEST(Program, AFirstStartLeavesTheCompanyDirectoryConfigAndLog) {
    TempExeDir dir(installation());
    QDir().mkpath(dir.file("temp"));
    testfiles::writeBytes(dir.file("temp/Update.exe"), "staged updater");
    ProgramRun run(dir);
    ASSERT_TRUE(run.waitUntilShown()) << run.process().readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(dir.databasePath()));
    EXPECT_TRUE(QFile::exists(dir.companyDir() + "/bxr.txt"));
    EXPECT_EQ(testfiles::readBytes(dir.file("Update.exe")), "staged updater");
    EXPECT_FALSE(QFile::exists(dir.file("temp/Update.exe")));
    const IniFile ini(dir.file("config.ini"));
    EXPECT_EQ(ini.readString("SERVER", "updateUrl", ""), "http://127.0.0.1:9/fpbx");
    EXPECT_EQ(ini.readString("版本信息", "Version", ""), "1.0.1");
    const QStringList log = testfiles::logMessages(dir.logPath());
    EXPECT_EQ(log.mid(log.size() - 2),
              (QStringList{"===================hook===================", "扫描录入"}));
}

TEST(Program, ASecondStartEndsAtOnceWithCodeZeroTouchingNothing) {
    TempExeDir dir(installation());
    ProgramRun first(dir);
    ASSERT_TRUE(first.waitUntilShown());
    const QByteArray ini = testfiles::readBytes(dir.file("config.ini"));
    const QByteArray log = testfiles::readBytes(dir.logPath());

    // Ends by itself, however slowly a busy machine starts it: a start that went on would show
    // a window and wait for the clerk.
    ProgramRun second(dir);
    ASSERT_TRUE(second.process().waitForFinished(30000));
    EXPECT_EQ(second.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.process().exitCode(), 0);
    EXPECT_EQ(testfiles::readBytes(dir.file("config.ini")), ini);
    EXPECT_EQ(testfiles::readBytes(dir.logPath()), log);
    EXPECT_EQ(first.process().state(), QProcess::Running);
}

TEST(Program, StartsAgainAfterTheFirstInstanceWasKilled) {
    TempExeDir dir(installation());
    {
        ProgramRun crashed(dir);
        ASSERT_TRUE(crashed.waitUntilShown());
    }  // killed: its socket stays behind
    QFile::remove(dir.logPath());
    ProgramRun next(dir);
    EXPECT_TRUE(next.waitUntilShown());
}

}  // namespace
