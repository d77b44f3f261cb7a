// The store work of one scan against the registry on a PostgreSQL server of 1,000,000 invoices
// (a durable server on this machine, over its Unix socket): registering a new invoice and then
// counting, and registering an invoice already there. Beside it, from the same run, the
// embedded SQLite store of the same size and the bare statements through libpq.
#include <QCoreApplication>
#include <cstdio>

#include "BenchSupport.h"
#include "PgBenchServer.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "fpbxdb/RegistrySchema.h"
#include "store/InvoiceStore.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

constexpr qint64 kRows = 1000000;
constexpr int kSamples = 400;

struct Figures {
    double newMedian, newP99, presentMedian, presentP99;
};

// As bench_store measures: new invoices after the filled numbers, present ones among them.
Figures measure(InvoiceStore& store, qint64 firstNew) {
    std::vector<double> fresh, present;
    InvoiceRecord invoice;
    invoice.invoiceDate = QStringLiteral("20240101");
    invoice.amount = QStringLiteral("100.00");
    for (int i = 0; i < kSamples; ++i) {
        invoice.code = QStringLiteral("044031900222");
        invoice.number = QString::number(firstNew + i);
        bench::Stopwatch sw;
        store.registerInvoice(invoice, EntryMode::Scan);
        store.countInvoices();
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < kSamples; ++i) {
        invoice.code = QStringLiteral("044031900111");
        invoice.number = QString::number(10000000 + (i * 7919) % kRows);
        bench::Stopwatch sw;
        const Registration r = store.registerInvoice(invoice, EntryMode::Scan);
        present.push_back(sw.elapsedMs());
        if (r.result != Registration::Result::AlreadyRecorded) {
            std::printf("  unexpected outcome for a present invoice\n");
        }
    }
    return {bench::median(fresh), bench::percentile(fresh, 99), bench::median(present),
            bench::percentile(present, 99)};
}

// The same two statements sent bare, prepared once, without the store around them.
Figures measureBare(PgConnection& db) {
    std::vector<double> fresh, present;
    const QString insert = QStringLiteral(
        "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, 开票金额, "
        "报销人) values ($1, $2, $3, $4, $5, $6, $7, $8) on conflict do nothing "
        "returning 发票号码");
    const QString count =
        QStringLiteral("select coalesce(sum(数量), 0)::bigint from 发票报销_数量");
    const auto params = [](const QString& number, const QString& code) {
        PgParams p;
        p.text(number)
            .text(code)
            .timestamp(QStringLiteral("2024-03-01 09:30:00"))
            .int64(0)
            .text(QString())
            .text(QStringLiteral("20240101"))
            .numeric(QStringLiteral("100"))
            .text(QString());
        return p;
    };
    for (int i = 0; i < kSamples; ++i) {
        bench::Stopwatch sw;
        db.execPrepared(insert,
                        params(QString::number(80000000 + i), QStringLiteral("044031900222")));
        db.execPrepared(count);
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < kSamples; ++i) {
        bench::Stopwatch sw;
        db.execPrepared(insert, params(QString::number(10000000 + (i * 7919) % kRows),
                                       QStringLiteral("044031900111")));
        present.push_back(sw.elapsedMs());
    }
    return {bench::median(fresh), bench::percentile(fresh, 99), bench::median(present),
            bench::percentile(present, 99)};
}

void print(const char* name, const Figures& f) {
    std::printf("%-26s %8.3f ms  %8.3f ms  %8.3f ms  %8.3f ms\n", name, f.newMedian, f.newP99,
                f.presentMedian, f.presentP99);
}

}  // namespace

namespace {
int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("store benchmark at %lld invoices (%d samples each)\n",
                static_cast<long long>(kRows), kSamples);

    bench::ScratchStore sqlite;
    bench::Stopwatch fillTime;
    sqlite.fill(kRows);
    std::printf("  SQLite filled in %.0f ms\n", fillTime.elapsedMs());
    const Figures sqliteFigures = measure(*openInvoiceStore(), 90000000);

    bench::PgServer server;
    if (!server.started()) {
        std::printf("no PostgreSQL server could be started\n");
        return 1;
    }
    PgConnection admin = PgConnection::open(server.conninfo(), {}, PgWork::Bulk);
    registryschema::create(admin, TaxNumber());
    PgConnection db =
        PgConnection::open(server.conninfo(), pgregistry::schemaName(TaxNumber()), PgWork::Bulk);
    fillTime.restart();
    bench::fillRegistry(db, kRows, 63);
    std::printf("  PostgreSQL filled in %.0f ms\n", fillTime.elapsedMs());
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", server.conninfo()});
    // Whatever runs first after the fill pays for the server settling (seen: twice the median),
    // so the bare statements go first and the store is measured on a settled server.
    const Figures bare = measureBare(db);
    const Figures pgFigures = measure(*openInvoiceStore(), 90000000);

    std::printf("%-26s %11s  %11s  %11s  %11s\n", "", "new+count", "new+count", "present",
                "present");
    std::printf("%-26s %11s  %11s  %11s  %11s\n", "", "median", "p99", "median", "p99");
    print("PostgreSQL store", pgFigures);
    print("SQLite store (baseline)", sqliteFigures);
    print("bare libpq statements", bare);
    std::printf("targets on the server: new+count median < 3 ms, p99 < 15 ms; present < 1 ms\n");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runReportingFailure(run, argc, argv);
}
