#pragma once

#include <QString>

// The invoice files written at build time by tools/make_invoice_files.
inline QString invoiceFile(const QString& name) {
    return QStringLiteral(FPBX_INVOICE_FILES_DIR "/") + name;
}
