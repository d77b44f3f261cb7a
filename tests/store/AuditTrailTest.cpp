#include <gtest/gtest.h>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "StoreEngines.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/AppInfo.h"
#include "base/TextCodec.h"
#include "invoice/Amount.h"
#include "store/AuditTrail.h"
#include "store/InvoiceStore.h"

namespace {

using Result = Registration::Result;
using Change = ChangeOutcome::Result;

const trail::InvoiceKey kKey{"044031900111", "12345678"};

InvoiceRecord scanned(const QString& number, const QString& reimburser = "张三") {
    return teststore::invoice()
        .code("044031900111")
        .number(number)
        .amount("100.10")
        .date("20240105")
        .checkCode("12345678901234567890")
        .reimburser(reimburser);
}

// The trail kept by each engine: every registration, correction, undo and import has its line,
// and the figures of a range are exact.
template <class Engine>
class AuditTrailTest : public ::testing::Test {
protected:
    TempExeDir dir{Engine::exeDir()};
    Engine engine;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
    std::unique_ptr<InvoiceStore> store;

    void SetUp() override {
        if (Engine::kNeedsServer) {
            REQUIRE_PG_SERVER();
        }
        engine.use();
        store = openInvoiceStore();
    }

    QList<trail::Entry> history(const trail::InvoiceKey& key = kKey) {
        const trail::Lines lines = store->readTrail(trail::Filter::of(key), 100);
        EXPECT_TRUE(lines.ok) << lines.error.detail.toStdString();
        return lines.entries;
    }
    static QStringList actions(const QList<trail::Entry>& entries) {
        QStringList result;
        for (const trail::Entry& e : entries) {
            result << e.action;
        }
        return result;
    }
};

TYPED_TEST_SUITE(AuditTrailTest, Engines, EngineNames);

TYPED_TEST(AuditTrailTest, ARegistrationKeepsItsRowWhoAndWhere) {
    ASSERT_EQ(this->store->registerInvoice(scanned("12345678"), EntryMode::Scan).result,
              Result::Registered);
    // Refused again: no second line.
    EXPECT_EQ(this->store->registerInvoice(scanned("12345678"), EntryMode::Scan).result,
              Result::AlreadyRecorded);
    const QList<trail::Entry> lines = this->history();
    ASSERT_EQ(lines.size(), 1);
    const trail::Entry& line = lines[0];
    EXPECT_EQ(line.action, "登记");
    EXPECT_EQ(line.code, "044031900111");
    EXPECT_EQ(line.number, "12345678");
    EXPECT_EQ(line.amountUnits, 1001000);
    EXPECT_EQ(line.invoiceDate, "20240105");
    EXPECT_EQ(line.checkCode, "12345678901234567890");
    EXPECT_EQ(line.reimbursedAt, QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
    EXPECT_EQ(line.entryMode, 0);
    EXPECT_EQ(line.reimburser, "张三");
    EXPECT_TRUE(line.at.isValid());
    EXPECT_EQ(line.actor.user, trail::currentActor().user);
    EXPECT_EQ(line.actor.host, trail::currentActor().host);
    EXPECT_EQ(line.actor.version, appinfo::programVersion());
    EXPECT_FALSE(line.actor.version.isEmpty());
    EXPECT_FALSE(line.actor.user.isEmpty());
    EXPECT_EQ(line.summary(), "扫描 报销人 张三 金额 100.10");
    if (TypeParam::kNeedsServer) {
        EXPECT_FALSE(line.databaseUser.isEmpty());  // the server's own login
    } else {
        EXPECT_EQ(line.at, QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));  // the clock's time
    }
}

TYPED_TEST(AuditTrailTest, EveryWayInHasItsEntryMode) {
    this->store->registerInvoice(scanned("00000001"), EntryMode::Scan);
    this->store->registerInvoice(scanned("00000002"), EntryMode::Manual);
    this->store->registerInvoices({scanned("00000003"), scanned("00000004")}, EntryMode::Import);
    this->store->registerInvoice(scanned("00000005"), EntryMode::File);
    QList<qint64> modes;
    for (const QString number : {"00000001", "00000002", "00000003", "00000004", "00000005"}) {
        const QList<trail::Entry> lines = this->history({"044031900111", number});
        ASSERT_EQ(lines.size(), 1) << number.toStdString();
        modes << lines[0].entryMode.value_or(-1);
    }
    EXPECT_EQ(modes, (QList<qint64>{0, 1, 2, 2, 3}));
}

TYPED_TEST(AuditTrailTest, ACorrectionKeepsTheOldAndTheNewName) {
    this->store->registerInvoice(scanned("12345678"), EntryMode::Scan);
    const ChangeOutcome corrected = this->store->correctReimburser(kKey, "李四");
    EXPECT_EQ(corrected.result, Change::Done);
    EXPECT_EQ(corrected.previousReimburser, "张三");
    EXPECT_EQ(this->engine.rows()[0].reimburser, "李四");
    // The same name again changes nothing and writes nothing.
    EXPECT_EQ(this->store->correctReimburser(kKey, "李四").result, Change::Done);
    // An invoice that is not there.
    EXPECT_EQ(this->store->correctReimburser({"044031900111", "99999999"}, "王五").result,
              Change::NotFound);

    const QList<trail::Entry> lines = this->history();
    EXPECT_EQ(this->actions(lines), (QStringList{"登记", "修改报销人"}));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1].previousReimburser, "张三");
    EXPECT_EQ(lines[1].reimburser, "李四");
    EXPECT_EQ(lines[1].summary(), "报销人 张三 → 李四");
    EXPECT_GT(lines[1].serial, lines[0].serial);
    EXPECT_TRUE(this->history({"044031900111", "99999999"}).isEmpty());
}

