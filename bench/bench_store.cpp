// The store work of one scan at 10,000, 1,000,000 and 10,000,000 recorded invoices: the
// registration of a new invoice followed by the count, and the registration of an invoice
// already present (median and 99th percentile), beside the same statements run bare on the
// engine's C interface in the same run; and the durable syncs one new registration costs,
// counted with strace on a process of its own.
#include <sqlite3.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchSupport.h"
#include "base/Paths.h"
#include "store/InvoiceStore.h"

namespace {

constexpr int kSamples = 400;

struct Figures {
    double newMedian, newP99, presentMedian, presentP99;
};

void print(const char* what, const Figures& f) {
    std::printf("  %-26s new+count %7.3f ms (p99 %7.3f)   present %7.3f ms (p99 %7.3f)\n", what,
                f.newMedian, f.newP99, f.presentMedian, f.presentP99);
}

Figures summarise(const std::vector<double>& fresh, const std::vector<double>& present) {
    return {bench::median(fresh), bench::percentile(fresh, 99), bench::median(present),
            bench::percentile(present, 99)};
}

InvoiceRecord invoice(const QString& code, qint64 number) {
    InvoiceRecord record;
    record.code = code;
    record.number = QString::number(number);
    record.amount = QStringLiteral("100.00");
    record.invoiceDate = QStringLiteral("20240101");
    return record;
}

Figures throughTheStore(qint64 rows, qint64 firstNew) {
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    std::vector<double> fresh, present;
    for (int i = 0; i < kSamples; ++i) {
        const InvoiceRecord record = invoice(QStringLiteral("044031900222"), firstNew + i);
        bench::Stopwatch sw;
        store->registerInvoice(record, EntryMode::Scan);
        store->countInvoices();
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < kSamples; ++i) {
        const InvoiceRecord record =
            invoice(QStringLiteral("044031900111"), 10000000 + (i * 7919) % rows);
        bench::Stopwatch sw;
        store->registerInvoice(record, EntryMode::Scan);
        present.push_back(sw.elapsedMs());
    }
    return summarise(fresh, present);
}

// The same look-up, insert and count, prepared once on a bare connection in the same mode.
Figures bareEngine(const QString& path, qint64 rows, qint64 firstNew) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    sqlite3_stmt* lookup = nullptr;
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* count = nullptr;
    sqlite3_prepare_v2(db,
                       "select 报销时间, 报销人 from 发票报销 where 发票号码=?1 and 发票代码=?2",
                       -1, &lookup, nullptr);
    sqlite3_prepare_v2(db,
                       "insert into 发票报销 (发票号码, 发票代码, 报销时间, 报销方式, 开票日期, "
                       "开票金额) values (?1, ?2, '2024-01-01 00:00:00', 0, '20240101', 1000000)",
                       -1, &insert, nullptr);
    sqlite3_prepare_v2(db, "select 数量 from 发票报销_数量", -1, &count, nullptr);
    const auto look = [&](const QByteArray& number, const char* code) {
        sqlite3_bind_text(lookup, 1, number.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(lookup, 2, code, -1, SQLITE_STATIC);
        const bool found = sqlite3_step(lookup) == SQLITE_ROW;
        sqlite3_reset(lookup);
        return found;
    };
    std::vector<double> fresh, present;
    for (int i = 0; i < kSamples; ++i) {
        const QByteArray number = QByteArray::number(firstNew + i);
        bench::Stopwatch sw;
        if (!look(number, "044031900333")) {
            sqlite3_bind_text(insert, 1, number.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(insert, 2, "044031900333", -1, SQLITE_STATIC);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_step(count);
        sqlite3_reset(count);
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < kSamples; ++i) {
        const QByteArray number = QByteArray::number(10000000 + (i * 7919) % rows);
        bench::Stopwatch sw;
        look(number, "044031900111");
        present.push_back(sw.elapsedMs());
    }
    sqlite3_finalize(lookup);
    sqlite3_finalize(insert);
    sqlite3_finalize(count);
    sqlite3_close(db);
    return summarise(fresh, present);
}

// Child mode: registers count new invoices in the store of exeDir.
int registerNew(const QString& exeDir, int count) {
    setExeDirOverride(exeDir);
    setTaxNumber(QStringLiteral("91110108MA01ABCD2X"));
    const std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    store->countInvoices();  // opened before the counting starts
    std::fprintf(stderr, "START\n");
    for (int i = 0; i < count; ++i) {
        store->registerInvoice(invoice(QStringLiteral("044031900444"), 80000000 + i),
                               EntryMode::Scan);
        store->countInvoices();
    }
    std::fprintf(stderr, "END\n");
    return 0;
}

// fsync and fdatasync calls per new registration, between the child's START and END marks.
double syncsPerRegistration(const QString& exeDir) {
    constexpr int kRegistrations = 50;
    return bench::syncsPerRegistration(
        {QStringLiteral("--register"), exeDir, QString::number(kRegistrations)}, kRegistrations);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 4 && QByteArray(argv[1]) == "--register") {
        return registerNew(QString::fromLocal8Bit(argv[2]), QByteArray(argv[3]).toInt());
    }
    std::printf("store work of one scan, %d samples each\n", kSamples);
    for (const qint64 rows : {10000LL, 1000000LL, 10000000LL}) {
        bench::ScratchStore store;
        store.fillReporting(rows);
        std::printf("%lld invoices:\n", static_cast<long long>(rows));
        print("through the store", throughTheStore(rows, 90000000));
        print("bare engine, same statements", bareEngine(store.databasePath(), rows, 91000000));
        if (rows == 10000) {
            const double syncs = syncsPerRegistration(store.exeDir());
            if (syncs < 0) {
                std::printf("  durable syncs per new registration: strace not available\n");
            } else {
                std::printf("  durable syncs per new registration (and count): %.2f\n", syncs);
            }
        }
    }
    return 0;
}
