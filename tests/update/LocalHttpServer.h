#pragma once

#include <QByteArray>
#include <atomic>
#include <mutex>
#include <thread>

// A one-shot HTTP server on 127.0.0.1 for the update check: takes one connection, keeps the
// request bytes, sends the scripted response (or nothing, when told to hang) and closes.
class LocalHttpServer {
public:
    explicit LocalHttpServer(QByteArray response, bool hang = false);
    ~LocalHttpServer();

    int port() const { return port_; }
    QString baseUrl() const;
    QByteArray request() const;  // waits for the whole head of the request
    bool connected() const { return connected_; }
    // Whether a client in this process still holds its connection to the server open: false
    // once the client has closed it (given up or done).
    bool clientStillConnected() const;

private:
    void serve();

    int listener_ = -1;
    int port_ = 0;
    QByteArray response_;
    bool hang_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> connected_{false};
    mutable std::mutex mutex_;
    QByteArray request_;
    std::thread thread_;
};
