#include "fpbxdb/Migration.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "base/LocaleFormats.h"
#include "fpbxdb/ClaimMigration.h"
#include "store/Database.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"
#include "store/SchemaUpgrade.h"

namespace {

constexpr int kRowsPerBatch = 1000;  // ten parameters each

struct Row {
    std::optional<QString> code, number, invoiceDate, checkCode, reimburser;
    std::optional<qint64> amountUnits, mode;
    std::optional<QString> time;
    std::optional<QString> claim, kind;  // 报销单号 and 发票种类
};

std::optional<QString> textOf(const Statement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<QString>(s.text(column));
}

std::optional<qint64> numberOf(const Statement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<qint64>(s.int64(column));
}

Row readRow(const Statement& s) {
    Row row{textOf(s, 0),   textOf(s, 1),   textOf(s, 3), textOf(s, 4), textOf(s, 7),
            numberOf(s, 2), numberOf(s, 6), std::nullopt, textOf(s, 8), textOf(s, 9)};
    const QString time = s.text(5);
    if (!time.isEmpty()) {
        if (!localefmt::fromStorageText(time)) {
            throw AppError(
                QStringLiteral("发票 %1-%2 的报销时间“%3”不是时间，未复制任何发票")
                    .arg(row.code.value_or(QString()), row.number.value_or(QString()), time));
        }
        row.time = time;
    }
    return row;
}

// Inserts the batch in key order, as the program does, and returns how many were new.
qint64 copyBatch(PgConnection& connection, QList<Row>& batch) {
    std::stable_sort(batch.begin(), batch.end(), [](const Row& a, const Row& b) {
        return std::tie(a.number, a.code) < std::tie(b.number, b.code);
    });
    QStringList tuples;
    PgParams params;
    int parameter = 1;
    for (const Row& row : batch) {
        QStringList placeholders;
        for (int c = 0; c < 10; ++c) {
            placeholders << u'$' + QString::number(parameter++);
        }
        tuples << u'(' + placeholders.join(u',') + u')';
        params.text(row.number)
            .text(row.code)
            .timestamp(row.time)
            .int64(row.mode)
            .text(row.checkCode)
            .text(row.invoiceDate)
            .amountUnits(row.amountUnits)
            .text(row.reimburser)
            .text(row.claim)
            .text(row.kind);
    }
    const PgResult result = connection.exec(
        QStringLiteral("insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, "
                       "开票日期, 开票金额, 报销人, 报销单号, 发票种类) values %1 "
                       "on conflict (发票号码, 发票代码) do nothing")
            .arg(tuples.join(u',')),
        params);
    return result.affectedRows();
}

// The trail's columns, in the order they are read from the file and written to the server.
const char kTrailColumns[] =
    "时间, 操作, 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式, 报销人, "
    "原报销人, 原因, 文件, 总数, 成功, 失败, 用户, 计算机, 版本, 报销单号";
constexpr int kTrailColumnCount = 20;
constexpr int kTrailLinesPerBatch = 1000;  // 21 parameters each

struct TrailLine {
    qint64 serial = 0;
    QString time;
    std::optional<QString> action, code, number, invoiceDate, checkCode, reimbursedAt;
    std::optional<QString> reimburser, previousReimburser, reason, file, user, host, version;
    std::optional<qint64> amountUnits, mode, total, succeeded, failed;
    std::optional<QString> claim;
};

QString checkedTime(const std::optional<QString>& time, const TrailLine& line) {
    if (!time || !localefmt::fromStorageText(*time)) {
        throw AppError(QStringLiteral("操作记录第 %1 行的时间“%2”不是时间，未复制任何记录")
                           .arg(line.serial)
                           .arg(time.value_or(QString())));
    }
    return *time;
}

TrailLine readTrailLine(const Statement& s) {
    TrailLine line;
    line.serial = s.int64(0);
    line.time = checkedTime(textOf(s, 1), line);
    line.action = textOf(s, 2);
    line.code = textOf(s, 3);
    line.number = textOf(s, 4);
    line.amountUnits = numberOf(s, 5);
    line.invoiceDate = textOf(s, 6);
    line.checkCode = textOf(s, 7);
    line.reimbursedAt = textOf(s, 8);
    if (line.reimbursedAt && !line.reimbursedAt->isEmpty()) {
        checkedTime(line.reimbursedAt, line);
    } else {
        line.reimbursedAt.reset();
    }
    line.mode = numberOf(s, 9);
    line.reimburser = textOf(s, 10);
    line.previousReimburser = textOf(s, 11);
    line.reason = textOf(s, 12);
    line.file = textOf(s, 13);
    line.total = numberOf(s, 14);
    line.succeeded = numberOf(s, 15);
    line.failed = numberOf(s, 16);
    line.user = textOf(s, 17);
    line.host = textOf(s, 18);
    line.version = textOf(s, 19);
    line.claim = textOf(s, 20);
    return line;
}

void addTrailLine(PgParams& params, const TrailLine& line) {
    params.int64(line.serial)
        .timestamp(line.time)
        .text(line.action)
        .text(line.code)
        .text(line.number)
        .amountUnits(line.amountUnits)
        .text(line.invoiceDate)
        .text(line.checkCode)
        .timestamp(line.reimbursedAt)
        .int64(line.mode)
        .text(line.reimburser)
        .text(line.previousReimburser)
        .text(line.reason)
        .text(line.file)
        .int64(line.total)
        .int64(line.succeeded)
        .int64(line.failed)
        .text(line.user)
        .text(line.host)
        .text(line.version)
        .text(line.claim);
}

bool hasTrail(Database& source) {
    Statement table = source.prepare(QStringLiteral(
        "select 1 from sqlite_master where type = 'table' and name = '发票报销_记录'"));
    return table.step();
}

// Every line of the file's trail, oldest first, its times checked.
QList<TrailLine> readTrail(Database& source) {
    QList<TrailLine> lines;
    if (!hasTrail(source)) {
        return lines;  // a store of an earlier version, never changed since
    }
    // A trail made before claims has no 报销单号.
    QString columns = QString::fromUtf8(kTrailColumns);
    if (store::missingColumns(source).contains(QStringLiteral("发票报销_记录.报销单号"))) {
        columns.replace(QStringLiteral("版本, 报销单号"), QStringLiteral("版本, null"));
    }
    Statement select = source.prepare(QStringLiteral("select 序号, ") + columns +
                                      QStringLiteral(" from 发票报销_记录 order by 序号"));
    while (select.step()) {
        lines << readTrailLine(select);
    }
    return lines;
}

// Writes the lines the registry's trail does not hold yet, in one transaction. A line counts as
// carried when a line of the same content with an empty 数据库用户 is there (the server's own
// lines always name their login); of several equal lines, as many as are missing go.
qint64 carryTrail(PgConnection& connection, const QList<TrailLine>& lines) {
    if (lines.isEmpty()) {
        return 0;
    }
    const QString columns = QString::fromUtf8(kTrailColumns);
    PgTransaction transaction(connection);
    connection.exec(QStringLiteral(
        "create temp table 迁移记录 (源序号 bigint, 时间 timestamp(0), 操作 text, 发票代码 text, "
        "发票号码 text, 开票金额 numeric(18, 4), 开票日期 text, 校验码 text, "
        "报销时间 timestamp(0), 报销方式 integer, 报销人 text, 原报销人 text, 原因 text, "
        "文件 text, 总数 bigint, 成功 bigint, 失败 bigint, 用户 text, 计算机 text, 版本 text, "
        "报销单号 text) on commit drop"));
    for (qsizetype first = 0; first < lines.size(); first += kTrailLinesPerBatch) {
        const qsizetype count = std::min<qsizetype>(kTrailLinesPerBatch, lines.size() - first);
        QStringList tuples;
        PgParams params;
        int parameter = 1;
        for (qsizetype i = first; i < first + count; ++i) {
            QStringList placeholders;
            for (int c = 0; c <= kTrailColumnCount; ++c) {
                placeholders << u'$' + QString::number(parameter++);
            }
            tuples << u'(' + placeholders.join(u',') + u')';
            addTrailLine(params, lines[i]);
        }
        connection.exec(QStringLiteral("insert into 迁移记录 (源序号, %1) values %2")
                            .arg(columns, tuples.join(u',')),
                        params);
    }
    const QString content = QStringLiteral("row(%1)::text").arg(columns);
    const qint64 carried =
        connection
            .exec(QStringLiteral(
                      "insert into 发票报销_记录 (%1, 数据库用户) "
                      "select %1, '' from (select m.*, row_number() over (partition by m.内容 "
                      "order by m.源序号) as 第 from (select *, %2 as 内容 from 迁移记录) m) m "
                      "left join (select %2 as 内容, count(*) as 已有 from 发票报销_记录 "
                      "where 数据库用户 = '' group by 1) h using (内容) "
                      "where m.第 > coalesce(h.已有, 0) order by m.源序号")
                      .arg(columns, content))
            .affectedRows();
    transaction.commit();
    return carried;
}

}  // namespace

