#pragma once

#include "store/ClaimStore.h"

// The claims in the company's SQLite file: a connection per operation (a claim is opened and
// closed a few times a day), the claims' table added to a store of an earlier version before
// the first claim. Numbers are handed out under the file's write lock, so two programs on one
// file never give the same one.
class SqliteClaimStore final : public ClaimStore {
public:
    explicit SqliteClaimStore(QString connectionString);

    OpenedClaim openClaim(const QString& reimburser) override;
    ChangeOutcome setReimburser(const QString& number, const QString& reimburser) override;
    ChangeOutcome closeClaim(const QString& number) override;
    ChangeOutcome recordSheet(const QString& number) override;
    ClaimRead readClaim(const QString& number) override;
    ClaimRead readClaimOf(const trail::InvoiceKey& invoice) override;
    ClaimFigures figures(const QDate& from, const QDate& to) override;
    ClaimRead lastOpenClaim() override;

private:
    QString connectionString_;
};
