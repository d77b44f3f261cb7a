#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "scanner/KeyboardHook.h"

class QKeyEvent;
class ScanBuffer;
class ScanField;

// The exclusive keyboard capture of scan mode. Hooked, it filters the events of the whole
// program: no control receives a key press, release, shortcut or input-method event. Each key
// release (not an auto-repeat) is noted in the scan buffer by its virtual-key code and its
// character is inserted at the end of the target field at once, so the field's change is
// handled before the next key arrives.
class KeyboardCapture final : public QObject, public KeyboardHook {
    Q_OBJECT

public:
    KeyboardCapture(ScanBuffer& buffer, ScanField* target, QObject* parent = nullptr);
    ~KeyboardCapture() override;

    // Hooking again replaces the capture; each writes its log line.
    void hook() override;
    void unhook() override;
    bool isHooked() const { return hooked_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keyReleased(const QKeyEvent& event);
    void replay(quint8 vk, const QString& text);

    ScanBuffer& buffer_;
    QPointer<ScanField> target_;
    bool hooked_ = false;
    // The text of each key at its press, for a release that comes without one.
    QHash<int, QString> pressText_;
};
