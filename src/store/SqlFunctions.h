#pragma once

#include <QString>

struct sqlite3;

// format(value, pattern): a stored reimbursement time (yyyy-MM-dd HH:mm:ss) written with a
// date pattern as Jet SQL writes it: yyyy, yy, mm or m (month, minutes right after an hour),
// dd or d, hh or h, nn or n (minutes), ss or s; other characters are copied. NULL stays NULL;
// a value that is no date-time is returned as it stands.
void registerSqlFunctions(sqlite3* db);

QString formatStoredDateTime(const QString& stored, const QString& pattern);
