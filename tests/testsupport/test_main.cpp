#include <gtest/gtest.h>

#include "app/FpbxApplication.h"
#include "reader/ReaderClient.h"

// Every test executable runs with the program's application object, so that windows can be built
// and errors escaping an event handler reach the error display as in the program.
int main(int argc, char** argv) {
    // Windows are built offscreen unless a test run asks for a real display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    FpbxApplication app(argc, argv);
    // Files are read by the reader process of this build.
    readerclient::setProgram(QStringLiteral(FPBX_OUTPUT_DIR "/fpbx-reader"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
