// The store work of one scan with a large store: RegisterInvoice of a new invoice followed by
// CountInvoices, and RegisterInvoice of an invoice already present, at 10,000 and 1,000,000
// recorded invoices.
#include <QCoreApplication>
#include <cstdio>

#include "BenchSupport.h"
#include "store/InvoiceStore.h"

namespace {

struct Figures {
    double newMedian, newP99, presentMedian;
};

Figures measure(qint64 rows) {
    bench::ScratchStore store;
    bench::Stopwatch fillTime;
    store.fill(rows);
    std::printf("  filled %lld rows in %.0f ms\n", static_cast<long long>(rows),
                fillTime.elapsedMs());
    std::vector<double> fresh, present;
    const int samples = 400;
    for (int i = 0; i < samples; ++i) {
        const QString number = QString::number(90000000 + i);
        bench::Stopwatch sw;
        RegisterInvoice(QStringLiteral("0"), number, QStringLiteral("044031900222"),
                        QStringLiteral("1234"), QStringLiteral("20240101"),
                        QStringLiteral("100.00"));
        CountInvoices();
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < samples; ++i) {
        const QString number = QString::number(10000000 + (i * 7919) % rows);
        bench::Stopwatch sw;
        RegisterInvoice(QStringLiteral("0"), number, QStringLiteral("044031900111"), QString(),
                        QStringLiteral("20240101"), QStringLiteral("100.00"));
        present.push_back(sw.elapsedMs());
    }
    return {bench::median(fresh), bench::percentile(fresh, 99), bench::median(present)};
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::printf("store benchmark (400 samples each)\n");
    const Figures small = measure(10000);
    const Figures large = measure(1000000);
    std::printf("rows       new+count median  new+count p99  present median\n");
    std::printf("10000      %8.3f ms       %8.3f ms    %8.3f ms\n", small.newMedian, small.newP99,
                small.presentMedian);
    std::printf("1000000    %8.3f ms       %8.3f ms    %8.3f ms\n", large.newMedian, large.newP99,
                large.presentMedian);
    std::printf("ratio 1M/10k: new+count %.2f, present %.2f\n", large.newMedian / small.newMedian,
                large.presentMedian / small.presentMedian);
    return 0;
}
