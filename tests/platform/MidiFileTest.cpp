#include <gtest/gtest.h>

#include <string>

#include "platform/MidiFile.h"

namespace tw {
namespace {

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string text;
    for (int byte : bytes) {
        text += static_cast<char>(byte);
    }
    return text;
}

// A track chunk of the given events (delta times included), ended properly.
std::string Track(const std::string& events)
{
    const std::string body = events + Bytes({0, 0xFF, 0x2F, 0});
    const auto size = body.size();
    return "MTrk" + Bytes({0, 0, int(size >> 8 & 0xFF), int(size & 0xFF)}) + body;
}

std::string Song(const std::string& tracks) { return "MThd" + Bytes({0, 0, 0, 6, 0, 1, 0, 1, 0, 96}) + tracks; }

std::array<int, kMidiChannels> Expect(std::initializer_list<std::pair<int, int>> channels)
{
    std::array<int, kMidiChannels> programs;
    programs.fill(kChannelUnused);
    for (const auto& [channel, program] : channels) {
        programs[channel] = program;
    }
    return programs;
}

// A song's first instruments are chosen before it plays; a song that could
// not be played through is refused at once.
TEST(MidiFile, GivesEachChannelsFirstProgramAndWhetherTheSongPlays)
{
    const struct {
        const char* what;
        std::string file;
        std::array<int, kMidiChannels> programs;
        bool playable;
    } cases[] = {
        {"program, then a note", Song(Track(Bytes({0, 0xC0, 8, 0, 0x90, 60, 100}))), Expect({{0, 8}}), true},
        {"notes without a program play the piano", Song(Track(Bytes({0, 0x93, 60, 100}))), Expect({{3, 0}}), true},
        {"drums too start on their first kit", Song(Track(Bytes({0, 0x99, 36, 100}))), Expect({{9, 0}}), true},
        {"a program on a silent channel chooses nothing",
         Song(Track(Bytes({0, 0xC2, 40, 0, 0x90, 60, 9}))), Expect({{0, 0}}), true},
        {"velocity 0 is a release, so no note at all", Song(Track(Bytes({0, 0x90, 60, 0}))), Expect({}), false},
        {"the first program counts", Song(Track(Bytes({0, 0xC1, 5, 0, 0x91, 60, 9, 0, 0xC1, 7}))), Expect({{1, 5}}),
         true},
        {"running status, meta and system exclusive between",
         Song(Track(Bytes({0, 0xC4, 48, 0, 0x94, 60, 9, 0, 62, 9, 0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E,
                           0xF7, 0, 0xB5, 7, 100, 0, 0xC5, 74, 0, 0x95, 64, 9}))),
         Expect({{4, 48}, {5, 74}}), true},
        {"every track", Song(Track(Bytes({0, 0xC0, 73, 0, 0x90, 60, 9})) + Track(Bytes({0, 0xC1, 42, 0, 0x91, 48, 9}))),
         Expect({{0, 73}, {1, 42}}), true},
        {"a cut-off file", Song(Track(Bytes({0, 0xC0, 8, 0, 0x90, 60, 9}))).substr(0, 29), Expect({}), false},
        {"a track without its end", Song("MTrk" + Bytes({0, 0, 0, 4, 0, 0x90, 60, 9})), Expect({{0, 0}}), false},
        {"data with no status", Song(Track(Bytes({0, 60, 100, 0, 0x90, 60, 9}))), Expect({}), false},
        {"no track", Song(""), Expect({}), false},
        {"a header with no tracks or no time division",
         "MThd" + Bytes({0, 0, 0, 6, 0, 1, 0, 0, 0, 0}) + Track(Bytes({0, 0x90, 60, 9})), Expect({}), false},
        {"not a song at all", "MTh, not a song", Expect({}), false},
    };
    for (const auto& [what, file, programs, playable] : cases) {
        const MidiFileSummary summary = SummariseMidiFile(file);
        EXPECT_EQ(summary.firstPrograms, programs) << what;
        EXPECT_EQ(summary.playable, playable) << what;
    }
}

} // namespace
} // namespace tw
