#include "scanner/KeyboardCapture.h"

#include <QApplication>
#include <QKeyEvent>

#include "base/AppInfo.h"
#include "base/DailyLog.h"
#include "base/Paths.h"
#include "prompts/Prompts.h"
#include "scanner/ScanBuffer.h"
#include "scanner/ScanField.h"
#include "scanner/VirtualKeys.h"
#include "scanner/X11AutoRepeat.h"

namespace {

constexpr quint8 kBackspace = 0x08;

vkeys::KeyStroke strokeOf(const QKeyEvent& event) {
    vkeys::KeyStroke stroke;
    stroke.key = event.key();
    stroke.modifiers = event.modifiers();
    stroke.nativeScanCode = event.nativeScanCode();
    stroke.hasText = !event.text().isEmpty();
    return stroke;
}

// The physical key: its scan code; without one (a synthesised event), its virtual-key code,
// which a key's press and release share whatever Shift did in between.
quint32 physicalKey(const QKeyEvent& event, const vkeys::KeyStroke& stroke) {
    if (event.nativeScanCode() != 0) {
        return event.nativeScanCode();
    }
    return 0x10000u | vkeys::virtualKey(stroke).value_or(0);
}

}  // namespace

KeyboardCapture::KeyboardCapture(ScanBuffer& buffer, ScanField* target, QObject* parent)
    : QObject(parent), buffer_(buffer), target_(target) {}

KeyboardCapture::~KeyboardCapture() {
    if (hooked_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeEventFilter(this);
    }
}

void KeyboardCapture::hook() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        appprompts::get().message(nullptr, appinfo::title(),
                                  QStringLiteral("RegisterRawInputDevices error"), MsgIcon::None);
        return;
    }
    app->removeEventFilter(this);
    app->installEventFilter(this);
    hooked_ = true;
    pressed_.clear();
    x11keys::enableDetectableAutoRepeat();
    WriteLog(GetExeDir(), QStringLiteral("===================hook==================="));
    // Replayed characters go in as they are, never through a composition.
    if (target_) {
        target_->setAttribute(Qt::WA_InputMethodEnabled, false);
    }
}

void KeyboardCapture::unhook() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
    hooked_ = false;
    pressed_.clear();
    WriteLog(GetExeDir(), QStringLiteral("===================unhook==================="));
}

bool KeyboardCapture::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
            break;
        default:
            return false;
    }
    if (QApplication::activeModalWidget() != nullptr) {
        return false;  // a box of the program is open: its keys are its own
    }
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepted, so that no shortcut fires; the key press that follows is swallowed.
            event->accept();
            return true;
        case QEvent::KeyPress:
            // Swallowed where it first arrives (the window), so it never reaches a widget and
            // is handled once.
            keyPressed(*static_cast<QKeyEvent*>(event));
            return true;
        case QEvent::KeyRelease:
            keyReleased(*static_cast<QKeyEvent*>(event));
            return true;
        default:
            return true;
    }
}

void KeyboardCapture::keyPressed(const QKeyEvent& event) {
    Pressed key;
    key.stroke = strokeOf(event);
    key.text = event.text();
    key.stroke.hasText = !key.text.isEmpty();
    // A held key repeats its press: the one release types it once.
    pressed_.insert(physicalKey(event, key.stroke), key);
}

void KeyboardCapture::keyReleased(const QKeyEvent& event) {
    const auto found = pressed_.find(physicalKey(event, strokeOf(event)));
    if (found == pressed_.end()) {
        return;  // pressed before the capture saw it, or into a box that has closed since
    }
    const Pressed key = found.value();
    pressed_.erase(found);
    const std::optional<quint8> vk = vkeys::virtualKey(key.stroke);
    if (!vk) {
        return;
    }
    buffer_.keyReleased(*vk);
    if (*vk != vkeys::kShift) {
        replay(*vk, key.text);
    }
}

void KeyboardCapture::replay(quint8 vk, const QString& text) {
    if (!target_) {
        return;
    }
    if (vk == vkeys::kReturn) {
        target_->insertText(QStringLiteral("\n"));
        return;
    }
    if (vk == kBackspace) {
        target_->deletePreviousChar();
        return;
    }
    QString printable;
    for (const QChar c : text) {
        if (c.unicode() >= 0x20 || c == u'\t') {
            printable += c;
        }
    }
    target_->insertText(printable);
}
