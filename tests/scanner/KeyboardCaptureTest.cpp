#include <gtest/gtest.h>

#include <QLineEdit>
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

}  // namespace
