#include "LocalHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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
    for (int i = 0; i < 200 && !stop_; ++i) {
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
        pollfd in{client, POLLIN, 0};
        if (::poll(&in, 1, headDone ? 200 : 2000) <= 0) {
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
