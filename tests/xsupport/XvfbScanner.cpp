#include "XvfbScanner.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <time.h>

namespace xscan {

namespace {

bool displayAnswers(const QString& name) {
    Display* d = XOpenDisplay(name.toLatin1().constData());
    if (d == nullptr) {
        return false;
    }
    XCloseDisplay(d);
    return true;
}

QString windowTitle(Display* d, Window w) {
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom netName = XInternAtom(d, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
    QString title;
    if (XGetWindowProperty(d, w, netName, 0, 1024, False, utf8, &type, &format, &items, &after,
                           &data) == Success &&
        data != nullptr) {
        title = QString::fromUtf8(reinterpret_cast<const char*>(data), int(items));
    }
    if (data != nullptr) {
        XFree(data);
    }
    return title;
}

Window findViewable(Display* d, Window parent, const QString& title) {
    Window root = 0, up = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(d, parent, &root, &up, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(d, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable && windowTitle(d, children[i]) == title) {
            found = children[i];
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

void sleepMs(int ms) {
    if (ms <= 0) {
        return;
    }
    const timespec pause{ms / 1000, long(ms % 1000) * 1000000L};
    nanosleep(&pause, nullptr);
}

KeySym keysymOf(char c) {
    switch (c) {
        case '\n':
            return XK_Return;
        case ',':
            return XK_comma;
        case '.':
            return XK_period;
        case '"':
            return XK_quotedbl;
        case ' ':
            return XK_space;
        case '-':
            return XK_minus;
        default:
            return KeySym(static_cast<unsigned char>(c));  // Latin-1 keysyms are the codes
    }
}

}  // namespace

VirtualDisplay::VirtualDisplay() {
    // A shared machine may give a run its own displays: FPBX_XVFB_DISPLAYS=150-159.
    int first = 70, last = 119;
    const QList<QByteArray> range = qgetenv("FPBX_XVFB_DISPLAYS").split('-');
    if (range.size() == 2 && range[0].toInt() > 0 && range[1].toInt() >= range[0].toInt()) {
        first = range[0].toInt();
        last = range[1].toInt();
    }
    for (int n = first; n <= last; ++n) {
        const QString name = QStringLiteral(":%1").arg(n);
        if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) || displayAnswers(name)) {
            continue;
        }
        server_.start(QStringLiteral("Xvfb"), {name, QStringLiteral("-screen"), QStringLiteral("0"),
                                               QStringLiteral("1024x768x24"),
                                               QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!server_.waitForStarted(5000)) {
            return;
        }
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 10000 && server_.state() == QProcess::Running) {
            if (displayAnswers(name)) {
                name_ = name;
                return;
            }
            QThread::msleep(20);
        }
        server_.kill();
        server_.waitForFinished();
    }
}

VirtualDisplay::~VirtualDisplay() {
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(3000)) {
            server_.kill();
            server_.waitForFinished();
        }
    }
}

Scanner::Scanner(const QString& display) {
    display_ = XOpenDisplay(display.toLatin1().constData());
}

Scanner::~Scanner() {
    if (display_ != nullptr) {
        XCloseDisplay(display_);
    }
}

bool Scanner::focusWindow(const QString& title, int timeoutMs) {
    if (display_ == nullptr) {
        return false;
    }
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        const Window w = findViewable(display_, DefaultRootWindow(display_), title);
        if (w != 0) {
            XRaiseWindow(display_, w);
            XSetInputFocus(display_, w, RevertToParent, CurrentTime);
            XSync(display_, False);
            Window focused = 0;
            int revert = 0;
            XGetInputFocus(display_, &focused, &revert);
            if (focused == w) {
                return true;
            }
        }
        QThread::msleep(50);
    }
    return false;
}

void Scanner::key(unsigned keycode, bool down) {
    XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
}

void Scanner::type(const QByteArray& text, int gapMs) {
    const unsigned shift = XKeysymToKeycode(display_, XK_Shift_L);
    for (const char c : text) {
        const KeySym sym = keysymOf(c);
        const KeyCode code = XKeysymToKeycode(display_, sym);
        if (code == 0) {
            continue;
        }
        const bool shifted = XkbKeycodeToKeysym(display_, code, 0, 0) != sym;
        if (shifted) {
            key(shift, true);
        }
        key(code, true);
        if (shifted) {
            key(shift, false);
        }
        key(code, false);
        XFlush(display_);
        sleepMs(gapMs);
    }
    XSync(display_, False);
}

}  // namespace xscan
