#include "shell/SingleInstance.h"

#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace {

constexpr int kConnectTimeoutMs = 500;
const QByteArray kComeForward = "activate\n";

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

bool SingleInstance::acquire() {
    // Two starts at the same moment must not both take the name.
    QLockFile lock(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    lock.lock();

    QLocalSocket probe;
    probe.connectToServer(name_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.write(kComeForward);
        probe.waitForBytesWritten(kConnectTimeoutMs);
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
        connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
            if (socket->readAll().contains(kComeForward) && onActivate_) {
                onActivate_();
            }
        });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}
