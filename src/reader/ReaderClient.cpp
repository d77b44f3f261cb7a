#include "reader/ReaderClient.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include "reader/ReaderProtocol.h"
#include "shell/AppError.h"

namespace readerclient {

namespace {

QMutex programMutex;
QString programOverride;

// Runs in the child between fork and exec: nothing but system calls there.
void limitChild(rlim_t memoryBytes, rlim_t cpuSeconds) {
    const rlimit memory{memoryBytes, memoryBytes};
    setrlimit(RLIMIT_AS, &memory);
    const rlimit cpu{cpuSeconds, cpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

void stop(QProcess& reader) {
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished(3000);
    }
}

}  // namespace

QString damagedWorkbookText() {
    return QStringLiteral("无法读取该Excel表：文件已损坏或格式不受支持。");
}

QString program() {
    {
        QMutexLocker lock(&programMutex);
        if (!programOverride.isEmpty()) {
            return programOverride;
        }
    }
    return QCoreApplication::applicationDirPath() + QStringLiteral("/fpbx-reader");
}

void setProgram(const QString& path) {
    QMutexLocker lock(&programMutex);
    programOverride = path;
}

workbook::Sheet readFirstSheet(const QString& path, const Limits& limits) {
    QProcess reader;
    reader.setProgram(program());
    reader.setArguments({QStringLiteral("workbook"), QFileInfo(path).absoluteFilePath()});
    reader.setStandardErrorFile(QProcess::nullDevice());
    const auto memory = rlim_t(limits.memoryBytes);
    const auto cpu = rlim_t(limits.cpuSeconds);
    reader.setChildProcessModifier([memory, cpu] { limitChild(memory, cpu); });
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(10000)) {
        throw AppError(QStringLiteral("无法启动读取程序：%1").arg(reader.errorString()));
    }
    readerprotocol::SheetReceiver receiver;
    const QDeadlineTimer deadline(limits.wallMs);
    using State = readerprotocol::SheetReceiver::State;
    while (receiver.state() == State::Reading) {
        if (deadline.hasExpired() || QThread::currentThread()->isInterruptionRequested()) {
            break;
        }
        if (!reader.waitForReadyRead(100) && reader.state() == QProcess::NotRunning) {
            receiver.feed(reader.readAllStandardOutput());
            break;
        }
        receiver.feed(reader.readAllStandardOutput());
    }
    stop(reader);
    switch (receiver.state()) {
        case State::Done:
            return receiver.takeSheet();
        case State::Refused:
            throw AppError(receiver.failure());
        case State::Reading:
        case State::Broken:
            break;
    }
    throw AppError(damagedWorkbookText());
}

}  // namespace readerclient
