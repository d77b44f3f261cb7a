#include <gtest/gtest.h>

#include <QProcess>

#include "FakeClock.h"
#include "PgTestServer.h"
#include "StoreFixtures.h"
#include "TempExeDir.h"
#include "base/DatabaseSettings.h"
#include "base/IniFile.h"
#include "base/Paths.h"
#include "fpbxdb/Migration.h"
#include "fpbxdb/RegistryCheck.h"
#include "fpbxdb/RegistryRules.h"
#include "fpbxdb/RegistrySchema.h"
#include "rules/CheckedRegistration.h"
#include "rules/OfficeRules.h"
#include "store/DatabaseFile.h"
#include "store/PgClaimStore.h"
#include "store/PgConnection.h"
#include "store/SqliteClaimStore.h"
#include "store/SqliteInvoiceStore.h"

namespace {

// A role of the test's own, dropped with it: roles belong to the whole server.
class Role {
public:
    Role(const pgtest::Registry& registry, const QStringList& grants)
        : registry_(registry), name_("fpbx_clerk_" + pgtest::uniqueTaxNumber().toLower()) {
        registry_.exec("create role " + name_ + " login");
        for (const QString& grant : grants) {
            registry_.exec(QString(grant).replace("SCHEMA_", u'"' + registry.schema() + u'"') +
                           " to " + name_);
        }
    }
    ~Role() {
        registry_.exec("drop owned by " + name_);
        registry_.exec("drop role " + name_);
    }
    QString conninfo() const {
        return QString(registry_.conninfo()).replace("user=fpbx_admin", "user=" + name_);
    }

private:
    const pgtest::Registry& registry_;
    QString name_;
};

// The clerks' role as the README sets it up.
const QStringList kClerkGrants = {
    "grant usage on schema SCHEMA_",
    "grant select, insert on SCHEMA_.发票报销",
    "grant update (报销人) on SCHEMA_.发票报销",
    "grant select on SCHEMA_.发票报销_数量",
    "grant select on SCHEMA_.发票报销_记录",
    "grant execute on function SCHEMA_.发票报销_记录导入(text, bigint, bigint, bigint)",
    "grant execute on function SCHEMA_.发票报销_撤销(text, text, text)",
    "grant execute on function SCHEMA_.发票报销_记录拒绝(text, text, numeric, text, text, integer, "
    "text, text)",
    "grant select, update (报销人, 结单时间, 生成次数) on SCHEMA_.报销单",
    "grant execute on function SCHEMA_.报销单_新建(text, timestamp)",
};

class FpbxdbTest : public ::testing::Test {
protected:
    TempExeDir dir{[] {
        TempExeDir::Options options;
        options.taxNumber = pgtest::uniqueTaxNumber();
        return options;
    }()};
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 30, 0))};
    std::optional<pgtest::Registry> registry;

    void SetUp() override {
        REQUIRE_PG_SERVER();
        registry.emplace(*pgtest::conninfo(), TaxNumber());
    }
    QString value(const QString& sql) const { return registry->value(sql); }

    // Three invoices in the company's fpbx.mdb.
    void fillLocalStore() {
        SqliteInvoiceStore local(GetConnectionString());
        local.registerInvoices({teststore::invoice()
                                    .code("044031900111")
                                    .number("00000001")
                                    .amount("100.5")
                                    .date("20240101")
                                    .reimburser("张三"),
                                teststore::invoice()
                                    .code("044031900111")
                                    .number("00000002")
                                    .amount("")
                                    .date("20240102")
                                    .reimburser("李四")
                                    .at(QDateTime(QDate(2023, 12, 1), QTime(8, 5, 9))),
                                teststore::invoice()
                                    .code("")
                                    .number("24312000000000000003")
                                    .amount("0.01")
                                    .date("20240103")},
                               EntryMode::Manual);
    }
};

