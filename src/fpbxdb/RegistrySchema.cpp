#include "fpbxdb/RegistrySchema.h"

#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace registryschema {

namespace {

// Where the schema puts pg_trgm when the database has it nowhere yet.
constexpr char kExtensionSchema[] = "fpbx_extensions";
// 报销人 with A-Z made small, as the records window's search compares it.
constexpr char kReimburserExpression[] =
    "translate(报销人, 'ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'abcdefghijklmnopqrstuvwxyz')";

// Run with the registry's schema as the search path, which the counting functions keep.
const char* const kStatements[] = {
    R"sql(create table if not exists 发票报销 (
        序号 bigint generated always as identity,
        发票代码 text not null,
        发票号码 text not null,
        开票金额 numeric(18, 4),
        开票日期 text,
        校验码 text,
        报销时间 timestamp(0),
        报销方式 integer,
        报销人 text,
        constraint 发票报销_发票 primary key (发票号码, 发票代码)))sql",
    "create index if not exists 发票报销_报销时间 on 发票报销 (报销时间)",
    // The records window: a row by its key, and a result's keys in the grid's order (newest
    // time first, rows without a time last, newest recorded first) without sorting.
    "create unique index if not exists 发票报销_序号 on 发票报销 (序号)",
    "create index if not exists 发票报销_时间顺序 on 发票报销 (报销时间 desc nulls last, 序号 desc)",
    "create table if not exists 发票报销_数量 (槽 integer primary key, 数量 bigint not null)",
    // The counting runs with the owner's rights: the clerks may not change the count.
    R"sql(create or replace function 发票报销_数量_加() returns trigger
        language plpgsql security definer set search_path from current as $$
        declare n bigint;
        begin
            select count(*) into n from 新行;
            if n > 0 then
                update 发票报销_数量 set 数量 = 数量 + n
                    where 槽 = pg_backend_pid() % (select count(*) from 发票报销_数量);
            end if;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_数量_减() returns trigger
        language plpgsql security definer set search_path from current as $$
        declare n bigint;
        begin
            select count(*) into n from 旧行;
            if n > 0 then
                update 发票报销_数量 set 数量 = 数量 - n
                    where 槽 = pg_backend_pid() % (select count(*) from 发票报销_数量);
            end if;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_数量_清() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            update 发票报销_数量 set 数量 = 0;
            return null;
        end $$)sql",
    R"sql(create or replace trigger 发票报销_数量_加 after insert on 发票报销
        referencing new table as 新行 for each statement execute function 发票报销_数量_加())sql",
    R"sql(create or replace trigger 发票报销_数量_减 after delete on 发票报销
        referencing old table as 旧行 for each statement execute function 发票报销_数量_减())sql",
    R"sql(create or replace trigger 发票报销_数量_清 after truncate on 发票报销
        for each statement execute function 发票报销_数量_清())sql",
    // Counted anew while no one registers, so that the count is exact after every run.
    "lock table 发票报销 in share mode",
    "delete from 发票报销_数量",
};

// The records window's search for the reimbursers that contain a text: a trigram index (the
// server's pg_trgm, in Debian's postgresql-15) on the name with A-Z made small, the expression
// the search compares (records/RecordQuery). Where the extension cannot be had (not installed,
// or the administrator may not create it), the search reads every row instead: the same
// invoices, found more slowly.
void createReimburserIndex(PgConnection& connection) {
    connection.exec(QStringLiteral("savepoint 报销人索引"));
    try {
        // One extension per database, shared by every company's registry: made once.
        connection.exec(QStringLiteral("select pg_advisory_xact_lock(hashtext('fpbx pg_trgm'))"));
        const PgResult present = connection.exec(QStringLiteral(
            "select n.nspname from pg_extension e join pg_namespace n on n.oid = e.extnamespace "
            "where e.extname = 'pg_trgm'"));
        QString schema;
        if (present.rows() > 0) {
            schema = present.text(0, 0);
        } else {
            schema = QString::fromLatin1(kExtensionSchema);
            connection.exec(QStringLiteral("create schema if not exists ") +
                            connection.quotedIdentifier(schema));
            connection.exec(QStringLiteral("create extension if not exists pg_trgm schema ") +
                            connection.quotedIdentifier(schema));
        }
        connection.exec(QStringLiteral("create index if not exists 发票报销_报销人 on 发票报销 using "
                                       "gin ((") +
                        QString::fromUtf8(kReimburserExpression) + QStringLiteral(") ") +
                        connection.quotedIdentifier(schema) + QStringLiteral(".gin_trgm_ops)"));
        connection.exec(QStringLiteral("release savepoint 报销人索引"));
    } catch (const PgError& error) {
        if (error.connectionLost()) {
            throw;
        }
        connection.exec(QStringLiteral("rollback to savepoint 报销人索引"));
    }
}

}  // namespace

bool hasReimburserIndex(PgConnection& connection) {
    return connection
               .exec(QStringLiteral("select 1 from pg_indexes where schemaname = "
                                    "current_schema() and indexname = '发票报销_报销人'"))
               .rows() > 0;
}

void create(PgConnection& connection, const QString& taxNumber) {
    const QString schema = connection.quotedIdentifier(pgregistry::schemaName(taxNumber));
    PgTransaction transaction(connection);
    connection.exec(QStringLiteral("select pg_advisory_xact_lock(hashtext($1))"),
                    PgParams().text(schema));
    // An identifier cannot be a parameter: the name is quoted by the client library.
    connection.exec(QStringLiteral("create schema if not exists ") + schema);
    connection.exec(QStringLiteral("select set_config('search_path', $1, true)"),
                    PgParams().text(schema + QStringLiteral(", pg_temp")));
    for (const char* statement : kStatements) {
        connection.exec(QString::fromUtf8(statement));
    }
    connection.exec(QStringLiteral("insert into 发票报销_数量 (槽, 数量) select s, case when s = 0 "
                                   "then (select count(*) from 发票报销) else 0 end "
                                   "from generate_series(0, $1 - 1) as s"),
                    PgParams().int64(kCountSlots));
    createReimburserIndex(connection);
    transaction.commit();
}

}  // namespace registryschema
