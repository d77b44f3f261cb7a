#pragma once

#include <optional>

#include "store/ClaimStore.h"
#include "store/PgConnection.h"

// The claims in the company's registry on a PostgreSQL server. The registry hands out the
// numbers (its function 报销单_新建 counts each day's claims in one row, so two PCs asking in
// the same moment wait for one another and get the next two numbers) and its triggers write the
// claims' trail lines (fpbxdb init makes both).
namespace pgclaims {
// Opens a claim of the reimburser at now on the session's connection. Throws nothing: the
// failure is in the result (and the session told of it).
OpenedClaim open(PgSession& session, const QString& reimburser, const QDateTime& now);
}  // namespace pgclaims

class PgClaimStore final : public ClaimStore {
public:
    PgClaimStore(const QString& conninfo, const QString& taxNumber);

    OpenedClaim openClaim(const QString& reimburser) override;
    ChangeOutcome setReimburser(const QString& number, const QString& reimburser) override;
    ChangeOutcome closeClaim(const QString& number) override;
    ChangeOutcome recordSheet(const QString& number) override;
    ClaimRead readClaim(const QString& number) override;
    ClaimRead readClaimOf(const trail::InvoiceKey& invoice) override;
    ClaimFigures figures(const QDate& from, const QDate& to) override;
    ClaimRead lastOpenClaim() override;

private:
    // Runs an update that names the claim it changed: Done when it changed one, else NotFound.
    ChangeOutcome update(const QString& sql, const PgParams& params);

    std::optional<PgSession> session_;
    StoreError unusable_;
};