TEST_F(FpbxdbTest, InitIsIdempotentAndCountsTheRowsAnew) {
    registry->exec("insert into 发票报销 (发票号码, 发票代码) values ('1', 'a'), ('2', 'a')");
    registry->exec("update 发票报销_数量 set 数量 = 0");  // a count gone wrong
    EXPECT_TRUE(checkRegistry(registry->conninfo(), TaxNumber())
                    .warnings.contains("计数与行数不一致（运行 fpbxdb init 重新计数）"));
    PgConnection admin = PgConnection::open(registry->conninfo());
    registryschema::create(admin, TaxNumber());
    registryschema::create(admin, TaxNumber());
    EXPECT_EQ(value("select sum(数量) from 发票报销_数量"), "2");
    EXPECT_EQ(value("select count(*) from 发票报销_数量"), "8");
    registry->exec("delete from 发票报销 where 发票号码 = '1'");
    EXPECT_EQ(value("select sum(数量) from 发票报销_数量"), "1");
    registry->exec("truncate 发票报销");
    EXPECT_EQ(value("select sum(数量) from 发票报销_数量"), "0");
}

TEST_F(FpbxdbTest, TheReimbursersTableKeepsEachNamesCountThroughEveryChange) {
    const auto names = [&] {
        return value(
            "select coalesce(string_agg(报销人 || ':' || 数量, ';' order by 报销人 "
            "collate \"C\"), '') from 发票报销_报销人");
    };
    registry->exec(
        "insert into 发票报销 (发票号码, 发票代码, 报销人) values ('1', 'a', '张三'), "
        "('2', 'a', '张三'), ('3', 'a', '李四'), ('4', 'a', null)");
    EXPECT_EQ(names(), "张三:2;李四:1");
    registry->exec("update 发票报销 set 报销人 = '王五' where 发票号码 in ('1', '3')");
    EXPECT_EQ(names(), "张三:1;王五:2");
    registry->exec("delete from 发票报销 where 发票号码 = '2'");
    EXPECT_EQ(names(), "王五:2");
    registry->exec("update 发票报销_报销人 set 数量 = 7");  // a count gone wrong
    PgConnection admin = PgConnection::open(registry->conninfo());
    registryschema::create(admin, TaxNumber());
    EXPECT_EQ(names(), "王五:2");
    registry->exec("truncate 发票报销");
    EXPECT_EQ(names(), "");
}

TEST_F(FpbxdbTest, MigrateCopiesEachInvoiceOnceWithItsValues) {
    fillLocalStore();
    registry->exec(
        "insert into 发票报销 (发票号码, 发票代码, 报销人) values ('00000002', '044031900111', "
        "'王五')");
    PgConnection admin = PgConnection::open(registry->conninfo());
    const MigrationCount first = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(first.copied, 2);
    EXPECT_EQ(first.skipped, 1);
    const MigrationCount second = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(second.copied, 0);
    EXPECT_EQ(second.skipped, 3);
    EXPECT_EQ(value("select string_agg(concat_ws('|', 发票代码, 发票号码, 开票金额, 开票日期, "
                    "报销时间, 报销方式, 报销人), ';' order by 序号) from 发票报销"),
              "044031900111|00000002|王五;"
              "044031900111|00000001|100.5000|20240101|2024-03-01 09:30:00|1|张三;"
              "|24312000000000000003|0.0100|20240103|2024-03-01 09:30:00|1|");
    EXPECT_EQ(value("select sum(数量) from 发票报销_数量"), "3");
}