TYPED_TEST(AuditTrailTest, AnUndoneInvoiceCanBeScannedAgainAndTheTrailKeepsAll) {
    ASSERT_EQ(this->store->registerInvoice(scanned("12345678"), EntryMode::Scan).result,
              Result::Registered);
    // A reason is required.
    EXPECT_EQ(this->store->undoRegistration(kKey, "  ").result, Change::Refused);
    EXPECT_EQ(this->store->countInvoices().count, 1);

    const ChangeOutcome undone = this->store->undoRegistration(kKey, "扫错了报销人");
    EXPECT_EQ(undone.result, Change::Done);
    EXPECT_EQ(this->store->countInvoices().count, 0);
    EXPECT_TRUE(this->engine.rows().isEmpty());
    EXPECT_EQ(this->store->undoRegistration(kKey, "再来一次").result, Change::NotFound);

    // Reimbursed again later, by a scan under another reimburser.
    this->clock.set(QDateTime(QDate(2024, 3, 6), QTime(8, 0, 0)));
    const Registration again =
        this->store->registerInvoice(scanned("12345678", "王五"), EntryMode::Scan);
    EXPECT_EQ(again.result, Result::Registered);
    EXPECT_EQ(this->store->countInvoices().count, 1);
    EXPECT_EQ(this->engine.rows()[0].reimburser, "王五");

    const QList<trail::Entry> lines = this->history();
    EXPECT_EQ(this->actions(lines), (QStringList{"登记", "撤销报销", "登记"}));
    ASSERT_EQ(lines.size(), 3);
    const trail::Entry& removed = lines[1];
    EXPECT_EQ(removed.reason, "扫错了报销人");
    // The whole removed row.
    EXPECT_EQ(removed.amountUnits, 1001000);
    EXPECT_EQ(removed.invoiceDate, "20240105");
    EXPECT_EQ(removed.checkCode, "12345678901234567890");
    EXPECT_EQ(removed.reimbursedAt, QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0)));
    EXPECT_EQ(removed.entryMode, 0);
    EXPECT_EQ(removed.reimburser, "张三");
    EXPECT_EQ(removed.summary(),
              "原因：扫错了报销人（原报销人 张三，报销时间 2024/3/5 10:00:00，金额 100.10）");
    EXPECT_EQ(lines[2].reimburser, "王五");
    EXPECT_EQ(lines[2].reimbursedAt, QDateTime(QDate(2024, 3, 6), QTime(8, 0, 0)));
}

