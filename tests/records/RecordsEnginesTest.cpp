#include <gtest/gtest.h>

#include "../store/StoreEngines.h"
#include "PgTestServer.h"
#include "RecordsTestSupport.h"
#include "TempExeDir.h"
#include "base/AppError.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "records/RecordSource.h"
#include "records/ResultReader.h"
#include "records/StoreFind.h"
#include "store/PgConnection.h"

// The records window's core on both engines, one typed suite: the criteria, the counts, the
// texts of every column, the find walk and the rows an export reads, on the test's SQLite file
// and on its registry on the test run's PostgreSQL server.

using findwalk::Cell;
using findwalk::Match;
using findwalk::Walk;
using recordstest::Form;
using recordstest::insert;
using recordstest::Invoice;

namespace {

template <typename Engine>
class RecordsEnginesTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (Engine::kNeedsServer) {
            REQUIRE_PG_SERVER();
        }
        engine.use();
        // Inserted out of time order; rows 3 and 4 share a second.
        insert(Invoice::of("1", "2024-03-04 23:59:59")
                   .withDate("20240110")
                   .withReimburser("财务部")
                   .withAmount(1235000));
        insert(Invoice::of("2", "2024-03-05 00:00:00").withDate("20240115").withMode(1));
        insert(Invoice::of("3", "2024-03-05 12:00:00")
                   .withCode("044031900222")
                   .withDate("20240201")
                   .withMode(2)
                   .withAmount(500)
                   .withReimburser("Alice"));
        insert(Invoice::of("4", "2024-03-05 12:00:00")
                   .withCode("044031900222")
                   .withDate("20240229")
                   .withMode(3)
                   .withAmount(-1230000)
                   .withReimburser("李财务"));
        insert(Invoice::of("5", "2024-03-06 08:00:00")
                   .withDate("20240301")
                   .withReimburser("100%_王\\"));
        insert(Invoice::of("6", std::nullopt)
                   .withDate("20231231")
                   .withAmount(std::nullopt)
                   .withReimburser(std::nullopt));
        insert(Invoice::of("12345678901234567890", "2024-03-07 09:30:00")
                   .withCode("04403'900111")
                   .withDate("20240302")
                   .withReimburser("O'Brien"));
    }

    records::QuerySpec query(const records::SearchForm& form) const {
        return records::searchQuery(form, recordstest::dialect());
    }
    QStringList byForm(const records::SearchForm& form) const {
        return recordstest::numbers(query(form));
    }
    std::unique_ptr<records::RecordConnection> connect() const {
        return records::openRecordConnection(records::currentStore());
    }
    // The count the window shows for the criteria.
    qint64 countOf(const records::SearchForm& form) const {
        const auto connection = connect();
        records::RecordSource source(*connection);
        source.run(query(form));
        return source.rowCount();
    }

    TempExeDir dir{Engine::exeDir()};
    Engine engine;
};

TYPED_TEST_SUITE(RecordsEnginesTest, Engines, EngineNames);

TYPED_TEST(RecordsEnginesTest, NoCriteriaListsEveryRecordNewestFirstAndCountsThem) {
    EXPECT_EQ(this->byForm(Form()),
              (QStringList{"12345678901234567890", "5", "4", "3", "2", "1", "6"}));
    EXPECT_EQ(this->countOf(Form()), 7);
}

TYPED_TEST(RecordsEnginesTest, RuleNotesFindTheInvoicesTheRulesSaidSomethingOf) {
    recordstest::execute(
        "update 发票报销 set 核销提示 = '红字发票：红字发票（金额-123.00）' where 发票号码 = '4'");
    recordstest::execute(
        "update 发票报销 set 核销提示 = '金额上限：金额1.00达到上限Limit，已确认' where 发票号码 = "
        "'1'");
    recordstest::execute("update 发票报销 set 核销提示 = '' where 发票号码 = '2'");
    EXPECT_EQ(this->byForm(Form().withRuleNotes("")), (QStringList{"4", "1"}));
    EXPECT_EQ(this->byForm(Form().withRuleNotes("红字")), QStringList{"4"});
    EXPECT_EQ(this->byForm(Form().withRuleNotes("LIMIT")), QStringList{"1"});
    EXPECT_EQ(this->byForm(Form().withRuleNotes("%")), QStringList{});
    EXPECT_EQ(this->countOf(Form().withRuleNotes("")), 2);
}

