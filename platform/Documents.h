#pragma once

#include <string>
#include <string_view>

namespace tw {

// Opens a document with the desktop's handler for it: a web address as it
// is, anything else as a file relative to the current folder. On failure
// `error` says why, in the system's words.
bool OpenDocument(std::string_view target, std::string& error);

} // namespace tw
