#include <gtest/gtest.h>

#include <sqlite3.h>

#include <QDeadlineTimer>
#include <QFile>
#include <atomic>
#include <thread>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "PgTestServer.h"
#include "StoreEngines.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/DatabaseSettings.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/InvoiceStore.h"
#include "store/PgConnection.h"

namespace {

using Result = Registration::Result;

InvoiceRecord invoice(const QString& code, const QString& number, const QString& amount = "1") {
    return teststore::invoice().code(code).number(number).amount(amount).date("20200101");
}

// The registration rules every engine keeps, run on each of them.
template <class Engine>
class RegisterInvoiceTest : public ::testing::Test {
protected:
    TempExeDir dir{Engine::exeDir()};
    Engine engine;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9, 750))};
    std::unique_ptr<InvoiceStore> store;

    void SetUp() override {
        if (Engine::kNeedsServer) {
            REQUIRE_PG_SERVER();
        }
        engine.use();
        store = openInvoiceStore();
    }

    QList<Row> rows() { return engine.rows(); }
    Result registered(const InvoiceRecord& record, EntryMode mode = EntryMode::Scan) {
        return store->registerInvoice(record, mode).result;
    }
    std::optional<qint64> count() { return store->countInvoices().count; }
};

TYPED_TEST_SUITE(RegisterInvoiceTest, Engines, EngineNames);

TYPED_TEST(RegisterInvoiceTest, AppendsANewInvoiceOnceWithReimburserTimeAndLog) {
    InvoiceRecord first = invoice("044031900111", "12345678", "100.00");
    first.checkCode = "12345678901234567890";
    first.reimburser = "张三";
    EXPECT_EQ(this->registered(first), Result::Registered);
    InvoiceRecord again = first;
    again.checkCode = "x";
    const Registration second = this->store->registerInvoice(again, EntryMode::Scan);
    EXPECT_EQ(second.result, Result::AlreadyRecorded);
    // The earlier registration is told with the refusal.
    EXPECT_EQ(second.earlierAt, QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9)));
    EXPECT_EQ(second.earlierReimburser, "张三");
    const QList<Row> stored = this->rows();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].code, "044031900111");
    EXPECT_EQ(stored[0].number, "12345678");
    EXPECT_EQ(stored[0].amount, "1000000");  // ten-thousandths
    EXPECT_EQ(stored[0].date, "20200101");
    EXPECT_EQ(stored[0].check, "12345678901234567890");
    EXPECT_EQ(stored[0].time, "2024-01-31 13:05:09");  // whole seconds
    EXPECT_EQ(stored[0].mode, 0);
    EXPECT_EQ(stored[0].reimburser, "张三");
    EXPECT_EQ(testfiles::logMessages(this->dir.logPath()),
              QStringList{"报销成功发票信息：044031900111-12345678"});
    EXPECT_TRUE(this->prompts.calls().isEmpty());
    EXPECT_EQ(this->count(), 1);
}

TYPED_TEST(RegisterInvoiceTest, SameNumberWithAnotherCodeIsAnotherInvoice) {
    EXPECT_EQ(this->registered(invoice("044031900111", "12345678", "0.00"), EntryMode::Manual),
              Result::Registered);
    EXPECT_EQ(this->registered(invoice("044031900112", "12345678", "0.00"), EntryMode::Manual),
              Result::Registered);
    EXPECT_EQ(this->registered(invoice("044031900111", "12345679", "0.00"), EntryMode::Manual),
              Result::Registered);
    EXPECT_EQ(this->count(), 3);
    EXPECT_EQ(this->rows()[2].mode, 1);
}

TYPED_TEST(RegisterInvoiceTest, AQuoteIsAnOrdinaryCharacter) {
    EXPECT_EQ(this->registered(invoice("0440'1900111", "1234'678")), Result::Registered);
    EXPECT_EQ(this->registered(invoice("0440'1900111", "1234'678")), Result::AlreadyRecorded);
    EXPECT_TRUE(this->prompts.calls().isEmpty());
    ASSERT_EQ(this->rows().size(), 1);
    EXPECT_EQ(this->rows()[0].number, "1234'678");
}

