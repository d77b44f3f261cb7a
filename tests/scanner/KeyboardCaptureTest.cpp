#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QShortcut>
#include <QTest>
#include <QVBoxLayout>

#include "FakeClock.h"
#include "TempExeDir.h"
#include "TestFiles.h"
#include "scanner/KeyboardCapture.h"
#include "scanner/ScanBuffer.h"
#include "scanner/ScanField.h"

namespace {

// A window with a hidden field the capture replays into and an edit that holds the focus.
class CaptureHarness : public ::testing::Test {
protected:
    FakeClock clock{QDateTime(QDate(2024, 3, 1), QTime(9, 0, 0))};
    TempExeDir dir;
    QWidget window;
    QLineEdit* focusEdit = new QLineEdit(&window);
    ScanField* field = new ScanField(&window);
    ScanBuffer buffer;
    KeyboardCapture capture{buffer, field};

    void SetUp() override {
        auto* layout = new QVBoxLayout(&window);
        layout->addWidget(focusEdit);
        layout->addWidget(field);
        field->hide();
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        focusEdit->setFocus();
    }

    QWindow* handle() { return window.windowHandle(); }

    // A key event as the X11 platform delivers it: the X key code as native scan code, the
    // text of the moment and Qt's auto-repeat guess.
    void x11Key(QEvent::Type type, int key, quint32 code, const QString& text,
                bool autoRepeat = false, Qt::KeyboardModifiers mods = Qt::NoModifier,
                QWindow* to = nullptr) {
        QKeyEvent event(type, key, mods, code, 0, 0, text, autoRepeat);
        QCoreApplication::sendEvent(to != nullptr ? to : handle(), &event);
    }
    void press(int key, quint32 code, const QString& text, bool autoRepeat = false,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        x11Key(QEvent::KeyPress, key, code, text, autoRepeat, mods);
    }
    void release(int key, quint32 code, const QString& text, bool autoRepeat = false,
                 Qt::KeyboardModifiers mods = Qt::NoModifier) {
        x11Key(QEvent::KeyRelease, key, code, text, autoRepeat, mods);
    }
    void type(const char* text) {
        for (const char* c = text; *c != 0; ++c) {
            QTest::keyClick(handle(), *c);
        }
    }
};

TEST_F(CaptureHarness, HookedKeysGoToTheBufferAndTheFieldNotToTheFocusedEdit) {
    capture.hook();
    type("ab1,.-");
    QTest::keyClick(handle(), Qt::Key_Return);
    EXPECT_EQ(buffer.bytes(), QByteArray("ab1\xBC\xBE\xBD\r"));
    EXPECT_EQ(field->toPlainText(), "ab1,.-\n");
    EXPECT_TRUE(buffer.IsScanComplete());
    EXPECT_TRUE(focusEdit->text().isEmpty());
    EXPECT_FALSE(field->testAttribute(Qt::WA_InputMethodEnabled));
}

TEST_F(CaptureHarness, ACapitalIsBufferedLowerCaseAndTypedUpperCase) {
    capture.hook();
    QTest::sendKeyEvent(QTest::Press, handle(), Qt::Key_Shift, QString(), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Press, handle(), Qt::Key_A, "A", Qt::ShiftModifier);
    QTest::sendKeyEvent(QTest::Release, handle(), Qt::Key_A, "A", Qt::ShiftModifier);
    QTest::sendKeyEvent(QTest::Release, handle(), Qt::Key_Shift, QString(), Qt::ShiftModifier);
    type("b");
    EXPECT_EQ(buffer.bytes(), QByteArray("aB"));
    EXPECT_EQ(field->toPlainText(), "Ab");
}

TEST_F(CaptureHarness, KeypadEnterNeverCompletesAScan) {
    capture.hook();
    type("12");
    QTest::keyClick(handle(), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(handle(), Qt::Key_Left);
    EXPECT_EQ(buffer.bytes(), QByteArray("12"));
    EXPECT_EQ(field->toPlainText(), "12");
    EXPECT_FALSE(buffer.IsScanComplete());
}

TEST_F(CaptureHarness, EachChangeSeesTheBufferEndingWithItsKey) {
    QList<QPair<QByteArray, QString>> seen;
    QObject::connect(field, &ScanField::textChanged, [&] {
        seen.append({buffer.bytes(), field->toPlainText()});
    });
    capture.hook();
    type("x9");
    QTest::keyClick(handle(), Qt::Key_Return);
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen[0], (QPair<QByteArray, QString>{"x", "x"}));
    EXPECT_EQ(seen[1], (QPair<QByteArray, QString>{"x9", "x9"}));
    EXPECT_EQ(seen[2], (QPair<QByteArray, QString>{"x9\r", "x9\n"}));
}

TEST_F(CaptureHarness, NonLatinTextAndBackspaceAreReplayed) {
    capture.hook();
    QTest::sendKeyEvent(QTest::Click, handle(), Qt::Key_unknown, "发", Qt::NoModifier);
    type("ab");
    QTest::keyClick(handle(), Qt::Key_Backspace);
    EXPECT_EQ(buffer.bytes(), QByteArray("\xE7"
                                         "ab\x08"));
    EXPECT_EQ(field->toPlainText(), "发a");
}

TEST_F(CaptureHarness, NoShortcutFiresWhileHooked) {
    int fired = 0;
    auto* shortcut = new QShortcut(QKeySequence("Ctrl+S"), &window);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++fired; });
    capture.hook();
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fired, 0);
    capture.unhook();
    QTest::keyClick(handle(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(fired, 1);
}

TEST_F(CaptureHarness, AfterUnhookTypingReachesTheFocusedEdit) {
    capture.hook();
    type("1");
    capture.unhook();
    type("23");
    EXPECT_EQ(focusEdit->text(), "23");
    EXPECT_EQ(buffer.bytes(), QByteArray("1"));
    capture.hook();  // hooking twice replaces the capture: each key still counts once
    capture.hook();
    type("4");
    EXPECT_EQ(buffer.bytes(), QByteArray("14"));
    EXPECT_EQ(field->toPlainText(), "14");
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              (QStringList{"===================hook===================",
                           "===================unhook===================",
                           "===================hook===================",
                           "===================hook==================="}));
}