// Each PC numbers its claims on its own: a number the registry gave already is replaced, the
// claim's invoices follow it, and the registry's next number comes after every one carried.
TEST_F(FpbxdbTest, MigrateCarriesClaimsOnceAndRenumbersThoseTheRegistryHasGiven) {
    SqliteClaimStore localClaims(GetConnectionString());
    SqliteInvoiceStore local(GetConnectionString());
    QStringList fileNumbers;
    for (const QStringList& numbers : {QStringList{"00000001", "00000002"}, {"00000003"}}) {
        const QString claim = localClaims.openClaim("张三").number;
        fileNumbers << claim;
        for (const QString& number : numbers) {
            local.registerInvoice(
                teststore::invoice().code("1").number(number).amount("2.5").claim(claim),
                EntryMode::Scan);
        }
        localClaims.closeClaim(claim);
    }
    ASSERT_EQ(fileNumbers, (QStringList{"BX202403010001", "BX202403010002"}));
    PgClaimStore server(registry->conninfo(), TaxNumber());
    ASSERT_EQ(server.openClaim("李四").number, "BX202403010001");  // another PC's

    PgConnection admin = PgConnection::open(registry->conninfo());
    const MigrationCount first = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(first.claimsCarried, 2);
    EXPECT_EQ(first.claimsSkipped, 0);
    using Renumbered = QList<QPair<QString, QString>>;
    EXPECT_EQ(first.renumberedClaims, (Renumbered{{"BX202403010001", "BX202403010002"},
                                                  {"BX202403010002", "BX202403010003"}}));
    const MigrationCount second = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(second.claimsCarried, 0);
    EXPECT_EQ(second.claimsSkipped, 2);
    EXPECT_EQ(second.renumberedClaims, Renumbered{});
    EXPECT_EQ(second.copied, 0);

    const auto invoicesOf = [&](const QString& number) {
        QStringList numbers;
        const ClaimRead read = server.readClaim(number);
        for (const ClaimInvoice& invoice : read.claim->invoices) {
            numbers << invoice.number;
        }
        return numbers;
    };
    EXPECT_EQ(invoicesOf("BX202403010001"), QStringList{});
    EXPECT_EQ(invoicesOf("BX202403010002"), (QStringList{"00000001", "00000002"}));
    EXPECT_EQ(invoicesOf("BX202403010003"), QStringList{"00000003"});
    EXPECT_EQ(value("select 原报销单号 from 报销单 where 报销单号 = 'BX202403010003'"),
              "BX202403010002");
    EXPECT_TRUE(server.readClaim("BX202403010003").claim->closedAt.isValid());
    EXPECT_EQ(server.openClaim("李四").number, "BX202403010004");
    // The file's trail lines keep the claim they were written for.
    EXPECT_EQ(value("select count(*) from 发票报销_记录 where 数据库用户 = '' and 报销单号 = "
                    "'BX202403010001' and 操作 = '结束报销单'"),
              "1");
}

TEST_F(FpbxdbTest, MigrateCarriesTheTrailOnceWithItsOwnTimesAndActors) {
    fillLocalStore();
    SqliteInvoiceStore local(GetConnectionString());
    clock.set(QDateTime(QDate(2024, 3, 2), QTime(10, 0, 0)));
    ASSERT_TRUE(local.correctReimburser({"044031900111", "00000001"}, "王五").done());
    ASSERT_TRUE(local.recordImport({"/home/clerk/三月.xls", 3, 3, 0}).done());
    PgConnection admin = PgConnection::open(registry->conninfo());
    const MigrationCount first = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(first.trailCarried, 5);
    const MigrationCount second = migrateSqliteStore(dir.databasePath(), admin, TaxNumber());
    EXPECT_EQ(second.trailCarried, 0);
    EXPECT_EQ(second.trailSkipped, 5);
    const QString actor = trail::currentActor().user + '|' + trail::currentActor().host;
    EXPECT_EQ(value("select string_agg(concat_ws('|', 时间, 操作, 发票号码, 开票金额, 报销人, "
                    "原报销人, 文件, 总数, 用户, 计算机), ';' order by 序号) from 发票报销_记录 "
                    "where 数据库用户 = ''"),
              "2024-03-01 09:30:00|登记|00000001|100.5000|张三|" + actor +
                  ";2024-03-01 09:30:00|登记|00000002|李四|" + actor +
                  ";2024-03-01 09:30:00|登记|24312000000000000003|0.0100||" + actor +
                  ";2024-03-02 10:00:00|修改报销人|00000001|王五|张三|" + actor +
                  ";2024-03-02 10:00:00|导入||/home/clerk/三月.xls|3|" + actor);
    // The copy itself is on the trail too, under the administrator's login.
    EXPECT_EQ(value("select count(*) from 发票报销_记录 where 操作 = '登记' and 数据库用户 <> ''"),
              "3");
}