TYPED_TEST(RegisterInvoiceTest, EmptyAmountIsNullAndABadAmountStoresNothing) {
    EXPECT_EQ(this->registered(invoice("044031900111", "00000001", "")), Result::Registered);
    EXPECT_TRUE(this->rows()[0].amountNull);
    const Registration bad =
        this->store->registerInvoice(invoice("044031900111", "00000002", "12.3x"), EntryMode::Scan);
    EXPECT_EQ(bad.result, Result::Failed);
    EXPECT_EQ(bad.failedAt, Registration::Stage::Append);
    EXPECT_EQ(bad.error.kind, StoreError::Kind::InvalidValue);
    EXPECT_EQ(bad.error.detail, "'12.3x' is not a valid floating point value for field '开票金额'");
    EXPECT_EQ(this->rows().size(), 1);
    EXPECT_EQ(this->count(), 1);
    EXPECT_EQ(testfiles::logMessages(this->dir.logPath()).size(), 1);
}

TYPED_TEST(RegisterInvoiceTest, ImportedInvoicesKeepTheirTimeAndReimburserAndLogAsImported) {
    InvoiceRecord imported = invoice("044031900111", "00000123", "100.00");
    imported.reimbursedAt = QDateTime(QDate(2023, 12, 1), QTime(8, 5, 9));
    imported.reimburser = "李四";
    const QList<Registration> outcomes = this->store->registerInvoices(
        {imported, invoice("044031900111", "00000124", "x"), imported}, EntryMode::Import);
    ASSERT_EQ(outcomes.size(), 3);
    EXPECT_EQ(outcomes[0].result, Result::Registered);
    EXPECT_EQ(outcomes[1].result, Result::Failed);
    EXPECT_EQ(outcomes[2].result, Result::AlreadyRecorded);
    ASSERT_EQ(this->rows().size(), 1);
    EXPECT_EQ(this->rows()[0].time, "2023-12-01 08:05:09");
    EXPECT_EQ(this->rows()[0].reimburser, "李四");
    EXPECT_EQ(this->rows()[0].mode, 2);
    EXPECT_EQ(testfiles::logMessages(this->dir.logPath()),
              QStringList{"导入报销成功发票信息：044031900111-00000123"});
}

