#include <gtest/gtest.h>

#include "TempExeDir.h"
#include "base/AppError.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/SchemaUpgrade.h"

namespace {

const QStringList kReimburserObjects = {"发票报销_报销人", "发票报销_报销人时间",
                                        "发票报销_报销人_加", "发票报销_报销人_减",
                                        "发票报销_报销人_改"};

// The store as an earlier version left it: without the reimbursers' names, their index and
// triggers, and with invoices recorded meanwhile.
void makeEarlierStore(Database& db) {
    db.exec(
        QStringLiteral("drop trigger 发票报销_报销人_加; drop trigger 发票报销_报销人_减; "
                       "drop trigger 发票报销_报销人_改; drop index 发票报销_报销人时间; "
                       "drop table 发票报销_报销人"));
    db.exec(QStringLiteral(
        "insert into 发票报销 (发票代码, 发票号码, 报销时间, 报销人) values "
        "('1', '1', '2024-03-05 08:00:00', '张三'), ('1', '2', '2024-03-05 09:00:00', '张三'), "
        "('1', '3', '2024-03-05 10:00:00', '财务部'), ('1', '4', '2024-03-05 11:00:00', null), "
        "('1', '5', '2024-03-05 12:00:00', 'alice'), ('1', '6', '2024-03-05 13:00:00', 'Alice')"));
}

QString names(Database& db) {
    Statement s =
        db.prepare(QStringLiteral("select 报销人, 数量 from 发票报销_报销人 order by 报销人"));
    QStringList all;
    while (s.step()) {
        all << s.text(0) + u'=' + QString::number(s.int64(1));
    }
    return all.join(u' ');
}

qint64 kept(Database& db) {
    Statement s = db.prepare(QStringLiteral("select 数量 from 发票报销_数量"));
    return s.step() ? s.int64(0) : -1;
}

class SchemaUpgradeTest : public ::testing::Test {
protected:
    TempExeDir dir;
    Database db = Database::open(GetConnectionString());
};

TEST_F(SchemaUpgradeTest, AnUpToDateStoreLacksNothing) {
    EXPECT_EQ(store::missingSchemaObjects(db), QStringList());
    store::upgradeSchema(db);
    EXPECT_EQ(names(db), "");
}

TEST_F(SchemaUpgradeTest, AnEarlierStoreGetsTheNamesFilledFromItsInvoices) {
    makeEarlierStore(db);
    EXPECT_EQ(store::missingSchemaObjects(db), kReimburserObjects);
    store::upgradeSchema(db);
    EXPECT_EQ(store::missingSchemaObjects(db), QStringList());
    // Names differing in letter case are different names; a missing name is none.
    EXPECT_EQ(names(db), "Alice=1 alice=1 张三=2 财务部=1");
}

TEST_F(SchemaUpgradeTest, FromThenOnTheTriggersKeepTheNamesExact) {
    makeEarlierStore(db);
    store::upgradeSchema(db);
    db.exec(
        QStringLiteral("insert into 发票报销 (发票代码, 发票号码, 报销人) values "
                       "('2', '1', '财务部'), ('2', '2', '李四'), ('2', '3', null)"));
    EXPECT_EQ(names(db), "Alice=1 alice=1 张三=2 李四=1 财务部=2");
    db.exec(QStringLiteral(
        "update 发票报销 set 报销人 = '李四' where 发票代码 = '1' and 发票号码 = '1'"));
    db.exec(QStringLiteral("update 发票报销 set 报销人 = null where 发票号码 = '5'"));
    db.exec(QStringLiteral("update 发票报销 set 报销人 = '王五' where 发票号码 = '4'"));
    // An update that leaves the name as it was changes nothing.
    db.exec(QStringLiteral("update 发票报销 set 报销人 = 报销人 where 发票号码 = '6'"));
    EXPECT_EQ(names(db), "Alice=1 张三=1 李四=2 王五=1 财务部=2");
    db.exec(QStringLiteral("delete from 发票报销 where 报销人 = '财务部' or 报销人 = 'Alice'"));
    EXPECT_EQ(names(db), "张三=1 李四=2 王五=1");
}

TEST_F(SchemaUpgradeTest, AMissingCountTableIsMadeAgainWithTheRightCount) {
    makeEarlierStore(db);
    db.exec(QStringLiteral(
        "drop trigger 发票报销_数量_加; drop trigger 发票报销_数量_减; drop table 发票报销_数量"));
    EXPECT_EQ(store::missingSchemaObjects(db).mid(0, 3),
              (QStringList{"发票报销_数量", "发票报销_数量_加", "发票报销_数量_减"}));
    store::upgradeSchema(db);
    EXPECT_EQ(kept(db), 6);
    db.exec(QStringLiteral("insert into 发票报销 (发票代码, 发票号码) values ('3', '1')"));
    EXPECT_EQ(kept(db), 7);
}

TEST_F(SchemaUpgradeTest, AFailedUpgradeChangesNothing) {
    makeEarlierStore(db);
    Database readOnly = Database::open(GetConnectionString().replace(
        QStringLiteral("Mode=ReadWrite"), QStringLiteral("Mode=Read")));
    EXPECT_THROW(store::upgradeSchema(readOnly), AppError);
    EXPECT_EQ(store::missingSchemaObjects(db), kReimburserObjects);
}

TEST_F(SchemaUpgradeTest, AStoreWithoutTheInvoiceTableIsLeftAlone) {
    db.exec(QStringLiteral("drop table 发票报销; drop table 发票报销_报销人"));
    EXPECT_EQ(store::missingSchemaObjects(db), QStringList());
    store::upgradeSchema(db);
    EXPECT_EQ(store::missingSchemaObjects(db), QStringList());
}

}  // namespace
