#include "fpbxdb/RegistryCheck.h"

#include <QMap>

#include "fpbxdb/RegistryRules.h"
#include "fpbxdb/RegistrySchema.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

// The columns the program reads and writes, with the server's name of their types.
const QMap<QString, QString>& requiredColumns() {
    static const QMap<QString, QString> columns = {
        {QStringLiteral("发票代码"), QStringLiteral("text")},
        {QStringLiteral("发票号码"), QStringLiteral("text")},
        {QStringLiteral("开票金额"), QStringLiteral("numeric")},
        {QStringLiteral("开票日期"), QStringLiteral("text")},
        {QStringLiteral("校验码"), QStringLiteral("text")},
        {QStringLiteral("报销时间"), QStringLiteral("timestamp without time zone")},
        {QStringLiteral("报销方式"), QStringLiteral("integer")},
        {QStringLiteral("报销人"), QStringLiteral("text")},
    };
    return columns;
}

void checkTable(PgConnection& connection, const QString& schema, RegistryCheck& check) {
    const PgResult columns = connection.exec(
        QStringLiteral("select column_name, data_type from information_schema.columns "
                       "where table_schema = $1 and table_name = '发票报销'"),
        PgParams().text(schema));
    QMap<QString, QString> found;
    for (int r = 0; r < columns.rows(); ++r) {
        found.insert(columns.text(r, 0), columns.text(r, 1));
    }
    bool columnsOk = true;
    for (auto it = requiredColumns().cbegin(); it != requiredColumns().cend(); ++it) {
        if (found.value(it.key()) != it.value()) {
            columnsOk = false;
            check.problems << QStringLiteral("列 %1 应为 %2，实为 %3")
                                  .arg(it.key(), it.value(),
                                       found.value(it.key(), QStringLiteral("（没有）")));
        }
    }
    if (columnsOk) {
        check.passed << QStringLiteral("发票报销 表的列齐全");
    }

    const PgResult key = connection.exec(QStringLiteral(
        "select count(*) from pg_index i where i.indrelid = '发票报销'::regclass and "
        "i.indisunique and i.indnatts = 2 and (select array_agg(a.attname::text order by "
        "a.attname) from pg_attribute a where a.attrelid = i.indrelid and a.attnum = any(i.indkey))"
        " = array['发票代码', '发票号码'] collate \"C\""));
    if (key.int64(0, 0) > 0) {
        check.passed << QStringLiteral("(发票号码, 发票代码) 唯一");
    } else {
        check.problems << QStringLiteral("(发票号码, 发票代码) 没有唯一约束：同一发票可能登记两次");
    }

    const PgResult counting = connection.exec(QStringLiteral(
        "select (select count(*) from pg_trigger where tgrelid = '发票报销'::regclass and "
        "tgname in ('发票报销_数量_加', '发票报销_数量_减', '发票报销_数量_清') and tgenabled <> "
        "'D'), "
        "to_regclass('发票报销_数量') is not null"));
    if (counting.int64(0, 0) != 3 || counting.text(0, 1) != QStringLiteral("t")) {
        check.problems << QStringLiteral("计数表或计数触发器缺失（运行 fpbxdb init 补上）");
    }

    // The records window works without its indexes, only slowly.
    const PgResult reading = connection.exec(QStringLiteral(
        "select to_regclass('发票报销_序号') is not null and to_regclass('发票报销_时间顺序') is "
        "not null and to_regclass('发票报销_报销人') is not null and "
        "to_regclass('发票报销_报销人时间') is not null"));
    if (reading.text(0, 0) == QStringLiteral("t")) {
        check.passed << QStringLiteral("报销记录的索引齐全");
    } else {
        check.warnings << QStringLiteral("报销记录的索引缺失，查询会很慢（运行 fpbxdb init 补上）");
    }
}

