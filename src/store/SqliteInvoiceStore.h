#pragma once

#include <QString>
#include <memory>
#include <optional>

#include "store/Database.h"
#include "store/InvoiceStore.h"

// The invoice store in the company's SQLite file. It opens its connection at the first
// operation, keeps it, and opens it again after a failure, so that the next operation works
// once the cause is gone.
class SqliteInvoiceStore final : public InvoiceStore {
public:
    explicit SqliteInvoiceStore(QString connectionString,
                                Database::Durability durability = Database::Durability::Full);
    ~SqliteInvoiceStore() override;

    Registration registerInvoice(const InvoiceRecord& invoice, EntryMode mode) override;
    QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices,
                                         EntryMode mode) override;
    bool prepareForRegistrations() override;
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
    struct Connection;
    Connection& connection();  // throws AppError
    void dropConnection();
    // Runs a change in a transaction of its own; failures become the outcome's error.
    template <class Change>
    ChangeOutcome change(Change&& body);

    QString connectionString_;
    Database::Durability durability_;
    std::unique_ptr<Connection> connection_;
};
