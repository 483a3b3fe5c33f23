#pragma once

#include <string>
#include <string_view>

namespace tw {

// Hands a file (by its absolute path) or a web address to the desktop's
// program for it. False when the desktop has none, or it refused.
bool OpenWithDesktop(const std::string& target);

// What the player may do when nothing opens documents: a sentence to end the
// message with, starting with a space.
std::string_view HowToGetADocumentOpener();

} // namespace tw
