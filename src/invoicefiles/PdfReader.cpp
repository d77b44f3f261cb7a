#include "invoicefiles/PdfReader.h"

#include <poppler-qt6.h>

#include <QRectF>
#include <cmath>
#include <memory>

#include "invoicefiles/InvoiceParties.h"
#include "invoicefiles/QrDecoder.h"
#include "invoicefiles/ReadingLimits.h"
#include "invoicefiles/TextLayerFields.h"

namespace invoicefiles {

namespace {

// Dots per inch pages are rendered at (a 2 cm QR code gets about 5 pixels a module, an 11 mm
// one still 2.5), and the least a page is rendered at when its size forces the resolution down.
constexpr double kDpi = 200;
constexpr double kLeastDpi = 36;
// The part of the first page searched first, as fractions of its width and height.
constexpr double kCornerWidth = 0.45;
constexpr double kCornerHeight = 0.5;

void silencePoppler() {
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction([](const QString&, const QVariant&) {}, QVariant());
        return true;
    }();
    (void)silenced;
}

bool hasArea(const QSizeF& points) {
    const double area = points.width() * points.height();
    return area > 1 && std::isfinite(area);
}

// The resolution for a page of this size in points, lowered so that the image stays within
// the pixel limit; 0 when the page is too large for a useful resolution.
double dpiFor(const QSizeF& points, double wanted) {
    const double area = points.width() * points.height();
    const double pixelsAtWanted = area * (wanted / 72) * (wanted / 72);
    if (pixelsAtWanted <= limits::kMaxRenderPixels) {
        return wanted;
    }
    const double fitting = 72 * std::sqrt(limits::kMaxRenderPixels / area);
    return fitting >= kLeastDpi ? fitting : 0;
}

class PageSearch {
public:
    explicit PageSearch(const Poppler::Document& document) : document_(document) {}

    // The payload of the first invoice QR code on the searched pages.
    FileReading findQrCode() {
        const int pages = searchedPages();
        for (int index = 0; index < pages; ++index) {
            const auto page = document_.page(index);
            if (!page) {
                ++brokenPages_;
                continue;
            }
            const QString origin = QStringLiteral("PDF第%1页二维码").arg(index + 1);
            QString payload = index == 0 ? decodeCorner(*page) : QString();
            if (payload.isEmpty()) {
                payload = decodeWholePage(*page);
            }
            if (!payload.isEmpty()) {
                FileReading reading = fromPayload(payload, origin);
                reading.parties = partiesFromLines(textLines(textRuns(*page)));
                return reading;
            }
        }
        return failure(Problem::NoInvoiceFound);
    }

    FileReading findTextFields() {
        const int pages = searchedPages();
        for (int index = 0; index < pages; ++index) {
            const auto page = document_.page(index);
            if (!page) {
                continue;
            }
            const std::vector<QString> lines = textLines(textRuns(*page));
            FileReading reading =
                fromFields(fieldsFromLines(lines), QStringLiteral("PDF第%1页文字").arg(index + 1));
            if (reading.hasInvoice()) {
                reading.parties = partiesFromLines(lines);
                return reading;
            }
        }
        return failure(Problem::NoInvoiceFound);
    }

    // Why nothing was found, when it was not the plain absence of an invoice.
    Problem problem() const {
        if (brokenPages_ >= searchedPages()) {
            return Problem::Damaged;
        }
        return oversizedPages_ > 0 ? Problem::TooLarge : Problem::NoInvoiceFound;
    }

private:
    static std::vector<TextRun> textRuns(const Poppler::Page& page) {
        std::vector<TextRun> runs;
        for (const auto& box : page.textList()) {
            if (runs.size() >= limits::kMaxTextRunsPerPage) {
                break;
            }
            runs.push_back({box->text(), box->boundingBox()});
        }
        return runs;
    }

    int searchedPages() const {
        return std::min(document_.numPages(), limits::kMaxPdfPagesSearched);
    }

    QString decodeCorner(const Poppler::Page& page) {
        const double dpi = hasArea(page.pageSizeF()) ? dpiFor(page.pageSizeF(), kDpi) : 0;
        if (dpi == 0) {
            return {};
        }
        const QSizeF size = page.pageSizeF() * (dpi / 72);
        const int width = static_cast<int>(size.width() * kCornerWidth);
        const int height = static_cast<int>(size.height() * kCornerHeight);
        return findInvoicePayload(page.renderToImage(dpi, dpi, 0, 0, width, height));
    }

    QString decodeWholePage(const Poppler::Page& page) {
        if (!hasArea(page.pageSizeF())) {
            ++brokenPages_;
            return {};
        }
        const double dpi = dpiFor(page.pageSizeF(), kDpi);
        if (dpi == 0) {
            ++oversizedPages_;
            return {};
        }
        const QImage image = page.renderToImage(dpi, dpi);
        if (image.isNull()) {
            ++brokenPages_;
            return {};
        }
        return findInvoicePayload(image);
    }

    const Poppler::Document& document_;
    int brokenPages_ = 0;
    int oversizedPages_ = 0;
};

}  // namespace

FileReading readPdf(const QByteArray& bytes) {
    if (bytes.isEmpty()) {
        return failure(Problem::Empty);
    }
    if (bytes.size() > limits::kMaxFileBytes) {
        return failure(Problem::TooLarge);
    }
    silencePoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document) {
        return failure(Problem::Damaged);
    }
    if (document->isLocked()) {
        return failure(Problem::Encrypted);
    }
    if (document->numPages() <= 0) {
        return failure(Problem::Damaged);
    }
    document->setRenderHint(Poppler::Document::Antialiasing);

    PageSearch search(*document);
    if (FileReading qr = search.findQrCode(); qr.hasInvoice()) {
        return qr;
    }
    if (FileReading fields = search.findTextFields(); fields.hasInvoice()) {
        return fields;
    }
    return failure(search.problem());
}

}  // namespace invoicefiles
