#pragma once

#include <array>
#include <string_view>

namespace tw {

inline constexpr int kMidiChannels = 16;
inline constexpr int kChannelUnused = -1;

// The instrument each channel of a standard MIDI file starts with: the
// program of its first program change, or 0 (General MIDI's default) when it
// plays notes without one; kChannelUnused when it plays no note at all.
// Reads as far as the file is well formed.
std::array<int, kMidiChannels> FirstPrograms(std::string_view file);

} // namespace tw
