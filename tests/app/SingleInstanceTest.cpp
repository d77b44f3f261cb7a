#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <cstring>

#include "app/SingleInstance.h"

namespace {

TEST(SingleInstance, TheSecondStartAsksTheFirstToComeForward) {
    SingleInstance first("fpbx test title A");
    int activations = 0;
    first.setActivationHandler([&] { ++activations; });
    ASSERT_TRUE(first.acquire());

    SingleInstance second("fpbx test title A");
    EXPECT_FALSE(second.acquire());
    EXPECT_TRUE(QTest::qWaitFor([&] { return activations == 1; }, 20000));

    SingleInstance other("fpbx test title B");  // another program is no rival
    EXPECT_TRUE(other.acquire());
}

TEST(SingleInstance, AStaleSocketFromACrashIsTakenOver) {
    const QString name = SingleInstance("fpbx test title C").serverName();
    // A socket file nobody listens on, as a crashed instance leaves it.
    const QByteArray path = QDir::temp().filePath(name).toLocal8Bit();
    ::unlink(path.constData());
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFile::exists(QString::fromLocal8Bit(path)));

    SingleInstance next("fpbx test title C");
    EXPECT_TRUE(next.acquire());
    SingleInstance again("fpbx test title C");
    EXPECT_FALSE(again.acquire());
}

}  // namespace