TYPED_TEST(RegisterInvoiceTest, ABatchKeepsEachRowsOutcomeWithTheEarlierRegistration) {
    InvoiceRecord earlier = invoice("044031900111", "00000200", "5");
    earlier.reimburser = "王五";
    earlier.reimbursedAt = QDateTime(QDate(2023, 5, 6), QTime(7, 8, 9));
    ASSERT_EQ(this->registered(earlier), Result::Registered);
    InvoiceRecord fresh = invoice("044031900111", "00000201", "1");
    fresh.reimburser = "李四";
    // New; there before; new twice in the batch; refused and not there; refused but there.
    const QList<Registration> outcomes = this->store->registerInvoices(
        {fresh, earlier, fresh, invoice("044031900111", "00000202", "x"),
         invoice("044031900111", "00000200", "x")},
        EntryMode::Import);
    struct Expected {
        Result result;
        QString earlierReimburser;
        QDateTime earlierAt;
    };
    const QDateTime now(QDate(2024, 1, 31), QTime(13, 5, 9));
    const QDateTime before(QDate(2023, 5, 6), QTime(7, 8, 9));
    const Expected expected[] = {{Result::Registered, "", {}},
                                 {Result::AlreadyRecorded, "王五", before},
                                 {Result::AlreadyRecorded, "李四", now},
                                 {Result::Failed, "", {}},
                                 {Result::AlreadyRecorded, "王五", before}};
    ASSERT_EQ(outcomes.size(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(outcomes[i].result, expected[i].result) << i;
        EXPECT_EQ(outcomes[i].earlierReimburser, expected[i].earlierReimburser) << i;
        EXPECT_EQ(outcomes[i].earlierAt, expected[i].earlierAt) << i;
    }
    EXPECT_EQ(outcomes[3].error.kind, StoreError::Kind::InvalidValue);
    EXPECT_EQ(this->rows().size(), 2);
    EXPECT_EQ(testfiles::logMessages(this->dir.logPath()).size(), 2);  // one line per row stored
}

TYPED_TEST(RegisterInvoiceTest, EmptyTableCountsZero) {
    EXPECT_EQ(this->count(), 0);
}

TYPED_TEST(RegisterInvoiceTest, RacingRegistrationsOfOneInvoiceGiveOneRow) {
    std::atomic<int> appended{0};
    auto racer = [&] {
        const std::unique_ptr<InvoiceStore> own = openInvoiceStore();
        for (int i = 0; i < 60; ++i) {
            InvoiceRecord record = invoice("044031900111", QString::number(20000000 + i), "1.00");
            if (own->registerInvoice(record, EntryMode::Import).registered()) {
                ++appended;
            }
        }
    };
    std::thread a(racer), b(racer);
    a.join();
    b.join();
    EXPECT_EQ(appended.load(), 60);
    EXPECT_EQ(this->rows().size(), 60);
    EXPECT_EQ(this->count(), 60);
    EXPECT_TRUE(this->prompts.calls().isEmpty());
}

// Between its tries for a lock held elsewhere, SQLite's busy wait naps through the file system
// layer of the connection. While it lives, this puts a layer over the default one that counts the
// naps of the threads that asked to be watched: a registration on such a thread naps only when it
// has come to a lock another connection holds.
class LockWaits {
public:
    LockWaits() {
        base() = sqlite3_vfs_find(nullptr);
        layer() = *base();
        layer().zName = "fpbx-test-lock-waits";
        layer().xSleep = &LockWaits::nap;
        naps() = 0;
        sqlite3_vfs_register(&layer(), 1);
    }
    ~LockWaits() {
        sqlite3_vfs_register(base(), 1);
        sqlite3_vfs_unregister(&layer());
    }
    LockWaits(const LockWaits&) = delete;
    LockWaits& operator=(const LockWaits&) = delete;

    static void watchThisThread() { watched() = true; }

    // Looks until a watched thread has napped; false when done came first or after a long while.
    static bool waitForANap(const std::atomic<bool>& done) {
        const QDeadlineTimer deadline(30000);
        while (naps() == 0 && !done && !deadline.hasExpired()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return naps() > 0;
    }

private:
    static int nap(sqlite3_vfs*, int microseconds) {
        if (watched()) {
            ++naps();
        }
        return base()->xSleep(base(), microseconds);
    }
    // Static: a connection opened through the layer keeps pointing at it after it is removed.
    static sqlite3_vfs*& base() {
        static sqlite3_vfs* vfs = nullptr;
        return vfs;
    }
    static sqlite3_vfs& layer() {
        static sqlite3_vfs vfs{};
        return vfs;
    }
    static std::atomic<int>& naps() {
        static std::atomic<int> count{0};
        return count;
    }
    static bool& watched() {
        thread_local bool watching = false;
        return watching;
    }
};

// What only a store in a file of its own can meet: the file missing, replaced or locked.
class SqliteRegisterInvoiceTest : public ::testing::Test {
protected:
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9, 750))};
    std::unique_ptr<InvoiceStore> store = openInvoiceStore();

    static QList<Row> rows() { return SqliteEngine::rows(); }
    Result registered(const InvoiceRecord& record, EntryMode mode = EntryMode::Scan) {
        return store->registerInvoice(record, mode).result;
    }
    std::optional<qint64> count() { return store->countInvoices().count; }
};

TEST_F(SqliteRegisterInvoiceTest, MissingDatabaseFailsTheLookupAndIsNeverCreated) {
    QFile::remove(dir.databasePath());
    const Registration outcome =
        store->registerInvoice(invoice("044031900111", "12345678"), EntryMode::Scan);
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(outcome.failedAt, Registration::Stage::Lookup);
    EXPECT_TRUE(outcome.error.detail.contains(dir.databasePath()))
        << outcome.error.detail.toStdString();
    EXPECT_TRUE(prompts.calls().isEmpty());           // the store shows nothing
    EXPECT_FALSE(QFile::exists(dir.databasePath()));  // never created
    EXPECT_FALSE(QFile::exists(dir.logPath()));
}

