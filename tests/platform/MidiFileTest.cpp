#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "platform/MidiFile.h"
#include "support/MidiSongs.h"

namespace tw {
namespace {

using test::Bytes, test::Song, test::Track;

// A song's first instruments are chosen before it plays ("channel:program",
// unused channels left out); a song that could not be played through is
// refused at once.
TEST(MidiFile, GivesEachChannelsFirstProgramAndWhetherTheSongPlays)
{
    const struct { const char* what; std::string file, programs; bool playable; } cases[] = {
        {"the first program of every track, else the piano; none on a silent channel",
         Song(Track(Bytes({0, 0xC1, 5, 0, 0x91, 60, 9, 0, 0xC1, 7, 0, 0x93, 60, 9})) +
              Track(Bytes({0, 0xC2, 40, 0, 0xC0, 73, 0, 0x90, 48, 9}))), "0:73 1:5 3:0 ", true},
        {"velocity 0 is a release, so no note at all", Song({0, 0x90, 60, 0}), "", false},
        {"running status, meta and system exclusive between",
         Song({0, 0xC4, 48, 0, 0x94, 60, 9, 0, 62, 9, 0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E, 0xF7, 0, 0xB5,
               7, 100, 0, 0xC5, 74, 0, 0x95, 64, 9}), "4:48 5:74 ", true},
        {"a cut-off file", Song({0, 0xC0, 8, 0, 0x90, 60, 9}).substr(0, 29), "", false},
        {"a track without its end", Song("MTrk" + Bytes({0, 0, 0, 4, 0, 0x90, 60, 9})), "0:0 ", false},
        {"data with no status", Song({0, 60, 100, 0, 0x90, 60, 9}), "", false},
        {"a header with no tracks or no time division", Song({0, 0x90, 60, 9}).replace(10, 4, 4, '\0'), "", false},
        {"not a song at all", "MTh, not a song", "", false},
    };
    for (const auto& [what, file, programs, playable] : cases) {
        const MidiFileSummary summary = SummariseMidiFile(file);
        std::string chosen;
        for (int channel = 0; channel < kMidiChannels; ++channel) {
            const int program = summary.firstPrograms[channel];
            chosen += program == kChannelUnused ? "" : std::to_string(channel) + ":" + std::to_string(program) + " ";
        }
        EXPECT_EQ(std::pair(chosen, summary.playable), std::pair(programs, playable)) << what;
    }
}

} // namespace
} // namespace tw
