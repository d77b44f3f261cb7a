#include "ProgramOnDisplay.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

namespace bench {

ProgramOnDisplay::~ProgramOnDisplay() {
    kill();
}

QString ProgramOnDisplay::start(const QString& build) {
    if (!display_.isRunning()) {
        return QStringLiteral("Xvfb did not start");
    }
    const QString binary = store_.exeDir() + QStringLiteral("/fpbx");
    QFile::copy(build, binary);
    QDir().mkpath(tmpDir());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display_.name());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("TMPDIR"), tmpDir());  // its own single-instance name
    program_.setProcessEnvironment(env);
    program_.start(binary, {});
    scanner_.emplace(display_.name());
    if (!scanner_->isConnected() || !scanner_->focusWindow(QStringLiteral("电子发票核销"), 20000)) {
        const QString problem = QStringLiteral("no main window: ") +
                                QString::fromLocal8Bit(program_.readAllStandardError());
        kill();
        return problem;
    }
    return {};
}

void ProgramOnDisplay::kill() {
    if (program_.state() != QProcess::NotRunning) {
        program_.kill();
        program_.waitForFinished();
    }
}

}  // namespace bench
