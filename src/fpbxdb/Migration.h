#pragma once

#include <QString>

class PgConnection;

// Copies the invoices of an embedded store (fpbx.mdb) into a company's registry on the server,
// leaving out those already there: running it again copies nothing. Each batch is stored whole
// or not at all; a copy that stops half-way is finished by running it again.
struct MigrationCount {
    qint64 copied = 0;
    qint64 skipped = 0;
};

// Throws AppError (PgError for the server) when the file cannot be read, the registry does not
// exist, or a row holds a time that is no time.
MigrationCount migrateSqliteStore(const QString& databasePath, PgConnection& connection,
                                  const QString& taxNumber);
