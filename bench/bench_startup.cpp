// Start to the main window shown, with 1,000,000 recorded invoices and no update service
// configured: the real program is started offscreen in a scratch exe directory and timed until
// its log says it entered scan mode (the main window's first show).
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "BenchSupport.h"
#include "base/Clock.h"
#include "base/TextCodec.h"

namespace {

bool shownIn(const QString& logPath, int previousLines) {
    QFile log(logPath);
    if (!log.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QList<QByteArray> lines = log.readAll().split('\n');
    for (int i = previousLines; i < lines.size(); ++i) {
        if (textcodec::fromGbk(lines[i]).contains(QStringLiteral("扫描录入"))) {
            return true;
        }
    }
    return false;
}

int lineCount(const QString& logPath) {
    QFile log(logPath);
    return log.open(QIODevice::ReadOnly) ? int(log.readAll().count('\n')) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bench::ScratchStore store;
    store.fill(1000000);
    const QString binary = store.exeDir() + QStringLiteral("/fpbx");
    QFile::copy(QStringLiteral(FPBX_BINARY), binary);
    const QString logPath = store.exeDir() + QStringLiteral("/log/") +
                            appclock::now().toString(QStringLiteral("yyyyMMdd")) +
                            QStringLiteral(".log");

    std::vector<double> samples;
    for (int run = 0; run < 11; ++run) {
        const int before = lineCount(logPath);
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        bench::Stopwatch watch;
        process.start(binary, {});
        while (!shownIn(logPath, before) && watch.elapsedMs() < 10000) {
            QThread::usleep(500);
        }
        const double ms = watch.elapsedMs();
        process.kill();
        process.waitForFinished();
        // The first start writes the default update URL; the others ask it and are refused.
        std::printf("  start %2d: %.1f ms%s\n", run + 1, ms, run == 0 ? " (first start)" : "");
        samples.push_back(ms);
    }
    std::printf("start to main window shown, 1,000,000 invoices: median %.1f ms, max %.1f ms\n",
                bench::median(samples), bench::percentile(samples, 100));
    return 0;
}
