#include <gtest/gtest.h>

#include "OstrelinApp.h"

// The forms need the program's application object (its exception hook among them).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TOstrelinApp app(argc, argv);
    return RUN_ALL_TESTS();
}
