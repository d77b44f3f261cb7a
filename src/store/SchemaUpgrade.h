#pragma once

#include <QStringList>

#include "store/Database.h"

// A store made by an earlier version of the program lacks objects that the committed schema
// (assets/schema.sql) has since gained: tables kept by triggers, indexes. Bringing it up to date
// creates them as the schema writes them and fills the new tables from the invoices already
// recorded, in one transaction. The invoice table itself is never created here.
namespace store {

// The names of the schema's objects that the store lacks, in schema order.
QStringList missingSchemaObjects(Database& db);

// Creates the missing objects and fills them. Throws AppError; nothing changes then. On a large
// store this takes a while (an index over every invoice): callers run it off the UI thread.
void upgradeSchema(Database& db);

// The audit trail's objects (发票报销_记录, its indexes and triggers) alone: creating them costs
// nothing on any store, so the store adds them by itself before its first change when a store of
// an earlier version lacks them. True when something was created. Throws AppError.
bool addMissingTrail(Database& db);

// The claims' objects (报销单 and the index of 发票报销 by 报销单号), after the columns below: the
// store adds them before the first claim is opened. The index over the invoices already there
// takes a moment once on a large store. True when something was created. Throws AppError.
bool addMissingClaims(Database& db);

// Columns the schema has gained since (核销提示, 报销单号, 发票种类), as "table.column"; adding
// them costs nothing, so the store adds them by itself before its first change. Throws AppError.
QStringList missingColumns(Database& db);
void addMissingColumns(Database& db);

}  // namespace store
