#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/SharedLibrary.h"

namespace tw {
namespace {

// A processor fault is named on the error output, and the system then ends
// the program with the fault's own code, as an exception nothing caught.
TEST(FaultTranslator, NamesTheFaultAndLetsTheSystemEndTheProgram)
{
    const std::string command = "\"\"" + (ProgramDirectory() / "fault_child.exe").string() + "\" 2>&1\"";
    FILE* child = _popen(command.c_str(), "r");
    ASSERT_TRUE(child);
    std::string output;
    for (char line[512]; std::fgets(line, sizeof line, child);) {
        output += line;
    }
    EXPECT_EQ(static_cast<unsigned>(_pclose(child)), 0xC0000005u) << "an access violation";
    EXPECT_TRUE(output.starts_with("Tumblewick ended after a fault: bad memory access")) << output;
}

} // namespace
} // namespace tw
