#pragma once

#include <string>
#include <string_view>

namespace tw {

// Opens a document with the desktop's handler for it: a web address as it
// is, anything else as a file relative to the current folder. On failure
// `error` tells the player what is missing: the file, or a program to open it.
bool OpenDocument(std::string_view target, std::string& error);

} // namespace tw