MigrationCount migrateSqliteStore(const QString& databasePath, PgConnection& connection,
                                  const QString& taxNumber, const MigrationProgress& progress) {
    if (!QFileInfo(databasePath).isFile()) {
        throw AppError(QStringLiteral("找不到数据库文件 %1").arg(databasePath));
    }
    const QString schema = pgregistry::schemaName(taxNumber);
    connection.exec(QStringLiteral("select set_config('search_path', $1, false)"),
                    PgParams().text(connection.quotedIdentifier(schema)));
    if (connection.exec(QStringLiteral("select to_regclass('发票报销') is not null")).text(0, 0) !=
        QStringLiteral("t")) {
        throw AppError(QStringLiteral("服务器上没有登记表 %1（先运行 fpbxdb init）").arg(schema));
    }

    Database source = Database::open(QStringLiteral("Data Source=") + databasePath +
                                     QStringLiteral(";Mode=Read;"));
    // A file made before claims has none.
    const bool claimsKept =
        !store::missingColumns(source).contains(QStringLiteral("发票报销.报销单号"));
    const QString select =
        QStringLiteral(
            "select 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式, 报销人, "
            "%1 from 发票报销 order by rowid")
            .arg(claimsKept ? QStringLiteral("报销单号, 发票种类") : QStringLiteral("null, null"));
    // A first pass checks every time, so that a bad row stops the copy before anything is copied.
    Statement check = source.prepare(select);
    qint64 total = 0;
    while (check.step()) {
        readRow(check);
        ++total;
    }
    const QList<TrailLine> trailLines = readTrail(source);
    MigrationCount count;
    // The file's history first: its lines are older than those the copy makes.
    count.trailCarried = carryTrail(connection, trailLines);
    count.trailSkipped = trailLines.size() - count.trailCarried;
    // The claims before their invoices, which take the numbers the registry keeps them under.
    const claimmigration::Carried claims = claimmigration::carryClaims(source, connection);
    count.claimsCarried = claims.carried;
    count.claimsSkipped = claims.skipped;
    count.renumberedClaims = claims.renumbered;
    Statement rows = source.prepare(select);
    QList<Row> batch;
    const auto copy = [&] {
        const qint64 copied = copyBatch(connection, batch);
        count.copied += copied;
        count.skipped += batch.size() - copied;
        batch.clear();
        if (progress) {
            progress(count.copied + count.skipped, total);
        }
    };
    while (rows.step()) {
        batch << readRow(rows);
        if (batch.last().claim) {
            batch.last().claim = claims.numbers.value(*batch.last().claim, *batch.last().claim);
        }
        if (batch.size() == kRowsPerBatch) {
            copy();
        }
    }
    if (!batch.isEmpty()) {
        copy();
    }
    // The copy wrote as many trail lines, all of this minute: the planner learns of them now
    // rather than at the next automatic analysis, so that a day's trail reads by its index.
    if (count.copied > 0 || count.trailCarried > 0) {
        connection.exec(QStringLiteral("analyze 发票报销"));
        connection.exec(QStringLiteral("analyze 发票报销_记录"));
    }
    return count;
}
