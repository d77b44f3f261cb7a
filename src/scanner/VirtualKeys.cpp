#include "scanner/VirtualKeys.h"

#include <QtCore/qnamespace.h>

namespace vkeys {

namespace {

// X key codes (evdev + 8) of the right-hand Ctrl and Alt, which Qt reports as the same keys as
// the left-hand ones.
constexpr quint32 kRightControlCode = 105;
constexpr quint32 kRightAltCode = 108;

struct Entry {
    int key;
    quint8 vk;
};

// Keys of the main block. Shifted symbols sit on the key of the US layout that types them, since
// a virtual-key code names the key, not the character.
constexpr Entry kMainBlock[] = {
    {Qt::Key_Return, 0x0D},       {Qt::Key_Tab, 0x09},         {Qt::Key_Backtab, 0x09},
    {Qt::Key_Backspace, 0x08},    {Qt::Key_Escape, 0x1B},      {Qt::Key_Space, 0x20},
    {Qt::Key_Shift, 0x10},        {Qt::Key_Control, 0x11},     {Qt::Key_Alt, 0x12},
    {Qt::Key_CapsLock, 0x14},     {Qt::Key_ScrollLock, 0x91},  {Qt::Key_Exclam, 0x31},
    {Qt::Key_At, 0x32},           {Qt::Key_NumberSign, 0x33},  {Qt::Key_Dollar, 0x34},
    {Qt::Key_Percent, 0x35},      {Qt::Key_AsciiCircum, 0x36}, {Qt::Key_Ampersand, 0x37},
    {Qt::Key_Asterisk, 0x38},     {Qt::Key_ParenLeft, 0x39},   {Qt::Key_ParenRight, 0x30},
    {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Colon, 0xBA},       {Qt::Key_Equal, 0xBB},
    {Qt::Key_Plus, 0xBB},         {Qt::Key_Comma, 0xBC},       {Qt::Key_Less, 0xBC},
    {Qt::Key_Minus, 0xBD},        {Qt::Key_Underscore, 0xBD},  {Qt::Key_Period, 0xBE},
    {Qt::Key_Greater, 0xBE},      {Qt::Key_Slash, 0xBF},       {Qt::Key_Question, 0xBF},
    {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_AsciiTilde, 0xC0},  {Qt::Key_BracketLeft, 0xDB},
    {Qt::Key_BraceLeft, 0xDB},    {Qt::Key_Backslash, 0xDC},   {Qt::Key_Bar, 0xDC},
    {Qt::Key_BracketRight, 0xDD}, {Qt::Key_BraceRight, 0xDD},  {Qt::Key_Apostrophe, 0xDE},
    {Qt::Key_QuoteDbl, 0xDE},     {Qt::Key_Clear, 0x0C},
};

// Keys of the numeric keypad (Qt marks them with KeypadModifier). With Num Lock off the digit
// keys arrive as the navigation keys; on the keypad those carry no prefix.
constexpr Entry kKeypad[] = {
    {Qt::Key_Asterisk, 0x6A}, {Qt::Key_Plus, 0x6B},     {Qt::Key_Minus, 0x6D},
    {Qt::Key_Period, 0x6E},   {Qt::Key_Comma, 0x6E},    {Qt::Key_Delete, 0x2E},
    {Qt::Key_Insert, 0x2D},   {Qt::Key_Home, 0x24},     {Qt::Key_End, 0x23},
    {Qt::Key_PageUp, 0x21},   {Qt::Key_PageDown, 0x22}, {Qt::Key_Left, 0x25},
    {Qt::Key_Up, 0x26},       {Qt::Key_Right, 0x27},    {Qt::Key_Down, 0x28},
    {Qt::Key_Clear, 0x0C},
};

std::optional<quint8> find(const Entry* begin, const Entry* end, int key) {
    for (const Entry* e = begin; e != end; ++e) {
        if (e->key == key) {
            return e->vk;
        }
    }
    return std::nullopt;
}

bool isPrefixedKey(const KeyStroke& s, bool keypad) {
    switch (s.key) {
        case Qt::Key_Enter:  // only the keypad has it
        case Qt::Key_AltGr:
        case Qt::Key_NumLock:
        case Qt::Key_Print:
        case Qt::Key_SysReq:
        case Qt::Key_Pause:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Menu:
            return true;
        case Qt::Key_Slash:
            return keypad;
        case Qt::Key_Control:
            return s.nativeScanCode == kRightControlCode;
        case Qt::Key_Alt:
            return s.nativeScanCode == kRightAltCode;
        case Qt::Key_Insert:
        case Qt::Key_Delete:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_Right:
        case Qt::Key_Down:
            return !keypad;
        default:
            return false;
    }
}

}  // namespace

std::optional<quint8> virtualKey(const KeyStroke& s) {
    const bool keypad = s.modifiers.testFlag(Qt::KeypadModifier);
    if (isPrefixedKey(s, keypad)) {
        return std::nullopt;
    }
    if (s.key >= Qt::Key_A && s.key <= Qt::Key_Z) {
        return quint8(0x41 + (s.key - Qt::Key_A));
    }
    if (s.key >= Qt::Key_0 && s.key <= Qt::Key_9) {
        return quint8((keypad ? 0x60 : 0x30) + (s.key - Qt::Key_0));
    }
    if (s.key >= Qt::Key_F1 && s.key <= Qt::Key_F24) {
        return quint8(0x70 + (s.key - Qt::Key_F1));
    }
    if (keypad) {
        if (const auto vk = find(std::begin(kKeypad), std::end(kKeypad), s.key)) {
            return vk;
        }
    }
    if (const auto vk = find(std::begin(kMainBlock), std::end(kMainBlock), s.key)) {
        return vk;
    }
    if (s.hasText) {
        return kPacket;
    }
    return std::nullopt;
}

}  // namespace vkeys
