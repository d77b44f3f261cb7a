#pragma once

#include <QProcess>
#include <QString>

struct _XDisplay;

// A real X server for driving the real program as a clerk's scanner would: Xvfb on a free
// display, and keys sent through XTest in the order a USB scanner's reports give them.
namespace xscan {

// Xvfb on the first free display from :70 on (or of FPBX_XVFB_DISPLAYS, "150-159"); stopped
// when this goes.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    bool isRunning() const { return !name_.isEmpty(); }
    QString name() const { return name_; }  // ":70"

private:
    QProcess server_;
    QString name_;
};

// Types into the window of a given title on a display.
class Scanner {
public:
    explicit Scanner(const QString& display);
    ~Scanner();
    Scanner(const Scanner&) = delete;
    Scanner& operator=(const Scanner&) = delete;

    bool isConnected() const { return display_ != nullptr; }

    // Waits until a top-level window of that title is shown, then gives it the focus.
    bool focusWindow(const QString& title, int timeoutMs);

    // Types ASCII text ("\n" is Enter) key by key: for a shifted character Shift goes down, the
    // key down, Shift up, the key up (a scanner's report releases them so). gapMs between keys.
    void type(const QByteArray& text, int gapMs);

private:
    void key(unsigned keycode, bool down);
    _XDisplay* display_ = nullptr;
};

}  // namespace xscan
