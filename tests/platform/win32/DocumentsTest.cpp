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
    std::string error;
    EXPECT_FALSE(OpenDocument((folder / "AbsentHelp.htm").string(), error));
    EXPECT_EQ(error, "The file AbsentHelp.htm was not found in " + folder.string() + ".");
    EXPECT_FALSE(OpenDocument(orphan.string(), error));
    EXPECT_EQ(error, "There is no program set up to open Notes.tumblewick-unknown. Choosing a default web browser in "
                     "Windows' settings may fix this.");
    fs::remove_all(folder);
}

} // namespace
} // namespace tw
