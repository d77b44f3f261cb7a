#include <gtest/gtest.h>

#include <QDir>
#include <QTableView>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/DatabaseSettings.h"
#include "recordswindow/RecordsGrid.h"
#include "recordswindow/RecordsWindow.h"
#include "store/Database.h"

using recordstest::insert;
using recordstest::Invoice;

namespace {

class ListFormFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        insert(Invoice::of("11", "2024-03-05 08:00:00").withMode(3));
        insert(Invoice::of("12", "2024-03-05 09:30:00"));
    }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 20, 30))};
};

// Rows newest first: row 0 is invoice 12 (scanned), row 1 invoice 11 (read from a file).
TEST_F(ListFormFilesTest, TheKeptOriginalOfARowOpensWithTheDesktopsViewer) {
    const QString kept = dir.companyDir() + "/票据/202403/044031900111_11.pdf";
    QDir().mkpath(dir.companyDir() + "/票据/202403");
    testfiles::writeBytes(kept, "%PDF-1.4");
    RecordsWindow form(nullptr);
    QStringList opened;
    bool opens = true;
    form.setFileOpener([&](const QString& path) { return opened << path, opens; });

    // 录入方式 says how each came in.
    EXPECT_EQ(form.DBGridEh1->model()->index(1, 6).data().toString(), "文件导入");
    EXPECT_EQ(form.DBGridEh1->model()->index(0, 6).data().toString(), "扫描");

    form.openOriginal(1);
    EXPECT_EQ(opened, QStringList{kept});
    EXPECT_TRUE(prompts.calls().isEmpty());

    form.openOriginal(0);
    EXPECT_EQ(opened.size(), 1);
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"这张发票没有保存的原件：只有从PDF或OFD文件导入的发票才保存原件。"});

    prompts.clear();
    opens = false;
    form.openOriginal(1);
    EXPECT_EQ(prompts.messageTexts(),
              QStringList{"无法打开发票原件：" + kept + "\n请确认电脑上装有PDF或OFD阅读器。"});
}

TEST_F(ListFormFilesTest, BackupWritesAWholeCopyIntoTheChosenFolder) {
    RecordsWindow form(nullptr);
    const QString folder = dir.file("U盘");
    QDir().mkpath(folder);
    prompts.answerFile(FileDialogResult(folder));
    form.backupButtonClick();

    const QString copy = folder + "/91110108MA01ABCD2X_fpbx_20240305102030.mdb";
    ASSERT_TRUE(QFileInfo::exists(copy)) << QDir(folder).entryList().join(',').toStdString();
    EXPECT_EQ(QDir(folder).entryList(QDir::Files),
              QStringList{"91110108MA01ABCD2X_fpbx_20240305102030.mdb"});
    Database db = Database::open("Data Source=" + copy + ";");
    Statement count = db.prepare("select count(*) from 发票报销");
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.int64(0), 2);
    ASSERT_EQ(prompts.calls().size(), 2);
    EXPECT_EQ(prompts.calls()[0].request.pick, FileDialogRequest::Pick::Folder);
    EXPECT_EQ(prompts.calls()[1].text, "数据库已备份到：\n" + copy);
    ASSERT_EQ(prompts.progressWindows().size(), 1);
    EXPECT_FALSE(prompts.progressWindows()[0].open);
}

TEST_F(ListFormFilesTest, ACancelledBackupLeavesNothingAndAServerRegistryIsNotCopied) {
    RecordsWindow form(nullptr);
    const QString folder = dir.file("backup-here");
    QDir().mkpath(folder);
    prompts.answerFile(FileDialogResult(folder));
    prompts.onProgress = [](const ProgressRequest& request) { request.cancel(); };
    form.backupButtonClick();
    EXPECT_TRUE(QDir(folder).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(prompts.messageTexts().isEmpty());

    prompts.clear();
    prompts.onProgress = nullptr;
    const DatabaseSettings local = currentDatabaseSettings();
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", "host=db1"});
    form.backupButtonClick();
    setDatabaseSettings(local);
    ASSERT_EQ(prompts.calls().size(), 1);  // no folder asked for
    EXPECT_TRUE(prompts.calls()[0].text.startsWith("发票登记库在数据库服务器上"));
}

}  // namespace
