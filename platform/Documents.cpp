#include "platform/Documents.h"

#include <filesystem>

#include "platform/DesktopOpener.h"

namespace tw {
namespace {

// xdg-open, from Debian's xdg-utils, hands documents and web pages to the
// desktop's programs for them. Without one it fails at once; while a browser
// it started runs in front of it, it does not finish at all.
constexpr const char* kOpener = "xdg-open";
constexpr std::chrono::milliseconds kOpenerPatience{2000};
constexpr const char* kHowToGetAnOpener = " Installing a web browser and the xdg-utils package may fix this.";

bool IsWebAddress(std::string_view target) { return target.find("://") != std::string_view::npos; }

} // namespace

bool OpenDocument(std::string_view target, std::string& error)
{
    if (IsWebAddress(target)) {
        if (RunOpener(kOpener, std::string(target), kOpenerPatience) == OpenerOutcome::Opened) {
            return true;
        }
        error = "There is no program set up to open web pages, so " + std::string(target) + " could not be opened."
            + kHowToGetAnOpener;
        return false;
    }
    std::error_code failure;
    std::filesystem::path file = std::filesystem::absolute(std::filesystem::path(target), failure).lexically_normal();
    if (failure) {
        file = target;
    }
    if (!std::filesystem::exists(file, failure)) {
        error = "The file " + file.filename().string() + " was not found in " + file.parent_path().string() + ".";
        return false;
    }
    if (RunOpener(kOpener, file.string(), kOpenerPatience) == OpenerOutcome::Opened) {
        return true;
    }
    error = "There is no program set up to open " + file.filename().string() + "." + kHowToGetAnOpener;
    return false;
}

} // namespace tw
