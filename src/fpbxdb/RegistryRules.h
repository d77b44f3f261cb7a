#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

class PgConnection;

// The office's rules as the registry keeps them (the table 核销规则, made by fpbxdb init): the
// same for every PC of the company, read by the clerks' program at each start.
namespace registryrules {

// Key and value of every rule that is set, in the order the program lists its rules. Throws
// PgError.
QList<QPair<QString, QString>> read(PgConnection& connection);

// Sets the rules named ("最长天数=90"; an empty value turns a rule off) in one transaction, with
// a line in the trail (修改核销规则). Every value is checked first: when one cannot be used,
// nothing changes and the problems are returned. Throws PgError.
QStringList set(PgConnection& connection, const QStringList& assignments);

}  // namespace registryrules
