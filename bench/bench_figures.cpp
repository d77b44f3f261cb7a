// The statistics window's figures at 1,000,000 invoices (or the count given): the number of
// invoices and the sum of 开票金额 per 报销人 and per month for a range of 报销时间, one query
// each, through the store, beside the sqlite3 command-line tool running the same statement on the
// same store; then the same through the store on a PostgreSQL server of the same size (--no-pg
// leaves it out). Also the trail of one day and of one invoice.
//   bench_figures [rows] [--no-pg]
#include <QCoreApplication>
#include <cstdio>

#include "BenchSupport.h"
#include "PgBenchServer.h"
#include "base/Clock.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "fpbxdb/RegistrySchema.h"
#include "store/InvoiceStore.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

constexpr int kRuns = 5;

struct Range {
    const char* name;
    QDate from, to;
};

QString dayStart(const QDate& day) {
    return day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(" 00:00:00");
}

// The statements SqliteInvoiceStore::figures runs, with the bounds written in.
QString cliSql(FigureGrouping grouping, const Range& range) {
    const QString bounds = QStringLiteral("报销时间 >= '%1' and 报销时间 < '%2'")
                               .arg(dayStart(range.from), dayStart(range.to.addDays(1)));
    return grouping == FigureGrouping::ByReimburser
               ? QStringLiteral(
                     "select 报销人, count(*), coalesce(sum(开票金额), 0) from 发票报销 "
                     "where %1 group by 报销人 order by 3 desc, 1")
                     .arg(bounds)
               : QStringLiteral(
                     "select substr(报销时间, 1, 7), count(*), "
                     "coalesce(sum(开票金额), 0) from 发票报销 where %1 "
                     "group by 1 order by 1")
                     .arg(bounds);
}

struct Timing {
    double median = 0;
    qint64 invoices = 0;
    int groups = 0;
};

Timing throughTheStore(InvoiceStore& store, FigureGrouping grouping, const Range& range) {
    std::vector<double> runs;
    Timing timing;
    for (int i = 0; i < kRuns; ++i) {
        bench::Stopwatch sw;
        const ReimbursementFigures figures = store.figures(range.from, range.to, grouping);
        runs.push_back(sw.elapsedMs());
        if (!figures.ok) {
            std::printf("  figures failed: %s\n", qPrintable(figures.error.detail));
        }
        timing.invoices = figures.total().invoices;
        timing.groups = int(figures.rows.size());
    }
    timing.median = bench::median(runs);
    return timing;
}

double cli(const QString& database, FigureGrouping grouping, const Range& range) {
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        runs.push_back(bench::runCli(database, cliSql(grouping, range)).wallMs);
    }
    return bench::median(runs);
}

const char* groupingName(FigureGrouping grouping) {
    return grouping == FigureGrouping::ByReimburser ? "per 报销人" : "per month ";
}

void trailFigures(InvoiceStore& store, const QDate& day) {
    std::vector<double> dayRuns, invoiceRuns;
    qsizetype lines = 0;
    for (int i = 0; i < kRuns; ++i) {
        bench::Stopwatch sw;
        lines = store.readTrail(trail::Filter::between(day, day), 5000).entries.size();
        dayRuns.push_back(sw.elapsedMs());
        sw.restart();
        store.readTrail(
            trail::Filter::of({QStringLiteral("044031900111"), QStringLiteral("10000010")}), 100);
        invoiceRuns.push_back(sw.elapsedMs());
    }
    std::printf("  trail of today (%lld lines listed) %8.1f ms; of one invoice %6.2f ms\n",
                static_cast<long long>(lines), bench::median(dayRuns), bench::median(invoiceRuns));
}

}  // namespace

namespace {
int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qint64 rows = 1000000;
    bool withServer = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--no-pg") {
            withServer = false;
        } else {
            rows = QByteArray(argv[i]).toLongLong();
        }
    }
    const QDate today = appclock::now().date();
    // The fill spreads the invoices over the 730 days up to now.
    const QList<Range> ranges = {{"all 730 days", today.addDays(-730), today},
                                 {"one year    ", today.addDays(-364), today},
                                 {"one month   ", today.addDays(-30), today}};

    bench::ScratchStore store;
    store.fillReporting(rows);
    std::printf("figures (median of %d runs)                store       sqlite3 CLI\n", kRuns);
    const std::unique_ptr<InvoiceStore> sqlite = openInvoiceStore();
    // Some registrations today, so that the trail has lines.
    for (int i = 0; i < 200; ++i) {
        InvoiceRecord invoice;
        invoice.code = QStringLiteral("044031900999");
        invoice.number = QString::number(70000000 + i);
        invoice.amount = QStringLiteral("12.34");
        sqlite->registerInvoice(invoice, EntryMode::Scan);
    }
    for (const Range& range : ranges) {
        for (const FigureGrouping grouping :
             {FigureGrouping::ByReimburser, FigureGrouping::ByMonth}) {
            const Timing t = throughTheStore(*sqlite, grouping, range);
            std::printf("  SQLite %s %s (%7lld invoices, %2d rows) %8.1f ms   %8.1f ms\n",
                        range.name, groupingName(grouping), static_cast<long long>(t.invoices),
                        t.groups, t.median, cli(store.databasePath(), grouping, range));
        }
    }
    trailFigures(*sqlite, today);
    if (!withServer) {
        return 0;
    }

    bench::PgServer server;
    if (!server.started()) {
        std::printf("no PostgreSQL server could be started\n");
        return 1;
    }
    PgConnection admin = PgConnection::open(server.conninfo(), {}, PgWork::Bulk);
    registryschema::create(admin, TaxNumber());
    PgConnection db =
        PgConnection::open(server.conninfo(), pgregistry::schemaName(TaxNumber()), PgWork::Bulk);
    bench::Stopwatch fillTime;
    bench::fillRegistry(db, rows, 730 * 86400 / rows);
    std::printf("PostgreSQL filled with %lld invoices (and their trail lines) in %.0f ms\n",
                static_cast<long long>(rows), fillTime.elapsedMs());
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", server.conninfo()});
    const std::unique_ptr<InvoiceStore> pg = openInvoiceStore();
    for (const Range& range : ranges) {
        for (const FigureGrouping grouping :
             {FigureGrouping::ByReimburser, FigureGrouping::ByMonth}) {
            const Timing t = throughTheStore(*pg, grouping, range);
            std::printf("  PostgreSQL %s %s (%7lld invoices, %2d rows) %8.1f ms\n", range.name,
                        groupingName(grouping), static_cast<long long>(t.invoices), t.groups,
                        t.median);
        }
    }
    trailFigures(*pg, today);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runReportingFailure(run, argc, argv);
}