TYPED_TEST(RecordsEnginesTest, CodeAndNumberAreExactAndAQuoteIsAnOrdinaryCharacter) {
    EXPECT_EQ(this->byForm(Form().withCode("044031900222")), (QStringList{"4", "3"}));
    EXPECT_EQ(this->byForm(Form().withCode("04403190022")), QStringList{});
    EXPECT_EQ(this->byForm(Form().withCode("04403'900111")), QStringList{"12345678901234567890"});
    EXPECT_EQ(this->byForm(Form().withNumber("12345678901234567890")),
              QStringList{"12345678901234567890"});
    EXPECT_EQ(this->byForm(Form().withCode("044031900222").withNumber("3")), QStringList{"3"});
    EXPECT_EQ(this->countOf(Form().withCode("044031900222")), 2);
}

TYPED_TEST(RecordsEnginesTest, ReimburserContainsTheTextWithWildcardsAndQuotesTakenLiterally) {
    EXPECT_EQ(this->byForm(Form().withReimburser("财务")), (QStringList{"4", "1"}));
    EXPECT_EQ(this->byForm(Form().withReimburser("%")), QStringList{"5"});
    EXPECT_EQ(this->byForm(Form().withReimburser("_")), QStringList{"5"});
    EXPECT_EQ(this->byForm(Form().withReimburser("0%_王\\")), QStringList{"5"});
    EXPECT_EQ(this->byForm(Form().withReimburser("\\")), QStringList{"5"});
    EXPECT_EQ(this->byForm(Form().withReimburser("'")), QStringList{"12345678901234567890"});
    EXPECT_EQ(this->byForm(Form().withReimburser("O'Bri")), QStringList{"12345678901234567890"});
    // Like the file's LIKE, letters A-Z match whatever their case.
    EXPECT_EQ(this->byForm(Form().withReimburser("alICE")), QStringList{"3"});
    EXPECT_EQ(this->byForm(Form().withReimburser("财务部门")), QStringList{});
    EXPECT_EQ(this->countOf(Form().withReimburser("财务")), 2);
    EXPECT_EQ(this->countOf(Form().withReimburser("%")), 1);
    EXPECT_EQ(this->countOf(Form().withReimburser("无此人")), 0);
}

TYPED_TEST(RecordsEnginesTest, DateRangesAreInclusiveDays) {
    const QDate d4(2024, 3, 4), d5(2024, 3, 5), d6(2024, 3, 6), d7(2024, 3, 7);
    EXPECT_EQ(this->byForm(Form().reimbursedBetween(d5, d5)), (QStringList{"4", "3", "2"}));
    EXPECT_EQ(this->byForm(Form().reimbursedBetween(d4, d6)),
              (QStringList{"5", "4", "3", "2", "1"}));
    EXPECT_EQ(this->byForm(Form().reimbursedBetween(d7, d5)), QStringList{});
    EXPECT_EQ(this->byForm(Form().reimbursedBetween(QDate(2000, 1, 1), QDate(9999, 12, 31))).size(),
              6);
    EXPECT_EQ(recordstest::numbers(records::dayQuery(d5, recordstest::dialect())),
              (QStringList{"4", "3", "2"}));
    EXPECT_EQ(this->countOf(Form().reimbursedBetween(d4, d6)), 5);
    EXPECT_EQ(this->byForm(Form().invoicedBetween(QDate(2024, 1, 15), QDate(2024, 2, 29))),
              (QStringList{"4", "3", "2"}));
    EXPECT_EQ(this->byForm(Form().invoicedBetween(QDate(2023, 12, 31), QDate(2023, 12, 31))),
              QStringList{"6"});
    Form all;
    all.withCode("044031900111")
        .withReimburser("财务")
        .reimbursedBetween(QDate(2024, 3, 1), QDate(2024, 3, 31));
    EXPECT_EQ(this->byForm(all), QStringList{"1"});
    EXPECT_EQ(this->countOf(all), 1);
}

