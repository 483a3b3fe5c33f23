#include <gtest/gtest.h>

#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/DesktopOpener.h"
#include "platform/DocumentOpenerDriver.h"
#include "platform/Documents.h"

namespace tw {

namespace fs = std::filesystem;

// For the documents' contract: no xdg-open on the PATH at all.
std::string test::FileNoProgramOpens()
{
    const fs::path folder = fs::path(testing::TempDir()) / "no-opener", file = folder / "Notes.txt";
    fs::create_directories(folder);
    setenv("PATH", folder.c_str(), 1);
    std::ofstream(file) << "nothing opens this";
    return file.string();
}

namespace {

// A folder on the PATH with an xdg-open of the test's own making, or none.
class DocumentsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directories(bin);
        setenv("PATH", bin.c_str(), 1);
        std::ofstream(help) << "<html></html>";
    }
    void TearDown() override { fs::remove_all(folder); }

    // The opener notes what it was given in a file that appears whole, then
    // behaves as `then` says; without `then` there is no opener.
    void InstallOpener(const char* then)
    {
        fs::remove(xdgOpen);
        fs::remove(given);
        if (then != nullptr) {
            std::ofstream(xdgOpen) << "#!/bin/sh\ncd '" << folder.string() << "'\n"
                                   << "printf '%s' \"$1\" > given.new; /bin/mv given.new given\n" << then << "\n";
            fs::permissions(xdgOpen, fs::perms::owner_all);
        }
    }
    // What the opener noted; it may not have got that far yet when it is
    // still running.
    std::string Given() const
    {
        for (int waited = 0; !fs::exists(given) && waited < 2000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream file(given);
        return {std::istreambuf_iterator<char>(file), {}};
    }

    const fs::path folder = [] {
        std::string pattern = (fs::path(testing::TempDir()) / "documents-XXXXXX").string();
        return fs::path(mkdtemp(pattern.data()));
    }();
    const fs::path bin = folder / "bin", xdgOpen = bin / "xdg-open", given = folder / "given";
    const fs::path help = folder / "PresentHelp.htm";
    // A browser in front of xdg-open, until the test's folder goes (or a minute
    // has passed, should the test never get that far).
    const std::string browsing = "for i in $(/usr/bin/seq 600); do [ -d '" + folder.string() + "' ] && /bin/sleep 0.1; done";
    const std::string web = "https://tw.example/";
    const std::string fix{HowToGetADocumentOpener()};
    const std::string noProgramForHelp = "There is no program set up to open PresentHelp.htm." + fix;
    const std::string noProgramForWeb = "There is no program set up to open web pages, so " + web + " could not be opened." + fix;
};

// An opener that is missing or gives up (xdg-open without a browser says "no
// method available" and exits 3) is a failure the player is told about. A
// browser that xdg-open starts may run in front of it until the player closes
// it: still running after a moment means opened, and it is left to run on its
// own, not as a child the game would have to wait for.
TEST_F(DocumentsTest, AnOpenerThatFinishesWellOrKeepsRunningOpensAndAnyOtherIsExplained)
{
    const std::string opened = "untouched";
    const struct { const char* opener; std::string target, error; } cases[] = {
        {"echo 'xdg-open: no method available for opening' >&2; exit 3", help.string(), noProgramForHelp},
        {"exit 4", web, noProgramForWeb}, {"kill -9 $$", web, noProgramForWeb},
        {nullptr, web, noProgramForWeb}, {"exit 0", help.string(), opened}, {"exit 0", web, opened},
        {browsing.c_str(), web, opened},
    };
    for (const auto& [opener, target, expected] : cases) {
        SCOPED_TRACE(target + " with " + (opener ? opener : "no opener"));
        InstallOpener(opener);
        std::string error = opened;
        EXPECT_EQ(OpenDocument(target, error), expected == opened);
        EXPECT_EQ(error, expected);
        EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child is left behind";
        if (expected == opened) {
            EXPECT_EQ(Given(), target);
        }
    }
}

} // namespace
} // namespace tw
