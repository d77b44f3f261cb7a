#pragma once

#include <QString>
#include <optional>

#include "store/StoreError.h"

// The look the program takes at the company's database as it starts.
namespace databasecheck {

// Nothing when the database can be opened and read; otherwise what is wrong (missing, damaged,
// unreadable).
std::optional<StoreError> problemWith(const QString& path);

// What the clerk is told at start-up about such a problem: the file, what became of it and the
// newest copy to restore it from (or that there is none).
QString startupText(const StoreError& problem, const QString& newestCopy);

}  // namespace databasecheck
