#pragma once

#include "base/AppError.h"
#include "store/StoreError.h"

struct sqlite3;

// The engine's failures in the terms the windows explain them in.
namespace sqliteerrors {

// By the extended result code, the system's error number and the file concerned.
StoreError::Kind kindOf(int code, int systemError, const QString& path);

// An error thrown by the database layer; kind wins over the engine's when given.
StoreError fromError(const AppError& error, StoreError::Kind kind = StoreError::Kind::Other);

// The last failure of a connection.
StoreError fromConnection(sqlite3* db, const QString& path);

}  // namespace sqliteerrors
