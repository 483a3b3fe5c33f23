#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Documents.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// A file of a kind that no program opens is the shell's own refusal. (The
// shell would say it opened a missing file, so that one never reaches it.)
TEST(Documents, AFileNoProgramOpensIsExplained)
{
    const fs::path orphan = fs::temp_directory_path() / "Notes.tumblewick-unknown";
    std::ofstream(orphan) << "nothing opens this";
    std::string error;
    EXPECT_FALSE(OpenDocument(orphan.string(), error));
    EXPECT_EQ(error, "There is no program set up to open Notes.tumblewick-unknown. Choosing a default web browser in "
                     "Windows' settings may fix this.");
    fs::remove(orphan);
}

} // namespace
} // namespace tw
