#include "PgBenchServer.h"

#include <QProcess>

namespace bench {

namespace {
int script(const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("bash"),
                  QStringList{QStringLiteral(FPBX_SOURCE_DIR "/scripts/pgserver.sh")} + arguments);
    process.waitForFinished(180000);
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAllStandardOutput()).trimmed();
    }
    return process.exitCode();
}
}  // namespace

PgServer::PgServer() {
    QString output;
    if (script({QStringLiteral("start"), state_.path(), QStringLiteral("--durable")}, &output) ==
        0) {
        conninfo_ = output;
    }
}

PgServer::~PgServer() {
    script({QStringLiteral("stop"), state_.path()});
}

}  // namespace bench