TYPED_TEST(AuditTrailTest, AnImportHasItsSummaryLineAndTheRangeReadsEveryLineOfItsDays) {
    this->store->registerInvoices({scanned("00000001"), scanned("00000002")}, EntryMode::Import);
    const ChangeOutcome recorded = this->store->recordImport({"/home/clerk/三月.xls", 3, 2, 1});
    EXPECT_EQ(recorded.result, Change::Done);

    const QDate day = this->history({"044031900111", "00000001"}).value(0).at.date();
    ASSERT_TRUE(day.isValid());
    const trail::Lines lines = this->store->readTrail(trail::Filter::between(day, day), 100);
    ASSERT_TRUE(lines.ok) << lines.error.detail.toStdString();
    EXPECT_EQ(this->actions(lines.entries), (QStringList{"登记", "登记", "导入"}));
    const trail::Entry& summary = lines.entries.value(2);
    EXPECT_EQ(summary.file, "/home/clerk/三月.xls");
    EXPECT_EQ(summary.total, 3);
    EXPECT_EQ(summary.succeeded, 2);
    EXPECT_EQ(summary.failed, 1);
    EXPECT_EQ(summary.summary(), "/home/clerk/三月.xls 总共 3 条，成功 2 条，失败 1 条");

    const trail::Lines limited = this->store->readTrail(trail::Filter::between(day, day), 2);
    EXPECT_EQ(limited.entries.size(), 2);
    EXPECT_TRUE(limited.truncated);
    // The next page begins after the last line read, of a range and of an invoice alike.
    const trail::Filter range = trail::Filter::between(day, day);
    const trail::Lines next =
        this->store->readTrail(range.following(limited.entries[1].position()), 2);
    EXPECT_EQ(this->actions(next.entries), (QStringList{"导入"}));
    EXPECT_FALSE(next.truncated);
    const trail::Filter one = trail::Filter::of({"044031900111", "00000002"});
    const trail::Lines itsLines = this->store->readTrail(one, 10);
    ASSERT_EQ(itsLines.entries.size(), 1);
    EXPECT_TRUE(this->store->readTrail(one.following(itsLines.entries[0].position()), 10)
                    .entries.isEmpty());
    EXPECT_TRUE(this->store->readTrail(trail::Filter::between(day.addDays(1), day.addDays(9)), 100)
                    .entries.isEmpty());

    // The CSV keeps every field in a column of its own, in GBK.
    const QString csv = textcodec::fromGbk(trail::csv(lines.entries));
    EXPECT_TRUE(csv.startsWith("序号,时间,操作,发票代码,发票号码,开票金额,"));
    EXPECT_TRUE(csv.contains(",导入,,,,,,,,,,,/home/clerk/三月.xls,3,2,1,")) << csv.toStdString();
}

// A few dozen invoices over seven months and four reimbursers (one without a name), with amounts
// whose binary floating-point sums go wrong (王五's: 11.524999999999997; all: 36.070200000000014).
template <class Engine>
void registerFixture(InvoiceStore& store) {
    const QStringList names = {"张三", "李四", "王五", ""};
    const QStringList amounts = {"0.10", "0.20", "0.30", "0.70", "1.10", "2.675", "0.0001"};
    QList<InvoiceRecord> rows;
    const auto row = [&](int n, const QString& time, const QString& name, const QString& amount) {
        InvoiceRecord r = teststore::invoice()
                              .code("044031900111")
                              .number(QString::number(30000000 + n))
                              .amount(amount)
                              .date("20240101")
                              .reimburser(name)
                              .at(QDateTime::fromString(time, "yyyy-MM-dd HH:mm:ss"));
        rows << r;
    };
    for (int i = 0; i < 42; ++i) {
        row(i,
            QStringLiteral("2024-%1-%2 10:00:00")
                .arg(1 + i / 7, 2, 10, QChar(u'0'))
                .arg(1 + (i * 11) % 28, 2, 10, QChar(u'0')),
            names[i % 4], amounts[(i * i + i / 3) % 7]);
    }
    row(42, "2023-12-31 23:59:59", "张三", "1000");  // the day before the range
    row(43, "2024-07-01 00:00:00", "张三", "1000");  // the day after
    row(44, "2024-06-30 23:59:59", "张三", "0.07");  // the range's last second
    row(45, "2024-02-15 09:00:00", "李四", "");      // no amount: counted, adds nothing
    for (const Registration& r : store.registerInvoices(rows, EntryMode::Import)) {
        ASSERT_EQ(r.result, Result::Registered);
    }
}

QStringList texts(const ReimbursementFigures& figures) {
    QStringList result;
    for (const ReimbursementFigure& f : figures.rows) {
        result << QStringLiteral("%1|%2|%3")
                      .arg(f.group)
                      .arg(f.invoices)
                      .arg(amount::toMoneyText(f.amountUnits));
    }
    const ReimbursementFigure total = figures.total();
    result << QStringLiteral("%1|%2|%3")
                  .arg(total.group)
                  .arg(total.invoices)
                  .arg(amount::toMoneyText(total.amountUnits));
    return result;
}

