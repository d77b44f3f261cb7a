#pragma once

#include <QString>

class PgConnection;

// The company's registry on the server, made by the administration program only (the clerks'
// program never creates it). The same table as the embedded store, in server column types:
// numeric(18,4) amounts, timestamp(0) times, the invoice's number and code as its key, 序号
// (an identity column) as the records window's row key, and the indexes that window reads by.
namespace registryschema {

// How many slots the count is kept in: each connection adds to its own, so that clerks
// registering at once do not wait for one another's commit.
inline constexpr int kCountSlots = 8;

// Creates what is missing and counts the rows anew; changes nothing else. Runs in one
// transaction, so that two administrators running it at once leave one registry.
void create(PgConnection& connection, const QString& taxNumber);

}  // namespace registryschema
