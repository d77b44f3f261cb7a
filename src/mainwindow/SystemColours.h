#pragma once

#include <QColor>

// The window's colours. Windows colour values keep red in the low byte (0x06A362 is red 98,
// green 163, blue 6); the system colours are those of a default Windows 10 desktop.
namespace colours {

inline QColor fromWindowsValue(quint32 value) {
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

inline QColor brandGreen() {
    return fromWindowsValue(0x06A362);
}
inline QColor red() {
    return QColor(255, 0, 0);
}  // clRed
inline QColor darkShadow3D() {
    return QColor(105, 105, 105);
}  // cl3DDkShadow
inline QColor highlight() {
    return QColor(0, 120, 215);
}  // clHighlight
inline QColor menuHighlight() {
    return QColor(0, 120, 215);
}  // clMenuHighlight
inline QColor white() {
    return QColor(255, 255, 255);
}

}  // namespace colours
