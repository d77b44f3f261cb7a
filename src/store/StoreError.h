#pragma once

#include <QString>

// Why the store could not do what it was asked, as a kind the windows can explain and the
// engine's own words.
struct StoreError {
    enum class Kind {
        Other,
        InvalidValue,  // a value the column cannot take (an amount that is no number)
        DiskFull,
        Missing,        // the database file is not there
        ReadOnly,       // the database file or its folder refuses writing
        Corrupt,        // the file is damaged or no database at all
        Busy,           // another program holds the database too long
        Unreachable,    // the database server cannot be reached
        NoAnswer,       // the server took the connection or statement and did not answer in time
        NoRegistry,     // the server has no registry for this company (fpbxdb init makes it)
        NoRights,       // the server refuses the clerks' database user what it asked
        Misconfigured,  // config.ini's [数据库] names no usable engine or connection
    };

    Kind kind = Kind::Other;
    QString detail;  // the engine's message, as it stands
    QString path;    // the database file it concerns, when there is one

    // What happened, in a few words for a result label ("磁盘空间不足").
    QString reason() const;
    // What happened and what to do in one line, the reason first: what the scan panel says
    // while the registry cannot be used.
    QString panelText() const;
    // What happened and what to do, in a sentence or two for the clerk.
    QString explanation() const;
    // The explanation, then the technical text: what a message box shows.
    QString messageText() const;
};
