#include "fpbxdb/RegistrySchema.h"

#include "fpbxdb/ClaimSchema.h"

#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace registryschema {

namespace {

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
        核销提示 text,
        报销单号 text,
        发票种类 text,
        constraint 发票报销_发票 primary key (发票号码, 发票代码)))sql",
    // What the office's rules said of an invoice when it was written off, the claim it joined
    // and its kind (a registry made before them gets the columns).
    "alter table 发票报销 add column if not exists 核销提示 text",
    "alter table 发票报销 add column if not exists 报销单号 text",
    "alter table 发票报销 add column if not exists 发票种类 text",
    "create index if not exists 发票报销_报销时间 on 发票报销 (报销时间)",
    // The records window: a row by its key, and a result's keys in the grid's order (newest
    // time first, rows without a time last, newest recorded first) without sorting.
    "create unique index if not exists 发票报销_序号 on 发票报销 (序号)",
    "create index if not exists 发票报销_时间顺序 on 发票报销 (报销时间 desc nulls last, 序号 "
    "desc)",
    "create table if not exists 发票报销_数量 (槽 integer primary key, 数量 bigint not null)",
    // Every reimburser with the number of invoices under the name, kept exact by the owner's
    // triggers: the records window's 报销人 search tries its text on these few names, whatever
    // its length (a trigram index cannot serve one or two characters), and takes their invoices
    // from the index on (报销人, 报销时间). Anyone who may use the schema may read the names.
    // An earlier version searched by a trigram index of this name: the table takes its place.
    R"sql(do $$ begin
        if (select relkind from pg_class where oid = to_regclass('发票报销_报销人')) = 'i' then
            drop index 发票报销_报销人;
        end if;
    end $$)sql",
    "create table if not exists 发票报销_报销人 (报销人 text primary key, 数量 bigint not null)",
    "grant select on 发票报销_报销人 to public",
    "create index if not exists 发票报销_报销人时间 on 发票报销 (报销人, 报销时间 desc nulls last, "
    "序号 desc)",
    R"sql(create or replace function 发票报销_报销人_加() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            insert into 发票报销_报销人 (报销人, 数量)
                select 报销人, count(*) from 新行 where 报销人 is not null group by 报销人
                order by 报销人
                on conflict (报销人) do update set 数量 = 发票报销_报销人.数量 + excluded.数量;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_报销人_减() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            update 发票报销_报销人 n set 数量 = n.数量 - o.数量
                from (select 报销人, count(*) as 数量 from 旧行 where 报销人 is not null
                      group by 报销人) o
                where n.报销人 = o.报销人;
            delete from 发票报销_报销人 where 数量 <= 0;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_报销人_改() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            update 发票报销_报销人 n set 数量 = n.数量 - o.数量
                from (select 报销人, count(*) as 数量 from 旧行 where 报销人 is not null
                      group by 报销人) o
                where n.报销人 = o.报销人;
            insert into 发票报销_报销人 (报销人, 数量)
                select 报销人, count(*) from 新行 where 报销人 is not null group by 报销人
                order by 报销人
                on conflict (报销人) do update set 数量 = 发票报销_报销人.数量 + excluded.数量;
            delete from 发票报销_报销人 where 数量 <= 0;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_报销人_清() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            delete from 发票报销_报销人;
            return null;
        end $$)sql",
    R"sql(create or replace trigger 发票报销_报销人_加 after insert on 发票报销
        referencing new table as 新行 for each statement execute function 发票报销_报销人_加())sql",
    R"sql(create or replace trigger 发票报销_报销人_减 after delete on 发票报销
        referencing old table as 旧行 for each statement execute function 发票报销_报销人_减())sql",
    R"sql(create or replace trigger 发票报销_报销人_改 after update on 发票报销
        referencing old table as 旧行 new table as 新行
        for each statement execute function 发票报销_报销人_改())sql",
    R"sql(create or replace trigger 发票报销_报销人_清 after truncate on 发票报销
        for each statement execute function 发票报销_报销人_清())sql",
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
    // The audit trail: a line for every change of 发票报销, written by the owner's triggers in
    // the same transaction as the change, whoever makes it. The clerks may read it and nothing
    // else; no one may change or remove a line while the guard triggers are in place.
    R"sql(create table if not exists 发票报销_记录 (
        序号 bigint generated always as identity primary key,
        时间 timestamp(0) not null default localtimestamp(0),
        操作 text not null,
        发票代码 text,
        发票号码 text,
        开票金额 numeric(18, 4),
        开票日期 text,
        校验码 text,
        报销时间 timestamp(0),
        报销方式 integer,
        报销人 text,
        原报销人 text,
        原因 text,
        文件 text,
        总数 bigint,
        成功 bigint,
        失败 bigint,
        用户 text,
        计算机 text,
        版本 text,
        数据库用户 text not null default session_user,
        核销提示 text,
        报销单号 text))sql",
    "alter table 发票报销_记录 add column if not exists 核销提示 text",
    "alter table 发票报销_记录 add column if not exists 报销单号 text",
    "create index if not exists 发票报销_记录_发票 on 发票报销_记录 (发票号码, 发票代码)",
    // A day's lines in the order they were written, even when a migration wrote a million of
    // them in one second.
    "create index if not exists 发票报销_记录_时间 on 发票报销_记录 (时间, 序号)",
    R"sql(create or replace function 发票报销_记录_只增() returns trigger language plpgsql as $$
        begin
            raise exception '发票报销_记录 只能追加，不能修改或删除' using errcode = '42501';
        end $$)sql",
    R"sql(create or replace trigger 发票报销_记录_只增 before update or delete on 发票报销_记录
        for each row execute function 发票报销_记录_只增())sql",
    R"sql(create or replace trigger 发票报销_记录_不清 before truncate on 发票报销_记录
        for each statement execute function 发票报销_记录_只增())sql",
    // Who: the program's session says its computer user, host and version (fpbx.*); the
    // server adds its own login name, which no client can choose.
    R"sql(create or replace function 发票报销_记录_登记() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            insert into 发票报销_记录 (操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码,
                报销时间, 报销方式, 报销人, 用户, 计算机, 版本, 数据库用户, 核销提示, 报销单号)
            select '登记', 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式,
                报销人, current_setting('fpbx.user', true), current_setting('fpbx.host', true),
                current_setting('fpbx.version', true), session_user, 核销提示, 报销单号
            from 新行;
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_记录_修改() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            insert into 发票报销_记录 (操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码,
                报销时间, 报销方式, 报销人, 原报销人, 用户, 计算机, 版本, 数据库用户)
            values (case when (old.发票代码, old.发票号码, old.开票金额, old.开票日期, old.校验码,
                        old.报销时间, old.报销方式) is not distinct from (new.发票代码,
                        new.发票号码, new.开票金额, new.开票日期, new.校验码, new.报销时间,
                        new.报销方式) then '修改报销人' else '修改' end,
                new.发票代码, new.发票号码, new.开票金额, new.开票日期, new.校验码, new.报销时间,
                new.报销方式, new.报销人, old.报销人, current_setting('fpbx.user', true),
                current_setting('fpbx.host', true), current_setting('fpbx.version', true),
                session_user);
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_记录_撤销() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            insert into 发票报销_记录 (操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码,
                报销时间, 报销方式, 报销人, 原因, 用户, 计算机, 版本, 数据库用户, 报销单号)
            values ('撤销报销', old.发票代码, old.发票号码, old.开票金额, old.开票日期, old.校验码,
                old.报销时间, old.报销方式, old.报销人,
                nullif(current_setting('fpbx.reason', true), ''),
                current_setting('fpbx.user', true), current_setting('fpbx.host', true),
                current_setting('fpbx.version', true), session_user, old.报销单号);
            return null;
        end $$)sql",
    R"sql(create or replace function 发票报销_记录_清空() returns trigger
        language plpgsql security definer set search_path from current as $$
        begin
            insert into 发票报销_记录 (操作, 总数, 用户, 计算机, 版本, 数据库用户)
            values ('清空', (select count(*) from 发票报销), current_setting('fpbx.user', true),
                current_setting('fpbx.host', true), current_setting('fpbx.version', true),
                session_user);
            return null;
        end $$)sql",
    R"sql(create or replace trigger 发票报销_记录_登记 after insert on 发票报销
        referencing new table as 新行 for each statement execute function 发票报销_记录_登记())sql",
    R"sql(create or replace trigger 发票报销_记录_修改 after update on 发票报销
        for each row when (old is distinct from new) execute function 发票报销_记录_修改())sql",
    R"sql(create or replace trigger 发票报销_记录_撤销 after delete on 发票报销
        for each row execute function 发票报销_记录_撤销())sql",
    R"sql(create or replace trigger 发票报销_记录_清空 before truncate on 发票报销
        for each statement execute function 发票报销_记录_清空())sql",
    // Undoing a registration: the clerks may not delete invoices, but may be granted this,
    // which removes one invoice only with a reason, and the trail keeps both.
    R"sql(create or replace function 发票报销_撤销(p_发票号码 text, p_发票代码 text, p_原因 text)
        returns integer language plpgsql security definer set search_path from current as $$
        declare n integer;
        begin
            if coalesce(btrim(p_原因), '') = '' then
                raise exception '撤销报销须写明原因' using errcode = '22023';
            end if;
            perform set_config('fpbx.reason', p_原因, true);
            delete from 发票报销 where 发票号码 = p_发票号码 and 发票代码 = p_发票代码;
            get diagnostics n = row_count;
            perform set_config('fpbx.reason', '', true);
            return n;
        end $$)sql",
    "revoke all on function 发票报销_撤销(text, text, text) from public",
    // An import's summary line.
    R"sql(create or replace function 发票报销_记录导入(p_文件 text, p_总数 bigint, p_成功 bigint,
            p_失败 bigint)
        returns void language sql security definer set search_path from current as $$
            insert into 发票报销_记录 (操作, 文件, 总数, 成功, 失败, 用户, 计算机, 版本, 数据库用户)
            values ('导入', p_文件, p_总数, p_成功, p_失败, current_setting('fpbx.user', true),
                current_setting('fpbx.host', true), current_setting('fpbx.version', true),
                session_user)
        $$)sql",
    "revoke all on function 发票报销_记录导入(text, bigint, bigint, bigint) from public",
    // A registration the office's rules refused: nothing is stored but this line.
    R"sql(create or replace function 发票报销_记录拒绝(p_发票代码 text, p_发票号码 text,
            p_开票金额 numeric, p_开票日期 text, p_校验码 text, p_报销方式 integer, p_报销人 text,
            p_核销提示 text)
        returns void language sql security definer set search_path from current as $$
            insert into 发票报销_记录 (操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码,
                报销方式, 报销人, 核销提示, 用户, 计算机, 版本, 数据库用户)
            values ('拒绝登记', p_发票代码, p_发票号码, p_开票金额, p_开票日期, p_校验码,
                p_报销方式, p_报销人, nullif(p_核销提示, ''), current_setting('fpbx.user', true),
                current_setting('fpbx.host', true), current_setting('fpbx.version', true),
                session_user)
        $$)sql",
    "revoke all on function 发票报销_记录拒绝(text, text, numeric, text, text, integer, text, "
    "text) from public",
    // The office's rules, the same for every PC of the company (fpbxdb rules set): anyone who
    // may use the registry may read them, only the owner may change them.
    R"sql(create table if not exists 核销规则 (
        规则 text primary key,
        值 text not null,
        设置时间 timestamp(0) not null default localtimestamp(0),
        设置人 text not null default session_user))sql",
    "grant select on 核销规则 to public",
    // Counted anew while no one registers, so that the count is exact after every run.
    "lock table 发票报销 in share mode",
    "delete from 发票报销_数量",
    "delete from 发票报销_报销人",
    "insert into 发票报销_报销人 (报销人, 数量) select 报销人, count(*) from 发票报销 where 报销人 "
    "is not null group by 报销人",
};

}  // namespace

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
    claimschema::create(connection);
    connection.exec(QStringLiteral("insert into 发票报销_数量 (槽, 数量) select s, case when s = 0 "
                                   "then (select count(*) from 发票报销) else 0 end "
                                   "from generate_series(0, $1 - 1) as s"),
                    PgParams().int64(kCountSlots));
    transaction.commit();
}

}  // namespace registryschema
