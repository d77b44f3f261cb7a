#include <gtest/gtest.h>

#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/Config.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"

namespace {

IniFile iniWithTaxNumber(const TempExeDir& dir, const QByteArray& value) {
    testfiles::writeBytes(
        dir.file("config.ini"),
        "[\xBB\xF9\xB1\xBE\xD0\xC5\xCF\xA2]\r\n\xCB\xB0\xBA\xC5=" + value + "\r\n");
    return IniFile(dir.file("config.ini"));
}

TEST(TaxNumber, IsCutBeforeTheFirstDotAndNeedsFifteenBytes) {
    TempExeDir dir;
    const QString cut = config::readTaxNumber(iniWithTaxNumber(dir, "91110108ABCDEFGH12.5"));
    EXPECT_EQ(cut, "91110108ABCDEFGH12");
    EXPECT_TRUE(config::isUsableTaxNumber(cut));

    EXPECT_FALSE(
        config::isUsableTaxNumber(config::readTaxNumber(iniWithTaxNumber(dir, "12345678901234"))));
    EXPECT_TRUE(
        config::isUsableTaxNumber(config::readTaxNumber(iniWithTaxNumber(dir, "123456789012345"))));
    // "1234567890123.45678" keeps only 13 characters
    EXPECT_FALSE(config::isUsableTaxNumber(
        config::readTaxNumber(iniWithTaxNumber(dir, "1234567890123.45678"))));
    EXPECT_FALSE(config::isUsableTaxNumber(config::readTaxNumber(IniFile(dir.file("nosuch.ini")))));
    // Eight Chinese characters are 16 bytes of GBK.
    EXPECT_TRUE(config::isUsableTaxNumber("北京某某科技有限"));
}

TEST(UpdateUrl, NeverConfiguredGetsTheDefaultBaseUrl) {
    TempExeDir dir;
    IniFile ini(dir.file("config.ini"));
    EXPECT_EQ(config::readUpdateUrlWritingDefault(ini), "100");
    EXPECT_EQ(IniFile(dir.file("config.ini")).readString("SERVER", "updateUrl", "100"),
              "http://127.0.0.1:9/fpbx");

    ini.writeString("SERVER", "updateUrl", "100");
    config::readUpdateUrlWritingDefault(ini);
    EXPECT_EQ(IniFile(dir.file("config.ini")).readString("SERVER", "updateUrl", ""),
              "http://127.0.0.1:9/fpbx");

    ini.writeString("SERVER", "updateUrl", "http://updates.example");
    EXPECT_EQ(config::readUpdateUrlWritingDefault(ini), "http://updates.example");
    EXPECT_EQ(IniFile(dir.file("config.ini")).readString("SERVER", "updateUrl", ""),
              "http://updates.example");
}

TEST(Version, IsWrittenBackAsRead) {
    TempExeDir dir;
    IniFile ini(dir.file("config.ini"));
    EXPECT_EQ(config::readVersionWritingBack(ini), "1.0.1");
    EXPECT_EQ(IniFile(dir.file("config.ini")).readString("版本信息", "Version", ""), "1.0.1");
    ini.writeString("版本信息", "Version", "2.3.4");
    EXPECT_EQ(config::readVersionWritingBack(ini), "2.3.4");
    EXPECT_EQ(IniFile(dir.file("config.ini")).readString("版本信息", "Version", ""), "2.3.4");
}

TEST(DatabaseSettings, SqliteUnlessTheServerIsNamedAndAnUnknownTypeIsNoFallBack) {
    TempExeDir dir;
    using Engine = DatabaseSettings::Engine;
    EXPECT_EQ(config::readDatabaseSettings(IniFile(dir.file("config.ini"))).engine, Engine::Sqlite);

    // [数据库] 类型=PostgreSQL, 连接=... with a Chinese database name, in GBK
    testfiles::writeBytes(dir.file("config.ini"),
                          "[\xCA\xFD\xBE\xDD\xBF\xE2]\r\n"
                          "\xC0\xE0\xD0\xCD= PostgreSQL \r\n"
                          "\xC1\xAC\xBD\xD3=host=db1 dbname=\xB7\xA2\xC6\xB1 user=clerk\r\n");
    const DatabaseSettings server = config::readDatabaseSettings(IniFile(dir.file("config.ini")));
    EXPECT_EQ(server.engine, Engine::Postgresql);
    EXPECT_EQ(server.connection, "host=db1 dbname=发票 user=clerk");

    IniFile ini(dir.file("config.ini"));
    ini.writeString("数据库", "类型", "sqlite");
    EXPECT_EQ(config::readDatabaseSettings(IniFile(dir.file("config.ini"))).engine, Engine::Sqlite);
    ini.writeString("数据库", "类型", "mysql");
    const DatabaseSettings unknown = config::readDatabaseSettings(IniFile(dir.file("config.ini")));
    EXPECT_EQ(unknown.engine, Engine::Unknown);
    EXPECT_EQ(unknown.engineText, "mysql");
}

TEST(Sounds, AreOnUnlessConfigIniSaysZero) {
    TempExeDir dir;
    IniFile ini(dir.file("config.ini"));
    EXPECT_TRUE(config::readSoundsOn(ini));
    ini.writeString("声音", "开启", "0");
    EXPECT_FALSE(config::readSoundsOn(IniFile(dir.file("config.ini"))));
    ini.writeString("声音", "开启", "1");
    EXPECT_TRUE(config::readSoundsOn(IniFile(dir.file("config.ini"))));
    // Typed by hand in GBK, with a blank before the value.
    testfiles::writeBytes(dir.file("config.ini"), "[\xC9\xF9\xD2\xF4]\r\n\xBF\xAA\xC6\xF4= 0\r\n");
    EXPECT_FALSE(config::readSoundsOn(IniFile(dir.file("config.ini"))));
}

TEST(InstallationTemplate, LeavesTheTaxNumberToFillInWithTheSoundsOn) {
    TempExeDir dir;
    QFile::remove(dir.file("config.ini"));
    IniFile ini(dir.file("config.ini"));
    config::writeInstallationTemplate(ini);
    // [基本信息] 税号= and [声音] 开启=1, in GBK
    EXPECT_EQ(testfiles::readBytes(dir.file("config.ini")),
              "[\xBB\xF9\xB1\xBE\xD0\xC5\xCF\xA2]\r\n\xCB\xB0\xBA\xC5=\r\n"
              "[\xC9\xF9\xD2\xF4]\r\n\xBF\xAA\xC6\xF4=1\r\n");
}

}  // namespace
