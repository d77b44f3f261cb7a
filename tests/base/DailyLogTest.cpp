#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <thread>

#include "FakeClock.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "base/DailyLog.h"

namespace {

TEST(WriteLog, CreatesTheFoldersAndTheDailyFile) {
    TempExeDir dir;
    FakeClock clock(QDateTime(QDate(2024, 1, 31), QTime(13, 5, 9)));
    WriteLog(dir.path(), "报销成功发票信息：044031900111-12345678");
    clock.set(QDateTime(QDate(2024, 1, 31), QTime(23, 59, 59)));
    WriteLog(dir.path(), "扫描录入");
    clock.set(QDateTime(QDate(2024, 2, 1), QTime(0, 0, 0)));
    WriteLog(dir.path(), "手动录入");
    EXPECT_EQ(
        testfiles::readBytes(dir.file("log/20240131.log")),
        "2024-01-31 13:05:09  " +
            QByteArray("\xB1\xA8\xCF\xFA\xB3\xC9\xB9\xA6\xB7\xA2\xC6\xB1\xD0\xC5\xCF\xA2\xA3\xBA") +
            "044031900111-12345678\r\n2024-01-31 23:59:59  \xC9\xA8\xC3\xE8\xC2\xBC\xC8\xEB\r\n");
    EXPECT_EQ(testfiles::logMessages(dir.file("log/20240201.log")), QStringList{"手动录入"});
}

TEST(WriteLog, KeepsALineBreakOfTheMessageAndIsNoFormatString) {
    TempExeDir dir;
    FakeClock clock(QDateTime(QDate(2024, 1, 31), QTime(8, 0, 0)));
    WriteLog(dir.path(), "扫描结果：a,b\n%s%d");
    EXPECT_EQ(testfiles::readBytes(dir.file("log/20240131.log")).mid(21),
              QByteArray("\xC9\xA8\xC3\xE8\xBD\xE1\xB9\xFB\xA3\xBA"
                         "a,b\r\n%s%d\r\n"));
}

TEST(WriteLog, DropsTheLineWhenTheFileCannotBeOpened) {
    TempExeDir dir;
    testfiles::writeBytes(dir.file("log"), "a file where the log folder should be");
    WriteLog(dir.path(), "lost");
    EXPECT_EQ(testfiles::readBytes(dir.file("log")), "a file where the log folder should be");
}

TEST(WriteLog, LinesFromTwoThreadsNeverInterleave) {
    TempExeDir dir;
    const QString a(300, 'a'), b(300, 'b');
    auto writer = [&](const QString& text) {
        for (int i = 0; i < 500; ++i) {
            WriteLog(dir.path(), text);
        }
    };
    std::thread t1(writer, a), t2(writer, b);
    t1.join();
    t2.join();
    QDir logDir(dir.file("log"));
    const QStringList files = logDir.entryList(QDir::Files);
    QStringList messages;
    for (const QString& f : files) {
        messages << testfiles::logMessages(logDir.filePath(f));
    }
    ASSERT_EQ(messages.size(), 1000);
    for (const QString& m : messages) {
        ASSERT_TRUE(m == a || m == b) << m.left(40).toStdString();
    }
}

}  // namespace