TEST_F(SqliteRegisterInvoiceTest, AFileThatIsNoDatabaseFailsTheLookupAndIsLeftAlone) {
    const QByteArray junk(4096, 'j');
    testfiles::writeBytes(dir.databasePath(), junk);
    const Registration outcome =
        store->registerInvoice(invoice("044031900111", "12345678"), EntryMode::Scan);
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(outcome.error.detail, "file is not a database");
    EXPECT_EQ(testfiles::readBytes(dir.databasePath()), junk);
}

TEST_F(SqliteRegisterInvoiceTest, CountFailureIsReportedNotShown) {
    QFile::remove(dir.databasePath());
    const InvoiceCount result = store->countInvoices();
    EXPECT_FALSE(result.count.has_value());
    EXPECT_TRUE(result.error.detail.startsWith("Could not find file"))
        << result.error.detail.toStdString();
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(SqliteRegisterInvoiceTest, TheStoreWorksAgainOnceTheCauseOfAFailureIsGone) {
    const QByteArray database = testfiles::readBytes(dir.databasePath());
    QFile::remove(dir.databasePath());
    EXPECT_EQ(registered(invoice("044031900111", "12345678")), Result::Failed);
    testfiles::writeBytes(dir.databasePath(), database);
    EXPECT_EQ(registered(invoice("044031900111", "12345678")), Result::Registered);
    EXPECT_EQ(count(), 1);
}

TEST_F(SqliteRegisterInvoiceTest, AnInsertThatLosesTheRaceAfterTheLookupIsAlreadyRecorded) {
    // Another program holds the write lock: the lookup finds nothing, the insert waits, and
    // meanwhile the other program stores the same invoice first.
    Database other = Database::open(GetConnectionString());
    other.exec("BEGIN IMMEDIATE");
    const LockWaits lockWaits;
    Result result = Result::Failed;
    std::atomic<bool> done{false};
    std::thread t([&] {
        LockWaits::watchThisThread();
        const std::unique_ptr<InvoiceStore> own = openInvoiceStore();
        result = own->registerInvoice(invoice("044031900111", "30000000"), EntryMode::Scan).result;
        done = true;
    });
    // The other program stores the invoice once the registration has looked and waits to insert.
    EXPECT_TRUE(LockWaits::waitForANap(done)) << "the registration never waited for the lock";
    other.exec(
        "insert into 发票报销 (发票号码, 发票代码, 报销人) values ('30000000', '044031900111', "
        "'李四')");
    other.exec("COMMIT");
    t.join();
    EXPECT_EQ(result, Result::AlreadyRecorded);
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].reimburser, "李四");
    EXPECT_FALSE(QFile::exists(dir.logPath()));
}

TEST_F(SqliteRegisterInvoiceTest, ALockedDatabaseFailsCleanlyWithoutAHalfRow) {
    Database holder = Database::open(GetConnectionString());
    holder.exec("BEGIN EXCLUSIVE");
    const LockWaits lockWaits;
    Result result = Result::Failed;
    std::atomic<bool> done{false};
    std::thread t([&] {
        LockWaits::watchThisThread();
        const std::unique_ptr<InvoiceStore> own = openInvoiceStore();
        result = own->registerInvoice(invoice("044031900111", "40000000"), EntryMode::Scan).result;
        done = true;
    });
    EXPECT_TRUE(LockWaits::waitForANap(done)) << "the registration never waited for the lock";
    holder.exec("ROLLBACK");  // released while it waits, long before the busy wait runs out
    t.join();
    EXPECT_EQ(result, Result::Registered);
    EXPECT_EQ(rows().size(), 1);
}

TEST_F(SqliteRegisterInvoiceTest, AnUnknownEngineStoresNowhereNotEvenInTheFile) {
    setDatabaseSettings({DatabaseSettings::Engine::Unknown, "mysql", "host=db1"});
    const std::unique_ptr<InvoiceStore> unknown = openInvoiceStore();
    const Registration outcome =
        unknown->registerInvoice(invoice("044031900111", "12345678"), EntryMode::Scan);
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(outcome.error.kind, StoreError::Kind::Misconfigured);
    EXPECT_EQ(outcome.error.detail, "config.ini [数据库] 类型=mysql：应为 sqlite 或 postgresql");
    EXPECT_EQ(unknown->countInvoices().error.kind, StoreError::Kind::Misconfigured);
    EXPECT_TRUE(rows().isEmpty());
}

}  // namespace
