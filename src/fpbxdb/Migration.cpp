#include "fpbxdb/Migration.h"

#include <QFileInfo>
#include <algorithm>
#include <optional>

#include "base/LocaleFormats.h"
#include "store/Database.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

constexpr int kRowsPerBatch = 1000;

struct Row {
    std::optional<QString> code, number, invoiceDate, checkCode, reimburser;
    std::optional<qint64> amountUnits, mode;
    std::optional<QString> time;
};

std::optional<QString> textOf(const Statement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<QString>(s.text(column));
}

std::optional<qint64> numberOf(const Statement& s, int column) {
    return s.isNull(column) ? std::nullopt : std::optional<qint64>(s.int64(column));
}

Row readRow(const Statement& s) {
    Row row{textOf(s, 0), textOf(s, 1),   textOf(s, 3),   textOf(s, 4),
            textOf(s, 7), numberOf(s, 2), numberOf(s, 6), std::nullopt};
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
        for (int c = 0; c < 8; ++c) {
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
            .text(row.reimburser);
    }
    const PgResult result = connection.exec(
        QStringLiteral("insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, "
                       "开票日期, 开票金额, 报销人) values %1 "
                       "on conflict (发票号码, 发票代码) do nothing")
            .arg(tuples.join(u',')),
        params);
    return result.affectedRows();
}

}  // namespace

MigrationCount migrateSqliteStore(const QString& databasePath, PgConnection& connection,
                                  const QString& taxNumber) {
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
    const QString select = QStringLiteral(
        "select 发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式, 报销人 "
        "from 发票报销 order by rowid");
    // A first pass checks every time, so that a bad row stops the copy before anything is copied.
    Statement check = source.prepare(select);
    while (check.step()) {
        readRow(check);
    }
    Statement rows = source.prepare(select);
    MigrationCount count;
    QList<Row> batch;
    const auto copy = [&] {
        const qint64 copied = copyBatch(connection, batch);
        count.copied += copied;
        count.skipped += batch.size() - copied;
        batch.clear();
    };
    while (rows.step()) {
        batch << readRow(rows);
        if (batch.size() == kRowsPerBatch) {
            copy();
        }
    }
    if (!batch.isEmpty()) {
        copy();
    }
    // The copy wrote as many trail lines, all of this minute: the planner learns of them now
    // rather than at the next automatic analysis, so that a day's trail reads by its index.
    if (count.copied > 0) {
        connection.exec(QStringLiteral("analyze 发票报销"));
        connection.exec(QStringLiteral("analyze 发票报销_记录"));
    }
    return count;
}
