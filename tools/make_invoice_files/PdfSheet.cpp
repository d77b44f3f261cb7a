#include "PdfSheet.h"

#include <QPageLayout>
#include <QPageSize>

#include "Barcodes.h"

namespace fixtures {

namespace {
constexpr int kResolution = 600;
}

PdfSheet::PdfSheet(const QString& path, QSizeF pageMillimetres) : writer_(path) {
    writer_.setResolution(kResolution);
    writer_.setPageLayout(QPageLayout(QPageSize(pageMillimetres, QPageSize::Millimeter),
                                      QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    writer_.setCreator(QStringLiteral("fpbx test files"));
    painter_.begin(&writer_);
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPointSizeF(9);
    painter_.setFont(font);
}

PdfSheet::~PdfSheet() {
    painter_.end();
}

QPointF PdfSheet::device(QPointF millimetres) const {
    return millimetres * kResolution / 25.4;
}

QRectF PdfSheet::device(const QRectF& millimetres) const {
    return {device(millimetres.topLeft()), device(millimetres.bottomRight())};
}

void PdfSheet::qrPicture(const QString& text, const QRectF& millimetres, double angle,
                         Compression compression) {
    const QImage code = qrCodeImage(text);
    // Four pixels per module, as issuers embed them: big enough to look sharp when printed.
    const QImage picture = code.scaled(code.size() * 4).convertToFormat(QImage::Format_RGB32);
    const QRectF target = device(millimetres);
    painter_.save();
    // Without this hint Qt's PDF engine stores colour pictures as JPEG.
    painter_.setRenderHint(QPainter::LosslessImageRendering, compression == Compression::Lossless);
    painter_.translate(target.center());
    painter_.rotate(angle);
    painter_.drawImage(
        QRectF(-target.width() / 2, -target.height() / 2, target.width(), target.height()),
        picture);
    painter_.restore();
}

void PdfSheet::qrSquares(const QString& text, const QRectF& millimetres) {
    const QImage code = qrCodeImage(text);
    const QRectF target = device(millimetres);
    const double module = target.width() / code.width();
    for (int y = 0; y < code.height(); ++y) {
        for (int x = 0; x < code.width(); ++x) {
            if (code.pixelIndex(x, y) == 1) {
                painter_.fillRect(
                    QRectF(target.left() + x * module, target.top() + y * module, module, module),
                    Qt::black);
            }
        }
    }
}

void PdfSheet::code128(const QString& text, const QRectF& millimetres) {
    painter_.drawImage(device(millimetres), code128Image(text));
}

void PdfSheet::text(const QString& text, QPointF millimetres, double points) {
    QFont font = painter_.font();
    font.setPointSizeF(points);
    painter_.setFont(font);
    painter_.drawText(device(millimetres), text);
}

void PdfSheet::newPage() {
    writer_.newPage();
}

}  // namespace fixtures
