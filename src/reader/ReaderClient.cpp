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

namespace {

// Runs the reader with arguments and feeds what it writes to receiver until that is complete,
// the reader has ended or the limits are reached. Throws AppError when it cannot be started.
void run(const QStringList& arguments, readerprotocol::Receiver& receiver, const Limits& limits) {
    QProcess reader;
    reader.setProgram(program());
    reader.setArguments(arguments);
    reader.setStandardErrorFile(QProcess::nullDevice());
    const auto memory = rlim_t(limits.memoryBytes);
    const auto cpu = rlim_t(limits.cpuSeconds);
    reader.setChildProcessModifier([memory, cpu] { limitChild(memory, cpu); });
    reader.start(QIODevice::ReadOnly);
    if (!reader.waitForStarted(10000)) {
        throw AppError(QStringLiteral("无法启动读取程序：%1").arg(reader.errorString()));
    }
    const QDeadlineTimer deadline(limits.wallMs);
    using State = readerprotocol::Receiver::State;
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
}

}  // namespace

workbook::Sheet readFirstSheet(const QString& path, const Limits& limits) {
    readerprotocol::SheetReceiver receiver;
    run({QStringLiteral("workbook"), QFileInfo(path).absoluteFilePath()}, receiver, limits);
    switch (receiver.state()) {
        case readerprotocol::Receiver::State::Done:
            return receiver.takeSheet();
        case readerprotocol::Receiver::State::Refused:
            throw AppError(receiver.failure());
        default:
            throw AppError(damagedWorkbookText());
    }
}

invoicefiles::FileReading readInvoiceFile(const QString& path, const Limits& limits) {
    readerprotocol::InvoiceReceiver receiver;
    try {
        run({QStringLiteral("invoice"), QFileInfo(path).absoluteFilePath()}, receiver, limits);
    } catch (const AppError&) {
        return invoicefiles::failure(invoicefiles::Problem::Unreadable);
    }
    if (receiver.state() == readerprotocol::Receiver::State::Done) {
        return receiver.reading();
    }
    // The reader crashed, hung or ran out of its limits on this file.
    return invoicefiles::failure(invoicefiles::Problem::Damaged);
}

}  // namespace readerclient
