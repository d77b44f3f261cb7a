#pragma once

#include <QtCore/qnamespace.h>
#include <optional>

// The one table from Qt keys to the virtual-key codes a scanner's keys have on Windows. The scan
// buffer keeps those codes, so a scan is recognised the same whatever platform typed it.
namespace vkeys {

inline constexpr quint8 kShift = 0x10;
inline constexpr quint8 kReturn = 0x0D;
// A key that carries text but has no key of its own (a character typed through the input
// system rather than a key of the layout), as Windows reports it.
inline constexpr quint8 kPacket = 0xE7;

// One key release as Qt reports it.
struct KeyStroke {
    int key = 0;                                       // Qt::Key
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;  // KeypadModifier matters
    quint32 nativeScanCode = 0;                        // the X/evdev key code, 0 when unknown
    bool hasText = false;                              // the key produced a character
};

// The virtual-key code of the key, or nothing when the key is dropped: the keys that carry the
// E0/E1 prefix on a PC keyboard (keypad Enter and divide, right Ctrl and Alt, the arrow and
// editing blocks beside the keypad, Num Lock, Print Screen, Pause, the Windows and menu keys)
// and keys that neither have a code nor produce a character.
std::optional<quint8> virtualKey(const KeyStroke& stroke);

}  // namespace vkeys