TYPED_TEST(RecordsEnginesTest, EveryColumnShowsTheSameTextOnEitherEngine) {
    const auto connection = this->connect();
    records::RecordSource source(*connection);
    source.run(this->query(Form()));
    ASSERT_EQ(source.rowCount(), 7);
    using Texts = std::array<QString, 8>;
    EXPECT_EQ(source.row(0).text, (Texts{"04403'900111", "12345678901234567890", "100", "20240302",
                                         "2024/3/7 9:30:00", "O'Brien", "扫描", ""}));
    EXPECT_EQ(source.row(2).text, (Texts{"044031900222", "4", "-123", "20240229",
                                         "2024/3/5 12:00:00", "李财务", "文件导入", ""}));
    EXPECT_EQ(source.row(3).text[records::kAmount], "0.05");
    EXPECT_EQ(source.row(3).text[records::kEntryMode], "手工录入");
    EXPECT_EQ(source.row(4).text[records::kReimbursedAt], "2024/3/5");  // midnight
    EXPECT_EQ(source.row(4).text[records::kEntryMode], "手工录入");
    EXPECT_EQ(source.row(5).text[records::kAmount], "123.5");
    EXPECT_EQ(source.row(5).amount, 1235000);
    const records::RecordRow& empty = source.row(6);
    EXPECT_TRUE(empty.present);
    EXPECT_TRUE(empty.null[records::kAmount]);
    EXPECT_TRUE(empty.null[records::kReimbursedAt]);
    EXPECT_TRUE(empty.null[records::kReimburser]);
    EXPECT_EQ(empty.text[records::kNumber], "6");
}

TYPED_TEST(RecordsEnginesTest, ALargeResultIsReadLazilyFromOneSnapshot) {
    recordstest::insertMany(3000, "2024-04-01");
    const auto connection = this->connect();
    records::RecordSource source(*connection);
    source.run(this->query(Form().reimbursedBetween(QDate(2024, 4, 1), QDate(2024, 4, 1))));
    EXPECT_EQ(source.rowCount(), 3000);
    EXPECT_FALSE(source.allKeysKnown());
    // A registration from elsewhere while the result is read does not shift it.
    insert(Invoice::of("newest", "2024-04-01 23:00:00"));
    EXPECT_EQ(source.row(0).text[records::kNumber], "50002999");
    EXPECT_EQ(source.row(1500).text[records::kNumber], "50001499");
    EXPECT_EQ(source.row(2999).text[records::kNumber], "50000000");
    EXPECT_EQ(source.row(2999).text[records::kReimbursedAt], "2024/4/1");
    EXPECT_TRUE(source.allKeysKnown());
    source.run(this->query(Form().reimbursedBetween(QDate(2024, 4, 1), QDate(2024, 4, 1))));
    EXPECT_EQ(source.rowCount(), 3001);
    EXPECT_EQ(source.row(0).text[records::kNumber], "newest");
}