// X key codes of a PC keyboard.
constexpr quint32 kX0 = 19, kX4 = 13, kXA = 38, kXQuote = 48, kXShift = 50, kXReturn = 36;

TEST_F(CaptureHarness, ADoubledKeyTypedAtSpeedCountsTwiceWhateverQtGuessed) {
    capture.hook();
    // 0 0 4 4 with no pause: Qt takes each release followed at once by a press of the same
    // key for an auto-repeat, and the press after it too.
    press(Qt::Key_0, kX0, "0");
    release(Qt::Key_0, kX0, "0", true);
    press(Qt::Key_0, kX0, "0", true);
    release(Qt::Key_0, kX0, "0");
    press(Qt::Key_4, kX4, "4");
    release(Qt::Key_4, kX4, "4", true);
    press(Qt::Key_4, kX4, "4", true);
    release(Qt::Key_4, kX4, "4", true);
    EXPECT_EQ(buffer.bytes(), QByteArray("0044"));
    EXPECT_EQ(field->toPlainText(), "0044");
}

TEST_F(CaptureHarness, AHeldKeyRepeatingItsPressIsTypedOnceAtItsRelease) {
    capture.hook();
    press(Qt::Key_A, kXA, "a");
    press(Qt::Key_A, kXA, "a");
    press(Qt::Key_A, kXA, "a");
    release(Qt::Key_A, kXA, "a");
    EXPECT_EQ(buffer.bytes(), QByteArray("a"));
    EXPECT_EQ(field->toPlainText(), "a");
}

TEST_F(CaptureHarness, AScannerReleasingShiftFirstKeepsTheShiftedCharacters) {
    capture.hook();
    // Shift down, A down, Shift up, A up: the release of A comes unshifted, as "a".
    press(Qt::Key_Shift, kXShift, QString());
    press(Qt::Key_A, kXA, "A", false, Qt::ShiftModifier);
    release(Qt::Key_Shift, kXShift, QString(), false, Qt::ShiftModifier);
    release(Qt::Key_A, kXA, "a");
    // The same for a double quote, which unshifted is an apostrophe.
    press(Qt::Key_Shift, kXShift, QString());
    press(Qt::Key_QuoteDbl, kXQuote, "\"", false, Qt::ShiftModifier);
    release(Qt::Key_Shift, kXShift, QString(), false, Qt::ShiftModifier);
    release(Qt::Key_Apostrophe, kXQuote, "'");
    press(Qt::Key_Return, kXReturn, "\r");
    release(Qt::Key_Return, kXReturn, "\r");
    EXPECT_EQ(field->toPlainText(), "A\"\n");
    // The shift flag rule of the buffer is unchanged: Shift released before the letter.
    EXPECT_EQ(buffer.bytes(), QByteArray("A\xDE\r"));
    EXPECT_TRUE(buffer.IsScanComplete());
}

TEST_F(CaptureHarness, AReleaseWithoutItsPressIsDropped) {
    capture.hook();
    release(Qt::Key_5, 14, "5");
    press(Qt::Key_6, 15, "6");
    release(Qt::Key_6, 15, "6");
    EXPECT_EQ(buffer.bytes(), QByteArray("6"));
    EXPECT_EQ(field->toPlainText(), "6");
}

TEST_F(CaptureHarness, AModalBoxTakesItsKeysWhileHookedAndTheCaptureComesBack) {
    capture.hook();
    type("12");
    QMessageBox box(QMessageBox::Information, "出现异常", "disk I/O error", QMessageBox::Ok,
                    &window);
    box.setWindowModality(Qt::ApplicationModal);
    int finished = 0;
    QObject::connect(&box, &QMessageBox::finished, [&] { ++finished; });
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QWindow* boxWindow = box.windowHandle();
    x11Key(QEvent::KeyPress, Qt::Key_7, 16, "7", false, Qt::NoModifier, boxWindow);
    x11Key(QEvent::KeyRelease, Qt::Key_7, 16, "7", false, Qt::NoModifier, boxWindow);
    // Enter closes the box at its press; its release then finds no box.
    x11Key(QEvent::KeyPress, Qt::Key_Return, kXReturn, "\r", false, Qt::NoModifier, boxWindow);
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(box.isVisible());
    release(Qt::Key_Return, kXReturn, "\r");
    EXPECT_EQ(buffer.bytes(), QByteArray("12"));
    EXPECT_EQ(field->toPlainText(), "12");
    EXPECT_FALSE(buffer.IsScanComplete());
    type("3");
    EXPECT_EQ(buffer.bytes(), QByteArray("123"));
    EXPECT_EQ(field->toPlainText(), "123");
    // The box came and went without a hook or unhook line.
    EXPECT_EQ(testfiles::logMessages(dir.logPath()),
              QStringList{"===================hook==================="});
}

TEST_F(CaptureHarness, EscClosesAModalBoxWhileHooked) {
    capture.hook();
    QMessageBox box(QMessageBox::Information, "提示", "text", QMessageBox::Ok, &window);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    QTest::keyClick(box.windowHandle(), Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());
    EXPECT_TRUE(buffer.bytes().isEmpty());
}

}  // namespace
