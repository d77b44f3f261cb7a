#include "RecordsTestSupport.h"

#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "records/RecordSource.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace recordstest {

namespace {

PgConnection server() {
    return PgConnection::open(currentDatabaseSettings().connection,
                              pgregistry::schemaName(TaxNumber()));
}

}  // namespace

bool onServer() {
    return currentDatabaseSettings().engine == DatabaseSettings::Engine::Postgresql;
}

records::Dialect dialect() {
    return onServer() ? records::Dialect::Postgresql : records::Dialect::Sqlite;
}

Invoice Invoice::of(const QString& number, const std::optional<QString>& time) {
    Invoice invoice;
    invoice.number = number;
    invoice.time = time;
    return invoice;
}

void insert(const Invoice& invoice) {
    if (onServer()) {
        server().exec(
            QStringLiteral("insert into 发票报销 (发票代码, 发票号码, 开票金额, 开票日期, 校验码, "
                           "报销时间, 报销方式, 报销人) values ($1, $2, $3, $4, '', $5, $6, $7)"),
            PgParams()
                .text(invoice.code)
                .text(invoice.number)
                .amountUnits(invoice.amount)
                .text(invoice.invoiceDate)
                .timestamp(invoice.time)
                .int64(invoice.mode)
                .text(invoice.reimburser));
        return;
    }
    Database db = Database::open(GetConnectionString());
    Statement s = db.prepare(QStringLiteral(
        "insert into 发票报销 (发票代码, 发票号码, 开票金额, 开票日期, 校验码, 报销时间, 报销方式, "
        "报销人) values (?1, ?2, ?3, ?4, '', ?5, ?6, ?7)"));
    s.bind(1, invoice.code).bind(2, invoice.number).bind(3, invoice.amount);
    s.bind(4, invoice.invoiceDate);
    invoice.time ? s.bind(5, *invoice.time) : s.bindNull(5);
    s.bind(6, invoice.mode);
    invoice.reimburser ? s.bind(7, *invoice.reimburser) : s.bindNull(7);
    s.execute();
}

void insertMany(int count, const QString& day) {
    if (onServer()) {
        server().exec(QStringLiteral(
                          "insert into 发票报销 (发票代码, 发票号码, 开票金额, 开票日期, 报销时间, "
                          "报销方式, 报销人) select '044031900111', (50000000 + i)::text, 100, "
                          "'20240101', $1::date + i * interval '1 second', 0, '张三' "
                          "from generate_series(0, $2 - 1) as i order by i"),
                      PgParams().text(day).int64(count));
        return;
    }
    Database db = Database::open(GetConnectionString());
    Transaction transaction(db);
    Statement s = db.prepare(QStringLiteral(
        "insert into 发票报销 (发票代码, 发票号码, 开票金额, 开票日期, 报销时间, 报销方式, 报销人) "
        "values ('044031900111', ?1, 1000000, '20240101', ?2, 0, '张三')"));
    for (int i = 0; i < count; ++i) {
        s.bind(1, QString::number(50000000 + i))
            .bind(2, QStringLiteral("%1 %2:%3:%4")
                         .arg(day)
                         .arg(i / 3600, 2, 10, QChar(u'0'))
                         .arg(i / 60 % 60, 2, 10, QChar(u'0'))
                         .arg(i % 60, 2, 10, QChar(u'0')));
        s.execute();
        s.reset();
    }
    transaction.commit();
}

void execute(const QString& sql) {
    if (onServer()) {
        server().exec(sql);
        return;
    }
    Database db = Database::open(GetConnectionString());
    db.exec(sql);
}

QStringList numbers(const records::QuerySpec& spec) {
    const std::unique_ptr<records::RecordConnection> connection =
        records::openRecordConnection(records::currentStore());
    records::RecordSource source(*connection);
    source.run(spec);
    QStringList result;
    for (qint64 i = 0; i < source.rowCount(); ++i) {
        result << source.row(i).text[records::kNumber];
    }
    return result;
}

QString storedReimburser(const QString& code, const QString& number) {
    if (onServer()) {
        const PgResult r = server().exec(
            QStringLiteral("select 报销人 from 发票报销 where 发票代码 = $1 and 发票号码 = $2"),
            PgParams().text(code).text(number));
        return r.rows() > 0 ? r.text(0, 0) : QStringLiteral("<no row>");
    }
    Database db = Database::open(GetConnectionString());
    Statement s = db.prepare(
        QStringLiteral("select 报销人 from 发票报销 where 发票代码 = ?1 and 发票号码 = ?2"));
    s.bind(1, code).bind(2, number);
    return s.step() ? s.text(0) : QStringLiteral("<no row>");
}

records::FindRequest findRequest(const records::RecordSource& source, const QString& text,
                                 findwalk::Walk walk) {
    records::FindRequest request;
    request.store = records::currentStore();
    request.spec = source.spec();
    request.keys = source.keys();
    request.columns = {0, 1, 2, 3, 4, 5, 6};
    request.search.text = text;
    request.walk = walk;
    return request;
}

}  // namespace recordstest