// The rows an export writes: every row of the result in grid order on a connection of its own.
TYPED_TEST(RecordsEnginesTest, TheExportReadsEveryRowInGridOrderAsItIsNow) {
    const auto window = this->connect();
    records::RecordSource source(*window);
    source.run(this->query(Form()));
    source.finishKeys();
    recordstest::execute("update 发票报销 set 报销人 = '改正' where 发票号码 = '3'");
    recordstest::execute("delete from 发票报销 where 发票号码 = '2'");
    insert(Invoice::of("new", "2024-03-05 12:00:00"));
    const auto worker = this->connect();
    records::ResultReader reader(*worker, source.spec(), source.keys());
    const auto read = [&](qint64 first, bool down) {
        reader.start(first, down);
        QStringList rows;
        while (reader.next()) {
            const records::RecordRow& row = reader.row();
            rows << (row.present
                         ? row.text[records::kNumber] + u'/' + row.text[records::kReimburser]
                         : QStringLiteral("-"));
        }
        return rows;
    };
    EXPECT_EQ(read(0, true), (QStringList{"12345678901234567890/O'Brien", "5/100%_王\\", "4/李财务",
                                          "3/改正", "-", "1/财务部", "6/"}));
    EXPECT_EQ(read(3, false),
              (QStringList{"3/改正", "4/李财务", "5/100%_王\\", "12345678901234567890/O'Brien"}));
    EXPECT_EQ(read(6, false), (QStringList{"6/", "1/财务部", "-", "3/改正", "4/李财务",
                                           "5/100%_王\\", "12345678901234567890/O'Brien"}));
    EXPECT_EQ(read(6, true), QStringList{"6/"});
    EXPECT_EQ(read(5, true), (QStringList{"1/财务部", "6/"}));
}

// A long read (a find walk, an export) sees the registry as it was when it began, even where a
// walk is given up halfway and begun again.
TYPED_TEST(RecordsEnginesTest, AReadSeesOneStateHoweverItsWalksGo) {
    const auto window = this->connect();
    records::RecordSource source(*window);
    source.run(this->query(Form()));
    source.finishKeys();
    const auto worker = this->connect();
    const auto reimbursers = [&](records::ResultReader& reader, qint64 first, int rows) {
        reader.start(first, true);
        QStringList names;
        while (names.size() < rows && reader.next()) {
            names << reader.row().text[records::kReimburser];
        }
        return names;
    };
    records::ResultReader before(*worker, source.spec(), source.keys());
    EXPECT_EQ(reimbursers(before, 0, 2), (QStringList{"O'Brien", "100%_王\\"}));
    recordstest::execute("update 发票报销 set 报销人 = '改正' where 发票号码 = '4'");
    EXPECT_EQ(reimbursers(before, 1, 3), (QStringList{"100%_王\\", "李财务", "Alice"}));
    EXPECT_EQ(reimbursers(before, 0, 7),
              (QStringList{"O'Brien", "100%_王\\", "李财务", "Alice", "张三", "财务部", ""}));
}

TYPED_TEST(RecordsEnginesTest, TheFindWalkReadsTheResultInGridOrder) {
    const auto window = this->connect();
    records::RecordSource source(*window);
    source.run(this->query(Form()));
    source.finishKeys();
    TaskControl control;
    const auto find = [&](const QString& text, Walk walk, Cell current = {0, 0},
                          std::optional<int> scope = std::nullopt, Match match = Match::Anywhere,
                          bool ignoreCase = false, qint64 splitRows = 100000) {
        records::FindRequest request = recordstest::findRequest(source, text, walk);
        request.search.column = scope;
        request.search.match = match;
        request.search.ignoreCase = ignoreCase;
        request.current = current;
        request.splitRows = splitRows;
        return records::findInStore(request, control);
    };
    EXPECT_EQ(find("财务", Walk::FromFirst), (Cell{2, 5}));
    EXPECT_EQ(find("财务", Walk::Down, {2, 5}), (Cell{5, 5}));
    EXPECT_EQ(find("财务", Walk::Down, {5, 5}), std::nullopt);  // no wrap
    EXPECT_EQ(find("财务", Walk::Up, {5, 5}), (Cell{2, 5}));
    EXPECT_EQ(find("123.5", Walk::FromFirst), (Cell{5, 2}));
    EXPECT_EQ(find("2024/3/5", Walk::FromFirst, {}, 4, Match::Whole), (Cell{4, 4}));
    EXPECT_EQ(find("文件导入", Walk::FromFirst, {}, 6), (Cell{2, 6}));
    EXPECT_EQ(find("ALICE", Walk::FromFirst, {}, 5, Match::Whole), std::nullopt);
    EXPECT_EQ(find("ALICE", Walk::FromFirst, {}, 5, Match::Whole, true), (Cell{3, 5}));
    EXPECT_EQ(find("%_", Walk::FromFirst, {}, std::nullopt, Match::Anywhere), (Cell{1, 5}));
    // Two stretches at once: a match in the first wins.
    EXPECT_EQ(find("财务", Walk::FromFirst, {}, std::nullopt, Match::Anywhere, false, 2),
              (Cell{2, 5}));
    EXPECT_EQ(find("20231231", Walk::FromFirst, {}, std::nullopt, Match::Anywhere, false, 2),
              (Cell{6, 3}));
    EXPECT_EQ(control.total(), 7);
}