TEST_F(FpbxdbTest, MigrateCopiesNothingWhenOneTimeIsNoTime) {
    fillLocalStore();
    SqliteInvoiceStore local(GetConnectionString());
    Database db = Database::open(GetConnectionString());
    db.exec("update 发票报销 set 报销时间 = '2024/13/45' where 发票号码 = '00000002'");
    PgConnection admin = PgConnection::open(registry->conninfo());
    EXPECT_THROW(migrateSqliteStore(dir.databasePath(), admin, TaxNumber()), AppError);
    EXPECT_EQ(value("select count(*) from 发票报销"), "0");
}

TEST_F(FpbxdbTest, TheClerksRoleOfTheReadmeWorksAndCannotDelete) {
    const Role clerk(*registry, kClerkGrants);
    const RegistryCheck check = checkRegistry(clerk.conninfo(), TaxNumber());
    EXPECT_TRUE(check.usable()) << check.problems.join('\n').toStdString();
    EXPECT_TRUE(check.warnings.isEmpty()) << check.warnings.join('\n').toStdString();
    EXPECT_TRUE(check.passed.contains("操作记录：每次登记、修改、撤销都留痕，只能追加"));
    for (const char* capability :
         {"登记：可以", "查询：可以", "修改报销人：可以", "导入：可以", "撤销：可以"}) {
        EXPECT_TRUE(check.passed.contains(capability)) << capability;
    }

    PgConnection connection = PgConnection::open(clerk.conninfo(), registry->schema());
    connection.exec("insert into 发票报销 (发票号码, 发票代码) values ('1', 'a')");
    connection.exec("update 发票报销 set 报销人 = '张三' where 发票号码 = '1'");
    EXPECT_EQ(connection.exec("select sum(数量) from 发票报销_数量").text(0, 0), "1");
    for (const char* refused :
         {"delete from 发票报销", "update 发票报销 set 发票号码 = '2'",
          "update 发票报销_数量 set 数量 = 0", "delete from 发票报销_记录",
          "update 发票报销_记录 set 原因 = 'x'", "truncate 发票报销_记录",
          "insert into 发票报销_记录 (操作) values ('登记')", "update 报销单_序号 set 序号 = 0"}) {
        try {
            connection.exec(refused);
            ADD_FAILURE() << refused << " was allowed";
        } catch (const PgError& error) {
            EXPECT_EQ(error.sqlState(), "42501") << refused;
        }
    }
    // Undo goes through the registry's function, with a reason, and leaves its line.
    EXPECT_THROW(connection.exec("select 发票报销_撤销('1', 'a', ' ')"), PgError);
    EXPECT_EQ(connection.exec("select 发票报销_撤销('1', 'a', '测试')").text(0, 0), "1");
    EXPECT_EQ(connection.exec("select sum(数量) from 发票报销_数量").text(0, 0), "0");
    EXPECT_EQ(value("select string_agg(concat_ws('|', 操作, 发票号码, 报销人, 原报销人, 原因, "
                    "数据库用户 = current_user), ';' order by 序号) from 发票报销_记录"),
              "登记|1|f;修改报销人|1|张三|f;撤销报销|1|张三|测试|f");

    // Claims: opened, closed and written again; a closed claim stays closed and stays.
    PgClaimStore claims(clerk.conninfo(), TaxNumber());
    const OpenedClaim opened = claims.openClaim("张三");
    ASSERT_TRUE(opened.ok) << opened.error.reason().toStdString();
    EXPECT_TRUE(claims.closeClaim(opened.number).done());
    EXPECT_TRUE(claims.recordSheet(opened.number).done());
    for (const char* refused : {"update 报销单 set 结单时间 = null", "delete from 报销单"}) {
        try {
            connection.exec(refused);
            ADD_FAILURE() << refused << " was allowed";
        } catch (const PgError& error) {
            EXPECT_EQ(error.sqlState(), "42501") << refused;
        }
    }
}

TEST_F(FpbxdbTest, NotEvenTheOwnerChangesTheTrailAndEveryChangeLeavesALine) {
    registry->exec("insert into 发票报销 (发票号码, 发票代码, 开票金额) values ('1', 'a', 1.5)");
    registry->exec("update 发票报销 set 开票金额 = 2.5 where 发票号码 = '1'");
    registry->exec("truncate 发票报销");
    for (const char* refused : {"delete from 发票报销_记录", "update 发票报销_记录 set 原因 = 'x'",
                                "truncate 发票报销_记录"}) {
        EXPECT_THROW(registry->exec(refused), PgError) << refused;
    }
    EXPECT_EQ(value("select string_agg(concat_ws('|', 操作, 发票号码, 开票金额, 总数), ';' "
                    "order by 序号) from 发票报销_记录"),
              "登记|1|1.5000;修改|1|2.5000;清空|1");
}

