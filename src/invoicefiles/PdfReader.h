#pragma once

#include <QByteArray>

#include "invoicefiles/FileReading.h"

namespace invoicefiles {

// Reads a PDF e-invoice: the invoice QR code on the first pages (the top-left corner of the
// first page, where it is usually printed, is tried before whole pages), else the labelled
// fields of the text layer. Damaged, locked or oversized files give a problem.
FileReading readPdf(const QByteArray& bytes);

}  // namespace invoicefiles
