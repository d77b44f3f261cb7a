#pragma once

#include <QString>
#include <QStringList>

// Whether the clerks' program can work with a company's registry on the server, as its
// database user sees it: the connection, the table and what the user may do with it.
struct RegistryCheck {
    QStringList passed;    // what was found as the program needs it
    QStringList problems;  // what keeps the program from working
    QStringList warnings;  // what works but should not be so (a user that may delete invoices)

    bool usable() const { return problems.isEmpty(); }
};

RegistryCheck checkRegistry(const QString& conninfo, const QString& taxNumber);
