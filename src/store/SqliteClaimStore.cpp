#include "store/SqliteClaimStore.h"

#include <sqlite3.h>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "store/Database.h"
#include "store/SchemaUpgrade.h"
#include "store/SqliteClaimRows.h"
#include "store/SqliteErrors.h"

namespace {

// Opens the file with the claims' objects in place (a store of an earlier version gets them,
// and the trail with its newer columns, outside any transaction).
Database openWithClaims(const QString& connectionString) {
    Database db = Database::open(connectionString);
    store::addMissingTrail(db);
    store::addMissingClaims(db);
    return db;
}

ChangeOutcome failed(const AppError& error) {
    ChangeOutcome outcome;
    outcome.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
    return outcome;
}

ChangeOutcome withResult(ChangeOutcome::Result result) {
    ChangeOutcome outcome;
    outcome.result = result;
    return outcome;
}

}  // namespace

SqliteClaimStore::SqliteClaimStore(QString connectionString)
    : connectionString_(std::move(connectionString)) {}

OpenedClaim SqliteClaimStore::openClaim(const QString& reimburser) {
    OpenedClaim opened;
    try {
        Database db = openWithClaims(connectionString_);
        Transaction transaction(db);  // the write lock: no other program takes the same number
        opened = sqliteclaims::open(db, reimburser, appclock::now());
        transaction.commit();
        opened.ok = true;
    } catch (const AppError& error) {
        opened.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
        opened.number.clear();
    }
    return opened;
}

ChangeOutcome SqliteClaimStore::setReimburser(const QString& number, const QString& reimburser) {
    try {
        Database db = openWithClaims(connectionString_);
        Transaction transaction(db);
        Statement update = db.prepare(QStringLiteral(
            "update 报销单 set 报销人 = ?2 where 报销单号 = ?1 and 结单时间 is null and not exists "
            "(select 1 from 发票报销 where 报销单号 = ?1)"));
        update.bind(1, number).bind(2, reimburser);
        update.execute();
        const bool changed = sqlite3_changes(db.handle()) > 0;
        transaction.commit();
        return withResult(changed ? ChangeOutcome::Result::Done : ChangeOutcome::Result::NotFound);
    } catch (const AppError& error) {
        return failed(error);
    }
}

ChangeOutcome SqliteClaimStore::closeClaim(const QString& number) {
    try {
        Database db = openWithClaims(connectionString_);
        Transaction transaction(db);
        const QString now = localefmt::storageText(appclock::now());
        Statement update =
            db.prepare(QStringLiteral("update 报销单 set 结单时间 = ?2, 生成次数 = 生成次数 + 1 "
                                      "where 报销单号 = ?1 and 结单时间 is null returning 报销人"));
        update.bind(1, number).bind(2, now);
        if (!update.step()) {
            return withResult(ChangeOutcome::Result::NotFound);
        }
        const QString reimburser = update.text(0);
        update.reset();
        Statement totals = db.prepare(QStringLiteral(
            "select count(*), coalesce(sum(开票金额), 0) from 发票报销 where 报销单号 = ?1"));
        totals.bind(1, number);
        totals.step();
        const qint64 count = totals.int64(0);
        const qint64 total = totals.int64(1);
        totals.reset();
        sqliteclaims::appendLine(db, now, trail::kClaimClosed, number, reimburser, count, total);
        transaction.commit();
        return withResult(ChangeOutcome::Result::Done);
    } catch (const AppError& error) {
        return failed(error);
    }
}

ChangeOutcome SqliteClaimStore::recordSheet(const QString& number) {
    try {
        Database db = openWithClaims(connectionString_);
        Transaction transaction(db);
        Statement update =
            db.prepare(QStringLiteral("update 报销单 set 生成次数 = 生成次数 + 1 where 报销单号 = "
                                      "?1 and 结单时间 is not null "
                                      "returning 报销人"));
        update.bind(1, number);
        if (!update.step()) {
            return withResult(ChangeOutcome::Result::NotFound);
        }
        const QString reimburser = update.text(0);
        update.reset();
        sqliteclaims::appendLine(db, localefmt::storageText(appclock::now()), trail::kClaimSheet,
                                 number, reimburser);
        transaction.commit();
        return withResult(ChangeOutcome::Result::Done);
    } catch (const AppError& error) {
        return failed(error);
    }
}

