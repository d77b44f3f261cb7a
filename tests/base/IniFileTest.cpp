#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "TestFiles.h"
#include "base/AppError.h"
#include "base/IniFile.h"

namespace {

class IniFileTest : public ::testing::Test {
protected:
    QString path() const { return dir.path() + QStringLiteral("/config.ini"); }
    QTemporaryDir dir;
};

TEST_F(IniFileTest, ReadsGbkValuesIgnoringCaseOfNames) {
    // [基本信息] 税号 = 91110108ABCDEFGH12 and [server] UPDATEURL in other case
    testfiles::writeBytes(
        path(),
        "[\xBB\xF9\xB1\xBE\xD0\xC5\xCF\xA2]\r\n\xCB\xB0\xBA\xC5 = 91110108ABCDEFGH12 \r\n"
        "[server]\nUPDATEURL=http://a.example\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readString("基本信息", "税号", ""), "91110108ABCDEFGH12");
    EXPECT_EQ(ini.readString("SERVER", "updateUrl", "100"), "http://a.example");
    EXPECT_EQ(ini.readString("SERVER", "server", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("nosuch", "updateUrl", "100"), "100");
}

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
    IniFile ini(path());
    EXPECT_EQ(ini.readString("版本信息", "Version", "1.0.1"), "1.0.1");
    ini.writeString("版本信息", "Version", "1.0.1");
    // [版本信息]\r\nVersion=1.0.1\r\n in GBK
    EXPECT_EQ(testfiles::readBytes(path()),
              QByteArray("[\xB0\xE6\xB1\xBE\xD0\xC5\xCF\xA2]\r\nVersion=1.0.1\r\n"));
}

TEST_F(IniFileTest, WriteReplacesOneKeyAndKeepsEveryOtherByte) {
    const QByteArray original =
        "; comment kept\n[SERVER]\nupdateUrl=100\nserver = abc\n\n[Other]\nx=\xFF\xFE garbage\n";
    testfiles::writeBytes(path(), original);
    IniFile ini(path());
    ini.writeString("server", "UpdateUrl", "http://u");
    EXPECT_EQ(testfiles::readBytes(path()),
              QByteArray("; comment kept\n[SERVER]\nUpdateUrl=http://u\nserver = abc\n\n[Other]\n"
                         "x=\xFF\xFE garbage\n"));
    EXPECT_EQ(IniFile(path()).readString("SERVER", "updateurl", ""), "http://u");
}

TEST_F(IniFileTest, NewKeyGoesAtTheEndOfItsSectionNewSectionAtTheEnd) {
    testfiles::writeBytes(path(), "[A]\r\na=1\r\n\r\n[B]\r\nb=2");
    IniFile ini(path());
    ini.writeString("A", "c", "3");
    ini.writeString("C", "d", "4");
    EXPECT_EQ(testfiles::readBytes(path()),
              QByteArray("[A]\r\na=1\r\nc=3\r\n\r\n[B]\r\nb=2\r\n[C]\r\nd=4\r\n"));
}

TEST_F(IniFileTest, BinaryGarbageReadsAsDefaultsAndSurvivesAWrite) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += char((i * 131 + 7) % 256);
    }
    testfiles::writeBytes(path(), garbage);
    IniFile ini(path());
    EXPECT_EQ(ini.readString("基本信息", "税号", ""), "");
    ini.writeString("版本信息", "Version", "1.0.1");
    const QByteArray after = testfiles::readBytes(path());
    EXPECT_TRUE(after.startsWith(garbage));
    EXPECT_EQ(IniFile(path()).readString("版本信息", "Version", "x"), "1.0.1");
}

TEST_F(IniFileTest, ReadOnlyFileRefusesTheWriteWithItsPath) {
    testfiles::writeBytes(path(), "[SERVER]\r\nupdateUrl=100\r\n");
    QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadUser);
    IniFile ini(path());
    try {
        ini.writeString("SERVER", "updateUrl", "x");
        FAIL() << "write to a read-only file succeeded";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "Unable to write to " + path());
    }
    EXPECT_EQ(testfiles::readBytes(path()), QByteArray("[SERVER]\r\nupdateUrl=100\r\n"));
}

TEST_F(IniFileTest, ReadOnlyFolderRefusesCreatingTheFile) {
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    IniFile ini(path());
    EXPECT_THROW(ini.writeString("SERVER", "updateUrl", "x"), AppError);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(QFile::exists(path()));
}

}  // namespace
