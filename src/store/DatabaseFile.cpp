#include "store/DatabaseFile.h"

#include "base/Paths.h"

QString GetConnectionString() {
    // SQLite knows no file password; the text keeps it so that this stays the one place that
    // names it.
    return QStringLiteral("Provider=SQLite3;User ID=Admin;Data Source=") +
           joinPath(CompanyDir(), QStringLiteral("fpbx.mdb")) + u';' +
           QStringLiteral("Database Password=qelvat3961;") +
           QStringLiteral("Mode=ReadWrite;Persist Security Info=False;");
}