ClaimRead SqliteClaimStore::readClaim(const QString& number) {
    ClaimRead read;
    try {
        Database db = Database::open(connectionString_);
        if (store::missingSchemaObjects(db).contains(QStringLiteral("报销单"))) {
            return read;  // a store of an earlier version has no claims yet
        }
        Statement claim = db.prepare(QStringLiteral(
            "select 报销人, 开单时间, 结单时间, 生成次数 from 报销单 where 报销单号 = ?1"));
        claim.bind(1, number);
        if (!claim.step()) {
            return read;
        }
        StoredClaim stored;
        stored.number = number;
        stored.reimburser = claim.text(0);
        stored.openedAt = localefmt::fromStorageText(claim.text(1)).value_or(QDateTime());
        if (!claim.isNull(2)) {
            stored.closedAt = localefmt::fromStorageText(claim.text(2)).value_or(QDateTime());
        }
        stored.sheets = claim.int64(3);
        Statement invoices = db.prepare(
            QStringLiteral("select 发票种类, 发票代码, 发票号码, 开票日期, 开票金额 from 发票报销 "
                           "where 报销单号 = ?1 order by 报销时间, rowid"));
        invoices.bind(1, number);
        while (invoices.step()) {
            ClaimInvoice invoice{invoices.text(0), invoices.text(1), invoices.text(2),
                                 invoices.text(3), std::nullopt};
            if (!invoices.isNull(4)) {
                invoice.amountUnits = invoices.int64(4);
            }
            stored.invoices << invoice;
        }
        read.claim = stored;
    } catch (const AppError& error) {
        read.ok = false;
        read.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
    }
    return read;
}

ClaimRead SqliteClaimStore::readClaimOf(const trail::InvoiceKey& invoice) {
    QString number;
    try {
        Database db = Database::open(connectionString_);
        if (store::missingColumns(db).contains(QStringLiteral("发票报销.报销单号"))) {
            return {};  // a store of an earlier version: no invoice joined a claim
        }
        Statement claim = db.prepare(
            QStringLiteral("select 报销单号 from 发票报销 where 发票号码 = ?1 and 发票代码 = ?2"));
        claim.bind(1, invoice.number).bind(2, invoice.code);
        if (!claim.step() || claim.isNull(0)) {
            return {};
        }
        number = claim.text(0);
    } catch (const AppError& error) {
        ClaimRead read;
        read.ok = false;
        read.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
        return read;
    }
    return readClaim(number);
}

ClaimFigures SqliteClaimStore::figures(const QDate& from, const QDate& to) {
    ClaimFigures result;
    try {
        Database db = Database::open(connectionString_);
        if (store::missingSchemaObjects(db).contains(QStringLiteral("报销单"))) {
            return result;
        }
        // Each claim with its invoices counted first, then per month and reimburser: sums of
        // whole ten-thousandths are exact.
        Statement select = db.prepare(QStringLiteral(
            "select substr(c.结单时间, 1, 7), coalesce(c.报销人, ''), count(*), sum(c.张数), "
            "sum(c.金额) from (select 报销单.报销单号, 报销单.报销人, 结单时间, "
            "count(发票报销.发票号码) as 张数, coalesce(sum(开票金额), 0) as 金额 from 报销单 "
            "left join 发票报销 on 发票报销.报销单号 = 报销单.报销单号 where 结单时间 >= ?1 and "
            "结单时间 < ?2 group by 报销单.报销单号) as c group by 1, 2 order by 1, 2"));
        select.bind(1, from.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00"))
            .bind(2, to.addDays(1).toString(QStringLiteral("yyyy-MM-dd")) +
                         QStringLiteral(" 00:00:00"));
        while (select.step()) {
            result.rows << ClaimFigure{select.text(0), select.text(1), select.int64(2),
                                       select.int64(3), select.int64(4)};
        }
    } catch (const AppError& error) {
        result.ok = false;
        result.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
        result.rows.clear();
    }
    return result;
}

ClaimRead SqliteClaimStore::lastOpenClaim() {
    QString number;
    try {
        Database db = Database::open(connectionString_);
        const QStringList missing = store::missingSchemaObjects(db);
        if (missing.contains(QStringLiteral("报销单")) ||
            missing.contains(QStringLiteral("发票报销_记录")) ||
            store::missingColumns(db).contains(QStringLiteral("发票报销_记录.报销单号"))) {
            return {};
        }
        const trail::Actor& actor = trail::currentActor();
        Statement open = db.prepare(QStringLiteral(
            "select 报销单号 from 报销单 where 结单时间 is null and 报销单号 in (select 报销单号 "
            "from 发票报销_记录 where 操作 = ?1 and 用户 = ?2 and 计算机 = ?3) "
            "order by 开单时间 desc, 报销单号 desc limit 1"));
        open.bind(1, QString::fromUtf16(trail::kClaimOpened))
            .bind(2, actor.user)
            .bind(3, actor.host);
        if (!open.step()) {
            return {};
        }
        number = open.text(0);
    } catch (const AppError& error) {
        ClaimRead read;
        read.ok = false;
        read.error = sqliteerrors::fromError(error, StoreError::Kind::Other);
        return read;
    }
    return readClaim(number);
}
