#include "reader/ReaderClient.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QMutex>
#include <QProcess>
#include <QThread>

#include "base/AppError.h"
#include "reader/ReaderProtocol.h"

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

// Starts the reader with arguments under the limits. Throws AppError when it cannot be started.
void start(QProcess& reader, const QStringList& arguments, const Limits& limits,
           QIODevice::OpenMode mode) {
    reader.setProgram(program());
    reader.setArguments(arguments);
    reader.setStandardErrorFile(QProcess::nullDevice());
    const auto memory = rlim_t(limits.memoryBytes);
    const auto cpu = rlim_t(limits.cpuSeconds);
    reader.setChildProcessModifier([memory, cpu] { limitChild(memory, cpu); });
    reader.start(mode);
    if (!reader.waitForStarted(10000)) {
        throw AppError(QStringLiteral("无法启动读取程序：%1").arg(reader.errorString()));
    }
}

// Feeds what the reader writes to receiver until that is complete, the reader has ended, the
// deadline has passed or the calling thread is asked to stop.
void receive(QProcess& reader, readerprotocol::Receiver& receiver, const QDeadlineTimer& deadline) {
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
}

// One file in a reader of its own, until the receiver is complete or the limits are reached.
void run(const QStringList& arguments, readerprotocol::Receiver& receiver, const Limits& limits) {
    QProcess reader;
    start(reader, arguments, limits, QIODevice::ReadOnly);
    receive(reader, receiver, QDeadlineTimer(limits.wallMs));
    stop(reader);
}

invoicefiles::FileReading readingOf(const readerprotocol::InvoiceReceiver& receiver) {
    if (receiver.state() == readerprotocol::Receiver::State::Done) {
        return receiver.reading();
    }
    // The reader crashed, hung or ran out of its limits on this file.
    return invoicefiles::failure(invoicefiles::Problem::Damaged);
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
    return readingOf(receiver);
}

struct InvoiceFileReader::Process {
    QProcess reader;
    int files = 0;
};

InvoiceFileReader::InvoiceFileReader(const Limits& limits) : limits_(limits) {}

InvoiceFileReader::~InvoiceFileReader() {
    if (process_) {
        process_->reader.closeWriteChannel();
        if (!process_->reader.waitForFinished(1000)) {
            stop(process_->reader);
        }
    }
}

invoicefiles::FileReading InvoiceFileReader::read(const QString& path) {
    if (process_ &&
        (process_->files >= kFilesPerProcess || process_->reader.state() != QProcess::Running)) {
        stop(process_->reader);
        process_.reset();
    }
    if (!process_) {
        process_ = std::make_unique<Process>();
        try {
            start(process_->reader, {QStringLiteral("invoices")}, limits_, QIODevice::ReadWrite);
        } catch (const AppError&) {
            process_.reset();
            return invoicefiles::failure(invoicefiles::Problem::Unreadable);
        }
    }
    ++process_->files;
    process_->reader.write(QFileInfo(path).absoluteFilePath().toUtf8().toBase64() + '\n');
    readerprotocol::InvoiceReceiver receiver;
    receive(process_->reader, receiver, QDeadlineTimer(limits_.wallMs));
    if (receiver.state() != readerprotocol::Receiver::State::Done) {
        // Whatever it was doing, it is not to go on with the next file.
        stop(process_->reader);
        process_.reset();
    }
    return readingOf(receiver);
}

}  // namespace readerclient
