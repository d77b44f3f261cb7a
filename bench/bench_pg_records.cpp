// The records window's reads on the registry on a PostgreSQL server (a durable server on this
// machine, over loopback TCP) at 1,000,000 invoices by default: a search's first screen, every
// key of a large result, the 报销人 contains-search, a find walk without a match and the rows of a
// 100,000-row export, each beside the bare select that gives the same rows through libpq.
//
//   bench_pg_records [rows]
#include <QCoreApplication>
#include <cstdio>
#include <limits>

#include "BenchSupport.h"
#include "PgBenchServer.h"
#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "fpbxdb/RegistrySchema.h"
#include "records/RecordSource.h"
#include "records/ResultReader.h"
#include "records/StoreFind.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace {

using records::Dialect;

// The bare select of the same rows, every column as the table keeps it, read to the end in one
// result: each value walked over.
double bareSelect(PgConnection& db, const QString& where, qint64* rows = nullptr) {
    bench::Stopwatch sw;
    const PgResult result =
        db.exec(QStringLiteral("select 序号, 发票代码, 发票号码, 开票金额, 开票日期, 报销时间, "
                               "报销人, 报销方式 from 发票报销") +
                where + QStringLiteral(" order by 报销时间 desc nulls last, 序号 desc"));
    qint64 bytes = 0;
    for (int r = 0; r < result.rows(); ++r) {
        for (int c = 0; c < 8; ++c) {
            bytes += result.bytes(r, c).size();
        }
    }
    if (rows != nullptr) {
        *rows = result.rows();
    }
    return bytes >= 0 ? sw.elapsedMs() : -1;
}

void line(const char* what, double ms, double bare) {
    if (bare >= 0) {
        std::printf("  %-48s %9.1f ms   (bare select %8.1f ms)\n", what, ms, bare);
    } else {
        std::printf("  %-48s %9.1f ms\n", what, ms);
    }
}

// The same clicks on the embedded store of the same size.
void sortOnTheFile(qint64 rows) {
    const DatabaseSettings server = currentDatabaseSettings();
    const QString taxNumber = TaxNumber();
    {
        setDatabaseSettings({});
        bench::ScratchStore file;
        file.fill(rows);
        const auto connection = records::openRecordConnection(records::currentStore());
        records::RecordSource source(*connection);
        for (const records::SortOrder sort :
             {records::SortOrder{records::kAmount, false},
              records::SortOrder{records::kReimburser, true}, records::SortOrder{}}) {
            bench::Stopwatch sw;
            source.run(records::sorted(records::searchQuery(records::SearchForm()), sort));
            for (int i = 0; i < 30; ++i) {
                source.row(i);
            }
            const QByteArray what = "SQLite: sorted by column " + QByteArray::number(sort.column) +
                                    (sort.descending ? " down" : " up") + ": first screen";
            line(what.constData(), sw.elapsedMs(), -1);
            source.finishKeys();
        }
    }
    setTaxNumber(taxNumber);
    setDatabaseSettings(server);
}

}  // namespace

