// A program that registers invoices as the main window does, for the durability tests: it is
// killed, crashes or ends while the test looks at the database file.
//   store_writer <exe dir> <tax number> <first number> <count> <then>
// then: "idle:<ms>" waits with its event loop running, "exit" returns, "abort" crashes,
// "term" waits for SIGTERM, "forever" goes on registering until it is killed. Each committed
// invoice number is printed on its own line as soon as it is committed.
#include <QCoreApplication>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "base/Paths.h"
#include "store/InvoiceStore.h"
#include "store/ShutdownCheckpoint.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 6) {
        return 2;
    }
    setExeDirOverride(QString::fromLocal8Bit(argv[1]));
    setTaxNumber(QString::fromLocal8Bit(argv[2]));
    shutdowncheckpoint::install(QStringLiteral(FPBX_OUTPUT_DIR "/fpbx-reader"));
    const qint64 first = QByteArray(argv[3]).toLongLong();
    const qint64 count = QByteArray(argv[4]).toLongLong();
    const QByteArray then = argv[5];

    std::unique_ptr<InvoiceStore> store = openInvoiceStore();
    const auto registerOne = [&](qint64 number) {
        InvoiceRecord invoice;
        invoice.code = QStringLiteral("044031900111");
        invoice.number = QString::number(number);
        invoice.amount = QStringLiteral("12.50");
        invoice.invoiceDate = QStringLiteral("20240101");
        if (store->registerInvoice(invoice, EntryMode::Scan).registered()) {
            std::printf("%lld\n", static_cast<long long>(number));
            std::fflush(stdout);
        }
    };
    for (qint64 i = 0; i < count; ++i) {
        registerOne(first + i);
    }
    std::printf("done\n");
    std::fflush(stdout);
    if (then == "forever") {
        for (qint64 number = first + count;; ++number) {
            registerOne(number);
        }
    }
    if (then == "abort") {
        std::abort();
    }
    if (then == "exit") {
        return 0;
    }
    if (then.startsWith("idle:")) {
        QTimer::singleShot(then.mid(5).toInt(), &app, &QCoreApplication::quit);
    }
    const int rc = QCoreApplication::exec();  // "term" ends here on SIGTERM
    store.reset();
    return rc;
}
