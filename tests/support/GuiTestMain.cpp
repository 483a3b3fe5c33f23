#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/GuiSession.h"

// Tests that measure or draw text, or open windows, need the window system up.
// CTest asks for the offscreen platform; listing the tests happens without
// CTest's environment, so ask for it here too.
int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("QTEST_DISABLE_STACK_DUMP", "1", 0);
    ::testing::InitGoogleTest(&argc, argv);
    tw::GuiSession session;
    return RUN_ALL_TESTS();
}
