#pragma once

#include <QDateTime>
#include <QString>
#include <optional>

#include "store/ClaimStore.h"

class Database;

// The rows a claim writes in the file, inside the caller's transaction: shared by the claim
// store and by a registration that opens its claim in its own transaction.
namespace sqliteclaims {

// A claim's line of the trail: its number, reimburser, and for a closed claim its count and
// total. Throws AppError.
void appendLine(Database& db, const QString& time, const char16_t* action, const QString& number,
                const QString& reimburser, std::optional<qint64> count = std::nullopt,
                std::optional<qint64> totalUnits = std::nullopt);

// Opens a new claim of the reimburser at now: the day's next number, its row and its trail
// line. The caller's transaction holds the write lock, so no other program takes the same
// number. Throws AppError (also when the day has no number left).
OpenedClaim open(Database& db, const QString& reimburser, const QDateTime& now);

}  // namespace sqliteclaims
