#pragma once

namespace tw {

// Lets every other thread of the program, and of the desktop, run first
// when they contend for a core: for work whose results are needed only
// seconds later.
void RunThisThreadInBackground();

} // namespace tw
