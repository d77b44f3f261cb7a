#pragma once

#include "store/InvoiceStore.h"

namespace teststore {

// An invoice spelt out field by field: invoice().code("...").number("...").amount("1").
class InvoiceBuilder {
public:
    InvoiceBuilder& code(const QString& v) { return record_.code = v, *this; }
    InvoiceBuilder& number(const QString& v) { return record_.number = v, *this; }
    InvoiceBuilder& amount(const QString& v) { return record_.amount = v, *this; }
    InvoiceBuilder& date(const QString& v) { return record_.invoiceDate = v, *this; }
    InvoiceBuilder& checkCode(const QString& v) { return record_.checkCode = v, *this; }
    InvoiceBuilder& reimburser(const QString& v) { return record_.reimburser = v, *this; }
    InvoiceBuilder& at(const QDateTime& v) { return record_.reimbursedAt = v, *this; }
    InvoiceBuilder& notes(const QString& v) { return record_.ruleNotes = v, *this; }
    InvoiceBuilder& claim(const QString& v) { return record_.claimNumber = v, *this; }
    InvoiceBuilder& kind(const QString& v) { return record_.kindCode = v, *this; }
    operator InvoiceRecord() const { return record_; }

private:
    InvoiceRecord record_;
};

inline InvoiceBuilder invoice() {
    return {};
}

// Registers an invoice on a connection of its own, as another window or program would.
inline Registration recordInvoice(const InvoiceRecord& invoice, EntryMode mode) {
    return openInvoiceStore()->registerInvoice(invoice, mode);
}

}  // namespace teststore
