#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "scanner/KeyboardHook.h"
#include "scanner/VirtualKeys.h"

class QKeyEvent;
class ScanBuffer;
class ScanField;

// The exclusive keyboard capture of scan mode. Hooked, it filters the events of the whole
// program: no control receives a key press, release, shortcut or input-method event. Each key
// release is noted in the scan buffer by its virtual-key code, and the character the key gave
// at its press is inserted at the end of the target field at once, so the field's change is
// handled before the next key arrives.
//
// Every release counts. Qt flags a release that is followed at once by a press of the same key
// as an auto-repeat, which is also how a fast scanner's doubled digit arrives; a key that is
// really held is told apart by the X server instead (detectable auto-repeat: it then repeats
// presses only, and the one release counts once).
//
// While a modal box or dialog of the program is open its keys go to it and are not captured;
// a release whose press the capture did not see (the Enter that closed the box) is dropped.
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
    // A key as it was pressed: what the release will be noted and typed as.
    struct Pressed {
        vkeys::KeyStroke stroke;
        QString text;
    };

    void keyPressed(const QKeyEvent& event);
    void keyReleased(const QKeyEvent& event);
    void replay(quint8 vk, const QString& text);

    ScanBuffer& buffer_;
    QPointer<ScanField> target_;
    bool hooked_ = false;
    // The keys down, by their physical key.
    QHash<quint32, Pressed> pressed_;
};
