#pragma once

#include <QString>
#include <optional>

// A name server that takes every query and never answers, as the only name server this process
// knows: the process moves into user, network and mount namespaces of its own, where
// /etc/resolv.conf names 127.0.0.1 and a UDP socket bound there keeps the queries unread.
// Must be set up while the process still has one thread.
class SilentNameServer {
public:
    // Nothing when the system does not let this process make namespaces; the reason is in why.
    static std::optional<SilentNameServer> enter(QString* why);

    // Whether a query has arrived since the start.
    bool askedSomething() const;

private:
    explicit SilentNameServer(int socket) : socket_(socket) {}
    int socket_;
};