TEST_F(FpbxdbTest, CheckNamesWhatARoleLacksAndWhatItShouldNotHave) {
    const Role reader(
        *registry, {"grant usage on schema SCHEMA_", "grant select, delete on SCHEMA_.发票报销"});
    const RegistryCheck check = checkRegistry(reader.conninfo(), TaxNumber());
    EXPECT_FALSE(check.usable());
    EXPECT_EQ(check.problems,
              (QStringList{"登记：不可以（缺少 发票报销 的 INSERT、发票报销_数量 的 SELECT）"}));
    EXPECT_EQ(
        check.warnings,
        (QStringList{
            "查询：不可以（缺少 发票报销_记录 的 SELECT）",
            "修改报销人：不可以（缺少 发票报销 (报销人) 的 UPDATE）",
            "导入：不可以（缺少 发票报销 的 INSERT、函数 发票报销_记录导入 的 EXECUTE）",
            "撤销：不可以（缺少 函数 发票报销_撤销 的 EXECUTE）",
            "数据库用户可以删除发票：程序不需要（撤销报销经由 发票报销_撤销，留痕），应收回",
            "数据库用户没有权限：记录拒绝登记（发票报销_记录拒绝），规则拒绝的发票不会记入操作"
            "记录",
            "报销单：不可以（缺少 报销单 的 SELECT、报销单 (结单时间) 的 UPDATE、报销单 (生成次数) "
            "的 UPDATE、函数 报销单_新建 的 EXECUTE）"}));

    // Scanning and searching need no more than this: only the import is said to be out of reach.
    const Role scanner(*registry, {"grant usage on schema SCHEMA_",
                                   "grant select, insert, update (报销人) on SCHEMA_.发票报销",
                                   "grant select on SCHEMA_.发票报销_数量",
                                   "grant select on SCHEMA_.发票报销_记录"});
    const RegistryCheck scanning = checkRegistry(scanner.conninfo(), TaxNumber());
    EXPECT_TRUE(scanning.usable()) << scanning.problems.join('\n').toStdString();
    EXPECT_TRUE(
        scanning.warnings.contains("导入：不可以（缺少 函数 发票报销_记录导入 的 EXECUTE）"));
    EXPECT_TRUE(scanning.passed.contains("查询：可以"));

    const Role writer(*registry, {"grant usage on schema SCHEMA_",
                                  "grant insert, delete on SCHEMA_.发票报销_记录"});
    EXPECT_TRUE(checkRegistry(writer.conninfo(), TaxNumber())
                    .warnings.contains("数据库用户可以直接写入或改动操作记录：程序不需要（记录由"
                                       "触发器写入），应收回"));
    registry->exec("alter table 发票报销 disable trigger 发票报销_记录_撤销");
    EXPECT_TRUE(checkRegistry(registry->conninfo(), TaxNumber())
                    .problems.contains("操作记录的触发器缺失或已停用：发票的改动不会留痕（运行 "
                                       "fpbxdb init 补上）"));

    const RegistryCheck absent = checkRegistry(registry->conninfo(), pgtest::uniqueTaxNumber());
    ASSERT_EQ(absent.problems.size(), 1);
    EXPECT_TRUE(absent.problems[0].startsWith("没有本税号的登记表 fpbx_9111"));
}

QString runFpbxdb(const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(FPBXDB_BINARY, arguments);
    process.waitForFinished(60000);
    *exitCode = process.exitCode();
    return QString::fromUtf8(process.readAll());
}

