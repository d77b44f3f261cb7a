#pragma once

#include <QString>
#include <QTemporaryDir>

class PgConnection;

// A throw-away PostgreSQL server with the server's default durability (scripts/pgserver.sh
// --durable) for a benchmark run, stopped when the object goes. Reached over its Unix socket, or
// over loopback TCP as a clerk's PC reaches the office's server.
namespace bench {

class PgServer {
public:
    enum class Way { Socket, Loopback };
    explicit PgServer(Way way = Way::Socket);
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

// After a fill: the invoices and their trail vacuumed and analysed as the server's automatic
// vacuum would do some seconds later (in the middle of a measurement), the pages written out.
void settleRegistry(PgConnection& db);

}  // namespace bench
