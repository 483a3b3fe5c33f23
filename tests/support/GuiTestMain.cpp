#include <gtest/gtest.h>

#include "platform/GuiSession.h"

// Tests that measure or draw text, or open windows, need the window system up.
int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    tw::GuiSession session(argc, argv);
    return RUN_ALL_TESTS();
}