// The audit trail: its table, the triggers that write it with every change of 发票报销 and
// keep it append-only, and the functions of undo and of an import's line. True when the table
// and the functions are there (their rights can be asked about).
bool checkTrail(PgConnection& connection, RegistryCheck& check) {
    const PgResult trail = connection.exec(QStringLiteral(
        "select to_regclass('发票报销_记录') is not null, "
        "(select count(*) from pg_trigger where tgrelid = '发票报销'::regclass and tgname in "
        "('发票报销_记录_登记', '发票报销_记录_修改', '发票报销_记录_撤销', '发票报销_记录_清空') "
        "and tgenabled <> 'D'), "
        "(select count(*) from pg_trigger where tgrelid = to_regclass('发票报销_记录') and "
        "tgname in ('发票报销_记录_只增', '发票报销_记录_不清') and tgenabled <> 'D'), "
        "to_regprocedure('发票报销_撤销(text, text, text)') is not null and "
        "to_regprocedure('发票报销_记录导入(text, bigint, bigint, bigint)') is not null"));
    if (trail.text(0, 0) != QStringLiteral("t") || trail.text(0, 3) != QStringLiteral("t")) {
        check.problems << QStringLiteral("操作记录表或其函数缺失（运行 fpbxdb init 补上）");
        return false;
    }
    if (trail.int64(0, 1) != 4) {
        check.problems << QStringLiteral(
            "操作记录的触发器缺失或已停用：发票的改动不会留痕（运行 fpbxdb init 补上）");
    } else if (trail.int64(0, 2) != 2) {
        check.problems << QStringLiteral(
            "操作记录的保护触发器缺失或已停用：记录可被改动（运行 fpbxdb init 补上）");
    } else {
        check.passed << QStringLiteral("操作记录：每次登记、修改、撤销都留痕，只能追加");
    }
    return true;
}

// Whether the count agrees with the rows, once the user may read both.
void checkCount(PgConnection& connection, RegistryCheck& check) {
    const PgResult exact =
        connection.exec(QStringLiteral("select (select coalesce(sum(数量), 0) from 发票报销_数量) "
                                       "= (select count(*) from 发票报销)"));
    if (exact.text(0, 0) == QStringLiteral("t")) {
        check.passed << QStringLiteral("计数与行数一致");
    } else {
        check.warnings << QStringLiteral("计数与行数不一致（运行 fpbxdb init 重新计数）");
    }
}

