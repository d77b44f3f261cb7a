#pragma once

#include <QString>

// However the program ends, short of being killed, the committed invoices end up in the one file
// fpbx.mdb: a request to end (SIGTERM, SIGINT, SIGHUP) ends the event loop so that windows and
// connections close in order; exit() moves the log of every database the program opened into its
// file; and a crash starts a process of ours that does so once the program is gone.
namespace shutdowncheckpoint {

// checkpointProgram is run as `<program> checkpoint <database> <pid>` after a crash.
void install(const QString& checkpointProgram);

// Notes a database the program works on (called as connections open).
void remember(const QString& databasePath);

// The body of that process: waits (a few seconds at most) until process pid has ended, then
// checkpoints the database. 0 when its log is all in the file.
int runAfterCrash(const QString& databasePath, qint64 pid);

}  // namespace shutdowncheckpoint
