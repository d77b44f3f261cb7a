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

}  // namespace store
