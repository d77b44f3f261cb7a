#pragma once

#include <QHash>
#include <QList>
#include <QPair>
#include <QString>

class Database;
class PgConnection;

// The reimbursement claims of a PC's file carried into a registry on the server. Every PC
// numbers its claims on its own, so a number the registry has already given to another claim
// is replaced by the registry's next number of that day (the claim keeps its file number in
// 原报销单号, and a second run finds it there); the registry's day counters are moved past the
// numbers carried, so that it never gives one of them again.
namespace claimmigration {

struct Carried {
    qint64 carried = 0;
    qint64 skipped = 0;                         // already there
    QList<QPair<QString, QString>> renumbered;  // file number, registry number
    QHash<QString, QString> numbers;            // every file number → its registry number
};

// In one transaction. Throws AppError (PgError for the server).
Carried carryClaims(Database& source, PgConnection& connection);

}  // namespace claimmigration
