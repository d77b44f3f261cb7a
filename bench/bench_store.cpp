// The store work of one scan with a large store: the registration of a new invoice followed by
// the count, and the registration of an invoice already present, at 10,000 and 1,000,000
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
    const std::unique_ptr<InvoiceStore> invoices = openInvoiceStore();
    InvoiceRecord invoice;
    invoice.invoiceDate = QStringLiteral("20240101");
    invoice.amount = QStringLiteral("100.00");
    for (int i = 0; i < samples; ++i) {
        invoice.code = QStringLiteral("044031900222");
        invoice.number = QString::number(90000000 + i);
        invoice.checkCode = QStringLiteral("1234");
        bench::Stopwatch sw;
        invoices->registerInvoice(invoice, EntryMode::Scan);
        invoices->countInvoices();
        fresh.push_back(sw.elapsedMs());
    }
    for (int i = 0; i < samples; ++i) {
        invoice.code = QStringLiteral("044031900111");
        invoice.number = QString::number(10000000 + (i * 7919) % rows);
        invoice.checkCode.clear();
        bench::Stopwatch sw;
        invoices->registerInvoice(invoice, EntryMode::Scan);
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
