#include "SilentNameServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

namespace {

bool writeFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    return ok;
}

QString failure(const char* step) {
    return QStringLiteral("%1: %2").arg(QString::fromLatin1(step),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

// Keeps this user's own id inside the new user namespace, as root there.
bool mapUser(uid_t uid, gid_t gid) {
    return writeFile("/proc/self/setgroups", "deny") &&
           writeFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
           writeFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1");
}

bool loopbackUp() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool ok = ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags |= IFF_UP | IFF_RUNNING;
    ok = ok && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    ::close(fd);
    return ok;
}

// /etc/resolv.conf, in this mount namespace only, names 127.0.0.1 alone.
bool pointResolverAtLoopback() {
    char path[] = "/tmp/fpbx-resolv-XXXXXX";
    const int fd = ::mkstemp(path);
    if (fd < 0) {
        return false;
    }
    const std::string text = "nameserver 127.0.0.1\n";
    const bool written = ::write(fd, text.data(), text.size()) == ssize_t(text.size());
    ::close(fd);
    const bool mounted =
        written && ::mount(path, "/etc/resolv.conf", nullptr, MS_BIND, nullptr) == 0;
    ::unlink(path);  // the bind mount keeps the file
    return mounted;
}

}  // namespace

std::optional<SilentNameServer> SilentNameServer::enter(QString* why) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS) != 0) {
        *why = failure("unshare");
        return std::nullopt;
    }
    if (!mapUser(uid, gid)) {
        *why = failure("user mapping");
        return std::nullopt;
    }
    // Nothing done here may reach the system's own mounts.
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        *why = failure("private mounts");
        return std::nullopt;
    }
    if (!pointResolverAtLoopback()) {
        *why = failure("resolv.conf");
        return std::nullopt;
    }
    if (!loopbackUp()) {
        *why = failure("loopback");
        return std::nullopt;
    }
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(53);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        *why = failure("bind 127.0.0.1:53");
        ::close(fd);
        return std::nullopt;
    }
    return SilentNameServer(fd);
}

bool SilentNameServer::askedSomething() const {
    pollfd waiting{socket_, POLLIN, 0};
    return ::poll(&waiting, 1, 0) == 1;
}
