#include <gtest/gtest.h>

#include "reader/ReaderClient.h"

#include <QCoreApplication>

// Core tests run with a plain application object: no windows, no platform plug-in.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Files are read by the reader process of this build.
    readerclient::setProgram(QStringLiteral(FPBX_OUTPUT_DIR "/fpbx-reader"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
