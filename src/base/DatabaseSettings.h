#pragma once

#include <QString>

// Which engine keeps the company's invoice registry, read once at start from config.ini
// ([数据库] 类型 and 连接). The embedded SQLite file is the default; several PCs share one
// registry on a PostgreSQL server.
struct DatabaseSettings {
    enum class Engine {
        Sqlite,
        Postgresql,
        Unknown,  // a 类型 the program does not know: no registry is used, every operation fails
    };

    Engine engine = Engine::Sqlite;
    QString engineText;  // 类型 as written
    QString connection;  // a libpq connection string; may hold a password, so never shown as is
};

// The settings of this run: set by the start-up preparation (tests set their own).
DatabaseSettings currentDatabaseSettings();
void setDatabaseSettings(const DatabaseSettings& settings);
