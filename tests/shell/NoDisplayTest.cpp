#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <string>

// The real program started where there is nothing to draw on: from a text
// console, or with a display that does not answer.
namespace {

TEST(NoDisplay, EndsWithOneLineForThePlayer)
{
    for (const std::string environment : {"-u DISPLAY", "DISPLAY=:4095"}) {
        const std::string command =
            "env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY " + environment + " '" TW_PROGRAM "' 2>&1 >/dev/null";
        FILE* program = popen(command.c_str(), "r");
        ASSERT_NE(program, nullptr);
        std::string errors;
        for (char buffer[256]; std::fgets(buffer, sizeof buffer, program);) {
            errors += buffer;
        }
        const int status = pclose(program);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << environment << ": status " << status;
        EXPECT_EQ(errors, "Tumblewick needs a graphical desktop session, and no display was found.\n") << environment;
    }
}

} // namespace
