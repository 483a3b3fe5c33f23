#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Documents.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// The shell says it opened a missing file and shows nothing, so a missing
// help file must be caught before the shell is asked; a file of a kind that
// no program opens is the shell's own refusal.
TEST(Documents, AMissingFileOrOneNoProgramOpensIsExplained)
{
    const fs::path folder = fs::temp_directory_path() / "tumblewick-documents";
    fs::create_directories(folder);
    const fs::path orphan = folder / "Notes.tumblewick-unknown";
    std::ofstream(orphan) << "nothing opens this";
    const fs::path missing = folder / "AbsentHelp.htm";
    const std::string fix = " Choosing a default web browser in Windows' settings may fix this.";
    const struct { fs::path target; std::string error; } cases[] = {
        {missing, "The file AbsentHelp.htm was not found in " + folder.string() + "."},
        {orphan, "There is no program set up to open Notes.tumblewick-unknown." + fix},
    };
    for (const auto& [target, expected] : cases) {
        std::string error;
        EXPECT_FALSE(OpenDocument(target.string(), error)) << target;
        EXPECT_EQ(error, expected);
    }
    fs::remove_all(folder);
}

} // namespace
} // namespace tw
