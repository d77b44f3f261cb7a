// One scan through the main window with a million recorded invoices: the time from the scanner's
// Enter to the outcome on the panel (count included), for new and for already recorded invoices;
// the handler time of typing a 200-character payload; and a 10,000-character scan.
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QWindow>
#include <cstdio>

#include "BenchSupport.h"
#include "mainwindow/MainWindow.h"
#include "scanner/ScanField.h"

namespace {

// A key as it reaches the window from the platform: press, then release.
void click(QWindow* window, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(window, &release);
}

void enter(QWindow* window) {
    click(window, Qt::Key_Return, QStringLiteral("\r"));
}

void type(QWindow* window, const QString& text) {
    for (const QChar c : text) {
        const int key = c == u','   ? int(Qt::Key_Comma)
                        : c == u'.' ? int(Qt::Key_Period)
                                    : int(c.toUpper().unicode());
        click(window, key, QString(c));
    }
}

QString payload(qint64 number, const QString& code = QStringLiteral("044031900111")) {
    return QStringLiteral("01,10,%1,%2,100.00,20200101,12345678901234567890,ABCD")
        .arg(code)
        .arg(number);
}

struct Figures {
    double median, p90, max;
};

Figures figures(const std::vector<double>& samples) {
    return {bench::median(samples), bench::percentile(samples, 90),
            bench::percentile(samples, 100)};
}

}  // namespace

int main(int argc, char** argv) {
    bench::useOffscreenUnlessSet();
    QApplication app(argc, argv);
    bench::ScratchStore store;
    store.fillReporting(1000000);

    MainWindow form;
    form.show();
    QWindow* window = form.windowHandle();

    // Handler time alone: the field's change runs through a timed call of the handler.
    double handlerMs = 0;
    QObject::disconnect(form.DataEdit, &ScanField::textChanged, &form, &MainWindow::DataEditChange);
    QObject::connect(form.DataEdit, &ScanField::textChanged, [&] {
        bench::Stopwatch sw;
        form.DataEditChange();
        handlerMs += sw.elapsedMs();
    });

    const int samples = 200;
    std::vector<double> fresh, present;
    int wrong = 0;
    for (int i = 0; i < samples; ++i) {
        type(window, payload(90000000 + i));
        bench::Stopwatch sw;
        enter(window);
        fresh.push_back(sw.elapsedMs());
        wrong += form.Label_msg->text() != QStringLiteral("报销成功!");
    }
    for (int i = 0; i < samples; ++i) {
        type(window, payload(10000000 + (i * 7919) % 1000000));
        bench::Stopwatch sw;
        enter(window);
        present.push_back(sw.elapsedMs());
        wrong += form.Label_msg->text() != QStringLiteral("已报销!");
    }

    // A 200-character payload: the eight items, the last one long.
    std::vector<double> typingHandler, typingAll;
    for (int i = 0; i < 50; ++i) {
        QString text = payload(80000000 + i, QStringLiteral("044031900333"));
        text += QString(200 - 1 - text.size(), u'Z');
        handlerMs = 0;
        bench::Stopwatch sw;
        type(window, text);
        typingAll.push_back(sw.elapsedMs());
        typingHandler.push_back(handlerMs);
        enter(window);  // the 200th character
    }

    bench::Stopwatch longScan;
    handlerMs = 0;
    type(window, QString(10000, u'7'));
    const double longTyping = longScan.elapsedMs();
    const double longHandler = handlerMs;
    enter(window);
    wrong += form.Label_fphm_sm->text() != QStringLiteral("您扫的不是发票信息！");

    const Figures f = figures(fresh), p = figures(present);
    const Figures th = figures(typingHandler), ta = figures(typingAll);
    std::printf("Enter to outcome, %d scans each   median      p90      max\n", samples);
    std::printf("  new invoice (count refreshed)  %6.3f ms %6.3f ms %6.3f ms\n", f.median, f.p90,
                f.max);
    std::printf("  already recorded               %6.3f ms %6.3f ms %6.3f ms\n", p.median, p.p90,
                p.max);
    std::printf("typing 199 characters before Enter (50 payloads of 200)\n");
    std::printf("  handler time in all            %6.3f ms %6.3f ms %6.3f ms\n", th.median, th.p90,
                th.max);
    std::printf("  whole key path in all          %6.3f ms %6.3f ms %6.3f ms\n", ta.median, ta.p90,
                ta.max);
    std::printf("10000 characters without Enter: %.0f ms in all, handler %.0f ms\n", longTyping,
                longHandler);
    std::printf("outcomes not as expected: %d\n", wrong);
    return wrong == 0 ? 0 : 1;
}
