#include "platform/Documents.h"

#include <QDesktopServices>
#include <QUrl>

#include <filesystem>

#include "platform/QtConvert.h"

namespace tw {
namespace {

// Qt opens documents and web pages through xdg-open, which Debian ships in
// xdg-utils; it then hands them to the desktop's web browser.
constexpr const char* kHowToGetAnOpener = " Installing a web browser and the xdg-utils package may fix this.";

bool IsWebAddress(std::string_view target) { return target.find("://") != std::string_view::npos; }

} // namespace

bool OpenDocument(std::string_view target, std::string& error)
{
    if (IsWebAddress(target)) {
        if (QDesktopServices::openUrl(QUrl(ToQString(target)))) {
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
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(file.string())))) {
        return true;
    }
    error = "There is no program set up to open " + file.filename().string() + "." + kHowToGetAnOpener;
    return false;
}

} // namespace tw
