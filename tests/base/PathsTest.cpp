#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/AppError.h"
#include "base/Paths.h"
#include "base/TextFile.h"
#include "store/DatabaseFile.h"

namespace {

TEST(ExeDir, FollowsTheExecutableUnlessOverridden) {
    setExeDirOverride(QString());
    const QString own = GetExeDir();
    EXPECT_FALSE(own.endsWith('/'));
    EXPECT_TRUE(QFile::exists(own + "/test_base"));
    {
        TempExeDir dir;
        EXPECT_EQ(GetExeDir(), dir.path());
        EXPECT_EQ(CompanyDir(), dir.path() + "/" + TempExeDir::kTaxNumber);
    }
    EXPECT_EQ(GetExeDir(), own);
}

TEST(JoinPath, PutsOneSeparator) {
    EXPECT_EQ(joinPath("/a/b", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/a/b/", "c"), "/a/b/c");
    EXPECT_EQ(joinPath("/", "config.ini"), "/config.ini");
}

TEST(ConnectionString, NamesTheCompanyDatabaseItsPasswordAndMode) {
    TempExeDir dir;
    const QString text = GetConnectionString();
    EXPECT_TRUE(text.contains("Data Source=" + dir.databasePath() + ";"));
    EXPECT_TRUE(text.contains("Password=qelvat3961;"));
    EXPECT_TRUE(text.contains("Mode=ReadWrite;"));
}

TEST(FindFilesByName, ListsPlainFilesIgnoringCaseButNotFoldersOrHidden) {
    TempExeDir dir;
    const QString db = dir.file("database");
    QFile::rename(db + "/fpbx.mdb", db + "/FPBX.MDB");
    QDir().mkpath(db + "/sub.mdb");
    testfiles::writeBytes(db + "/.hidden.mdb", "x");
    testfiles::writeBytes(db + "/other.mdb", "x");
    QStringList exact;
    FindFilesByName(db + "/", "fpbx.mdb", exact);
    EXPECT_EQ(exact, QStringList{"FPBX.MDB"});
    QStringList wild;
    FindFilesByName(db, "*.mdb", wild);
    wild.sort();
    EXPECT_EQ(wild, (QStringList{"FPBX.MDB", "other.mdb"}));
    QStringList none;
    FindFilesByName(dir.file("nosuch"), "fpbx.mdb", none);
    EXPECT_TRUE(none.isEmpty());
}

TEST(CopyFileTo, CopiesIntoAFolderCreatingItAndReplacing) {
    TempExeDir dir;
    const QString source = dir.file("a.txt");
    testfiles::writeBytes(source, "new");
    const QString target = dir.file("x/y");
    EXPECT_EQ(CopyFileTo(source, target + "/"), 0);
    EXPECT_EQ(testfiles::readBytes(target + "/a.txt"), "new");
    testfiles::writeBytes(target + "/a.txt", "old and longer");
    EXPECT_EQ(CopyFileTo(source, target), 0);
    EXPECT_EQ(testfiles::readBytes(target + "/a.txt"), "new");
}

TEST(CopyFileTo, ReportsFailureByItsResult) {
    TempExeDir dir;
    EXPECT_NE(CopyFileTo(dir.file("missing.exe"), dir.file("t")), 0);
    testfiles::writeBytes(dir.file("blocker"), "a file where a folder should be");
    testfiles::writeBytes(dir.file("a.txt"), "x");
    EXPECT_NE(CopyFileTo(dir.file("a.txt"), dir.file("blocker/sub")), 0);
}

TEST(TextFiles, CreateEmptiesAndAppendWritesGbkWithCrLf) {
    TempExeDir dir;
    const QString bxr = dir.file("bxr.txt");
    testfiles::writeBytes(bxr, "old");
    CreateEmptyFile(bxr);
    EXPECT_EQ(testfiles::readBytes(bxr), "");
    AppendTextToFile(bxr, "张三\n");
    AppendTextToFile(bxr, "Li Si\n");
    EXPECT_EQ(testfiles::readBytes(bxr), QByteArray("\xD5\xC5\xC8\xFD\r\nLi Si\r\n"));
    AppendTextToFile(dir.file("new.txt"), "a");
    EXPECT_EQ(testfiles::readBytes(dir.file("new.txt")), "a");
}

TEST(TextFiles, AnUnwritableFileRaisesInsteadOfEndingTheProgram) {
    TempExeDir dir;
    CreateEmptyFile(dir.file("no/such/folder/bxr.txt"));  // passed over
    EXPECT_FALSE(QFile::exists(dir.file("no/such/folder/bxr.txt")));
    try {
        AppendTextToFile(dir.file("no/such/folder/bxr.txt"), "张三\n");
        FAIL();
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(), "Cannot open file " + dir.file("no/such/folder/bxr.txt"));
    }
}

}  // namespace
