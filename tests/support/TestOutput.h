#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace tw::test {

// Where tests leave pictures for people to look at.
inline std::filesystem::path TestOutputPath(const std::string& fileName)
{
    const char* folder = std::getenv("TW_TEST_OUTPUT_DIR");
    const std::filesystem::path base = folder ? folder : std::filesystem::current_path();
    std::filesystem::create_directories(base);
    return base / fileName;
}

} // namespace tw::test
