#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "FakeClock.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "store/BackupFiles.h"
#include "store/Database.h"
#include "store/DatabaseBackup.h"
#include "store/DatabaseCheck.h"

namespace {

QStringList numbersIn(const QString& database) {
    Database db = Database::open("Data Source=" + database + ";Mode=Read;");
    Statement s = db.prepare("select 发票号码 from 发票报销 order by 发票号码");
    QStringList numbers;
    while (s.step()) {
        numbers << s.text(0);
    }
    return numbers;
}

class BackupTest : public ::testing::Test {
protected:
    void record(const QString& number) {
        ASSERT_TRUE(store
                        ->registerInvoice(teststore::invoice()
                                              .code("044031900111")
                                              .number(number)
                                              .amount("1")
                                              .date("20240101"),
                                          EntryMode::Scan)
                        .registered());
    }
    QString backupFolder() const { return backupfiles::folder(dir.companyDir()); }

    FakeClock clock{QDateTime(QDate(2024, 3, 31), QTime(8, 30, 5))};
    TempExeDir dir;
    std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    QTemporaryDir elsewhere;
};

TEST_F(BackupTest, ACopyIsOneFileHoldingEveryCommittedInvoiceWhileTheStoreIsInUse) {
    record("00000001");
    record("00000002");  // both still in the store's log: nothing was checkpointed
    const databasebackup::Copy copy = databasebackup::copyInto(
        dir.databasePath(), elsewhere.path(), TempExeDir::kTaxNumber, appclock::now());
    ASSERT_FALSE(copy.error.has_value()) << copy.error->detail.toStdString();
    EXPECT_EQ(QFileInfo(copy.path).fileName(), "91110108MA01ABCD2X_fpbx_20240331083005.mdb");
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files),
              QStringList{QFileInfo(copy.path).fileName()});
    EXPECT_EQ(numbersIn(copy.path), (QStringList{"00000001", "00000002"}));
    record("00000003");  // the store goes on, the copy stays as it was
    EXPECT_EQ(numbersIn(copy.path).size(), 2);
}

TEST_F(BackupTest, AFailedCopyLeavesNothingBehind) {
    const QString notAFolder = elsewhere.filePath("file");
    testfiles::writeBytes(notAFolder, "x");
    const databasebackup::Copy copy = databasebackup::copyInto(
        dir.databasePath(), notAFolder, TempExeDir::kTaxNumber, appclock::now());
    ASSERT_TRUE(copy.error.has_value());
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"file"});

    QFile::remove(dir.databasePath());
    const databasebackup::Copy missing = databasebackup::copyInto(
        dir.databasePath(), elsewhere.path(), TempExeDir::kTaxNumber, appclock::now());
    ASSERT_TRUE(missing.error.has_value());
    EXPECT_EQ(missing.error->kind, StoreError::Kind::Missing);
    EXPECT_EQ(QDir(elsewhere.path()).entryList(QDir::Files), QStringList{"file"});
}

TEST_F(BackupTest, TheDailyCopyIsMadeOnceADayAndCopiesOlderThanThirtyDaysGo) {
    record("00000001");
    QDir().mkpath(backupFolder());
    // Copies left from earlier days: the 2nd of March is the oldest of the last 30 days.
    for (const char* name : {"91110108MA01ABCD2X_fpbx_20240301235959.mdb",
                             "91110108MA01ABCD2X_fpbx_20240302000001.mdb", "notes.mdb"}) {
        testfiles::writeBytes(backupFolder() + "/" + name, "old");
    }
    const databasebackup::DailyCopy first =
        databasebackup::keepDailyCopy(dir.companyDir(), TempExeDir::kTaxNumber, appclock::now());
    EXPECT_FALSE(first.error.has_value());
    EXPECT_EQ(QFileInfo(first.made).fileName(), "91110108MA01ABCD2X_fpbx_20240331083005.mdb");
    EXPECT_EQ(first.removed,
              QStringList{backupFolder() + "/91110108MA01ABCD2X_fpbx_20240301235959.mdb"});
    EXPECT_EQ(numbersIn(first.made), QStringList{"00000001"});

    clock.advanceSeconds(3600);
    const databasebackup::DailyCopy again =
        databasebackup::keepDailyCopy(dir.companyDir(), TempExeDir::kTaxNumber, appclock::now());
    EXPECT_TRUE(again.made.isEmpty());
    EXPECT_EQ(backupfiles::newest(backupFolder()), first.made);

    clock.set(QDateTime(QDate(2024, 4, 1), QTime(0, 0, 1)));
    const databasebackup::DailyCopy nextDay =
        databasebackup::keepDailyCopy(dir.companyDir(), TempExeDir::kTaxNumber, appclock::now());
    EXPECT_EQ(QFileInfo(nextDay.made).fileName(), "91110108MA01ABCD2X_fpbx_20240401000001.mdb");
    EXPECT_EQ(nextDay.removed,
              QStringList{backupFolder() + "/91110108MA01ABCD2X_fpbx_20240302000001.mdb"});
    EXPECT_EQ(QDir(backupFolder()).entryList(QDir::Files),
              (QStringList{"91110108MA01ABCD2X_fpbx_20240331083005.mdb",
                           "91110108MA01ABCD2X_fpbx_20240401000001.mdb", "notes.mdb"}));
}

TEST_F(BackupTest, AMissingOrDamagedDatabaseIsToldWithTheNewestCopy) {
    EXPECT_FALSE(databasecheck::problemWith(dir.databasePath()).has_value());
    testfiles::writeBytes(dir.databasePath(), QByteArray(8192, 'x'));
    const std::optional<StoreError> damaged = databasecheck::problemWith(dir.databasePath());
    ASSERT_TRUE(damaged.has_value());
    EXPECT_EQ(damaged->kind, StoreError::Kind::Corrupt);
    const QString copy = backupFolder() + "/91110108MA01ABCD2X_fpbx_20240330120000.mdb";
    const QString text = databasecheck::startupText(*damaged, copy);
    EXPECT_TRUE(text.startsWith("数据库文件已损坏：" + dir.databasePath() + "\n最近的备份：" +
                                copy + "\n请关闭程序，将该备份复制为 " + dir.databasePath() +
                                " 后重新启动。"))
        << text.toStdString();
    QFile::remove(dir.databasePath());
    const std::optional<StoreError> missing = databasecheck::problemWith(dir.databasePath());
    ASSERT_TRUE(missing.has_value());
    EXPECT_EQ(databasecheck::startupText(*missing, QString()),
              "数据库文件不存在：" + dir.databasePath() +
                  "\n没有找到数据库的备份。发票在数据库恢复之前无法登记。");
}

}  // namespace
