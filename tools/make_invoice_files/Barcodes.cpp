#include "Barcodes.h"

#include <ZXing/BitMatrix.h>
#include <ZXing/MultiFormatWriter.h>

namespace fixtures {

static QImage imageOf(const ZXing::BitMatrix& matrix) {
    QImage image(matrix.width(), matrix.height(), QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    for (int y = 0; y < matrix.height(); ++y) {
        for (int x = 0; x < matrix.width(); ++x) {
            image.setPixel(x, y, matrix.get(x, y) ? 1 : 0);
        }
    }
    return image;
}

QImage qrCodeImage(const QString& text) {
    const auto matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::QRCode)
                            .setMargin(0)
                            .encode(text.toStdString(), 0, 0);
    return imageOf(matrix);
}

QImage code128Image(const QString& text) {
    const auto matrix = ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128)
                            .setMargin(0)
                            .encode(text.toStdString(), 0, 1);
    return imageOf(matrix);
}

}  // namespace fixtures
