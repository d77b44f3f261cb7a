// Four client processes register the same invoices at full speed: each has 20,000, of which
// 15,000 are shared by all four (75 % overlap) and 5,000 are its own, in an order of its own.
// Proof: exactly one row per distinct invoice (35,000), no failure at any client, the count
// right; the throughput is printed. Run as scans (one invoice per call) and as imports
// (batches of 500), on a durable PostgreSQL server and, as the baseline, on one SQLite file.
#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <random>

#include "BenchSupport.h"
#include "PgBenchServer.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "fpbxdb/RegistrySchema.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"
#include "store/InvoiceStore.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

constexpr int kClients = 4;
constexpr int kShared = 15000;
constexpr int kOwn = 5000;
constexpr int kDistinct = kShared + kClients * kOwn;
constexpr int kBatch = 500;

QList<InvoiceRecord> invoicesOf(int client) {
    QList<InvoiceRecord> list;
    for (int i = 0; i < kShared + kOwn; ++i) {
        InvoiceRecord r;
        r.code = QStringLiteral("044031900111");
        r.number = QString::number(i < kShared ? 30000000 + i : 40000000 + client * 10000 + i);
        r.amount = QStringLiteral("12.34");
        r.invoiceDate = QStringLiteral("20240101");
        r.reimburser = QStringLiteral("客户%1").arg(client);
        list << r;
    }
    std::shuffle(list.begin(), list.end(), std::mt19937(unsigned(client) + 1));
    return list;
}

// A client: registers its invoices and prints "registered already failed".
int runClient(int client, const QString& mode) {
    const std::unique_ptr<InvoiceStore> store =
        openInvoiceStore(mode == QStringLiteral("import") ? StoreUse::Bulk : StoreUse::Interactive);
    const QList<InvoiceRecord> invoices = invoicesOf(client);
    int counts[3] = {0, 0, 0};
    const auto tally = [&](const Registration& r) { ++counts[int(r.result)]; };
    if (mode == QStringLiteral("import")) {
        for (qsizetype first = 0; first < invoices.size(); first += kBatch) {
            for (const Registration& r :
                 store->registerInvoices(invoices.mid(first, kBatch), EntryMode::Import)) {
                tally(r);
            }
        }
    } else {
        for (const InvoiceRecord& invoice : invoices) {
            tally(store->registerInvoice(invoice, EntryMode::Scan));
        }
    }
    std::printf("%d %d %d\n", counts[0], counts[1], counts[2]);
    return 0;
}

struct Run {
    double seconds = 0;
    int registered = 0, already = 0, failed = 0;
    bool clientsOk = true;
};

Run runClients(const QStringList& common, const QString& mode) {
    Run run;
    QList<QProcess*> processes;
    bench::Stopwatch wall;
    for (int c = 0; c < kClients; ++c) {
        auto* p = new QProcess;
        p->start(QCoreApplication::applicationFilePath(),
                 QStringList{QStringLiteral("--client"), QString::number(c), mode} + common);
        processes << p;
    }
    for (QProcess* p : processes) {
        p->waitForFinished(-1);
        const QStringList parts = QString::fromUtf8(p->readAllStandardOutput()).split(u' ');
        if (p->exitCode() != 0 || parts.size() != 3) {
            run.clientsOk = false;
        } else {
            run.registered += parts[0].toInt();
            run.already += parts[1].toInt();
            run.failed += parts[2].toInt();
        }
        delete p;
    }
    run.seconds = wall.elapsedMs() / 1000;
    return run;
}

void print(const char* name, const Run& run, qint64 rows, qint64 count) {
    const bool proven = run.clientsOk && run.failed == 0 && run.registered == kDistinct &&
                        rows == kDistinct && count == kDistinct;
    std::printf("%-22s %7.2f s %8.0f /s  %6d %6d %4d  rows %lld count %lld  %s\n", name,
                run.seconds, kClients * (kShared + kOwn) / run.seconds, run.registered, run.already,
                run.failed, static_cast<long long>(rows), static_cast<long long>(count),
                proven ? "one row each, no failure" : "FAILED");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.value(1) == QStringLiteral("--client")) {
        // --client <n> <mode> sqlite <exe dir> <tax number> | postgresql <conninfo> <tax number>
        setTaxNumber(args.value(6));
        QTemporaryDir logDir;  // the registration log of a server client
        if (args.value(4) == QStringLiteral("sqlite")) {
            setExeDirOverride(args.value(5));
        } else {
            setExeDirOverride(logDir.path());
            setDatabaseSettings(
                {DatabaseSettings::Engine::Postgresql, "postgresql", args.value(5)});
        }
        return runClient(args.value(2).toInt(), args.value(3));
    }

    std::printf("%d client processes x %d invoices (%d shared by all), %d distinct\n", kClients,
                kShared + kOwn, kShared, kDistinct);
    std::printf("%-22s %9s %11s  %6s %6s %4s\n", "", "wall", "throughput", "new", "there", "fail");
    bench::PgServer server;
    if (!server.started()) {
        std::printf("no PostgreSQL server could be started\n");
        return 1;
    }
    for (const QString& mode : {QStringLiteral("scan"), QStringLiteral("import")}) {
        {
            const QString taxNumber = QStringLiteral("91110108BENCH") + mode.toUpper();
            PgConnection admin = PgConnection::open(server.conninfo());
            registryschema::create(admin, taxNumber);
            const Run run =
                runClients({QStringLiteral("postgresql"), server.conninfo(), taxNumber}, mode);
            PgConnection db =
                PgConnection::open(server.conninfo(), pgregistry::schemaName(taxNumber));
            const PgResult check =
                db.exec(QStringLiteral("select (select count(*) from 发票报销), (select sum(数量) "
                                       "from 发票报销_数量)::bigint"));
            print(qPrintable(QStringLiteral("PostgreSQL ") + mode), run, check.int64(0, 0),
                  check.int64(0, 1));
        }
        {
            bench::ScratchStore sqlite;
            const Run run =
                runClients({QStringLiteral("sqlite"), sqlite.exeDir(), TaxNumber()}, mode);
            Database db = Database::open(GetConnectionString());
            Statement rows = db.prepare(QStringLiteral("select count(*) from 发票报销"));
            rows.step();
            Statement count = db.prepare(QStringLiteral("select 数量 from 发票报销_数量"));
            count.step();
            print(qPrintable(QStringLiteral("SQLite file ") + mode), run, rows.int64(0),
                  count.int64(0));
        }
    }
    return 0;
}
