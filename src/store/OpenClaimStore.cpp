#include "base/DatabaseSettings.h"
#include "base/Paths.h"
#include "store/ClaimStore.h"
#include "store/DatabaseFile.h"
#include "store/PgClaimStore.h"
#include "store/SqliteClaimStore.h"

namespace {

// The claims when config.ini names an engine the program does not know: none, and why.
class UnconfiguredClaimStore final : public ClaimStore {
public:
    explicit UnconfiguredClaimStore(const QString& engineText) {
        error_.kind = StoreError::Kind::Misconfigured;
        error_.detail = QStringLiteral("config.ini [数据库] 类型=%1：应为 sqlite 或 postgresql")
                            .arg(engineText);
    }
    OpenedClaim openClaim(const QString&) override {
        OpenedClaim opened;
        opened.error = error_;
        return opened;
    }
    ChangeOutcome setReimburser(const QString&, const QString&) override { return failed(); }
    ChangeOutcome closeClaim(const QString&) override { return failed(); }
    ChangeOutcome recordSheet(const QString&) override { return failed(); }
    ClaimRead readClaimOf(const trail::InvoiceKey&) override { return readClaim(QString()); }
    ClaimRead lastOpenClaim() override { return readClaim(QString()); }
    ClaimFigures figures(const QDate&, const QDate&) override {
        ClaimFigures figures;
        figures.ok = false;
        figures.error = error_;
        return figures;
    }
    ClaimRead readClaim(const QString&) override {
        ClaimRead read;
        read.ok = false;
        read.error = error_;
        return read;
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

std::unique_ptr<ClaimStore> openClaimStore() {
    const DatabaseSettings settings = currentDatabaseSettings();
    switch (settings.engine) {
        case DatabaseSettings::Engine::Postgresql:
            return std::make_unique<PgClaimStore>(settings.connection, TaxNumber());
        case DatabaseSettings::Engine::Unknown:
            return std::make_unique<UnconfiguredClaimStore>(settings.engineText);
        case DatabaseSettings::Engine::Sqlite:
            break;
    }
    return std::make_unique<SqliteClaimStore>(GetConnectionString());
}
