#pragma once

#include <QString>
#include <QTemporaryDir>

// A throw-away PostgreSQL server with the server's default durability (scripts/pgserver.sh
// --durable) for a benchmark run, stopped when the object goes.
namespace bench {

class PgServer {
public:
    PgServer();
    ~PgServer();
    bool started() const { return !conninfo_.isEmpty(); }
    const QString& conninfo() const { return conninfo_; }

private:
    QTemporaryDir state_;
    QString conninfo_;
};

}  // namespace bench
