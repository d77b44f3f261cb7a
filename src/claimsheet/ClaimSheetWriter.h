#pragma once

#include <QString>

#include "claims/ClaimSheet.h"

class QPagedPaintDevice;

// A claim's sheet on an A4 page (more when the invoices need them): the company, the claim's
// number as text and as a QR code, the reimburser, the date, the table of invoices, the total in
// figures and in capitals and the line for signatures.
namespace claimsheet {

// Lays the sheet out on a printer or a PDF writer.
void paint(const claims::SheetContent& sheet, QPagedPaintDevice& device);

// Writes the sheet as a PDF (fonts embedded) into path, its folder made when missing, through a
// file beside it that takes the name only once complete. Empty, or why it could not.
QString writePdf(const claims::SheetContent& sheet, const QString& path);

}  // namespace claimsheet
