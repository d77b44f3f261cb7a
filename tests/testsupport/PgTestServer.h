#pragma once

#include <QString>
#include <QTemporaryDir>
#include <optional>

// The throw-away PostgreSQL server of the test run (scripts/pgserver.sh, started by the
// pgserver fixture), and company registries on it that vanish with the test.
namespace pgtest {

// The server's connection string: FPBX_TEST_PG when set, else the one the pgserver fixture left
// in the build tree. Nothing when there is no server.
std::optional<QString> conninfo();

// True when the environment says outright that there is no server (FPBX_TEST_NO_PG=1): only
// then may the server's tests be skipped rather than fail.
bool declaredAbsent();

// What a test says when there is no server.
QString absentMessage();

// A tax number no other test uses, and so a registry of its own.
QString uniqueTaxNumber();

// A company's registry made with fpbxdb's own schema, dropped with the object.
class Registry {
public:
    Registry(QString conninfo, QString taxNumber);
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    const QString& conninfo() const { return conninfo_; }
    const QString& taxNumber() const { return taxNumber_; }
    QString schema() const;

    // Runs SQL as the administrator with the registry as search path (test data, checks).
    void exec(const QString& sql) const;
    QString value(const QString& sql) const;  // first column of the first row

private:
    QString conninfo_;
    QString taxNumber_;
};

// A server of the test's own, for tests that stop and start it.
class PrivateServer {
public:
    PrivateServer();
    ~PrivateServer();
    bool started() const { return !conninfo_.isEmpty(); }
    const QString& conninfo() const { return conninfo_; }
    bool pause();
    bool resume();

private:
    bool script(const QString& command, QString* output = nullptr);
    QTemporaryDir state_;
    QString conninfo_;
};

}  // namespace pgtest

// Ends the test at once when there is no server: a skip only when that was declared.
#define REQUIRE_PG_SERVER()                                  \
    do {                                                     \
        if (!pgtest::conninfo()) {                           \
            if (pgtest::declaredAbsent()) {                  \
                GTEST_SKIP() << "FPBX_TEST_NO_PG is set";    \
            }                                                \
            FAIL() << pgtest::absentMessage().toStdString(); \
        }                                                    \
    } while (false)
