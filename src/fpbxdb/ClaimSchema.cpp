#include "fpbxdb/ClaimSchema.h"

#include "store/PgConnection.h"

namespace claimschema {

namespace {

const char* const kStatements[] = {
    R"sql(create table if not exists 报销单 (
        报销单号 text primary key,
        报销人 text,
        开单时间 timestamp(0) not null,
        结单时间 timestamp(0),
        生成次数 integer not null default 0,
        原报销单号 text))sql",
    // A claim migrated from a PC's file under a number the registry had already given keeps the
    // number its paper sheet shows here.
    "alter table 报销单 add column if not exists 原报销单号 text",
    // One row per day with the last number given: the update of that row is the queue two PCs
    // opening claims at the same moment wait in, so that each gets a number of its own.
    "create table if not exists 报销单_序号 (日期 text primary key, 序号 integer not null)",
    "create index if not exists 报销单_发票 on 发票报销 (报销单号)",
    R"sql(create or replace function 报销单_新建(p_报销人 text, p_时间 timestamp)
        returns text language plpgsql security definer set search_path from current as $$
        declare
            n integer;
            v text;
        begin
            insert into 报销单_序号 (日期, 序号) values (to_char(p_时间, 'YYYYMMDD'), 1)
                on conflict (日期) do update set 序号 = 报销单_序号.序号 + 1
                returning 序号 into n;
            if n > 9999 then
                raise exception '今天的报销单已有9999张，不能再新建' using errcode = '54000';
            end if;
            v := 'BX' || to_char(p_时间, 'YYYYMMDD') || lpad(n::text, 4, '0');
            insert into 报销单 (报销单号, 报销人, 开单时间) values (v, p_报销人, p_时间);
            return v;
        end $$)sql",
    "revoke all on function 报销单_新建(text, timestamp) from public",
    // The claims' trail lines, whoever changes a claim: opened, closed (with its count and total
    // as they are then), a sheet written again. A closed claim stays closed.
    R"sql(create or replace function 报销单_记录() returns trigger
        language plpgsql security definer set search_path from current as $$
        declare
            a text;
            n bigint;
            s numeric;
        begin
            if tg_op = 'INSERT' then
                a := '新建报销单';
            elsif old.结单时间 is not null and new.结单时间 is distinct from old.结单时间 then
                raise exception '报销单%已结束', old.报销单号 using errcode = '42501';
            elsif old.结单时间 is null and new.结单时间 is not null then
                a := '结束报销单';
                select count(*), coalesce(sum(开票金额), 0) into n, s from 发票报销
                    where 报销单号 = new.报销单号;
            elsif new.生成次数 > old.生成次数 then
                a := '重新生成报销单';
            else
                return null;
            end if;
            insert into 发票报销_记录 (操作, 报销单号, 报销人, 总数, 开票金额, 用户, 计算机, 版本,
                数据库用户)
            values (a, new.报销单号, new.报销人, n, s, current_setting('fpbx.user', true),
                current_setting('fpbx.host', true), current_setting('fpbx.version', true),
                session_user);
            return null;
        end $$)sql",
    R"sql(create or replace trigger 报销单_记录 after insert or update on 报销单
        for each row execute function 报销单_记录())sql",
};

}  // namespace

void create(PgConnection& connection) {
    for (const char* statement : kStatements) {
        connection.exec(QString::fromUtf8(statement));
    }
}

}  // namespace claimschema
