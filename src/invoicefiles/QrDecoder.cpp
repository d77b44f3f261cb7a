#include "invoicefiles/QrDecoder.h"

#include <ZXing/ReadBarcode.h>

#include <QPainter>
#include <algorithm>

#include "invoicefiles/FileReading.h"

namespace invoicefiles {

static ZXing::ImageView viewOf(const QImage& image) {
    const auto* bits = image.constBits();
    const int stride = static_cast<int>(image.bytesPerLine());
    if (image.format() == QImage::Format_Grayscale8) {
        return {bits, image.width(), image.height(), ZXing::ImageFormat::Lum, stride};
    }
    // 32-bit Qt formats are 0xAARRGGBB words: B, G, R, A in memory on little-endian machines.
    const auto format = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? ZXing::ImageFormat::BGRX
                                                                      : ZXing::ImageFormat::XRGB;
    return {bits, image.width(), image.height(), format, stride};
}

static bool isDirectlyReadable(QImage::Format format) {
    return format == QImage::Format_Grayscale8 || format == QImage::Format_RGB32 ||
           format == QImage::Format_ARGB32 || format == QImage::Format_ARGB32_Premultiplied;
}

QStringList decodeQrCodes(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    const QImage readable = isDirectlyReadable(image.format())
                                ? image
                                : image.convertToFormat(QImage::Format_Grayscale8);
    const auto hints = ZXing::DecodeHints()
                           .setFormats(ZXing::BarcodeFormat::QRCode)
                           .setTryHarder(true)
                           .setTryRotate(true);
    QStringList texts;
    for (const auto& result : ZXing::ReadBarcodes(viewOf(readable), hints)) {
        if (result.isValid()) {
            texts.append(QString::fromStdString(result.text()));
        }
    }
    return texts;
}

QString findInvoicePayload(const QImage& image) {
    for (const QString& text : decodeQrCodes(image)) {
        if (looksLikeInvoicePayload(text)) {
            return text;
        }
    }
    return {};
}

QImage onWhiteWithMargin(const QImage& image) {
    constexpr int kWantedSide = 400;
    const int side = std::max(image.width(), image.height());
    const int scale = std::max(1, kWantedSide / std::max(side, 1));
    // Room for the quiet zone of four modules a QR code needs around it.
    const int margin = std::clamp(side * scale / 8, 8, 128);
    QImage canvas(image.width() * scale + 2 * margin, image.height() * scale + 2 * margin,
                  QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    // Whole-number enlargement without smoothing keeps the modules' edges sharp.
    painter.drawImage(QRect(margin, margin, image.width() * scale, image.height() * scale), image);
    return canvas;
}

}  // namespace invoicefiles
