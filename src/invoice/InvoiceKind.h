#pragma once

#include <QString>

// The kind of an invoice, as item [1] of its QR code names it.
namespace invoice {

// "增值税电子普通发票" for "10", …; a code this program does not know is shown as itself.
QString kindName(const QString& code);

}  // namespace invoice
