#pragma once

#include <QString>
#include <optional>

#include "store/InvoiceStore.h"
#include "store/PgConnection.h"

// The invoice store in the company's registry on a PostgreSQL server. It connects at the first
// operation, keeps the connection, and connects again by itself at the next operation once a
// lost server is back. Nothing is ever half-written: a registration is one statement, a batch
// one transaction.
class PgInvoiceStore final : public InvoiceStore {
public:
    PgInvoiceStore(const QString& conninfo, const QString& taxNumber);

    Registration registerInvoice(const InvoiceRecord& invoice, EntryMode mode) override;
    QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices,
                                         EntryMode mode) override;
    InvoiceCount countInvoices() override;

private:
    struct Pending;
    // Inserts what is not there yet; the invoices found there are marked AlreadyRecorded.
    void insertAbsent(const QList<InvoiceRecord>& invoices, EntryMode mode,
                      const QList<Pending>& pending, QList<Registration>& outcomes);
    void readEarlier(const QList<InvoiceRecord>& invoices, QList<Registration>& outcomes);

    std::optional<PgSession> session_;
    StoreError unusable_;  // why there is no session
};
