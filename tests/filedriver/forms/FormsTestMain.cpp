#include <gtest/gtest.h>

#include <QThreadPool>

#include "OstrelinApp.h"

// The forms need the program's application object (its exception hook among them).
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery runs without the test environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    TOstrelinApp app(argc, argv);
    const int code = RUN_ALL_TESTS();
    // As the program does: the toolkit's painting threads end before the process does.
    QThreadPool::globalInstance()->waitForDone();
    return code;
}
