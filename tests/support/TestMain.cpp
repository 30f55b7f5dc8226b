// Test main: an offscreen GUI application exists before any test runs, so tests may
// create windows and draw text.
#include "platform/Application.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QT_SCALE_FACTOR", "1", 0);
    testing::InitGoogleTest(&argc, argv);
    InitGuiApplication(argc, argv);
    return RUN_ALL_TESTS();
}
