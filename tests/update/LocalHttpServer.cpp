#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QFile>
#include <QString>

LocalHttpServer::LocalHttpServer(QByteArray response, bool hang)
    : response_(std::move(response)), hang_(hang) {
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener_, 4);
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

QString LocalHttpServer::baseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/fpbx").arg(port_);
}

QByteArray LocalHttpServer::request() const {
    // The head is normally there already; the limit only keeps a broken client from hanging us.
    for (int i = 0; i < 3000 && !stop_; ++i) {
        {
            std::lock_guard lock(mutex_);
            if (request_.contains("\r\n\r\n")) {
                break;
            }
        }
        ::usleep(10000);
    }
    std::lock_guard lock(mutex_);
    return request_;
}

bool LocalHttpServer::clientStillConnected() const {
    // The kernel's table of this network's TCP sockets: a client's socket has the server's port
    // as its remote end, and an inode while a descriptor still refers to it.
    QFile table(QStringLiteral("/proc/self/net/tcp"));
    if (!table.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray remoteEnd =
        ':' + QByteArray::number(port_, 16).toUpper().rightJustified(4, '0');
    table.readLine();  // the headings
    while (!table.atEnd()) {
        const QList<QByteArray> fields = table.readLine().simplified().split(' ');
        if (fields.size() > 9 && fields[2].endsWith(remoteEnd) && fields[9] != "0") {
            return true;
        }
    }
    return false;
}

void LocalHttpServer::serve() {
    pollfd waiting{listener_, POLLIN, 0};
    while (!stop_ && ::poll(&waiting, 1, 50) == 0) {
    }
    if (stop_) {
        return;
    }
    const int client = ::accept(listener_, nullptr, nullptr);
    connected_ = true;
    // Read the head, then anything that follows within a short while (there must be no body).
    bool headDone = false;
    for (;;) {
        // The head may be slow on a busy machine; the client closing ends the wait as well.
        pollfd in{client, POLLIN, 0};
        if (::poll(&in, 1, headDone ? 200 : 30000) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(client, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        std::lock_guard lock(mutex_);
        request_.append(buffer, n);
        headDone = request_.contains("\r\n\r\n");
    }
    if (hang_) {
        while (!stop_) {
            ::usleep(20000);
        }
    } else {
        ::write(client, response_.constData(), response_.size());
    }
    ::close(client);
}
