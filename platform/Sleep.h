#pragma once

namespace tw {

// Blocks the calling thread for `milliseconds`; zero or less returns at once.
void Sleep(int milliseconds);

} // namespace tw
