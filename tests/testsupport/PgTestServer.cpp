#include "PgTestServer.h"

#include <QFile>
#include <QProcess>
#include <QUuid>

#include "fpbxdb/RegistrySchema.h"
#include "store/PgConnection.h"
#include "store/PgRegistryName.h"

namespace pgtest {

std::optional<QString> conninfo() {
    const QString direct = qEnvironmentVariable("FPBX_TEST_PG");
    if (!direct.isEmpty()) {
        return direct;
    }
    QFile file(QStringLiteral(FPBX_PG_TEST_STATE "/conninfo"));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QString text = QString::fromUtf8(file.readAll()).trimmed();
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

bool declaredAbsent() {
    return qEnvironmentVariable("FPBX_TEST_NO_PG") == QStringLiteral("1");
}

QString absentMessage() {
    return QStringLiteral(
        "No PostgreSQL test server: run the tests through ctest (the pgserver fixture starts one) "
        "or set FPBX_TEST_PG to a connection string; FPBX_TEST_NO_PG=1 skips these tests.");
}

QString uniqueTaxNumber() {
    return QStringLiteral("9111") + QUuid::createUuid().toString(QUuid::Id128).left(14).toUpper();
}

Registry::Registry(QString conninfo, QString taxNumber)
    : conninfo_(std::move(conninfo)), taxNumber_(std::move(taxNumber)) {
    PgConnection connection = PgConnection::open(conninfo_);
    registryschema::create(connection, taxNumber_);
}

Registry::~Registry() {
    try {
        PgConnection connection = PgConnection::open(conninfo_);
        connection.exec(QStringLiteral("drop schema if exists ") +
                        connection.quotedIdentifier(schema()) + QStringLiteral(" cascade"));
    } catch (const AppError&) {
        // A server that is gone takes the registry with it.
    }
}

QString Registry::schema() const {
    return pgregistry::schemaName(taxNumber_);
}

void Registry::exec(const QString& sql) const {
    PgConnection connection = PgConnection::open(conninfo_, schema());
    connection.exec(sql);
}

QString Registry::value(const QString& sql) const {
    PgConnection connection = PgConnection::open(conninfo_, schema());
    const PgResult result = connection.exec(sql);
    return result.rows() > 0 ? result.text(0, 0) : QString();
}

PrivateServer::PrivateServer() {
    QString output;
    if (script(QStringLiteral("start"), &output)) {
        conninfo_ = output.trimmed();
    }
}

PrivateServer::~PrivateServer() {
    script(QStringLiteral("stop"));
}

bool PrivateServer::pause() {
    return script(QStringLiteral("pause"));
}

bool PrivateServer::resume() {
    return script(QStringLiteral("resume"));
}

bool PrivateServer::script(const QString& command, QString* output) {
    const QString path = QStringLiteral(FPBX_SOURCE_DIR "/scripts/pgserver.sh");
    QProcess process;
    process.start(QStringLiteral("bash"), {path, command, state_.path()});
    if (!process.waitForFinished(120000)) {
        return false;
    }
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAllStandardOutput());
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace pgtest
