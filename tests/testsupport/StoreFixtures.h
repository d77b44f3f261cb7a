#pragma once

#include "store/InvoiceStore.h"

namespace teststore {

// Registers an invoice on a connection of its own, as another window or program would.
inline Registration recordInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    return openInvoiceStore()->registerInvoice(invoice, mode);
}

}  // namespace teststore
