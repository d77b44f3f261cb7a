#include "app/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <utility>

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kComeForward = "activate";
const QByteArray kOpenFile = "open ";  // followed by the path in UTF-8, base64
// A later start says no more than this; a peer that goes on is no start of ours.
constexpr qsizetype kMaxMessageBytes = 16 * 1024 * 1024;

}  // namespace

SingleInstance::SingleInstance(const QString& title, QObject* parent) : QObject(parent) {
    const QByteArray hash =
        QCryptographicHash::hash(title.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    name_ = QStringLiteral("fpbx-%1-%2").arg(QString::fromLatin1(hash)).arg(::getuid());
}

SingleInstance::~SingleInstance() {
    if (server_ != nullptr) {
        server_->close();
    }
}

bool SingleInstance::acquire(const QStringList& files) {
    // Two starts at the same moment must not both take the name.
    QLockFile lock(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    lock.lock();

    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        QByteArray message = kComeForward + '\n';
        for (const QString& file : files) {
            message += kOpenFile + file.toUtf8().toBase64() + '\n';
        }
        probe.write(message);
        while (probe.bytesToWrite() > 0 && probe.waitForBytesWritten(kConnectTimeoutMs)) {
        }
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answers: a socket left behind by a crash is removed and the name taken again.
    QLocalServer::removeServer(name_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name_)) {
        return true;  // the guard is lost, not the program
    }
    connect(server_, &QLocalServer::newConnection, this, &SingleInstance::handleConnection);
    return true;
}

void SingleInstance::handleConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
            partial_.remove(socket);
            socket->deleteLater();
        });
    }
}

void SingleInstance::readFrom(QLocalSocket* socket) {
    QByteArray& buffer = partial_[socket];
    buffer += socket->readAll();
    if (buffer.size() > kMaxMessageBytes) {
        partial_.remove(socket);
        socket->abort();
        return;
    }
    bool activate = false;
    QStringList files;
    qsizetype end = 0;
    while ((end = buffer.indexOf('\n')) >= 0) {
        const QByteArray line = buffer.left(end);
        buffer.remove(0, end + 1);
        if (line == kComeForward) {
            activate = true;
        } else if (line.startsWith(kOpenFile)) {
            const QString file =
                QString::fromUtf8(QByteArray::fromBase64(line.mid(kOpenFile.size())));
            if (!file.isEmpty()) {
                files << file;
            }
        }
    }
    if (activate && onActivate_) {
        onActivate_();
    }
    if (!files.isEmpty()) {
        deliverFiles(files);
    }
}

void SingleInstance::setFilesHandler(std::function<void(const QStringList&)> handler) {
    onFiles_ = std::move(handler);
    if (onFiles_ && !pendingFiles_.isEmpty()) {
        deliverFiles(std::exchange(pendingFiles_, {}));
    }
}

void SingleInstance::deliverFiles(const QStringList& files) {
    if (!onFiles_) {
        pendingFiles_ << files;
        return;
    }
    // Taken from the event loop: the handler may open a window of its own.
    QMetaObject::invokeMethod(
        this,
        [this, files] {
            if (onFiles_) {
                onFiles_(files);
            } else {
                pendingFiles_ << files;
            }
        },
        Qt::QueuedConnection);
}
