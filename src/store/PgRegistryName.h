#pragma once

#include <QString>

// A company's registry on a database server is a schema of its own, named after its tax number:
// programs with the same tax number and server share it, another tax number is another
// registry. A schema rather than a company column in one shared table, so that every statement
// of the program reads exactly as on the embedded store (no company condition to forget in one
// of them), the count and the unique key are the company's without further ado, and an
// administrator can grant, back up or drop one company on its own.
namespace pgregistry {

// "fpbx_" followed by the tax number as it stands (letter case kept). Throws AppError when the
// tax number is empty or too long for a server name.
QString schemaName(const QString& taxNumber);

}  // namespace pgregistry