TYPED_TEST(RecordsEnginesTest, AReimburserCorrectionIsSavedAndShown) {
    const auto connection = this->connect();
    connection->saveReimburser("044031900222", "3", "王五");
    EXPECT_EQ(recordstest::storedReimburser("044031900222", "3"), "王五");
    EXPECT_THROW(connection->saveReimburser("044031900222", "no such", "王五"), AppError);
    EXPECT_EQ(this->byForm(Form().withReimburser("王五")), QStringList{"3"});
}

TYPED_TEST(RecordsEnginesTest, ResultsSortByAnyColumnTheSameOnEitherEngine) {
    const auto sortedBy = [&](int column, bool descending, const Form& form = Form()) {
        return recordstest::numbers(records::sorted(this->query(form), {column, descending}));
    };
    const QString L = "12345678901234567890";
    // Ties by 报销时间 and the key, both in the column's direction; nulls smallest; text as bytes.
    EXPECT_EQ(sortedBy(records::kCode, false), (QStringList{L, "6", "1", "2", "5", "3", "4"}));
    EXPECT_EQ(sortedBy(records::kCode, true), (QStringList{"4", "3", "5", "2", "1", "6", L}));
    EXPECT_EQ(sortedBy(records::kNumber, false), (QStringList{"1", L, "2", "3", "4", "5", "6"}));
    EXPECT_EQ(sortedBy(records::kAmount, false), (QStringList{"6", "4", "3", "2", "5", L, "1"}));
    EXPECT_EQ(sortedBy(records::kInvoiceDate, true),
              (QStringList{L, "5", "4", "3", "2", "1", "6"}));
    EXPECT_EQ(sortedBy(records::kReimbursedAt, false),
              (QStringList{"6", "1", "2", "3", "4", "5", L}));
    EXPECT_EQ(sortedBy(records::kReimbursedAt, true),
              (QStringList{L, "5", "4", "3", "2", "1", "6"}));
    EXPECT_EQ(sortedBy(records::kReimburser, false),
              (QStringList{"6", "5", "3", L, "2", "4", "1"}));
    EXPECT_EQ(sortedBy(records::kEntryMode, false), (QStringList{"2", "3", "6", "1", "5", L, "4"}));
    EXPECT_EQ(sortedBy(records::kReimburser, false, Form().withReimburser("财务")),
              (QStringList{"4", "1"}));
    EXPECT_EQ(sortedBy(records::kAmount, true,
                       Form().reimbursedBetween(QDate(2024, 3, 5), QDate(2024, 3, 5))),
              (QStringList{"2", "3", "4"}));
}

