#pragma once

#include <fstream>
#include <initializer_list>
#include <string>

#include "support/TestOutput.h"

// Standard MIDI files built byte by byte, for the song readers and players.
namespace tw::test {

inline std::string Bytes(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A track chunk of the given events (delta times included), ended properly.
inline std::string Track(const std::string& events)
{
    const std::string body = events + Bytes({0, 0xFF, 0x2F, 0});
    return "MTrk" + Bytes({0, 0, int(body.size() >> 8 & 0xFF), int(body.size() & 0xFF)}) + body;
}

// 96 ticks a quarter note, half a second at the default tempo.
inline std::string Song(const std::string& tracks) { return "MThd" + Bytes({0, 0, 0, 6, 0, 1, 0, 1, 0, 96}) + tracks; }
inline std::string Song(std::initializer_list<int> events) { return Song(Track(Bytes(events))); }
// One quarter-second note.
inline const std::string kQuarterNote = Song({0, 0x90, 60, 100, 48, 0x80, 60, 0});

// The song written to a file of the test's output; its path.
inline std::string WriteSong(const std::string& name, const std::string& song)
{
    const auto path = TestOutputPath(name);
    std::ofstream(path, std::ios::binary) << song;
    return path.string();
}

} // namespace tw::test
