// Reading invoice files as the reader process will: 1,000 one-page PDF invoices (QR code as a
// picture in the top-left corner, text layer) and 100 OFD invoices (QR picture, invoice tags,
// custom data), written into a temporary folder first. Prints per file the median, 90th
// percentile and total reading time, wall clock and CPU, with two baselines measured in the same
// run: reading the bytes of each file, and a plain reader that renders the whole first page at
// 200 dpi and decodes it. Then the program's own import of each file (reader process, the scan's
// split and checks, the registration in a store of 100,000 invoices, the original kept); and the
// resident and peak memory (the PDFs are read twice to show that memory stays flat).
#include <poppler-qt6.h>
#include <sys/resource.h>

#include <ZXing/ReadBarcode.h>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <ctime>
#include <functional>
#include <optional>

#include "BenchSupport.h"
#include "InvoiceFixtures.h"
#include "OfdBuilder.h"
#include "fileimport/InvoiceFileImport.h"
#include "invoicefiles/InvoiceFile.h"
#include "reader/ReaderClient.h"
#include "store/InvoiceStore.h"

namespace {

constexpr int kPdfFiles = 1000;
constexpr int kOfdFiles = 100;
constexpr int kPlainReaderFiles = 100;

double cpuMs() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// 20 digits.
QString digitalNumber(int i) {
    return QStringLiteral("2444200000%1").arg(1000000000 + i);
}

QString payload(int i, bool fullyDigital) {
    return fullyDigital ? QStringLiteral("01,32,,%1,%2.00,20240208,,7E3F")
                              .arg(digitalNumber(i))
                              .arg(100 + i % 900)
                        : QStringLiteral(
                              "01,10,044031900111,%1,%2.50,20240208,"
                              "12345678901234567890,ABCD,")
                              .arg(20000000 + i)
                              .arg(100 + i % 900);
}

QStringList writePdfs(const QDir& dir) {
    QStringList files;
    for (int i = 0; i < kPdfFiles; ++i) {
        const QString path =
            dir.filePath(QStringLiteral("invoice_%1.pdf").arg(i, 4, 10, QChar(u'0')));
        const bool digital = i % 4 == 0;
        fixtures::writeQrInvoicePdf(
            path, payload(i, digital),
            {digital ? QString() : QStringLiteral("044031900111"),
             digital ? digitalNumber(i) : QString::number(20000000 + i),
             QStringLiteral("2024年02月08日"), QStringLiteral("12345 67890 12345 67890"),
             QStringLiteral("¥%1.50").arg(100 + i % 900), QStringLiteral("¥13.00"),
             QStringLiteral("¥%1.50").arg(113 + i % 900)});
        files.append(path);
    }
    return files;
}

QStringList writeOfds(const QDir& dir) {
    QStringList files;
    for (int i = 0; i < kOfdFiles; ++i) {
        fixtures::OfdLayout layout;
        layout.qrPayload = payload(5000 + i, true);
        const QString number = digitalNumber(5000 + i);
        layout.customData = {{QStringLiteral("发票号码"), number},
                             {QStringLiteral("开票日期"), QStringLiteral("2024年02月08日")}};
        layout.tagFields = {{QStringLiteral("InvoiceNo"), number},
                            {QStringLiteral("IssueDate"), QStringLiteral("2024-02-08")},
                            {QStringLiteral("TaxInclusiveTotalAmount"), QStringLiteral("113.00")}};
        const QString path =
            dir.filePath(QStringLiteral("invoice_%1.ofd").arg(i, 3, 10, QChar(u'0')));
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write(fixtures::ofdArchive(layout));
        files.append(path);
    }
    return files;
}

struct Timings {
    std::vector<double> wallMs;
    double totalWallMs = 0;
    double totalCpuMs = 0;
    int misses = 0;  // files that gave no invoice

