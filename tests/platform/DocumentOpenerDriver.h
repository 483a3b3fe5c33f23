#pragma once

#include <string>

// How the document opener's contract sets up the desktop: each backend's own
// test file defines these, its way.
namespace tw::test {

// A file that is there but that no program on the desktop opens; its path.
std::string FileNoProgramOpens();

} // namespace tw::test
