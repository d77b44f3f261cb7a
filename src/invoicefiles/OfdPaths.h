#pragma once

#include <QString>

// Where an OFD reference points inside the archive.
namespace invoicefiles {

// The archive entry that reference names when written in the entry namingEntry: relative to
// that entry's directory, or to the archive root when it starts with "/" (backslashes are read
// as slashes, "." and ".." are followed). Empty when the reference is empty or climbs above
// the root.
QString resolveEntry(const QString& namingEntry, const QString& reference);

// The same, relative to a directory of the archive ("" for the root).
QString resolveInDirectory(const QString& directory, const QString& reference);

// The directory part of an entry name: "Doc_0" for "Doc_0/Document.xml", "" for "OFD.xml".
QString directoryOf(const QString& entry);

}  // namespace invoicefiles
