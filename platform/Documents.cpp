#include "platform/Documents.h"

#include <QDesktopServices>
#include <QUrl>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/QtConvert.h"

namespace tw {
namespace {

constexpr const char* kNoHandler = "There is no program set up to open it.";

bool IsWebAddress(std::string_view target) { return target.find("://") != std::string_view::npos; }

} // namespace

bool OpenDocument(std::string_view target, std::string& error)
{
    QUrl url;
    if (IsWebAddress(target)) {
        url = QUrl(ToQString(target));
    } else {
        std::error_code failure;
        const std::filesystem::path file = std::filesystem::absolute(std::string(target), failure);
        if (failure || !std::filesystem::exists(file, failure)) {
            error = std::strerror(ENOENT);
            return false;
        }
        url = QUrl::fromLocalFile(QString::fromStdString(file.string()));
    }
    if (!QDesktopServices::openUrl(url)) {
        error = kNoHandler;
        return false;
    }
    return true;
}

} // namespace tw
