// The real program on a real X server, typed into by XTest as a fast USB scanner types: 1,000
// scans rich in doubled digits, capitals and a quoted item, at 0, 1 and 3 ms between keys, on an
// idle machine and with two busy processes on the two cores. For each run: scans sent, rows
// stored, rows that match their payload exactly, and scans per second. An argument names another
// build of the program to measure instead.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QThread>
#include <cstdio>

#include "BenchSupport.h"
#include "ProgramOnDisplay.h"
#include "base/TextCodec.h"
#include "store/Database.h"
#include "store/DatabaseFile.h"

namespace {

constexpr int kScans = 1000;

struct Expected {
    QString code, number, checkCode, date;
    qint64 amountUnits = 0;
};

// Each digit twice: the doubled keys a fast scanner loses first.
QString doubled(const QString& digits) {
    QString out;
    for (const QChar c : digits) {
        out += c;
        out += c;
    }
    return out;
}

// Scan i of run r: old-style invoices with a quoted invoice kind holding a comma (a quote
// that came out as an apostrophe would shift every later item), and fully digital ones.
QByteArray payload(int run, int i, Expected& e) {
    const QString serial = QStringLiteral("%1").arg(i, 4, 10, QChar(u'0'));
    const qint64 yuan = 100 + i;
    e.amountUnits = yuan * 10000 + 5500;
    e.date = QStringLiteral("2024%1%2")
                 .arg(1 + i % 12, 2, 10, QChar(u'0'))
                 .arg(11 + i % 17, 2, 10, QChar(u'0'));
    const QString amount = QStringLiteral("%1.55").arg(yuan);
    QString text;
    if (i % 4 == 3) {
        e.code.clear();
        e.number = QStringLiteral("2344") + doubled(QStringLiteral("%1").arg(run)) + u'0' +
                   doubled(serial) + QStringLiteral("0");
        e.number = e.number.left(20).leftJustified(20, u'9');
        e.checkCode.clear();
        text = QStringLiteral("01,32,,%1,%2,%3,,74AE,").arg(e.number, amount, e.date);
    } else {
        e.code = QStringLiteral("0440") + doubled(QStringLiteral("%1").arg(run)) +
                 QStringLiteral("119900");
        e.code = e.code.left(12);
        e.number = doubled(serial);
        e.checkCode = QStringLiteral("AaBb") + doubled(serial) + QStringLiteral("ZZzz1100");
        text = QStringLiteral("01,\"1,0\",%1,%2,%3,%4,%5,QqEE,")
                   .arg(e.code, e.number, amount, e.date, e.checkCode);
    }
    return text.toLatin1() + '\n';
}

struct Result {
    qint64 stored = 0, exact = 0;
    double scansPerSecond = 0;
    QString problem;
};

Result runOnce(const QString& build, int run, int gapMs) {
    Result result;
    bench::ProgramOnDisplay running;
    result.problem = running.start(build);
    if (!result.problem.isEmpty()) {
        return result;
    }
    QThread::msleep(300);  // scan mode entered at the first show

    QHash<QString, Expected> expected;
    QByteArray keys;
    for (int i = 0; i < kScans; ++i) {
        Expected e;
        keys += payload(run, i, e);
        expected.insert(e.number + u'|' + e.code, e);
    }
    bench::Stopwatch watch;
    running.scanner().type(keys, gapMs);
    // Done when every scan is stored, or when nothing more arrives for ten seconds.
    qint64 last = -1;
    bench::Stopwatch quiet;
    double doneMs = 0;
    while (quiet.elapsedMs() < 10000) {
        const qint64 now = bench::storedInvoices();
        if (now != last) {
            last = now;
            doneMs = watch.elapsedMs();
            quiet.restart();
        }
        if (now >= kScans) {
            break;
        }
        QThread::msleep(20);
    }
    running.kill();

    Database db = Database::open(GetConnectionString());
    Statement rows = db.prepare(
        QStringLiteral("select 发票代码, 发票号码, 开票金额, 开票日期, 校验码 from 发票报销"));
    while (rows.step()) {
        ++result.stored;
        const auto found = expected.constFind(rows.text(1) + u'|' + rows.text(0));
        if (found != expected.constEnd() && rows.int64(2) == found->amountUnits &&
            rows.text(3) == found->date && rows.text(4) == found->checkCode) {
            ++result.exact;
        }
    }
    result.scansPerSecond = doneMs > 0 ? result.stored * 1000.0 / doneMs : 0;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Another build of the program may be named, to compare.
    const QString program =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(FPBX_BINARY);
    std::printf("%-6s %8s %6s %7s %7s %9s\n", "load", "gap", "sent", "stored", "exact", "scans/s");
    bool allExact = true;
    int run = 1;
    for (const bool busy : {false, true}) {
        QList<QProcess*> hogs;
        if (busy) {
            for (int k = 0; k < 2; ++k) {
                auto* hog = new QProcess;
                hog->start(QStringLiteral("sh"),
                           {QStringLiteral("-c"), QStringLiteral("while :; do :; done")});
                hogs << hog;
            }
        }
        for (const int gap : {0, 1, 3}) {
            const Result r = runOnce(program, run++, gap);
            std::printf("%-6s %5d ms %6d %7lld %7lld %9.1f%s%s\n", busy ? "busy" : "idle", gap,
                        kScans, static_cast<long long>(r.stored), static_cast<long long>(r.exact),
                        r.scansPerSecond, r.problem.isEmpty() ? "" : "  ", qPrintable(r.problem));
            std::fflush(stdout);
            allExact = allExact && r.problem.isEmpty() && r.exact == kScans && r.stored == kScans;
        }
        for (QProcess* hog : hogs) {
            hog->kill();
            hog->waitForFinished();
            delete hog;
        }
    }
    std::printf("every row matches its payload in every run: %s\n", allExact ? "yes" : "NO");
    return allExact ? 0 : 1;
}
