#include "store/PgClaimStore.h"

#include "base/Clock.h"
#include "base/LocaleFormats.h"
#include "invoice/Amount.h"
#include "store/PgRegistryName.h"

namespace {

// A registry whose fpbxdb init has not run since claims came keeps none: said in the store's
// words rather than as a missing function.
StoreError storeError(const PgError& error) {
    if (error.sqlState() == QLatin1String("42883") || error.sqlState() == QLatin1String("42P01") ||
        error.sqlState() == QLatin1String("42703")) {
        StoreError missing;
        missing.kind = StoreError::Kind::Misconfigured;
        missing.detail = QStringLiteral("登记库还没有报销单：请管理员运行 fpbxdb init（%1）")
                             .arg(error.message());
        return missing;
    }
    return error.toStoreError();
}

QString nowText() {
    return localefmt::storageText(appclock::now());
}

}  // namespace

PgClaimStore::PgClaimStore(const QString& conninfo, const QString& taxNumber) {
    try {
        session_.emplace(conninfo, pgregistry::schemaName(taxNumber));
    } catch (const AppError& error) {
        unusable_.kind = StoreError::Kind::Misconfigured;
        unusable_.detail = error.message();
    }
}

namespace pgclaims {

OpenedClaim open(PgSession& session, const QString& reimburser, const QDateTime& now) {
    OpenedClaim opened;
    try {
        const PgResult result = session.connection().execPrepared(
            QStringLiteral("select 报销单_新建($1, $2)"),
            PgParams().text(reimburser).timestamp(localefmt::storageText(now)));
        opened.number = result.text(0, 0);
        opened.openedAt = now;
        opened.ok = true;
    } catch (const PgError& error) {
        session.failed(error);
        opened.error = storeError(error);
    }
    return opened;
}

}  // namespace pgclaims

OpenedClaim PgClaimStore::openClaim(const QString& reimburser) {
    if (!session_) {
        OpenedClaim opened;
        opened.error = unusable_;
        return opened;
    }
    return pgclaims::open(*session_, reimburser, appclock::now());
}

ChangeOutcome PgClaimStore::update(const QString& sql, const PgParams& params) {
    ChangeOutcome outcome;
    if (!session_) {
        outcome.error = unusable_;
        return outcome;
    }
    try {
        const PgResult changed = session_->connection().execPrepared(sql, params);
        outcome.result =
            changed.rows() > 0 ? ChangeOutcome::Result::Done : ChangeOutcome::Result::NotFound;
    } catch (const PgError& error) {
        session_->failed(error);
        outcome.error = storeError(error);
    }
    return outcome;
}

ChangeOutcome PgClaimStore::setReimburser(const QString& number, const QString& reimburser) {
    return update(
        QStringLiteral("update 报销单 set 报销人 = $2 where 报销单号 = $1 and 结单时间 is "
                       "null and not exists (select 1 from 发票报销 where 报销单号 = $1) "
                       "returning 报销单号"),
        PgParams().text(number).text(reimburser));
}

ChangeOutcome PgClaimStore::closeClaim(const QString& number) {
    // The registry's trigger writes the line with the claim's count and total.
    return update(QStringLiteral("update 报销单 set 结单时间 = $2, 生成次数 = 生成次数 + 1 "
                                 "where 报销单号 = $1 and 结单时间 is null returning 报销单号"),
                  PgParams().text(number).timestamp(nowText()));
}

ChangeOutcome PgClaimStore::recordSheet(const QString& number) {
    return update(QStringLiteral("update 报销单 set 生成次数 = 生成次数 + 1 where 报销单号 = $1 "
                                 "and 结单时间 is not null returning 报销单号"),
                  PgParams().text(number));
}

ClaimRead PgClaimStore::readClaim(const QString& number) {
    ClaimRead read;
    if (!session_) {
        read.ok = false;
        read.error = unusable_;
        return read;
    }
    try {
        PgConnection& connection = session_->connection();
        PgTransaction transaction(connection);  // the claim and its invoices of one moment
        const PgResult claim = connection.execPrepared(
            QStringLiteral("select 报销人, to_char(开单时间, 'YYYY-MM-DD HH24:MI:SS'), "
                           "to_char(结单时间, 'YYYY-MM-DD HH24:MI:SS'), 生成次数 from 报销单 "
                           "where 报销单号 = $1"),
            PgParams().text(number));
        if (claim.rows() == 0) {
            return read;
        }
        StoredClaim stored;
        stored.number = number;
        stored.reimburser = claim.text(0, 0);
        stored.openedAt = localefmt::fromStorageText(claim.text(0, 1)).value_or(QDateTime());
        if (!claim.isNull(0, 2)) {
            stored.closedAt = localefmt::fromStorageText(claim.text(0, 2)).value_or(QDateTime());
        }
        stored.sheets = claim.int64(0, 3);
        const PgResult invoices = connection.execPrepared(
            QStringLiteral("select 发票种类, 发票代码, 发票号码, 开票日期, 开票金额::text from "
                           "发票报销 where 报销单号 = $1 order by 报销时间, 序号"),
            PgParams().text(number));
        for (int r = 0; r < invoices.rows(); ++r) {
            ClaimInvoice invoice{invoices.text(r, 0), invoices.text(r, 1), invoices.text(r, 2),
                                 invoices.text(r, 3), std::nullopt};
            if (!invoices.isNull(r, 4)) {
                invoice.amountUnits =
                    amount::fromText(invoices.text(r, 4), QStringLiteral("开票金额"));
            }
            stored.invoices << invoice;
        }
        transaction.commit();
        read.claim = stored;
    } catch (const PgError& error) {
        session_->failed(error);
        read.ok = false;
        read.error = storeError(error);
    } catch (const AppError& error) {
        read.ok = false;
        read.error.detail = error.message();
    }
    return read;
}

