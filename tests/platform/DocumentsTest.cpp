#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Documents.h"

namespace tw {
namespace {

// Qt finds the program that opens documents and web pages on the PATH
// (xdg-open) or in BROWSER; without either, opening fails on every machine.
TEST(OpenDocument, ATargetThatCannotBeOpenedIsExplainedToThePlayer)
{
    setenv("PATH", "/nonexistent", 1);
    unsetenv("BROWSER");
    unsetenv("DEFAULT_BROWSER");
    const std::filesystem::path present = std::filesystem::path(testing::TempDir()) / "PresentHelp.htm";
    std::ofstream(present) << "<html></html>";
    const std::string here = std::filesystem::current_path().string();
    const std::string fix = " Installing a web browser and the xdg-utils package may fix this.";
    const struct {
        std::string target, error;
    } cases[] = {
        {"AbsentHelp.htm", "The file AbsentHelp.htm was not found in " + here + "."},
        {present.string(), "There is no program set up to open PresentHelp.htm." + fix},
        {"https://tw.example/",
            "There is no program set up to open web pages, so https://tw.example/ could not be opened." + fix},
    };
    for (const auto& [target, expected] : cases) {
        std::string error;
        EXPECT_FALSE(OpenDocument(target, error)) << target;
        EXPECT_EQ(error, expected);
    }
}

} // namespace
} // namespace tw