namespace {
int run(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const qint64 rows = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1000000;
    bench::PgServer server(bench::PgServer::Way::Loopback);
    if (!server.started()) {
        std::printf("no PostgreSQL server could be started\n");
        return 1;
    }
    setTaxNumber(QStringLiteral("91110108MA01ABCD2X"));
    PgConnection admin = PgConnection::open(server.conninfo(), {}, PgWork::Bulk);
    bench::Stopwatch fill;
    registryschema::create(admin, TaxNumber());
    PgConnection db =
        PgConnection::open(server.conninfo(), pgregistry::schemaName(TaxNumber()), PgWork::Bulk);
    // One invoice a minute back from 2024-06-30; one in 50 of them in the last day's hundred.
    db.exec(QStringLiteral(
                "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 校验码, 开票日期, "
                "开票金额, 报销人) select (10000000 + i)::text, '044031900111', "
                "timestamp '2024-06-30 18:00:00' - interval '1 minute' * ($1 - i), i % 3, "
                "'12345678901234567890', to_char(timestamp '2024-06-30' - interval '1 minute' * "
                "($1 - i), 'YYYYMMDD'), 100 + (i % 997) / 10000.0, (array['张三','李四','王五',"
                "'财务部','Alice'])[1 + i % 5] || (i % 200)::text from generate_series(0, $1 - 1) "
                "as i"),
            PgParams().int64(rows));
    bench::settleRegistry(db);
    std::printf("records on a server at %lld invoices (filled in %.0f ms)\n",
                static_cast<long long>(rows), fill.elapsedMs());
    setDatabaseSettings({DatabaseSettings::Engine::Postgresql, "postgresql", server.conninfo()});
    const records::StoreAddress store = records::currentStore();

    // The window opening on a day, and a search without criteria: count and first screen.
    {
        bench::Stopwatch sw;
        const auto connection = records::openRecordConnection(store);
        records::RecordSource source(*connection);
        source.run(records::dayQuery(QDate(2024, 6, 30), Dialect::Postgresql));
        for (int i = 0; i < 30; ++i) {
            source.row(i);
        }
        line("open + day query + first screen", sw.elapsedMs(), -1);
    }
    const auto connection = records::openRecordConnection(store);
    records::RecordSource source(*connection);
    {
        bench::Stopwatch sw;
        source.run(records::searchQuery(records::SearchForm(), Dialect::Postgresql));
        for (int i = 0; i < 30; ++i) {
            source.row(i);
        }
        line("no criteria: count + first screen", sw.elapsedMs(), -1);
        sw.restart();
        source.finishKeys();
        line("no criteria: every key", sw.elapsedMs(), bareSelect(db, {}));
    }
    // By the table of names (fpbxdb init of this version), and by every row as a registry of
    // an earlier version is searched (its trigram index serving three characters and more).
    for (const char* name : {"无此人", "财务部17", "alice1", "张", "17"}) {
        records::SearchForm form;
        form.byReimburser = true;
        form.reimburser = QString::fromUtf8(name);
        for (const records::ReimburserNames names :
             {records::ReimburserNames::Kept, records::ReimburserNames::Missing}) {
            bench::Stopwatch sw;
            source.run(records::searchQuery(form, Dialect::Postgresql, names));
            source.row(0);
            const double first = sw.elapsedMs();
            const qint64 count = source.rowCount();
            source.finishKeys();
            const QByteArray what =
                "报销人 contains \"" + QByteArray(name) + "\" (" + QByteArray::number(count) +
                (names == records::ReimburserNames::Kept ? " rows): by the names"
                                                         : " rows): every row");
            line(what.constData(), first, -1);
        }
    }

    // A find walk over every row of the no-criteria result without a match.
    source.run(records::searchQuery(records::SearchForm(), Dialect::Postgresql));
    source.finishKeys();
    {
        records::FindRequest request;
        request.store = store;
        request.spec = source.spec();
        request.keys = source.keys();
        request.columns = {0, 1, 2, 3, 4, 5, 6};
        request.search.text = QStringLiteral("没有的文字");
        request.walk = findwalk::Walk::FromFirst;
        // As the program walks (two stretches at once, each streamed), and in one stretch; each
        // the best of three rounds beside the best of three bare selects, as this machine is
        // shared.
        for (const qint64 split : {request.splitRows, std::numeric_limits<qint64>::max()}) {
            request.splitRows = split;
            double walk = 1e300;
            double bare = 1e300;
            bool found = false;
            for (int round = 0; round < 3; ++round) {
                TaskControl control;
                bench::Stopwatch sw;
                found = found || records::findInStore(request, control).has_value();
                walk = std::min(walk, sw.elapsedMs());
                bare = std::min(bare, bareSelect(db, {}));
            }
            const char* what = found ? "found?!"
                               : split == std::numeric_limits<qint64>::max()
                                   ? "find walk without a match, one stretch (best of 3)"
                                   : "find walk without a match, every row (best of 3)";
            line(what, walk, bare);
            std::printf("  %-48s %9.2f\n", "  ratio to the bare select", walk / bare);
        }
    }

    // A click on a column title: the whole result in another order, and back to the default.
    for (const records::SortOrder sort :
         {records::SortOrder{records::kAmount, false},
          records::SortOrder{records::kReimburser, true}, records::SortOrder{}}) {
        bench::Stopwatch sw;
        source.run(records::sorted(records::searchQuery(records::SearchForm(), Dialect::Postgresql),
                                   sort));
        for (int i = 0; i < 30; ++i) {
            source.row(i);
        }
        const QByteArray what = "sorted by column " + QByteArray::number(sort.column) +
                                (sort.descending ? " down" : " up") + ": first screen";
        line(what.constData(), sw.elapsedMs(), -1);
        source.finishKeys();
    }
    sortOnTheFile(rows);

    // The rows of a 100,000-row export, read and given their texts as the writers take them.
    {
        const qint64 days = std::max<qint64>(1, 100000 / 1440);
        records::SearchForm form;
        form.byReimbursedDate = true;
        form.reimbursedTo = QDate(2024, 6, 30);
        form.reimbursedFrom = form.reimbursedTo.addDays(-(days - 1));
        source.run(records::searchQuery(form, Dialect::Postgresql));
        source.finishKeys();
        const auto worker = records::openRecordConnection(store);
        bench::Stopwatch sw;
        records::ResultReader reader(*worker, source.spec(), source.keys());
        reader.start(0, true);
        qint64 read = 0;
        while (reader.next()) {
            read += reader.row().text[records::kNumber].size() > 0 ? 1 : 0;
        }
        const QByteArray what = "export rows (" + QByteArray::number(read) + " rows read)";
        line(what.constData(), sw.elapsedMs(),
             bareSelect(db, QStringLiteral(" where 报销时间 >= '%1' and 报销时间 < '2024-07-01'")
                                .arg(form.reimbursedFrom.toString(Qt::ISODate))));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    return bench::runReportingFailure(run, argc, argv);
}