ClaimRead PgClaimStore::readClaimOf(const trail::InvoiceKey& invoice) {
    ClaimRead read;
    if (!session_) {
        read.ok = false;
        read.error = unusable_;
        return read;
    }
    QString number;
    try {
        const PgResult claim = session_->connection().execPrepared(
            QStringLiteral("select 报销单号 from 发票报销 where 发票号码 = $1 and 发票代码 = $2"),
            PgParams().text(invoice.number).text(invoice.code));
        if (claim.rows() == 0 || claim.isNull(0, 0)) {
            return read;
        }
        number = claim.text(0, 0);
    } catch (const PgError& error) {
        session_->failed(error);
        if (error.sqlState() == QLatin1String("42703")) {
            return read;  // a registry made before claims: no invoice joined one
        }
        read.ok = false;
        read.error = storeError(error);
        return read;
    }
    return readClaim(number);
}

ClaimFigures PgClaimStore::figures(const QDate& from, const QDate& to) {
    ClaimFigures result;
    if (!session_) {
        result.ok = false;
        result.error = unusable_;
        return result;
    }
    try {
        // numeric sums are exact; names in code-point order, as on the embedded store.
        const PgResult rows = session_->connection().execPrepared(
            QStringLiteral(
                "select to_char(c.结单时间, 'YYYY-MM'), coalesce(c.报销人, ''), count(*), "
                "sum(c.张数)::bigint, sum(c.金额)::text from (select 报销单.报销单号, "
                "报销单.报销人, 结单时间, count(发票报销.发票号码) as 张数, "
                "coalesce(sum(开票金额), 0) as 金额 from 报销单 left join 发票报销 on "
                "发票报销.报销单号 = 报销单.报销单号 where 结单时间 >= $1 and 结单时间 < $2 "
                "group by 报销单.报销单号) as c group by 1, 2 "
                "order by 1, coalesce(c.报销人, '') collate \"C\""),
            PgParams()
                .timestamp(from.toString(QStringLiteral("yyyy-MM-dd")) +
                           QStringLiteral(" 00:00:00"))
                .timestamp(to.addDays(1).toString(QStringLiteral("yyyy-MM-dd")) +
                           QStringLiteral(" 00:00:00")));
        for (int r = 0; r < rows.rows(); ++r) {
            result.rows << ClaimFigure{
                rows.text(r, 0), rows.text(r, 1), rows.int64(r, 2), rows.int64(r, 3),
                amount::fromText(rows.text(r, 4), QStringLiteral("开票金额")).value_or(0)};
        }
    } catch (const PgError& error) {
        session_->failed(error);
        if (error.sqlState() != QLatin1String("42P01")) {
            result.ok = false;
            result.error = storeError(error);
        }
    } catch (const AppError& error) {
        result.ok = false;
        result.error.detail = error.message();
    }
    if (!result.ok) {
        result.rows.clear();
    }
    return result;
}

ClaimRead PgClaimStore::lastOpenClaim() {
    ClaimRead read;
    if (!session_) {
        read.ok = false;
        read.error = unusable_;
        return read;
    }
    QString number;
    try {
        const trail::Actor& actor = trail::currentActor();
        const PgResult open = session_->connection().execPrepared(
            QStringLiteral("select 报销单号 from 报销单 where 结单时间 is null and 报销单号 in "
                           "(select 报销单号 from 发票报销_记录 where 操作 = $1 and 用户 = $2 "
                           "and 计算机 = $3) order by 开单时间 desc, 报销单号 desc limit 1"),
            PgParams()
                .text(QString::fromUtf16(trail::kClaimOpened))
                .text(actor.user)
                .text(actor.host));
        if (open.rows() == 0) {
            return read;
        }
        number = open.text(0, 0);
    } catch (const PgError& error) {
        session_->failed(error);
        const QString state = error.sqlState();
        if (state == QLatin1String("42P01") || state == QLatin1String("42703")) {
            return read;  // a registry made before claims
        }
        read.ok = false;
        read.error = storeError(error);
        return read;
    }
    return readClaim(number);
}
