#pragma once

#include <QString>
#include <QStringList>

// Paths: the exe directory, the tax number and the company directory; file listing and copy.

// The directory of the running executable (without a trailing "/"): the one place every path of
// the program starts from. In-process tests may point it elsewhere with setExeDirOverride.
QString GetExeDir();
void setExeDirOverride(const QString& directory);  // empty: back to the executable's own

// The tax number the start-up preparation read.
QString TaxNumber();
void setTaxNumber(const QString& taxNumber);

// directory + "/" + name, one "/" between them however directory ends.
QString joinPath(const QString& directory, const QString& name);

// The company directory: the exe directory's subdirectory named after the tax number.
QString CompanyDir();

// Adds to list the name of every plain, non-hidden file in directory matched by name (which may
// hold wildcards), letter case ignored as the Windows file system does.
void FindFilesByName(const QString& directory, const QString& name, QStringList& list);

// Copies the file source into the directory destination (created when missing), replacing a
// file of the same name. 0 on success, non-zero (2 source missing, 5 destination refused) on
// failure, -1 when the copy raised an error.
int CopyFileTo(const QString& source, const QString& destination);
