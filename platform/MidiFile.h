#pragma once

#include <array>
#include <string_view>

namespace tw {

inline constexpr int kMidiChannels = 16;
inline constexpr int kChannelUnused = -1;

// What the song player needs to know of a standard MIDI file before it
// plays it.
struct MidiFileSummary {
    // Well formed to the end of every track, and with at least one note: a
    // file that fails either would end at once and count as played.
    bool playable = false;
    // The instrument each channel starts with: the program of its first
    // program change, or 0 (General MIDI's default) when it plays notes
    // without one; kChannelUnused when it plays no note at all.
    std::array<int, kMidiChannels> firstPrograms{};
};

MidiFileSummary SummariseMidiFile(std::string_view file);

} // namespace tw
