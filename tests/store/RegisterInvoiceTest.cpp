#include <gtest/gtest.h>

#include <QFile>
#include <atomic>
#include <thread>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "shell/AppError.h"
#include "shell/Commonfun.h"
#include "store/Database.h"
#include "store/InvoiceStore.h"

namespace {

struct Row {
    QString code, number, amount, date, check, time, reimburser;
    qint64 mode = -1;
    bool amountNull = false;
};

QList<Row> rows() {
    Database db = Database::open(GetConnectionString());
    Statement s = db.prepare(
        "select 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式, 报销人 from "
        "发票报销 "
        "order by rowid");
    QList<Row> result;
    while (s.step()) {
        Row r{s.text(0), s.text(1), s.text(2), s.text(3), s.text(4), s.text(5), s.text(7)};
        r.mode = s.int64(6);
        r.amountNull = s.isNull(2);
        result << r;
    }
    return result;
}

class RegisterInvoiceTest : public ::testing::Test {
protected:
    RegisterInvoiceTest() { store::setCurrentReimburser(QString()); }

    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9, 750))};
};

TEST_F(RegisterInvoiceTest, AppendsANewInvoiceOnceWithReimburserTimeAndLog) {
    store::setCurrentReimburser("张三");
    EXPECT_TRUE(RegisterInvoice("0", "12345678", "044031900111", "12345678901234567890", "20200101",
                                "100.00"));
    EXPECT_FALSE(RegisterInvoice("0", "12345678", "044031900111", "x", "20200101", "100.00"));
    const QList<Row> stored = rows();
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored[0].code, "044031900111");
    EXPECT_EQ(stored[0].number, "12345678");
    EXPECT_EQ(stored[0].amount, "1000000");  // ten-thousandths
    EXPECT_EQ(stored[0].date, "20200101");
    EXPECT_EQ(stored[0].check, "12345678901234567890");
    EXPECT_EQ(stored[0].time, "2024-01-31 13:05:09");  // whole seconds
    EXPECT_EQ(stored[0].mode, 0);
    EXPECT_EQ(stored[0].reimburser, "张三");
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              QStringList{"报销成功发票信息：044031900111-12345678"});
    EXPECT_TRUE(prompts.calls().isEmpty());
    EXPECT_EQ(CountInvoices(), "1");
}

TEST_F(RegisterInvoiceTest, SameNumberWithAnotherCodeIsAnotherInvoice) {
    EXPECT_TRUE(RegisterInvoice("1", "12345678", "044031900111", "", "20200101", "0.00"));
    EXPECT_TRUE(RegisterInvoice("1", "12345678", "044031900112", "", "20200101", "0.00"));
    EXPECT_TRUE(RegisterInvoice("1", "12345679", "044031900111", "", "20200101", "0.00"));
    EXPECT_EQ(CountInvoices(), "3");
}

TEST_F(RegisterInvoiceTest, AQuoteIsAnOrdinaryCharacter) {
    EXPECT_TRUE(RegisterInvoice("0", "1234'678", "0440'1900111", "", "20200101", "1"));
    EXPECT_FALSE(RegisterInvoice("0", "1234'678", "0440'1900111", "", "20200101", "1"));
    EXPECT_TRUE(prompts.calls().isEmpty());
    ASSERT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].number, "1234'678");
}

TEST_F(RegisterInvoiceTest, EmptyAmountIsNullAndABadAmountStoresNothing) {
    EXPECT_TRUE(RegisterInvoice("0", "00000001", "044031900111", "", "20200101", ""));
    EXPECT_TRUE(rows()[0].amountNull);
    try {
        RegisterInvoice("0", "00000002", "044031900111", "", "20200101", "12.3x");
        FAIL() << "a bad amount was accepted";
    } catch (const AppError& error) {
        EXPECT_EQ(error.message(),
                  "'12.3x' is not a valid floating point value for field '开票金额'");
    }
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(CountInvoices(), "1");
    EXPECT_EQ(testfiles::logMessages(dir.logPath()).size(), 1);
}

TEST_F(RegisterInvoiceTest, ABadEntryModeIsRefusedBeforeTheAmount) {
    EXPECT_THROW(RegisterInvoice("x", "00000003", "044031900111", "", "20200101", "bad"), AppError);
    EXPECT_TRUE(rows().isEmpty());
}

