#include <gtest/gtest.h>

#include <sys/mount.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

#include "FakeClock.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "store/Database.h"
#include "store/InvoiceStore.h"

namespace {

// A small file system of its own (tmpfs) mounted on a temporary folder: a disk that can be
// filled or made read-only. Mounting needs the right to; without it the cases are skipped.
class SmallDisk {
public:
    explicit SmallDisk(int kib) {
        if (::mount("tmpfs", qPrintable(mountPoint_.path()), "tmpfs", 0,
                    qPrintable(QStringLiteral("size=%1k").arg(kib))) == 0) {
            mounted_ = true;
        } else {
            why_ = QString::fromLocal8Bit(std::strerror(errno));
        }
    }
    ~SmallDisk() {
        if (mounted_) {
            ::umount2(qPrintable(mountPoint_.path()), MNT_DETACH);
        }
    }
    bool mounted() const { return mounted_; }
    QString why() const { return why_; }
    QString path() const { return mountPoint_.path(); }

    // Writes a filler file until the disk is full.
    void fill() {
        QFile filler(path() + "/filler");
        filler.open(QIODevice::WriteOnly);
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    void makeRoom() { QFile::remove(path() + "/filler"); }
    bool setReadOnly(bool readOnly) {
        const unsigned long flags = MS_REMOUNT | (readOnly ? MS_RDONLY : 0);
        return ::mount("tmpfs", qPrintable(path()), "tmpfs", flags, nullptr) == 0;
    }

private:
    QTemporaryDir mountPoint_;
    bool mounted_ = false;
    QString why_;
};

InvoiceRecord invoice(const QString& number) {
    return teststore::invoice().code("044031900111").number(number).amount("1.00").date("20240101");
}

qint64 rowsIn(const QString& database) {
    Database db = Database::open("Data Source=" + database + ";Mode=Read;");
    Statement count = db.prepare("select count(*) from 发票报销");
    count.step();
    return count.int64(0);
}

class StoreFaultTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!disk.mounted()) {
            GTEST_SKIP() << "no small file system can be mounted here: "
                         << disk.why().toStdString();
        }
        TempExeDir::Options options;
        options.parent = disk.path();
        dir.emplace(options);
        store = openInvoiceStore();
    }
    using Result = Registration::Result;

    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 0))};
    SmallDisk disk{1024};
    std::optional<TempExeDir> dir;
    std::unique_ptr<InvoiceStore> store;
};

TEST_F(StoreFaultTest, AFullDiskRecordsNothingSaysSoAndTheNextRegistrationWorksOnceThereIsRoom) {
    ASSERT_TRUE(store->registerInvoice(invoice("10000001"), EntryMode::Scan).registered());
    disk.fill();
    Registration full;
    // The log may still have a free page or two: registrations go on until the disk refuses.
    for (int i = 2; i < 400; ++i) {
        full = store->registerInvoice(invoice(QString::number(10000000 + i)), EntryMode::Scan);
        if (full.result != Result::Registered) {
            break;
        }
    }
    EXPECT_EQ(full.result, Result::Failed);
    EXPECT_EQ(full.error.kind, StoreError::Kind::DiskFull) << full.error.detail.toStdString();
    EXPECT_EQ(full.error.reason(), "磁盘空间不足");
    EXPECT_TRUE(full.error.messageText().startsWith("磁盘空间不足，发票未登记。"));
    const qint64 before = rowsIn(dir->databasePath());
    disk.makeRoom();
    EXPECT_TRUE(store->registerInvoice(invoice("19999999"), EntryMode::Scan).registered());
    EXPECT_EQ(rowsIn(dir->databasePath()), before + 1);
    Database db = Database::open("Data Source=" + dir->databasePath() + ";Mode=Read;");
    Statement check = db.prepare("pragma integrity_check");
    ASSERT_TRUE(check.step());
    EXPECT_EQ(check.text(0), "ok");
}

TEST_F(StoreFaultTest, AReadOnlyDiskRecordsNothingAndSaysSo) {
    ASSERT_TRUE(store->registerInvoice(invoice("20000001"), EntryMode::Scan).registered());
    store.reset();  // a disk in use for writing cannot be made read-only
    ASSERT_TRUE(disk.setReadOnly(true));
    store = openInvoiceStore();
    const Registration refused = store->registerInvoice(invoice("20000002"), EntryMode::Scan);
    EXPECT_EQ(refused.result, Result::Failed);
    EXPECT_EQ(refused.error.kind, StoreError::Kind::ReadOnly) << refused.error.detail.toStdString();
    EXPECT_TRUE(refused.error.messageText().startsWith("数据库文件只读：" + dir->databasePath()))
        << refused.error.messageText().toStdString();
    ASSERT_TRUE(disk.setReadOnly(false));
    EXPECT_TRUE(store->registerInvoice(invoice("20000002"), EntryMode::Scan).registered());
    EXPECT_EQ(rowsIn(dir->databasePath()), 2);
}

}  // namespace
