#include <gtest/gtest.h>

#include <QThread>

#include "FakeClock.h"
#include "StoreEngines.h"
#include "StoreFixtures.h"
#include "store/ClaimStore.h"
#include "store/InvoiceStore.h"
#include "store/PgClaimStore.h"
#include "store/SchemaUpgrade.h"

namespace {

// Claims kept by each engine: numbered per day, joined by registrations, left by an undone one,
// and written into the trail.
template <class Engine>
class ClaimStoreTest : public ::testing::Test {
protected:
    TempExeDir dir{Engine::exeDir()};
    Engine engine;
    FakeClock clock{QDateTime(QDate(2023, 12, 1), QTime(9, 30, 0))};
    std::unique_ptr<InvoiceStore> store;
    std::unique_ptr<ClaimStore> claims;

    void SetUp() override {
        if (Engine::kNeedsServer) {
            REQUIRE_PG_SERVER();
        }
        engine.use();
        store = openInvoiceStore();
        claims = openClaimStore();
    }

    Registration registerInto(const QString& claim, const QString& number, const QString& amount) {
        return store->registerInvoice(teststore::invoice()
                                          .code("044031900111")
                                          .number(number)
                                          .amount(amount)
                                          .date("20231130")
                                          .reimburser("张三")
                                          .kind("10")
                                          .claim(claim),
                                      EntryMode::Scan);
    }
};

TYPED_TEST_SUITE(ClaimStoreTest, Engines, EngineNames);

TYPED_TEST(ClaimStoreTest, AClaimKeepsItsInvoicesAndTheTrailKeepsTheClaim) {
    const OpenedClaim first = this->claims->openClaim("张三");
    ASSERT_TRUE(first.ok) << first.error.reason().toStdString();
    EXPECT_EQ(first.number, "BX202312010001");
    ASSERT_TRUE(this->registerInto(first.number, "00000011", "0.10").registered());
    ASSERT_TRUE(this->registerInto(first.number, "00000012", "0.20").registered());
    ASSERT_TRUE(this->registerInto(QString(), "00000013", "5").registered());  // no claim
    // The next claim of the day takes the next number; the day after starts again.
    EXPECT_EQ(this->claims->openClaim("李四").number, "BX202312010002");
    this->clock.set(QDateTime(QDate(2023, 12, 2), QTime(8, 0, 0)));
    EXPECT_EQ(this->claims->openClaim("李四").number, "BX202312020001");

    ASSERT_TRUE(this->claims->closeClaim(first.number).done());
    EXPECT_EQ(this->claims->closeClaim(first.number).result, ChangeOutcome::Result::NotFound);
    ASSERT_TRUE(this->claims->recordSheet(first.number).done());

    ClaimRead read = this->claims->readClaim(first.number);
    ASSERT_TRUE(read.ok);
    ASSERT_TRUE(read.claim);
    EXPECT_EQ(read.claim->reimburser, "张三");
    EXPECT_EQ(read.claim->openedAt, QDateTime(QDate(2023, 12, 1), QTime(9, 30, 0)));
    EXPECT_EQ(read.claim->closedAt, QDateTime(QDate(2023, 12, 2), QTime(8, 0, 0)));
    EXPECT_EQ(read.claim->sheets, 2);
    ASSERT_EQ(read.claim->invoices.size(), 2);
    EXPECT_EQ(read.claim->invoices[0].kindCode, "10");
    EXPECT_EQ(read.claim->invoices[0].number, "00000011");
    EXPECT_EQ(read.claim->invoices[1].amountUnits, 2000);
    EXPECT_FALSE(this->claims->readClaim("BX202312019999").claim);
    // Only closed claims count, in the month they were closed.
    const ClaimFigures figures = this->claims->figures(QDate(2023, 12, 1), QDate(2023, 12, 31));
    ASSERT_TRUE(figures.ok);
    EXPECT_EQ(figures.rows, (QList<ClaimFigure>{{"2023-12", "张三", 1, 2, 3000}}));
    EXPECT_TRUE(this->claims->figures(QDate(2023, 12, 3), QDate(2023, 12, 31)).rows.isEmpty());

    // An undone registration leaves its claim; the trail keeps which claim it was in.
    ASSERT_TRUE(this->store->undoRegistration({"044031900111", "00000011"}, "重复").done());
    read = this->claims->readClaim(first.number);
    ASSERT_EQ(read.claim->invoices.size(), 1);
    EXPECT_EQ(read.claim->invoices[0].number, "00000012");

    const trail::Lines lines =
        this->store->readTrail(trail::Filter::between(QDate(2000, 1, 1), QDate(2100, 1, 1)), 100);
    ASSERT_TRUE(lines.ok);
    QStringList seen;
    for (const trail::Entry& e : lines.entries) {
        if (e.claimNumber == first.number) {
            seen << e.action + u' ' + e.summary();
        }
    }
    EXPECT_EQ(seen,
              (QStringList{"新建报销单 BX202312010001 报销人 张三",
                           "登记 扫描 报销人 张三 金额 0.10 报销单 BX202312010001",
                           "登记 扫描 报销人 张三 金额 0.20 报销单 BX202312010001",
                           "结束报销单 BX202312010001 报销人 张三 共 2 张 合计 0.30",
                           "重新生成报销单 BX202312010001 报销人 张三",
                           "撤销报销 原因：重复（原报销人 张三，报销时间 2023/12/1 9:30:00，金额 "
                           "0.10）"}));
}

TYPED_TEST(ClaimStoreTest, OnlyAnEmptyOpenClaimChangesHands) {
    const QString empty = this->claims->openClaim("张三").number;
    EXPECT_TRUE(this->claims->setReimburser(empty, "李四").done());
    EXPECT_EQ(this->claims->readClaim(empty).claim->reimburser, "李四");
    const QString used = this->claims->openClaim("张三").number;
    ASSERT_TRUE(this->registerInto(used, "00000021", "1").registered());
    EXPECT_EQ(this->claims->setReimburser(used, "李四").result, ChangeOutcome::Result::NotFound);
    EXPECT_EQ(this->claims->readClaim(used).claim->reimburser, "张三");
}

TYPED_TEST(ClaimStoreTest, ARegistrationOpensItsClaimWhenNoneIsOpen) {
    const auto opening = [this](const QString& number) {
        InvoiceRecord invoice = teststore::invoice()
                                    .code("044031900111")
                                    .number(number)
                                    .amount("1.50")
                                    .date("20231130")
                                    .reimburser("李四");
        invoice.opensClaim = true;
        return this->store->registerInvoice(invoice, EntryMode::Scan);
    };
    const Registration first = opening("00000021");
    ASSERT_TRUE(first.registered()) << first.error.reason().toStdString();
    EXPECT_EQ(first.openedClaim, "BX202312010001");
    EXPECT_FALSE(first.claimError);
    const ClaimRead read = this->claims->readClaim("BX202312010001");
    ASSERT_TRUE(read.claim);
    EXPECT_EQ(read.claim->reimburser, "李四");
    ASSERT_EQ(read.claim->invoices.size(), 1);
    EXPECT_EQ(read.claim->invoices[0].number, "00000021");

    // An invoice already there: on the file the claim goes with the registration that did not
    // happen, and its number is not used up.
    const Registration again = opening("00000021");
    EXPECT_EQ(again.result, Registration::Result::AlreadyRecorded);
    if (!TypeParam::kNeedsServer) {
        EXPECT_EQ(again.openedClaim, "");
        EXPECT_EQ(this->claims->openClaim("李四").number, "BX202312010002");
    }
}

TEST(SqliteClaimStoreTest, AStoreOfAnEarlierVersionGetsClaimsAtTheFirst) {
    TempExeDir dir;
    {
        Database db = Database::open(GetConnectionString());
        db.exec(
            QStringLiteral("drop index 报销单_发票; drop table 报销单; "
                           "alter table 发票报销 drop column 报销单号; "
                           "alter table 发票报销 drop column 发票种类; "
                           "alter table 发票报销_记录 drop column 报销单号"));
        ASSERT_EQ(store::missingColumns(db).size(), 3);
    }
    FakeClock clock{QDateTime(QDate(2023, 12, 1), QTime(9, 30, 0))};
    std::unique_ptr<ClaimStore> claims = openClaimStore();
    EXPECT_FALSE(claims->readClaim("BX202312010001").claim);  // reading changes nothing
    const OpenedClaim opened = claims->openClaim("张三");
    ASSERT_TRUE(opened.ok) << opened.error.reason().toStdString();
    std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    ASSERT_TRUE(store
                    ->registerInvoice(
                        teststore::invoice().code("1").number("2").amount("3").claim(opened.number),
                        EntryMode::Scan)
                    .registered());
    EXPECT_EQ(claims->readClaim(opened.number).claim->invoices.size(), 1);
}

// Two PCs closing and opening claims on one registry in the same second: every number once.
TEST(PgClaimStoreTest, TwoClientsInTheSameSecondGetDistinctNumbers) {
    REQUIRE_PG_SERVER();
    TempExeDir dir{PgEngine::exeDir()};
    PgEngine engine;
    engine.use();
    FakeClock clock{QDateTime(QDate(2023, 12, 1), QTime(17, 59, 59))};
    constexpr int kEach = 40;
    QStringList numbers[2];
    QString failures[2];
    QList<QThread*> threads;
    for (int t = 0; t < 2; ++t) {
        threads << QThread::create([&, t] {
            PgClaimStore claims(*pgtest::conninfo(), TaxNumber());
            for (int i = 0; i < kEach; ++i) {
                const OpenedClaim opened = claims.openClaim(QStringLiteral("PC%1").arg(t));
                if (!opened.ok || !claims.closeClaim(opened.number).done()) {
                    failures[t] = opened.error.reason();
                    return;
                }
                numbers[t] << opened.number;
            }
        });
    }
    for (QThread* thread : threads) {
        thread->start();
    }
    for (QThread* thread : threads) {
        thread->wait();
        delete thread;
    }
    ASSERT_EQ(failures[0], "");
    ASSERT_EQ(failures[1], "");
    QStringList all = numbers[0] + numbers[1];
    all.sort();
    ASSERT_EQ(all.size(), 2 * kEach);
    EXPECT_EQ(all.first(), "BX202312010001");
    EXPECT_EQ(all.last(), "BX202312010080");
    all.removeDuplicates();
    EXPECT_EQ(all.size(), 2 * kEach);
}

}  // namespace
