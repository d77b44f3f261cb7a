#include <gtest/gtest.h>

#include <QApplication>

// Every test executable runs with an application object, so that windows can be built.
int main(int argc, char** argv) {
    // Windows are built offscreen unless a test run asks for a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
