#pragma once

#include <QString>
#include <utility>
#include <vector>

// The libpq connection string of config.ini as the program uses it. A password may stand in it
// (libpq's own password file is the better place), so the string itself is never shown: only its
// redacted form, and every message that passes through here loses any password it repeats.
namespace pgconninfo {

using Parameters = std::vector<std::pair<QByteArray, QByteArray>>;

// The keyword/value pairs a connection is opened with, in libpq's order of precedence: the
// program's defaults (a connect time-out of a few seconds, TCP keepalives, its name), then the
// string, which may override them, then what the program needs regardless (UTF-8 text).
// Throws AppError (redacted) when the string cannot be parsed.
Parameters connectParameters(const QString& conninfo);

// The string with any password removed, in keyword=value form ("host=db1 user=clerk"), for
// messages and logs. A string that cannot be parsed gives a placeholder, never its text.
QString redacted(const QString& conninfo);

// The message with the string's password, and anything that looks like password=... or the
// password of a postgresql:// address, replaced by ***.
QString scrubbed(const QString& message, const QString& conninfo);

}  // namespace pgconninfo
