#pragma once

#include <QString>

struct sqlite3;

// The store keeps its committed pages in the write-ahead log (one durable sync per commit) and
// moves them into the database file itself soon after it falls quiet, so that a copy of the one
// file fpbx.mdb always holds every committed invoice once the program has been idle a moment.
namespace walcheckpoint {

// How long the store must have been quiet before its log is moved into the file.
inline constexpr int kQuietMs = 1000;
// A log this long (in pages) is moved at once, as the engine would on its own.
inline constexpr int kLongLogPages = 1000;

// Called on every connection as it opens: after each commit, a long log is checkpointed at
// once and the quiet checkpoint of the file is (re)scheduled on the application's thread.
void watch(sqlite3* db);

// Moves the whole log of the database file at path into it and empties the log. False when
// the file cannot be opened or a reader kept part of the log back.
bool checkpointNow(const QString& path);

}  // namespace walcheckpoint
