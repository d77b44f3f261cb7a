#include "store/SqliteErrors.h"

#include <sqlite3.h>

#include <QFileInfo>
#include <cerrno>

#include "store/Database.h"

namespace sqliteerrors {

StoreError::Kind kindOf(int code, int systemError, const QString& path) {
    using Kind = StoreError::Kind;
    if (code == DatabaseError::kMissingFile) {
        return Kind::Missing;
    }
    switch (systemError) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return Kind::DiskFull;
        case EROFS:
        case EACCES:
        case EPERM:
            return Kind::ReadOnly;
        default:
            break;
    }
    switch (code & 0xFF) {
        case SQLITE_FULL:
            return Kind::DiskFull;
        case SQLITE_READONLY:
            return Kind::ReadOnly;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return Kind::Corrupt;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return Kind::Busy;
        case SQLITE_CANTOPEN: {
            const QFileInfo file(path);
            if (!file.exists()) {
                return Kind::Missing;
            }
            return file.isWritable() && QFileInfo(file.absolutePath()).isWritable()
                       ? Kind::Other
                       : Kind::ReadOnly;
        }
        default:
            return Kind::Other;
    }
}

StoreError fromError(const AppError& error, StoreError::Kind kind) {
    StoreError e;
    e.kind = kind;
    e.detail = error.message();
    if (const auto* engine = dynamic_cast<const DatabaseError*>(&error)) {
        e.path = engine->path();
        if (kind == StoreError::Kind::Other) {
            e.kind = kindOf(engine->code(), engine->systemError(), engine->path());
        }
    }
    return e;
}

StoreError fromConnection(sqlite3* db, const QString& path) {
    StoreError e;
    e.path = path;
    if (db == nullptr) {
        e.kind = kindOf(SQLITE_CANTOPEN, 0, path);
        return e;
    }
    e.detail = QString::fromUtf8(sqlite3_errmsg(db));
    e.kind = kindOf(sqlite3_extended_errcode(db), sqlite3_system_errno(db), path);
    return e;
}

}  // namespace sqliteerrors
