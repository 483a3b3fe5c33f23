#include <gtest/gtest.h>

#include <string>

#include "platform/MidiPrograms.h"

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

TEST(MidiPrograms, AreTheFirstOfEachChannelThatPlays)
{
    const struct {
        const char* what;
        std::string file;
        std::array<int, kMidiChannels> programs;
    } cases[] = {
        {"program, then a note", Song(Track(Bytes({0, 0xC0, 8, 0, 0x90, 60, 100}))), Expect({{0, 8}})},
        {"notes without a program play the piano", Song(Track(Bytes({0, 0x93, 60, 100}))), Expect({{3, 0}})},
        {"drums too start on their first kit", Song(Track(Bytes({0, 0x99, 36, 100}))), Expect({{9, 0}})},
        {"a program on a silent channel chooses nothing", Song(Track(Bytes({0, 0xC2, 40}))), Expect({})},
        {"velocity 0 is a release, not a note", Song(Track(Bytes({0, 0x90, 60, 0}))), Expect({})},
        {"the first program counts", Song(Track(Bytes({0, 0xC1, 5, 0, 0x91, 60, 9, 0, 0xC1, 7}))), Expect({{1, 5}})},
        {"running status, meta and system exclusive between",
         Song(Track(Bytes({0, 0xC4, 48, 0, 0x94, 60, 9, 0, 62, 9, 0, 0xFF, 0x51, 3, 7, 0xA1, 0x20, 0, 0xF0, 2, 0x7E,
                           0xF7, 0, 0xB5, 7, 100, 0, 0xC5, 74, 0, 0x95, 64, 9}))),
         Expect({{4, 48}, {5, 74}})},
        {"every track", Song(Track(Bytes({0, 0xC0, 73, 0, 0x90, 60, 9})) + Track(Bytes({0, 0xC1, 42, 0, 0x91, 48, 9}))),
         Expect({{0, 73}, {1, 42}})},
        {"a cut-off file is read as far as it goes", Song(Track(Bytes({0, 0xC0, 8, 0, 0x90, 60, 9}))).substr(0, 29),
         Expect({{0, 8}})},
        {"data with no status stops the track", Song(Track(Bytes({0, 60, 100, 0, 0x90, 60, 9}))), Expect({})},
        {"not a song at all", "MTh, not a song", Expect({})},
    };
    for (const auto& [what, file, programs] : cases) {
        EXPECT_EQ(FirstPrograms(file), programs) << what;
    }
}

} // namespace
} // namespace tw
