#pragma once

#include <QImage>
#include <QString>

// Barcode pictures made with ZXing's writer, black on white, without a quiet zone.
namespace fixtures {

// One pixel per module (per bar width unit for Code 128, one pixel high).
QImage qrCodeImage(const QString& text);
QImage code128Image(const QString& text);

}  // namespace fixtures
