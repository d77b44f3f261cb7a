#include "store/ShutdownCheckpoint.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QMutex>
#include <QSet>
#include <QSocketNotifier>
#include <QThread>
#include <array>
#include <cstdlib>

#include "store/WalCheckpoint.h"

namespace shutdowncheckpoint {

namespace {

QMutex mutex;
QSet<QString> databases;

// Prepared while nothing is wrong, used from a signal handler: no allocation there.
constexpr int kMaxArgument = 4096;
char program[kMaxArgument];
char database[kMaxArgument];
char pidText[32];
int quitPipe[2] = {-1, -1};

void copyInto(char* target, const QByteArray& text) {
    const qsizetype n = qMin<qsizetype>(text.size(), kMaxArgument - 1);
    memcpy(target, text.constData(), size_t(n));
    target[n] = '\0';
}

void checkpointAtExit() {
    QSet<QString> paths;
    {
        QMutexLocker lock(&mutex);
        paths = databases;
    }
    for (const QString& path : paths) {
        walcheckpoint::checkpointNow(path);
    }
}

void onCrash(int sig) {
    if (program[0] != '\0' && database[0] != '\0') {
        const pid_t child = fork();
        if (child == 0) {
            setsid();  // outlives the program's process group
            char checkpoint[] = "checkpoint";
            char* argv[] = {program, checkpoint, database, pidText, nullptr};
            execv(program, argv);
            _exit(127);
        }
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void onQuitRequest(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(quitPipe[1], &byte, 1);
}

}  // namespace

void install(const QString& checkpointProgram) {
    copyInto(program, checkpointProgram.toLocal8Bit());
    copyInto(pidText, QByteArray::number(qint64(getpid())));
    std::atexit(checkpointAtExit);
    for (const int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) {
        signal(sig, onCrash);
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app != nullptr && quitPipe[0] < 0 && socketpair(AF_UNIX, SOCK_STREAM, 0, quitPipe) == 0) {
        auto* notifier = new QSocketNotifier(quitPipe[0], QSocketNotifier::Read, app);
        QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = read(quitPipe[0], &byte, 1);
            QCoreApplication::quit();
        });
        for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
            signal(sig, onQuitRequest);
        }
    }
}

void remember(const QString& databasePath) {
    QMutexLocker lock(&mutex);
    if (databases.contains(databasePath)) {
        return;
    }
    databases.insert(databasePath);
    // The crash handler serves the first database: the company's.
    if (database[0] == '\0') {
        copyInto(database, databasePath.toLocal8Bit());
    }
}

int runAfterCrash(const QString& databasePath, qint64 pid) {
    for (int waited = 0; waited < 200 && kill(pid_t(pid), 0) == 0; ++waited) {
        QThread::msleep(50);
    }
    return walcheckpoint::checkpointNow(databasePath) ? 0 : 1;
}

}  // namespace shutdowncheckpoint