TEST_F(FpbxdbTest, TheProgramReportsAndNeverPrintsThePassword) {
    fillLocalStore();
    const QString taxNumber = pgtest::uniqueTaxNumber();
    const QString conninfo = registry->conninfo() + " password=Never-Shown-42";
    int code = -1;
    const QString init = runFpbxdb({"init", taxNumber, conninfo}, &code);
    EXPECT_EQ(code, 0) << init.toStdString();
    EXPECT_TRUE(init.startsWith("登记表 fpbx_" + taxNumber + " 已就绪")) << init.toStdString();
    EXPECT_TRUE(init.contains("password=***"));
    EXPECT_EQ(
        runFpbxdb({"migrate", dir.databasePath(), taxNumber, conninfo}, &code),
        "复制 3 条，跳过 0 条（已在服务器上）\n操作记录复制 3 条，跳过 0 条（已在服务器上）\n");
    EXPECT_EQ(
        runFpbxdb({"migrate", dir.databasePath(), taxNumber, conninfo}, &code),
        "复制 0 条，跳过 3 条（已在服务器上）\n操作记录复制 0 条，跳过 3 条（已在服务器上）\n");
    const QString check = runFpbxdb({"check", taxNumber, conninfo}, &code);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(check.endsWith("程序可以使用此登记表\n")) << check.toStdString();
    const QString broken = runFpbxdb({"check", taxNumber, conninfo + " sslmode='x"}, &code);
    EXPECT_EQ(code, 1);
    EXPECT_FALSE(broken.contains("Never-Shown")) << broken.toStdString();
    runFpbxdb({"check", taxNumber}, &code);
    EXPECT_EQ(code, 2);
    pgtest::Registry(registry->conninfo(), taxNumber);  // dropped again at once
}

TEST_F(FpbxdbTest, TheRegistrysRulesBindEveryPcAndAPcCannotLoosenThem) {
    PgConnection admin = PgConnection::open(registry->conninfo(), registry->schema());
    EXPECT_EQ(
        registryrules::set(admin, {"最长天数=90", "金额上限=1万", "门槛=1"}),
        (QStringList{"金额上限=1万：应为大于零的金额，如 10000.00", "门槛=1：没有这条核销规则"}));
    EXPECT_TRUE(registryrules::read(admin).isEmpty());
    EXPECT_EQ(registryrules::set(admin, {"红字发票=拒绝", "最长天数=90", "金额上限=10000"}),
              QStringList{});
    EXPECT_EQ(value("select string_agg(操作 || ' ' || 原因, ';') from 发票报销_记录"),
              "修改核销规则 红字发票=拒绝，最长天数=90，金额上限=10000.00");

    // A clerk's PC, on the README's role, whose config.ini would loosen them.
    const Role clerk(*registry, kClerkGrants);
    IniFile ini(dir.file("config.ini"));
    ini.writeString("核销规则", "最长天数", "365");
    ini.writeString("核销规则", "红字发票", "提示");
    ini.writeString("核销规则", "核对购买方", "提示");
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", clerk.conninfo()});
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    const rules::InForce inForce = rules::inForce(*store);
    ASSERT_TRUE(inForce.settings);
    EXPECT_EQ(rules::listedText(*inForce.settings),
              "最长天数=90，金额上限=10000.00，红字发票=拒绝，核对购买方=提示");
    const rules::Checked checked = rules::registerChecked(
        *store, teststore::invoice().code("044031900111").number("1").amount("-1").date("20240101"),
        EntryMode::Scan, std::nullopt, {});
    EXPECT_EQ(checked.kind, rules::Checked::Kind::Refused);
    EXPECT_EQ(checked.refusal, "不符合核销规则：红字发票（金额-1.00）");
    EXPECT_EQ(value("select count(*) from 发票报销"), "0");
    EXPECT_EQ(
        value("select 核销提示 || '|' || (数据库用户 <> current_user)::text from 发票报销_记录 "
              "where 操作 = '拒绝登记'"),
        "红字发票：红字发票（金额-1.00）|true");

    int code = -1;
    EXPECT_EQ(runFpbxdb({"rules", "show", TaxNumber(), registry->conninfo()}, &code),
              "最长天数=90\n金额上限=10000.00\n红字发票=拒绝\n");
    runFpbxdb({"rules", "set", TaxNumber(), registry->conninfo(), "红字发票=也许"}, &code);
    EXPECT_EQ(code, 2);
}

}  // namespace
