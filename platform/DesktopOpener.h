#pragma once

#include <chrono>
#include <string>

namespace tw {

enum class OpenerOutcome { Opened, Refused, NotInstalled };

// Runs `program` (looked up on the PATH) with one argument and gives it
// `patience` to answer. An opener that has not finished by then has handed
// the document to a program that runs in front of it, such as a browser
// started for it: that counts as opened, and it goes on by itself, never a
// child of the game's to wait for or to end with it.
OpenerOutcome RunOpener(const std::string& program, const std::string& argument, std::chrono::milliseconds patience);

} // namespace tw
