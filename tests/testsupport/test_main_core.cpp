#include <gtest/gtest.h>

#include <QCoreApplication>

// Core tests run with a plain application object: no windows, no platform plug-in.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