// What the clerks' program can do as this user, capability by capability, each with the grants
// it misses; only registration is needed for the program to work. Then what the user may do
// that the program never needs.
void checkCapabilities(PgConnection& connection, bool trail, RegistryCheck& check) {
    // The trail's functions are asked about only when they exist.
    const QString trailRights =
        trail ? QStringLiteral(
                    "has_table_privilege('发票报销_记录', 'SELECT'),"
                    " has_function_privilege('发票报销_记录导入(text, bigint, bigint, bigint)',"
                    " 'EXECUTE'),"
                    " has_function_privilege('发票报销_撤销(text, text, text)', 'EXECUTE'),"
                    " has_table_privilege('发票报销_记录', 'INSERT') or"
                    " has_table_privilege('发票报销_记录', 'UPDATE') or"
                    " has_table_privilege('发票报销_记录', 'DELETE') or"
                    " has_table_privilege('发票报销_记录', 'TRUNCATE') or"
                    " has_table_privilege('发票报销_记录', 'TRIGGER')")
              : QStringLiteral("false, false, false, false");
    const PgResult rights = connection.exec(
        QStringLiteral(
            "select has_table_privilege('发票报销', 'SELECT'), has_table_privilege('发票报销', "
            "'INSERT'), has_column_privilege('发票报销', '报销人', 'UPDATE'),"
            " has_table_privilege('发票报销_数量', 'SELECT'),"
            " has_table_privilege('发票报销', 'DELETE') or has_table_privilege('发票报销', "
            "'TRUNCATE'),"
            " (select bool_or(has_column_privilege('发票报销', attname, 'UPDATE')) from "
            "pg_attribute"
            "  where attrelid = '发票报销'::regclass and attnum > 0 and not attisdropped"
            "  and attname <> '报销人'), ") +
        trailRights);
    const auto granted = [&](int column) { return rights.text(0, column) == QStringLiteral("t"); };
    enum {
        Select,
        Insert,
        UpdateName,
        SelectCount,
        Delete,
        UpdateOther,
        SelectTrail,
        Import,
        Undo,
        WriteTrail
    };
    const QString select = QStringLiteral("发票报销 的 SELECT");
    const QString insert = QStringLiteral("发票报销 的 INSERT");
    // Each capability with the grants it needs.
    struct Capability {
        QString name;
        QList<std::pair<int, QString>> needs;
        bool required;  // the program cannot work without it
    };
    const QList<Capability> capabilities = {
        {QStringLiteral("登记"),
         {{Select, select},
          {Insert, insert},
          {SelectCount, QStringLiteral("发票报销_数量 的 SELECT")}},
         true},
        {QStringLiteral("查询"),
         {{Select, select}, {SelectTrail, QStringLiteral("发票报销_记录 的 SELECT")}},
         false},
        {QStringLiteral("修改报销人"),
         {{Select, select}, {UpdateName, QStringLiteral("发票报销 (报销人) 的 UPDATE")}},
         false},
        {QStringLiteral("导入"),
         {{Insert, insert}, {Import, QStringLiteral("函数 发票报销_记录导入 的 EXECUTE")}},
         false},
        {QStringLiteral("撤销"), {{Undo, QStringLiteral("函数 发票报销_撤销 的 EXECUTE")}}, false},
    };
    for (const Capability& capability : capabilities) {
        QStringList missing;
        for (const auto& [column, grant] : capability.needs) {
            if (!granted(column)) {
                missing << grant;
            }
        }
        if (missing.isEmpty()) {
            check.passed << capability.name + QStringLiteral("：可以");
            continue;
        }
        const QString line =
            capability.name +
            QStringLiteral("：不可以（缺少 %1）").arg(missing.join(QStringLiteral("、")));
        (capability.required ? check.problems : check.warnings) << line;
    }
    if (granted(Delete)) {
        check.warnings << QStringLiteral(
            "数据库用户可以删除发票：程序不需要（撤销报销经由 发票报销_撤销，留痕），应收回");
    }
    if (granted(UpdateOther)) {
        check.warnings << QStringLiteral("数据库用户可以修改报销人以外的列：程序不需要，应收回");
    }
    if (granted(WriteTrail)) {
        check.warnings << QStringLiteral(
            "数据库用户可以直接写入或改动操作记录：程序不需要（记录由触发器写入），应收回");
    }
}

// The office's rules: their table, the rule notes' columns and the refusal's trail function,
// and whether the user may read the rules and record a refusal.
void checkRules(PgConnection& connection, RegistryCheck& check) {
    const PgResult rules = connection.exec(QStringLiteral(
        "select to_regclass('核销规则') is not null, "
        "(select count(*) from pg_attribute where attrelid in (to_regclass('发票报销'), "
        "to_regclass('发票报销_记录')) and attname = '核销提示' and not attisdropped), "
        "to_regprocedure('发票报销_记录拒绝(text, text, numeric, text, text, integer, text, "
        "text)') is not null"));
    if (rules.text(0, 0) != QStringLiteral("t") || rules.int64(0, 1) != 2 ||
        rules.text(0, 2) != QStringLiteral("t")) {
        check.warnings << QStringLiteral(
            "核销规则表、核销提示列或拒绝登记的函数缺失：带核销提示的发票无法登记（运行 fpbxdb "
            "init 补上）");
        return;
    }
    const PgResult rights = connection.exec(QStringLiteral(
        "select has_table_privilege('核销规则', 'SELECT'), has_function_privilege("
        "'发票报销_记录拒绝(text, text, numeric, text, text, integer, text, text)', 'EXECUTE')"));
    if (rights.text(0, 0) != QStringLiteral("t")) {
        check.problems << QStringLiteral("数据库用户没有权限：读取核销规则（程序将无法登记）");
        return;
    }
    if (rights.text(0, 1) != QStringLiteral("t")) {
        check.warnings << QStringLiteral(
            "数据库用户没有权限：记录拒绝登记（发票报销_"
            "记录拒绝），规则拒绝的发票不会记入操作记录");
    }
    QStringList set;
    for (const auto& [key, value] : registryrules::read(connection)) {
        set << key + u'=' + value;
    }
    check.passed << QStringLiteral("核销规则：") +
                        (set.isEmpty() ? QStringLiteral("未设置") : set.join(QStringLiteral("，")));
}

