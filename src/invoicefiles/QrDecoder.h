#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace invoicefiles {

// The texts of every QR code found in the image, in ZXing's order.
QStringList decodeQrCodes(const QImage& image);

// The first decoded text that looks like an invoice payload; empty when there is none (other
// codes, a web address say, are passed over).
QString findInvoicePayload(const QImage& image);

// A picture as stored in a file (maybe tiny, transparent, without a quiet zone) on white, with
// a margin, enlarged to a size ZXing decodes well.
QImage onWhiteWithMargin(const QImage& image);

}  // namespace invoicefiles
