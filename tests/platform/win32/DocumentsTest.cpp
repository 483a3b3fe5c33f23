#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/DocumentOpenerDriver.h"

namespace tw {

// For the documents' contract: a kind of file that no program is set up for.
std::string test::FileNoProgramOpens()
{
    const auto orphan = std::filesystem::temp_directory_path() / "Notes.tumblewick-unknown";
    std::ofstream(orphan) << "nothing opens this";
    return orphan.string();
}

} // namespace tw