// Reimbursement claims: their table and numbering function, and the grants a clerk needs to open,
// close and write again a claim. Without them registrations simply join no claim.
void checkClaims(PgConnection& connection, RegistryCheck& check) {
    const QString newClaim = QStringLiteral("报销单_新建(text, timestamp)");
    const PgResult made = connection.exec(
        QStringLiteral("select to_regclass('报销单') is not null and to_regprocedure('") +
        newClaim + QStringLiteral("') is not null"));
    if (made.text(0, 0) != QStringLiteral("t")) {
        check.warnings << QStringLiteral(
            "报销单表或编号函数缺失：登记的发票不能归入报销单（运行 fpbxdb init 补上）");
        return;
    }
    const PgResult rights =
        connection.exec(QStringLiteral("select has_table_privilege('报销单', 'SELECT'), "
                                       "has_column_privilege('报销单', '结单时间', 'UPDATE'), "
                                       "has_column_privilege('报销单', '生成次数', 'UPDATE'), "
                                       "has_function_privilege('") +
                        newClaim + QStringLiteral("', 'EXECUTE')"));
    const QStringList grants = {QStringLiteral("报销单 的 SELECT"),
                                QStringLiteral("报销单 (结单时间) 的 UPDATE"),
                                QStringLiteral("报销单 (生成次数) 的 UPDATE"),
                                QStringLiteral("函数 报销单_新建 的 EXECUTE")};
    QStringList missing;
    for (int c = 0; c < grants.size(); ++c) {
        if (rights.text(0, c) != QStringLiteral("t")) {
            missing << grants[c];
        }
    }
    if (missing.isEmpty()) {
        check.passed << QStringLiteral("报销单：可以");
    } else {
        check.warnings
            << QStringLiteral("报销单：不可以（缺少 %1）").arg(missing.join(QStringLiteral("、")));
    }
}

}  // namespace

RegistryCheck checkRegistry(const QString& conninfo, const QString& taxNumber) {
    RegistryCheck check;
    try {
        const QString schema = pgregistry::schemaName(taxNumber);
        PgConnection connection = PgConnection::open(conninfo, schema, PgWork::Reading);
        const PgResult server = connection.exec(
            QStringLiteral(
                "select current_user, current_setting('server_encoding'), "
                "current_setting('server_version_num')::int, "
                "(select has_schema_privilege(oid, 'USAGE') from pg_namespace where nspname = $1)"),
            PgParams().text(schema));
        check.passed << QStringLiteral("已连接，数据库用户 %1").arg(server.text(0, 0));
        if (server.text(0, 1) != QStringLiteral("UTF8")) {
            check.problems << QStringLiteral("数据库编码为 %1，应为 UTF8").arg(server.text(0, 1));
        }
        if (server.int64(0, 2) < 140000) {
            check.problems << QStringLiteral("服务器版本过旧，需要 PostgreSQL 14 或更新");
        }
        if (server.isNull(0, 3)) {
            check.problems
                << QStringLiteral("没有本税号的登记表 %1（先运行 fpbxdb init）").arg(schema);
            return check;
        }
        if (server.text(0, 3) != QStringLiteral("t")) {
            check.problems << QStringLiteral("数据库用户无权使用登记表 %1").arg(schema);
            return check;
        }
        const PgResult table =
            connection.exec(QStringLiteral("select to_regclass('发票报销') is not null"));
        if (table.text(0, 0) != QStringLiteral("t")) {
            check.problems
                << QStringLiteral("登记表 %1 中没有 发票报销 表（先运行 fpbxdb init）").arg(schema);
            return check;
        }
        checkTable(connection, schema, check);
        const bool trail = checkTrail(connection, check);
        checkCapabilities(connection, trail, check);
        checkRules(connection, check);
        checkClaims(connection, check);
        if (check.usable()) {
            checkCount(connection, check);
        }
    } catch (const PgError& error) {
        check.problems << error.toStoreError().detail;
    } catch (const AppError& error) {
        check.problems << error.message();
    }
    return check;
}
