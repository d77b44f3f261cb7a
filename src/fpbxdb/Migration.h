#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <functional>

class PgConnection;

// Copies the invoices of an embedded store (fpbx.mdb) into a company's registry on the server,
// leaving out those already there: running it again copies nothing. Each batch is stored whole
// or not at all; a copy that stops half-way is finished by running it again.
struct MigrationCount {
    qint64 copied = 0;
    qint64 skipped = 0;
    // Lines of the file's audit trail written into the registry's, and those already there.
    qint64 trailCarried = 0;
    qint64 trailSkipped = 0;
    // Reimbursement claims carried and already there, and those given a new number because the
    // registry had given theirs to another claim (file number, registry number): their invoices
    // follow them.
    qint64 claimsCarried = 0;
    qint64 claimsSkipped = 0;
    QList<QPair<QString, QString>> renumberedClaims;
};

// The file's audit trail goes along, each line with its own time, user, computer and version
// and an empty 数据库用户 (no server login made it); a line already carried is not carried
// again. The registry's triggers add their own 登记 line for every invoice copied.
// Throws AppError (PgError for the server) when the file cannot be read, the registry does not
// exist, or a row or a trail line holds a time that is no time.
// progress, when given, hears after every batch how many invoices of how many have been dealt
// with (copied or skipped).
using MigrationProgress = std::function<void(qint64 done, qint64 total)>;
MigrationCount migrateSqliteStore(const QString& databasePath, PgConnection& connection,
                                  const QString& taxNumber, const MigrationProgress& progress = {});
