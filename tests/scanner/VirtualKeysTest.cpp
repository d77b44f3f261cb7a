#include <gtest/gtest.h>

#include "scanner/VirtualKeys.h"

namespace {

std::optional<quint8> vk(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, quint32 scanCode = 0,
                         bool text = true) {
    return vkeys::virtualKey({key, mods, scanCode, text});
}

TEST(VirtualKeys, LettersDigitsAndMainBlockKeysHaveTheirWindowsCodes) {
    EXPECT_EQ(vk(Qt::Key_A), 0x41);
    EXPECT_EQ(vk(Qt::Key_Z), 0x5A);
    EXPECT_EQ(vk(Qt::Key_0), 0x30);
    EXPECT_EQ(vk(Qt::Key_9), 0x39);
    EXPECT_EQ(vk(Qt::Key_Return), 0x0D);
    EXPECT_EQ(vk(Qt::Key_Shift, Qt::ShiftModifier, 0, false), 0x10);
    EXPECT_EQ(vk(Qt::Key_Comma), 0xBC);
    EXPECT_EQ(vk(Qt::Key_Period), 0xBE);
    EXPECT_EQ(vk(Qt::Key_Minus), 0xBD);
    EXPECT_EQ(vk(Qt::Key_Tab), 0x09);
    EXPECT_EQ(vk(Qt::Key_F1, Qt::NoModifier, 0, false), 0x70);
}

TEST(VirtualKeys, ShiftedSymbolsNameTheKeyThatTypesThem) {
    EXPECT_EQ(vk(Qt::Key_Exclam, Qt::ShiftModifier), 0x31);
    EXPECT_EQ(vk(Qt::Key_ParenRight, Qt::ShiftModifier), 0x30);
    EXPECT_EQ(vk(Qt::Key_Less, Qt::ShiftModifier), 0xBC);
    EXPECT_EQ(vk(Qt::Key_Underscore, Qt::ShiftModifier), 0xBD);
}

TEST(VirtualKeys, KeypadKeysWithoutPrefixKeepTheirKeypadCodes) {
    EXPECT_EQ(vk(Qt::Key_5, Qt::KeypadModifier), 0x65);
    EXPECT_EQ(vk(Qt::Key_Period, Qt::KeypadModifier), 0x6E);
    EXPECT_EQ(vk(Qt::Key_Minus, Qt::KeypadModifier), 0x6D);
    EXPECT_EQ(vk(Qt::Key_Left, Qt::KeypadModifier, 0, false), 0x25);
}

TEST(VirtualKeys, KeysWithThePrefixAreDropped) {
    EXPECT_FALSE(vk(Qt::Key_Enter, Qt::KeypadModifier));
    EXPECT_FALSE(vk(Qt::Key_Slash, Qt::KeypadModifier));
    EXPECT_FALSE(vk(Qt::Key_Left, Qt::NoModifier, 0, false));
    EXPECT_FALSE(vk(Qt::Key_Delete, Qt::NoModifier, 0, false));
    EXPECT_FALSE(vk(Qt::Key_Control, Qt::ControlModifier, 105, false));  // right Ctrl
    EXPECT_FALSE(vk(Qt::Key_Alt, Qt::AltModifier, 108, false));          // right Alt
    EXPECT_FALSE(vk(Qt::Key_NumLock, Qt::NoModifier, 0, false));
    EXPECT_EQ(vk(Qt::Key_Control, Qt::ControlModifier, 37, false), 0x11);  // left Ctrl
}

TEST(VirtualKeys, AKeyOutsideTheTableCountsOnlyWhenItTypesACharacter) {
    EXPECT_EQ(vk(Qt::Key_unknown, Qt::NoModifier, 0, true), 0xE7);
    EXPECT_EQ(vk(0x53D1, Qt::NoModifier, 0, true), 0xE7);  // 发 as an X keysym's key
    EXPECT_FALSE(vk(Qt::Key_unknown, Qt::NoModifier, 0, false));
    EXPECT_FALSE(vk(Qt::Key_VolumeUp, Qt::NoModifier, 0, false));
}

}  // namespace