TYPED_TEST(AuditTrailTest, FiguresPerReimburserAndPerMonthAreExact) {
    registerFixture<TypeParam>(*this->store);
    const QDate from(2024, 1, 1), to(2024, 6, 30);
    const ReimbursementFigures byReimburser =
        this->store->figures(from, to, FigureGrouping::ByReimburser);
    ASSERT_TRUE(byReimburser.ok) << byReimburser.error.detail.toStdString();
    EXPECT_EQ(texts(byReimburser), (QStringList{"王五|10|11.525", "|10|10.1501", "李四|12|7.85",
                                                "张三|12|6.5451", "合计|44|36.0702"}));
    EXPECT_EQ(byReimburser.total().amountUnits, 360702);

    const ReimbursementFigures byMonth = this->store->figures(from, to, FigureGrouping::ByMonth);
    ASSERT_TRUE(byMonth.ok) << byMonth.error.detail.toStdString();
    EXPECT_EQ(texts(byMonth), (QStringList{"2024-01|7|6.175", "2024-02|8|9.325", "2024-03|7|2.5001",
                                           "2024-04|7|6.175", "2024-05|7|9.325", "2024-06|8|2.5701",
                                           "合计|44|36.0702"}));

    // One day: the range's last second is in, the next day's first is not.
    EXPECT_EQ(texts(this->store->figures(QDate(2024, 6, 30), QDate(2024, 6, 30),
                                         FigureGrouping::ByReimburser)),
              (QStringList{"张三|1|0.07", "合计|1|0.07"}));
    EXPECT_EQ(
        texts(this->store->figures(QDate(2025, 1, 1), QDate(2025, 1, 31), FigureGrouping::ByMonth)),
        (QStringList{"合计|0|0.00"}));
}

// What only the embedded store meets: a store of an earlier version without the trail table.
class SqliteAuditTrailTest : public ::testing::Test {
protected:
    TempExeDir dir;
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 5), QTime(10, 0, 0))};
};

TEST_F(SqliteAuditTrailTest, AStoreWithoutTheTrailGetsItAtItsFirstChange) {
    {
        Database db = Database::open(GetConnectionString());
        db.exec("drop table 发票报销_记录");
    }
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    EXPECT_TRUE(store->readTrail(trail::Filter::of(kKey), 10).ok);  // nothing to read yet
    EXPECT_EQ(store->registerInvoice(scanned("12345678"), EntryMode::Scan).result,
              Result::Registered);
    const trail::Lines lines = store->readTrail(trail::Filter::of(kKey), 10);
    ASSERT_EQ(lines.entries.size(), 1);
    EXPECT_EQ(lines.entries[0].action, "登记");
}

TEST_F(SqliteAuditTrailTest, NoOneChangesOrRemovesALine) {
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    store->registerInvoice(scanned("12345678"), EntryMode::Scan);
    Database db = Database::open(GetConnectionString());
    EXPECT_THROW(db.exec("update 发票报销_记录 set 报销人 = '李四'"), AppError);
    EXPECT_THROW(db.exec("delete from 发票报销_记录"), AppError);
    EXPECT_EQ(store->readTrail(trail::Filter::of(kKey), 10).entries.value(0).reimburser, "张三");
}

TEST_F(SqliteAuditTrailTest, ARegistrationWhoseTrailLineFailsIsNotStored) {
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    store->registerInvoice(scanned("00000001"), EntryMode::Scan);  // the trail is prepared
    {
        Database db = Database::open(GetConnectionString());
        db.exec(
            "create trigger refuse before insert on 发票报销_记录 when new.发票号码 in "
            "('12345678', '00000003') begin select raise(abort, 'trail refused'); end");
    }
    const Registration alone = store->registerInvoice(scanned("12345678"), EntryMode::Scan);
    EXPECT_EQ(alone.result, Result::Failed);
    const QList<Registration> batch = store->registerInvoices(
        {scanned("00000002"), scanned("00000003"), scanned("00000004")}, EntryMode::Import);
    for (const Registration& r : batch) {
        EXPECT_EQ(r.result, Result::Failed);
    }
    EXPECT_EQ(store->countInvoices().count, 1);
    EXPECT_EQ(SqliteEngine::rows().size(), 1);
}

}  // namespace
