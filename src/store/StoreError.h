#pragma once

#include <QString>

// Why the store could not do what it was asked, as a kind the windows can explain and the
// engine's own words.
struct StoreError {
    enum class Kind {
        Other,
        InvalidValue,  // a value the column cannot take (an amount that is no number)
        DiskFull,
        Missing,      // the database file is not there
        ReadOnly,     // the database file or its folder refuses writing
        Corrupt,      // the file is damaged or no database at all
        Busy,         // another program holds the database too long
        Unreachable,  // the database server does not answer
    };

    Kind kind = Kind::Other;
    QString detail;  // the engine's message, as it stands
    QString path;    // the database file it concerns, when there is one
};
