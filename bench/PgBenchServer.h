#pragma once

#include <QString>
#include <QTemporaryDir>

class PgConnection;

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

// Fills a registry with rows invoices, numbers from 10000000, the newest reimbursed now and each
// secondsApart before the next, five reimbursers in turn; then analyses and checkpoints, so that
// what is measured next does not pay for the fill.
void fillRegistry(PgConnection& db, qint64 rows, qint64 secondsApart);

}  // namespace bench