TYPED_TEST(RecordsEnginesTest, FindAndExportFollowTheShownOrder) {
    const auto window = this->connect();
    records::RecordSource source(*window);
    source.run(records::sorted(this->query(Form()), {records::kAmount, false}));
    source.finishKeys();
    const auto worker = this->connect();
    {
        records::ResultReader reader(*worker, source.spec(), source.keys());
        reader.start(0, true);
        QStringList rows;
        while (reader.next()) {
            rows << reader.row().text[records::kNumber];
        }
        EXPECT_EQ(rows, (QStringList{"6", "4", "3", "2", "5", "12345678901234567890", "1"}));
    }
    records::FindRequest request = recordstest::findRequest(source, "财务", Walk::FromFirst);
    TaskControl control;
    EXPECT_EQ(records::findInStore(request, control), (Cell{1, 5}));
    request.walk = Walk::Down;
    request.current = {1, 5};
    EXPECT_EQ(records::findInStore(request, control), (Cell{6, 5}));
}

// What only a registry on a server meets.
class RecordsOnServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PG_SERVER();
        engine.use();
    }
    TempExeDir dir{PgEngine::exeDir()};
    PgEngine engine;
};

TEST_F(RecordsOnServerTest, AServerThatIsDownIsSaidSoAtOnce) {
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql",
                         "host=" + dir.path() + " port=1 dbname=fpbx user=fpbx_clerk"});
    try {
        records::openRecordConnection(records::currentStore());
        FAIL() << "connected";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.message().startsWith("无法连接数据库服务器：")) << error.what();
    }
}

TEST_F(RecordsOnServerTest, ARegistryNeverMadeIsSaidSo) {
    TempExeDir other(PgEngine::exeDir());
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", *pgtest::conninfo()});
    const auto connection = records::openRecordConnection(records::currentStore());
    records::RecordSource source(*connection);
    try {
        source.run(records::searchQuery(Form(), records::Dialect::Postgresql));
        FAIL() << "searched";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.message().startsWith("本税号的登记表尚未建立")) << error.what();
    }
    EXPECT_EQ(source.rowCount(), 0);
}

TEST_F(RecordsOnServerTest, TheWindowReconnectsOnceTheServerIsBack) {
    pgtest::PrivateServer server;
    ASSERT_TRUE(server.started());
    pgtest::Registry registry(server.conninfo(), TaxNumber());
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", server.conninfo()});
    insert(Invoice::of("1", "2024-03-05 08:00:00"));
    const auto connection = records::openRecordConnection(records::currentStore());
    records::RecordSource source(*connection);
    const records::QuerySpec all = records::searchQuery(Form(), records::Dialect::Postgresql);
    source.run(all);
    source.finishKeys();
    EXPECT_EQ(source.rowCount(), 1);
    ASSERT_TRUE(server.pause());
    try {
        source.run(all);
        FAIL() << "searched";
    } catch (const AppError& error) {
        EXPECT_TRUE(error.message().startsWith("无法连接数据库服务器")) << error.what();
    }
    ASSERT_TRUE(server.resume());
    source.run(all);
    EXPECT_EQ(source.rowCount(), 1);
    EXPECT_EQ(source.row(0).text[records::kNumber], "1");
}

TEST_F(RecordsOnServerTest, TheReimburserSearchIsServedByTheTrigramIndex) {
    const records::QuerySpec spec =
        records::searchQuery(Form().withReimburser("财务部"), records::Dialect::Postgresql);
    PgConnection connection = PgConnection::open(*pgtest::conninfo(), engine.registry->schema());
    // On so small a table any plan is cheap: only a bitmap scan is left to choose.
    connection.exec("set enable_seqscan = off");
    connection.exec("set enable_indexscan = off");
    connection.exec("set enable_indexonlyscan = off");
    const PgResult plan = connection.execUntyped(
        ("explain " + records::countStatement(spec)).toUtf8(), {spec.params[0].toUtf8()});
    QString text;
    for (int r = 0; r < plan.rows(); ++r) {
        text += plan.text(r, 0) + u'\n';
    }
    EXPECT_TRUE(text.contains("发票报销_报销人")) << text.toStdString();
}

}  // namespace
