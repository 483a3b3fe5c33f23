#include "platform/Documents.h"

#include <filesystem>

#include "platform/DesktopOpener.h"

namespace tw {
namespace {

bool IsWebAddress(std::string_view target) { return target.find("://") != std::string_view::npos; }

} // namespace

bool OpenDocument(std::string_view target, std::string& error)
{
    if (IsWebAddress(target)) {
        if (OpenWithDesktop(std::string(target))) {
            return true;
        }
        error = "There is no program set up to open web pages, so " + std::string(target) + " could not be opened."
            + std::string(HowToGetADocumentOpener());
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
    // The desktop is asked only for a file that is there: some (Windows' own)
    // report success for a missing one and show nothing.
    if (OpenWithDesktop(file.string())) {
        return true;
    }
    error = "There is no program set up to open " + file.filename().string() + "." + std::string(HowToGetADocumentOpener());
    return false;
}

} // namespace tw
