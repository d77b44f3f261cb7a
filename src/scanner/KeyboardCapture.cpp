#include "scanner/KeyboardCapture.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include "scanner/ScanBuffer.h"
#include "scanner/ScanField.h"
#include "scanner/VirtualKeys.h"
#include "shell/AppInfo.h"
#include "shell/Commonfun.h"
#include "ui/Prompts.h"

namespace {
constexpr quint8 kBackspace = 0x08;
}

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
    WriteLog(ExeDir(), QStringLiteral("===================hook==================="));
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
    pressText_.clear();
    WriteLog(ExeDir(), QStringLiteral("===================unhook==================="));
}

bool KeyboardCapture::eventFilter(QObject*, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride:
            // Accepted, so that no shortcut fires; the key press that follows is swallowed.
            event->accept();
            return true;
        case QEvent::Shortcut:
        case QEvent::InputMethod:
            return true;
        case QEvent::KeyPress: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && !key->text().isEmpty()) {
                pressText_.insert(key->key(), key->text());
            }
            return true;
        }
        case QEvent::KeyRelease:
            // Swallowed where it first arrives (the window), so it never reaches a widget and
            // is handled once.
            keyReleased(*static_cast<QKeyEvent*>(event));
            return true;
        default:
            return false;
    }
}

void KeyboardCapture::keyReleased(const QKeyEvent& event) {
    if (event.isAutoRepeat()) {
        return;
    }
    QString text = pressText_.take(event.key());
    if (!event.text().isEmpty()) {
        text = event.text();
    }
    vkeys::KeyStroke stroke;
    stroke.key = event.key();
    stroke.modifiers = event.modifiers();
    stroke.nativeScanCode = event.nativeScanCode();
    stroke.hasText = !text.isEmpty();
    const std::optional<quint8> vk = vkeys::virtualKey(stroke);
    if (!vk) {
        return;
    }
    buffer_.keyReleased(*vk);
    if (*vk != vkeys::kShift) {
        replay(*vk, text);
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
