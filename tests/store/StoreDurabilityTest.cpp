#include <gtest/gtest.h>

#include <signal.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>

#include "TempExeDir.h"
#include "TestFiles.h"
#include "store/Database.h"

namespace {

// A program registering into the store of dir, as the durability cases need it.
class Writer {
public:
    Writer(const TempExeDir& dir, qint64 first, qint64 count, const QString& then) {
        process_.start(QStringLiteral(STORE_WRITER),
                       {dir.path(), TempExeDir::kTaxNumber, QString::number(first),
                        QString::number(count), then});
    }
    ~Writer() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished();
        }
    }
    bool waitForDone(int ms = 60000) {
        return QTest::qWaitFor([&] { return output().contains("done\n"); }, ms);
    }
    // The invoice numbers it reported as committed.
    QList<qint64> committed() {
        QList<qint64> numbers;
        for (const QByteArray& line : output().split('\n')) {
            bool ok = false;
            const qint64 number = line.toLongLong(&ok);
            if (ok) {
                numbers << number;
            }
        }
        return numbers;
    }
    QProcess& process() { return process_; }

private:
    const QByteArray& output() {
        output_ += process_.readAllStandardOutput();
        return output_;
    }
    QProcess process_;
    QByteArray output_;
};

// The database file copied alone, as a clerk backs it up, and opened where no log lies beside it.
struct LoneCopy {
    explicit LoneCopy(const QString& database) {
        path = copies.filePath("fpbx.mdb");
        QFile::copy(database, path);
    }
    QList<qint64> numbers() const {
        Database db = Database::open("Data Source=" + path + ";Mode=Read;");
        Statement s = db.prepare("select 发票号码 from 发票报销 order by 发票号码");
        QList<qint64> found;
        while (s.step()) {
            found << s.text(0).toLongLong();
        }
        return found;
    }
    QTemporaryDir copies;
    QString path;
};

// What a copy taken now holds; nothing when it caught the file in the middle of a write.
QList<qint64> numbersInACopyOf(const QString& database) {
    try {
        return LoneCopy(database).numbers();
    } catch (const AppError&) {
        return {};
    }
}

QList<qint64> range(qint64 first, qint64 count) {
    QList<qint64> numbers;
    for (qint64 i = 0; i < count; ++i) {
        numbers << first + i;
    }
    return numbers;
}

QString integrity(const QString& path) {
    Database db = Database::open("Data Source=" + path + ";Mode=ReadWrite;");
    Statement check = db.prepare("pragma integrity_check");
    return check.step() ? check.text(0) : QString("no answer");
}

TEST(StoreDurability, ACopyOfTheFileAloneHoldsEveryInvoiceOnceTheProgramIsIdle) {
    TempExeDir dir;
    // Idle far longer than the test looks: an ending program would move its log on the way out.
    Writer writer(dir, 50000000, 40, "idle:120000");
    ASSERT_TRUE(writer.waitForDone());
    // The file catches up a moment after the program falls quiet: looked at until it has, with
    // room for a busy machine.
    const bool complete = QTest::qWaitFor(
        [&] { return numbersInACopyOf(dir.databasePath()) == range(50000000, 40); }, 30000);
    ASSERT_EQ(writer.process().state(), QProcess::Running);  // still at work, only idle
    EXPECT_TRUE(complete) << numbersInACopyOf(dir.databasePath()).size();
}

TEST(StoreDurability, ACopyOfTheFileAloneHoldsEveryInvoiceHoweverTheProgramEnded) {
    for (const char* ending : {"exit", "term", "abort"}) {
        SCOPED_TRACE(ending);
        TempExeDir dir;
        Writer writer(dir, 60000000, 25, ending);
        ASSERT_TRUE(writer.waitForDone());
        if (QByteArray(ending) == "term") {
            kill(pid_t(writer.process().processId()), SIGTERM);
        }
        ASSERT_TRUE(writer.process().state() == QProcess::NotRunning ||
                    writer.process().waitForFinished(30000));
        // After a crash the log is moved by a process of its own: give it a moment.
        const bool complete = QTest::qWaitFor(
            [&] { return numbersInACopyOf(dir.databasePath()) == range(60000000, 25); }, 30000);
        EXPECT_TRUE(complete) << numbersInACopyOf(dir.databasePath()).size();
    }
}

TEST(StoreDurability, AKillAtAnyMomentLosesNoCommittedInvoice) {
    QRandomGenerator random(424242);
    TempExeDir dir;
    qint64 next = 70000000;
    QList<qint64> everyCommitted;
    for (int round = 0; round < 8; ++round) {
        Writer writer(dir, next, 0, "forever");
        ASSERT_TRUE(writer.waitForDone());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !writer.committed().isEmpty(); }, 30000));
        QTest::qWait(int(random.bounded(200)));
        writer.process().kill();  // SIGKILL
        writer.process().waitForFinished();
        const QList<qint64> committed = writer.committed();
        ASSERT_FALSE(committed.isEmpty()) << "round " << round;
        everyCommitted += committed;
        next = committed.last() + 1000;
        EXPECT_EQ(integrity(dir.databasePath()), "ok") << "round " << round;
    }
    Database db = Database::open("Data Source=" + dir.databasePath() + ";Mode=Read;");
    Statement s = db.prepare("select count(*) from 发票报销 where 发票号码 = ?1");
    int missing = 0;
    for (const qint64 number : everyCommitted) {
        s.bind(1, QString::number(number));
        s.step();
        missing += s.int64(0) == 1 ? 0 : 1;
        s.reset();
    }
    EXPECT_EQ(missing, 0) << "of " << everyCommitted.size();
}

}  // namespace