TEST_F(RegisterInvoiceTest, MissingDatabaseShowsTheLookupErrorAndReturnsFalse) {
    QFile::remove(dir.databasePath());
    EXPECT_FALSE(RegisterInvoice("0", "12345678", "044031900111", "", "20200101", "1"));
    ASSERT_EQ(prompts.messages().size(), 1);
    const auto box = prompts.messages()[0];
    EXPECT_EQ(box.caption, "出现异常");
    EXPECT_EQ(box.icon, MsgIcon::Information);
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_TRUE(box.text.contains(dir.databasePath())) << box.text.toStdString();
    EXPECT_FALSE(QFile::exists(dir.databasePath()));  // never created
    EXPECT_FALSE(QFile::exists(dir.logPath()));
}

TEST_F(RegisterInvoiceTest, AFileThatIsNoDatabaseFailsTheLookupAndIsLeftAlone) {
    const QByteArray junk(4096, 'j');
    testfiles::writeBytes(dir.databasePath(), junk);
    EXPECT_FALSE(RegisterInvoice("0", "12345678", "044031900111", "", "20200101", "1"));
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].text, "file is not a database");
    EXPECT_EQ(testfiles::readBytes(dir.databasePath()), junk);
}

TEST_F(RegisterInvoiceTest, CountFailureShowsLogsAndGivesZero) {
    QFile::remove(dir.databasePath());
    QObject owner;
    EXPECT_EQ(CountInvoices(&owner), "0");
    ASSERT_EQ(prompts.messages().size(), 1);
    EXPECT_EQ(prompts.messages()[0].caption, "出现异常");
    EXPECT_EQ(prompts.messages()[0].owner, &owner);
    const QStringList log = testfiles::logMessages(dir.logPath());
    ASSERT_EQ(log.size(), 1);
    EXPECT_TRUE(log[0].startsWith("获取扫描总数异常：Could not find file")) << log[0].toStdString();
}

TEST_F(RegisterInvoiceTest, EmptyTableCountsZero) {
    EXPECT_EQ(CountInvoices(), "0");
}

TEST_F(RegisterInvoiceTest, RacingRegistrationsOfOneInvoiceGiveOneRow) {
    std::atomic<int> appended{0};
    auto racer = [&] {
        for (int i = 0; i < 60; ++i) {
            if (RegisterInvoice("2", QString::number(20000000 + i), "044031900111", "", "20200101",
                                "1.00")) {
                ++appended;
            }
        }
    };
    std::thread a(racer), b(racer);
    a.join();
    b.join();
    EXPECT_EQ(appended.load(), 60);
    EXPECT_EQ(rows().size(), 60);
    EXPECT_EQ(CountInvoices(), "60");
    EXPECT_TRUE(prompts.calls().isEmpty());
}

TEST_F(RegisterInvoiceTest, AnInsertThatLosesTheRaceAfterTheLookupReturnsFalse) {
    // The lookup finds nothing, then another registration stores the invoice first.
    Database db = Database::open(GetConnectionString());
    EXPECT_FALSE(store::isRegistered(db, "30000000", "044031900111"));
    EXPECT_TRUE(RegisterInvoice("0", "30000000", "044031900111", "", "20200101", "1"));
    InvoiceRecord late{"044031900111",      "30000000", "1", "20200101", "", "李四", "2",
                       "2024/1/31 13:05:09"};
    EXPECT_FALSE(store::appendInvoice(db, late));
    EXPECT_EQ(rows().size(), 1);
    EXPECT_EQ(rows()[0].reimburser, "");
}

TEST_F(RegisterInvoiceTest, ALockedDatabaseFailsCleanlyWithoutAHalfRow) {
    Database holder = Database::open(GetConnectionString());
    holder.exec("BEGIN EXCLUSIVE");
    std::optional<QString> error;
    bool result = true;
    std::thread t([&] {
        // Shorten the wait for this test only through a connection-wide lock held long enough.
        try {
            result = RegisterInvoice("0", "40000000", "044031900111", "", "20200101", "1");
        } catch (const AppError& e) {
            error = e.message();
        }
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    holder.exec("ROLLBACK");  // released before the busy wait runs out
    t.join();
    EXPECT_FALSE(error.has_value()) << error->toStdString();
    EXPECT_TRUE(result);
    EXPECT_EQ(rows().size(), 1);
}

}  // namespace
