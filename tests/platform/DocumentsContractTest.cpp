#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/DesktopOpener.h"
#include "platform/DocumentOpenerDriver.h"
#include "platform/Documents.h"

// What opening a document must do for the player, whichever desktop opens it:
// each backend's test program runs this through its own driver. What only
// one backend does is tested beside its driver.
namespace tw {
namespace {

namespace fs = std::filesystem;

// A missing file never reaches the desktop, some of which would say they
// opened it; a file that nothing opens is the desktop's refusal.
TEST(Documents, AMissingFileOrOneNoProgramOpensIsExplained)
{
    const fs::path orphan = test::FileNoProgramOpens();
    const std::string fix{HowToGetADocumentOpener()};
    const struct { std::string target, error; } cases[] = {
        {"AbsentHelp.htm", "The file AbsentHelp.htm was not found in " + fs::current_path().string() + "."},
        {orphan.string(), "There is no program set up to open " + orphan.filename().string() + "." + fix},
    };
    for (const auto& [target, expected] : cases) {
        std::string error;
        EXPECT_FALSE(OpenDocument(target, error)) << target;
        EXPECT_EQ(error, expected);
    }
}

} // namespace
} // namespace tw
