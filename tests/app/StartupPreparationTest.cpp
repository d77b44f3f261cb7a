#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TempExeDir.h"
#include "TestFiles.h"
#include "app/StartupPreparation.h"
#include "base/AppError.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"

namespace {

TempExeDir::Options bare(const QString& taxNumber = TempExeDir::kTaxNumber, bool ini = true) {
    TempExeDir::Options options;
    options.companyDir = false;
    options.configIni = ini;
    options.taxNumber = taxNumber;
    return options;
}

TEST(PrepareStartup, NewTaxNumberGetsItsDirectoryAndACopyOfTheTemplate) {
    TempExeDir dir(bare());
    ASSERT_FALSE(QFile::exists(dir.companyDir()));
    EXPECT_TRUE(startup::PrepareStartup());
    EXPECT_EQ(TaxNumber(), TempExeDir::kTaxNumber);
    EXPECT_EQ(GetExeDir(), dir.path());
    EXPECT_EQ(testfiles::readBytes(dir.databasePath()),
              testfiles::readBytes(dir.file("database/fpbx.mdb")));
    // A second start leaves the working database alone.
    testfiles::writeBytes(dir.databasePath(), "working data");
    EXPECT_TRUE(startup::PrepareStartup());
    EXPECT_EQ(testfiles::readBytes(dir.databasePath()), "working data");
}

TEST(PrepareStartup, ADatabaseThatWentMissingIsNotReplacedByAnEmptyOne) {
    TempExeDir dir(bare());
    QDir().mkpath(dir.companyDir() + "/backup");
    testfiles::writeBytes(dir.companyDir() + "/backup/91110108MA01ABCD2X_fpbx_20240330120000.mdb",
                          "yesterday's copy");
    // The company has worked before: its copies show it. An empty database would let every
    // invoice it held be reimbursed again.
    EXPECT_TRUE(startup::PrepareStartup());
    EXPECT_FALSE(QFile::exists(dir.databasePath()));
}

TEST(PrepareStartup, ReadsTheDatabaseSettingsForTheWholeRun) {
    TempExeDir dir(bare());
    IniFile(dir.file("config.ini")).writeString("数据库", "类型", "postgresql");
    IniFile(dir.file("config.ini")).writeString("数据库", "连接", "host=db1 user=clerk");
    EXPECT_TRUE(startup::PrepareStartup());
    IniFile(dir.file("config.ini")).writeString("数据库", "类型", "sqlite");
    EXPECT_EQ(currentDatabaseSettings().engine, DatabaseSettings::Engine::Postgresql);
    EXPECT_EQ(currentDatabaseSettings().connection, "host=db1 user=clerk");
}

TEST(PrepareStartup, TaxNumberIsCutAtTheDot) {
    TempExeDir dir(bare("91110108ABCDEFGH12.5"));
    EXPECT_TRUE(startup::PrepareStartup());
    EXPECT_EQ(TaxNumber(), "91110108ABCDEFGH12");
    EXPECT_TRUE(QFile::exists(dir.file("91110108ABCDEFGH12/fpbx.mdb")));
}

TEST(PrepareStartup, UnusableTaxNumberIsLoggedAndStops) {
    for (const bool ini : {true, false}) {
        TempExeDir dir(bare("12345678901234", ini));
        EXPECT_FALSE(startup::PrepareStartup());
        EXPECT_EQ(testfiles::logMessages(dir.logPath()),
                  QStringList{"读取失败，税号为空或税号不符合规则"});
        EXPECT_FALSE(QFile::exists(dir.file("12345678901234")));
    }
}

TEST(PrepareStartup, ATemplateInAnotherCaseIsNotCopied) {
    TempExeDir dir(bare());
    QFile::rename(dir.file("database/fpbx.mdb"), dir.file("database/FPBX.MDB"));
    EXPECT_TRUE(startup::PrepareStartup());
    EXPECT_TRUE(QDir(dir.companyDir()).exists());
    EXPECT_FALSE(QFile::exists(dir.databasePath()));
}

TEST(PrepareStartup, AFailedTemplateCopyStops) {
    TempExeDir dir(bare());
    // A file where the company directory should be: the copy into it fails.
    testfiles::writeBytes(dir.companyDir(), "not a folder");
    EXPECT_FALSE(startup::PrepareStartup());
}

TEST(WriteBackSettings, WritesTheDefaultUrlAndTheVersion) {
    TempExeDir dir;
    startup::WriteBackSettings();
    const IniFile ini(dir.file("config.ini"));
    EXPECT_EQ(ini.readString("SERVER", "updateUrl", ""), "http://127.0.0.1:9/fpbx");
    EXPECT_EQ(ini.readString("版本信息", "Version", ""), "1.0.1");
    EXPECT_EQ(ini.readString("基本信息", "税号", ""), TempExeDir::kTaxNumber);
    QFile::setPermissions(dir.file("config.ini"), QFile::ReadOwner);
    EXPECT_THROW(startup::WriteBackSettings(), AppError);
}

TEST(StagedUpdater, ReplacesTheInstalledOneAndIsRemoved) {
    TempExeDir dir;
    testfiles::writeBytes(dir.file("Update.exe"), "old updater");
    QDir().mkpath(dir.file("temp"));
    testfiles::writeBytes(dir.file("temp/Update.exe"), "new updater");
    startup::InstallStagedUpdater();
    EXPECT_EQ(testfiles::readBytes(dir.file("Update.exe")), "new updater");
    EXPECT_FALSE(QFile::exists(dir.file("temp/Update.exe")));
    startup::InstallStagedUpdater();  // nothing staged: nothing changes
    EXPECT_EQ(testfiles::readBytes(dir.file("Update.exe")), "new updater");
}

TEST(StagedUpdater, IsKeptWhenTheCopyFails) {
    TempExeDir dir;
    QDir().mkpath(dir.file("temp"));
    testfiles::writeBytes(dir.file("temp/Update.exe"), "new updater");
    QDir().mkpath(dir.file("Update.exe"));  // a folder in the way
    startup::InstallStagedUpdater();
    EXPECT_EQ(testfiles::readBytes(dir.file("temp/Update.exe")), "new updater");
}

TEST(Updater, IsStartedWithTheProgramFileNameAndTheFlag) {
    EXPECT_EQ(startup::updaterProgram(), "Update.exe");
    EXPECT_EQ(startup::updaterArguments("/opt/fpbx/fpbx"), "fpbx 16");
}

}  // namespace
