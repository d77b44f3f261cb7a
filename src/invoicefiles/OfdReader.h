#pragma once

#include <QByteArray>

#include "invoicefiles/FileReading.h"

namespace invoicefiles {

// Reads an OFD e-invoice (a zip of XML parts). The invoice is taken, in this order, from a QR
// code picture on the first pages, a barcode annotation's text, the invoice tag file's fields
// (which point at text objects of the pages) or the document's custom data. An archive that
// expands beyond the limits is refused.
FileReading readOfd(const QByteArray& bytes);

}  // namespace invoicefiles
