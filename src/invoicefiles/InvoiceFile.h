#pragma once

#include <QByteArray>
#include <QString>

#include "invoicefiles/FileReading.h"

// The one way in for an invoice file: its form is told by its content, never by its name.
namespace invoicefiles {

enum class FileForm { Pdf, Zip, Other };

// A zip's local header or end record starts a zip (an OFD when it holds OFD.xml); otherwise
// "%PDF-" within the first kilobyte (where PDF readers accept it) makes a PDF.
FileForm formOf(const QByteArray& bytes);

FileReading readInvoiceData(const QByteArray& bytes);

// Reads at most the file size limit: a bigger file, or anything but a regular file, is not read.
FileReading readInvoiceFile(const QString& path);

}  // namespace invoicefiles
