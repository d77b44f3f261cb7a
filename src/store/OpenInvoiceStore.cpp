#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "store/DatabaseFile.h"
#include "store/InvoiceStore.h"
#include "store/PgInvoiceStore.h"
#include "store/RegistrationValues.h"
#include "store/SqliteInvoiceStore.h"

namespace {

// The store when config.ini names an engine the program does not know: it keeps nothing and
// says why at every operation.
class UnconfiguredInvoiceStore final : public InvoiceStore {
public:
    explicit UnconfiguredInvoiceStore(const QString& engineText) {
        error_.kind = StoreError::Kind::Misconfigured;
        error_.detail = QStringLiteral("config.ini [数据库] 类型=%1：应为 sqlite 或 postgresql")
                            .arg(engineText);
    }
    Registration registerInvoice(const InvoiceRecord&, EntryMode) override {
        return failedRegistration(Registration::Stage::Lookup, error_);
    }
    QList<Registration> registerInvoices(const QList<InvoiceRecord>& invoices, EntryMode) override {
        return QList<Registration>(invoices.size(),
                                   failedRegistration(Registration::Stage::Lookup, error_));
    }
    InvoiceCount countInvoices() override { return {std::nullopt, error_}; }
    ChangeOutcome correctReimburser(const trail::InvoiceKey&, const QString&) override {
        return failed();
    }
    ChangeOutcome undoRegistration(const trail::InvoiceKey&, const QString&) override {
        return failed();
    }
    ChangeOutcome recordImport(const trail::ImportSummary&) override { return failed(); }
    ChangeOutcome recordRefusal(const InvoiceRecord&, EntryMode) override { return failed(); }
    RegistryRules registryRules() override {
        RegistryRules rules;
        rules.ok = false;
        rules.error = error_;
        return rules;
    }
    RuleNoteCounts ruleNotes(const QDate&, const QDate&) override {
        RuleNoteCounts counts;
        counts.ok = false;
        counts.error = error_;
        return counts;
    }
    trail::Lines readTrail(const trail::Filter&, qsizetype) override {
        trail::Lines lines;
        lines.ok = false;
        lines.error = error_;
        return lines;
    }
    ReimbursementFigures figures(const QDate&, const QDate&, FigureGrouping) override {
        ReimbursementFigures figures;
        figures.ok = false;
        figures.error = error_;
        return figures;
    }

private:
    ChangeOutcome failed() const {
        ChangeOutcome outcome;
        outcome.error = error_;
        return outcome;
    }
    StoreError error_;
};

}  // namespace

std::unique_ptr<InvoiceStore> openInvoiceStore(StoreUse use) {
    const DatabaseSettings settings = currentDatabaseSettings();
    switch (settings.engine) {
        case DatabaseSettings::Engine::Postgresql:
            return std::make_unique<PgInvoiceStore>(settings.connection, TaxNumber(),
                                                    use == StoreUse::Bulk ? PgWork::Bulk
                                                    : use == StoreUse::Reading
                                                        ? PgWork::Reading
                                                        : PgWork::Registration);
        case DatabaseSettings::Engine::Unknown:
            return std::make_unique<UnconfiguredInvoiceStore>(settings.engineText);
        case DatabaseSettings::Engine::Sqlite:
            break;
    }
    return std::make_unique<SqliteInvoiceStore>(
        GetConnectionString(),
        use == StoreUse::Bulk ? Database::Durability::Normal : Database::Durability::Full);
}
