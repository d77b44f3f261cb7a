#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <csignal>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <atomic>
#include <thread>

#include "FakeClock.h"
#include "FakePrompts.h"
#include "PgTestServer.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "store/InvoiceStore.h"
#include "store/PgConnection.h"

namespace {

using Result = Registration::Result;
using Kind = StoreError::Kind;

InvoiceRecord invoice(const QString& number, const QString& reimburser = "张三") {
    return teststore::invoice()
        .code("044031900111")
        .number(number)
        .amount("1.00")
        .date("20240101")
        .reimburser(reimburser);
}

TempExeDir::Options ownCompany() {
    TempExeDir::Options options;
    options.taxNumber = pgtest::uniqueTaxNumber();
    return options;
}

void useServer(const QString& conninfo) {
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", conninfo});
}

// What only a registry on a server meets: other clerks' open transactions, the server going
// away, its rights and its passwords.
class PgInvoiceStoreTest : public ::testing::Test {
protected:
    TempExeDir dir{ownCompany()};
    FakePrompts prompts;
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    std::optional<pgtest::Registry> registry;

    void SetUp() override {
        REQUIRE_PG_SERVER();
        registry.emplace(*pgtest::conninfo(), TaxNumber());
        useServer(*pgtest::conninfo());
    }
    QString rowCount() const { return registry->value("select count(*) from 发票报销"); }
};

// Looks until some session of the server waits for a lock the session of backend holds: false
// when done came first or after a long while.
bool waitUntilSomeoneWaitsFor(const QString& conninfo, qint64 backend,
                              const std::atomic<bool>& done) {
    PgConnection observer = PgConnection::open(conninfo);
    const QDeadlineTimer deadline(30000);
    while (!done && !deadline.hasExpired()) {
        const PgResult waiting = observer.exec(
            "select count(*) from pg_stat_activity where $1::integer = any(pg_blocking_pids(pid))",
            PgParams().int64(backend));
        if (waiting.int64(0, 0) > 0) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Another clerk has stored the invoice but not yet committed when this one registers it.
Result registerWhileAnotherClerkHolds(const pgtest::Registry& registry, bool otherCommits) {
    PgConnection other = PgConnection::open(registry.conninfo(), registry.schema());
    const qint64 otherBackend = other.exec("select pg_backend_pid()").int64(0, 0);
    other.exec("begin");
    other.exec(
        "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销人) values ('30000000', "
        "'044031900111', '2024-02-01 08:00:00', '李四')");
    Registration outcome;
    std::atomic<bool> registered{false};
    std::thread clerk([&] {
        outcome = teststore::recordInvoice(invoice("30000000"), EntryMode::Scan);
        registered = true;
    });
    // The other clerk ends his transaction only once this one's registration waits for it.
    EXPECT_TRUE(waitUntilSomeoneWaitsFor(registry.conninfo(), otherBackend, registered))
        << "the registration did not wait for the other clerk's transaction";
    other.exec(otherCommits ? "commit" : "rollback");
    clerk.join();
    if (otherCommits) {
        EXPECT_EQ(outcome.earlierReimburser, "李四");
        EXPECT_EQ(outcome.earlierAt, QDateTime(QDate(2024, 2, 1), QTime(8, 0, 0)));
    }
    return outcome.result;
}

TEST_F(PgInvoiceStoreTest, AnInvoiceAnotherClerkIsStoringWaitsForHisCommit) {
    EXPECT_EQ(registerWhileAnotherClerkHolds(*registry, true), Result::AlreadyRecorded);
    EXPECT_FALSE(QFile::exists(dir.logPath()));
    EXPECT_EQ(registry->value("select 报销人 from 发票报销"), "李四");
}

TEST_F(PgInvoiceStoreTest, AnInvoiceAnotherClerkGaveUpIsRegisteredHere) {
    EXPECT_EQ(registerWhileAnotherClerkHolds(*registry, false), Result::Registered);
    EXPECT_EQ(registry->value("select 报销人 from 发票报销"), "张三");
    EXPECT_EQ(openInvoiceStore()->countInvoices().count, 1);
}

TEST_F(PgInvoiceStoreTest, ABatchIsStoredWholeOrNotAtAll) {
    // The server refuses the last invoice of a batch longer than one statement.
    registry->exec("alter table 发票报销 add constraint refused check (发票号码 <> '20001000')");
    QList<InvoiceRecord> batch;
    for (int i = 0; i <= 1000; ++i) {
        batch << invoice(QString::number(20000000 + i));
    }
    const QList<Registration> outcomes =
        openInvoiceStore()->registerInvoices(batch, EntryMode::Import);
    ASSERT_EQ(outcomes.size(), 1001);
    EXPECT_EQ(outcomes[0].result, Result::Failed);
    EXPECT_EQ(outcomes[1000].result, Result::Failed);
    EXPECT_EQ(rowCount(), "0");
    EXPECT_EQ(openInvoiceStore()->countInvoices().count, 0);
    EXPECT_FALSE(QFile::exists(dir.logPath()));

    batch.removeLast();
    const QList<Registration> stored =
        openInvoiceStore()->registerInvoices(batch, EntryMode::Import);
    EXPECT_EQ(stored[999].result, Result::Registered);
    EXPECT_EQ(rowCount(), "1000");
    EXPECT_EQ(openInvoiceStore()->countInvoices().count, 1000);
    EXPECT_EQ(testfiles::logMessages(dir.logPath()).size(), 1000);
}

TEST_F(PgInvoiceStoreTest, ARegistryNeverMadeIsSaidSoAndNotCreated) {
    TempExeDir other(ownCompany());
    useServer(*pgtest::conninfo());
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    const Registration outcome = store->registerInvoice(invoice("12345678"), EntryMode::Scan);
    EXPECT_EQ(outcome.result, Result::Failed);
    EXPECT_EQ(outcome.error.kind, Kind::NoRegistry);
    EXPECT_EQ(outcome.error.reason(), "本税号的登记表尚未建立");
    EXPECT_EQ(store->countInvoices().error.kind, Kind::NoRegistry);
    EXPECT_EQ(
        registry->value(QStringLiteral("select count(*) from pg_namespace where nspname = 'fpbx_") +
                        TaxNumber() + "'"),
        "0");
}

TEST_F(PgInvoiceStoreTest, TheServerGoingAwayFailsAsUnreachableAndTheStoreComesBackByItself) {
    pgtest::PrivateServer server;
    ASSERT_TRUE(server.started());
    pgtest::Registry own(server.conninfo(), TaxNumber());
    useServer(server.conninfo());
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    EXPECT_EQ(store->registerInvoice(invoice("10000001"), EntryMode::Scan).result,
              Result::Registered);

    ASSERT_TRUE(server.pause());
    const Registration lost = store->registerInvoice(invoice("10000002"), EntryMode::Scan);
    EXPECT_EQ(lost.result, Result::Failed);
    EXPECT_EQ(lost.error.kind, Kind::Unreachable);
    EXPECT_EQ(lost.error.reason(), "无法连接数据库服务器");
    EXPECT_TRUE(lost.error.detail.startsWith("无法连接数据库服务器："))
        << lost.error.detail.toStdString();
    EXPECT_EQ(store->countInvoices().error.kind, Kind::Unreachable);

    ASSERT_TRUE(server.resume());
    EXPECT_EQ(store->registerInvoice(invoice("10000002"), EntryMode::Scan).result,
              Result::Registered);
    EXPECT_EQ(store->countInvoices().count, 2);
    // The server restarted while the store was idle: its next operation opens a new connection.
    ASSERT_TRUE(server.pause());
    ASSERT_TRUE(server.resume());
    EXPECT_EQ(store->registerInvoice(invoice("10000003"), EntryMode::Scan).result,
              Result::Registered);
    EXPECT_EQ(own.value("select count(*) from 发票报销"), "3");
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              (QStringList{"报销成功发票信息：044031900111-10000001",
                           "报销成功发票信息：044031900111-10000002",
                           "报销成功发票信息：044031900111-10000003"}));
}

TEST_F(PgInvoiceStoreTest, AServerThatNeverAnswersIsGivenUpAfterTheConnectTimeOut) {
    // A listening socket nobody accepts on: the connection is made, the server's answer never
    // comes.
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 4), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    useServer(QStringLiteral("host=127.0.0.1 port=%1 connect_timeout=2 sslmode=disable")
                  .arg(ntohs(address.sin_port)));
    QElapsedTimer timer;
    timer.start();
    const InvoiceCount count = openInvoiceStore()->countInvoices();
    const qint64 waited = timer.elapsed();
    close(listener);
    EXPECT_FALSE(count.count.has_value());
    EXPECT_EQ(count.error.kind, Kind::NoAnswer);
    EXPECT_EQ(count.error.reason(), "数据库服务器没有响应");
    EXPECT_EQ(count.error.detail, "数据库服务器没有响应：连接超时");
    // Given up, not waited on for ever (the client library counts the limit in whole seconds, so
    // it may end a second early, and a busy machine adds its own delay).
    EXPECT_LT(waited, 20000);

    // The program goes on: with the server back in the settings the same kind of store works.
    useServer(*pgtest::conninfo());
    EXPECT_EQ(openInvoiceStore()->registerInvoice(invoice("10000001"), EntryMode::Scan).result,
              Result::Registered);
    EXPECT_EQ(rowCount(), "1");
}

// A server that stops answering in the middle of a session (its process stopped, as a hung
// machine would): the clerk's statement is given up within the store's bound, and the store
// connects again by itself once the server answers.
TEST_F(PgInvoiceStoreTest, AServerThatStopsAnsweringMidSessionIsGivenUpWithinTheBound) {
    pgtest::PrivateServer server;
    ASSERT_TRUE(server.started());
    pgtest::Registry own(server.conninfo(), TaxNumber());
    useServer(server.conninfo());
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    ASSERT_EQ(store->countInvoices().count, 0);
    const pid_t backend =
        own.value(
               "select pid from pg_stat_activity where backend_type = 'client backend' and "
               "application_name = 'fpbx' and pid <> pg_backend_pid()")
            .toInt();
    ASSERT_GT(backend, 0);
    if (kill(backend, SIGSTOP) != 0) {
        GTEST_SKIP() << "the server's processes cannot be stopped by this user";
    }
    QElapsedTimer timer;
    timer.start();
    const Registration hung = store->registerInvoice(invoice("10000001"), EntryMode::Scan);
    const qint64 waited = timer.elapsed();
    kill(backend, SIGCONT);
    EXPECT_EQ(hung.result, Result::Failed);
    EXPECT_EQ(hung.error.kind, Kind::NoAnswer);
    EXPECT_EQ(hung.error.reason(), "数据库服务器没有响应");
    EXPECT_EQ(hung.error.detail, "数据库服务器没有响应：等待语句结果超时");
    EXPECT_LT(waited, 20000);  // the bound is 7 s; a busy machine adds its own delay

    EXPECT_EQ(store->registerInvoice(invoice("10000002"), EntryMode::Scan).result,
              Result::Registered);
    EXPECT_EQ(own.value("select string_agg(发票号码, ',') from 发票报销"), "10000002");
}

TEST_F(PgInvoiceStoreTest, APasswordIsInNoMessageAndNoLog) {
    const QString dropRole =
        "do $$ begin if exists (select from pg_roles where rolname = 'fpbx_password_user') then "
        "drop owned by fpbx_password_user; drop role fpbx_password_user; end if; end $$";
    registry->exec(dropRole);  // left by an earlier run that stopped half-way
    registry->exec("create role fpbx_password_user login password 'Right-Pass-1234'");
    const QString schema = u'"' + registry->schema() + u'"';
    registry->exec("grant all on schema " + schema + " to fpbx_password_user");
    registry->exec("grant all on all tables in schema " + schema + " to fpbx_password_user");
    const QString server = *pgtest::conninfo();
    const QString user = server.section("user=", 0, 0) + "user=fpbx_password_user ";

    useServer(user + "password=Wrong-Pass-5678");
    const Registration refused =
        openInvoiceStore()->registerInvoice(invoice("10000001"), EntryMode::Scan);
    EXPECT_EQ(refused.result, Result::Failed);
    EXPECT_TRUE(refused.error.detail.contains("password authentication failed"))
        << refused.error.detail.toStdString();
    EXPECT_FALSE(refused.error.messageText().contains("Wrong-Pass-5678"));

    // A string the client library cannot read repeats part of it in its message.
    useServer(user + "password=Wrong-Pass-5678 sslmode='require");
    const InvoiceCount unreadable = openInvoiceStore()->countInvoices();
    EXPECT_EQ(unreadable.error.kind, Kind::Misconfigured);
    EXPECT_FALSE(unreadable.error.detail.contains("Wrong-Pass-5678"))
        << unreadable.error.detail.toStdString();

    useServer(user + "password=Right-Pass-1234");
    EXPECT_EQ(openInvoiceStore()->registerInvoice(invoice("10000001"), EntryMode::Scan).result,
              Result::Registered);
    registry->exec(dropRole);
    const QByteArray log = testfiles::readBytes(dir.logPath());
    EXPECT_FALSE(log.contains("Pass-"));
}

}  // namespace
