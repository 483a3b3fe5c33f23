#pragma once

namespace tw {

// Blocks the calling thread for `milliseconds`, to the millisecond rather
// than the system's timer period; zero or less returns at once.
void Sleep(int milliseconds);

} // namespace tw
