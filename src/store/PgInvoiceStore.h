#pragma once

#include <QString>
#include <optional>

#include "store/InvoiceStore.h"
#include "store/PgConnection.h"

// The invoice store in the company's registry on a PostgreSQL server. It connects at the first
// operation, keeps the connection, and connects again by itself at the next operation once a
// lost server is back. Nothing is ever half-written: a registration is one statement, a batch
// one transaction. The trail is written by the registry's own triggers, in the statement that
// makes the change (fpbxdb's RegistrySchema); an undo and an import's summary go through the
// registry's functions (and so does a refusal's line), so that the clerks need no right to delete
// invoices or write the trail.
class PgInvoiceStore final : public InvoiceStore {
public:
    PgInvoiceStore(const QString& conninfo, const QString& taxNumber,
                   PgWork work = PgWork::Registration);

    Registration registerInvoice(const InvoiceRecord& invoice, EntryMode mode) override;
    QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices,
                                         EntryMode mode) override;
    InvoiceCount countInvoices() override;
    ChangeOutcome correctReimburser(const trail::InvoiceKey& invoice, const QString& name) override;
    ChangeOutcome undoRegistration(const trail::InvoiceKey& invoice,
                                   const QString& reason) override;
    ChangeOutcome recordRefusal(const InvoiceRecord& invoice, EntryMode mode) override;
    RegistryRules registryRules() override;
    RuleNoteCounts ruleNotes(const QDate& from, const QDate& to) override;
    ChangeOutcome recordImport(const trail::ImportSummary& summary) override;
    trail::Lines readTrail(const trail::Filter& filter, qsizetype limit) override;
    ReimbursementFigures figures(const QDate& from, const QDate& to,
                                 FigureGrouping grouping) override;

private:
    struct Pending;
    // Inserts what is not there yet; the invoices found there are marked AlreadyRecorded.
    void insertAbsent(const QList<InvoiceRecord>& invoices, EntryMode mode,
                      const QList<Pending>& pending, QList<Registration>& outcomes);
    void readEarlier(const QList<InvoiceRecord>& invoices, QList<Registration>& outcomes);

    std::optional<PgSession> session_;
    StoreError unusable_;  // why there is no session
};