    void print(const char* what) const {
        std::printf("  %-44s median %7.2f ms  p90 %7.2f ms  total %8.0f ms  CPU %6.2f ms/file%s\n",
                    what, bench::median(wallMs), bench::percentile(wallMs, 90), totalWallMs,
                    totalCpuMs / double(wallMs.size()),
                    misses ? qPrintable(QStringLiteral("  (%1 without invoice)").arg(misses)) : "");
    }
};

template <typename Read>
Timings timeEach(const QStringList& files, Read read) {
    Timings timings;
    const double cpuStart = cpuMs();
    bench::Stopwatch total;
    for (const QString& path : files) {
        bench::Stopwatch one;
        if (!read(path)) {
            ++timings.misses;
        }
        timings.wallMs.push_back(one.elapsedMs());
    }
    timings.totalWallMs = total.elapsedMs();
    timings.totalCpuMs = cpuMs() - cpuStart;
    return timings;
}

bool readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && !file.readAll().isEmpty();
}

// What a reader without the corner-first search does: the whole first page at 200 dpi.
bool plainRenderAndDecode(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const auto document = Poppler::Document::loadFromData(file.readAll());
    if (!document || document->numPages() < 1) {
        return false;
    }
    const QImage image = document->page(0)->renderToImage(200, 200);
    const ZXing::ImageView view(image.constBits(), image.width(), image.height(),
                                ZXing::ImageFormat::BGRX, int(image.bytesPerLine()));
    return !ZXing::ReadBarcodes(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::QRCode))
                .empty();
}

bool readInvoice(const QString& path) {
    return invoicefiles::readInvoiceFile(path).hasInvoice();
}

// The program's own way: the reading in the reader process, the split and checks of a scan,
// the registration under the current reimburser and the original kept.
class FileImport {
public:
    explicit FileImport(QString companyDir)
        : store_(openInvoiceStore()), companyDir_(std::move(companyDir)) {}

    bool operator()(const QString& path) {
        return fileimport::importFile(path, *store_, QStringLiteral("张三"), companyDir_, reader_)
                   .kind == fileimport::FileOutcome::Kind::Registered;
    }

private:
    std::unique_ptr<InvoiceStore> store_;
    QString companyDir_;
    readerclient::InvoiceFileReader reader_;
};

}  // namespace

int main(int argc, char** argv) {
    bench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QDir folder(dir.path());

    bench::Stopwatch writing;
    const QStringList pdfs = writePdfs(folder);
    const QStringList ofds = writeOfds(folder);
    std::printf("wrote %d PDF and %d OFD invoices in %.0f ms (PDF %lld KiB each on average)\n",
                kPdfFiles, kOfdFiles, writing.elapsedMs(),
                static_cast<long long>(QFileInfo(pdfs.first()).size() / 1024));

    const double residentBefore = bench::residentMiB();
    std::printf("PDF invoices (%d files):\n", kPdfFiles);
    timeEach(pdfs, readBytes).print("baseline: read the bytes");
    timeEach(pdfs.mid(0, kPlainReaderFiles), plainRenderAndDecode)
        .print(qPrintable(
            QStringLiteral("baseline: whole page 200 dpi (%1 files)").arg(kPlainReaderFiles)));
    timeEach(pdfs, readInvoice).print("readInvoiceFile");
    const double residentAfterPdf = bench::residentMiB();
    timeEach(pdfs, readInvoice).print("readInvoiceFile, second round");
    const double residentAfterPdfAgain = bench::residentMiB();

    std::printf("OFD invoices (%d files):\n", kOfdFiles);
    timeEach(ofds, readBytes).print("baseline: read the bytes");
    timeEach(ofds, readInvoice).print("readInvoiceFile");

    {
        bench::ScratchStore store;
        store.fillReporting(100000);
        readerclient::setProgram(QStringLiteral(FPBX_READER));
        FileImport import(dir.filePath(QStringLiteral("company")));
        std::printf(
            "Imported as the program does (reader process, split and checks, registration in a "
            "store of 100,000 invoices, original kept):\n");
        timeEach(pdfs, std::ref(import)).print("PDF");
        timeEach(ofds, std::ref(import)).print("OFD");
    }
    std::printf(
        "resident %.1f MiB before reading, %.1f MiB after the PDFs, %.1f MiB after them "
        "again, %.1f MiB at the end; peak %.1f MiB\n",
        residentBefore, residentAfterPdf, residentAfterPdfAgain, bench::residentMiB(), peakMiB());
    return 0;
}
