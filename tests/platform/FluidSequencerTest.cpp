#include <gtest/gtest.h>

#include <QCoreApplication>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/AudioOutput.h"
#include "platform/AudioOutputAccess.h"
#include "platform/FluidSequencer.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

// A standard MIDI file of one track, 96 ticks a quarter second. The events
// are given as bytes with their delta times; the track ends `endDelta`
// (below 16384) ticks after them.
std::string WriteSong(const std::string& name, const std::string& events, int endDelta)
{
    const std::string track = std::string{0, char(0xFF), 0x51, 3, 0x03, char(0xD0), char(0x90)} + events +
                              char(0x80 | endDelta >> 7) + char(endDelta & 0x7F) + std::string{char(0xFF), 0x2F, 0};
    const auto path = test::TestOutputPath(name);
    std::ofstream(path, std::ios::binary) << std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0", 21)
                                          << static_cast<char>(track.size()) << track;
    return path.string();
}

// Renders a closed output as a device's thread would and lets the GUI
// thread's timers run after each block; paced to the clock when the
// sequencer's polling must see the song's time pass as with a device.
struct Renderer {
    void Seconds(double seconds, bool paced = false)
    {
        for (int done = 0; done < seconds * output.SampleRate(); done += 256) {
            float l[256] = {}, r[256] = {}, *out[2] = {l, r};
            output.Render(256, 0, nullptr, 2, out);
            rendered += 256;
            if (paced) {
                std::this_thread::sleep_for(std::chrono::microseconds(256'000'000 / output.SampleRate()));
            }
            QCoreApplication::processEvents();
        }
    }
    double Now() const { return static_cast<double>(rendered) / output.SampleRate(); }

    AudioOutput output{std::vector<std::string>{"no-such-driver"}};
    long rendered = 0;
};

TEST(FluidSequencer, OpensOnlyPlayableMidiFilesAndHasNoOutputWithoutADevice)
{
    Renderer render;
    FluidSequencer sequencer(render.output);
    const std::string song = WriteSong("open-song.mid", {0, char(0x90), 60, 100}, 96);
    int first = 0, second = 0, other = 0;
    EXPECT_EQ(sequencer.Open(song, first), SequencerOk);
    EXPECT_EQ(sequencer.Open(song, second), SequencerOk);
    EXPECT_TRUE(first > 0 && second > 0 && first != second);
    const auto text = test::TestOutputPath("open-text.mid"), damaged = test::TestOutputPath("open-damaged.mid");
    std::ofstream(text) << "MTh, not a song";
    // A damaged song that the player would end at once must not count as played.
    std::ofstream(damaged, std::ios::binary) << std::string("MThd\0\0\0\6\0\0\0\1\0\x60MTrk\0\0\0\x40", 22) << "noise";
    for (const auto& file : {text, damaged, test::TestOutputPath("no-such-song.mid")}) {
        EXPECT_EQ(sequencer.Open(file.string(), other), SequencerFileNotFound) << file;
    }
    EXPECT_EQ(sequencer.StatusPort(first), SequencerNoOutput);
    sequencer.Close(first);
    sequencer.Close(0);
    EXPECT_EQ(sequencer.StatusPort(first), SequencerBadDevice);
    EXPECT_EQ(sequencer.Play(first, [] {}), SequencerBadDevice);
}

// Without a SoundFont the player still runs through the song, silently and
// without a word. FluidSynth's own DONE comes seconds after the last tick.
TEST(FluidSequencer, ReportsTheEndOnceAtTheLastTickAndNeverForAClosedSong)
{
    testing::internal::CaptureStderr();
    Renderer render;
    FluidSequencer sequencer(render.output, {});
    const std::string file = WriteSong("end-song.mid", {0, char(0x90), 60, 100}, 96);
    std::vector<double> ends;
    int closed = 0, id = 0;
    ASSERT_EQ(sequencer.Open(file, closed), SequencerOk);
    ASSERT_EQ(sequencer.Play(closed, [&] { ends.push_back(-1); }), SequencerOk);
    render.Seconds(0.1, true);
    sequencer.Close(closed);

    ASSERT_EQ(sequencer.Open(file, id), SequencerOk);
    ASSERT_EQ(sequencer.Play(id, [&] { ends.push_back(render.Now()); }), SequencerOk);
    const double started = render.Now();
    render.Seconds(0.6, true);
    ASSERT_EQ(ends.size(), 1u);
    // It starts after the block that releases the closed song's notes, and
    // its end is seen at the next poll.
    EXPECT_GE(ends[0] - started, 0.25);
    EXPECT_LE(ends[0] - started, 0.5);
    render.Seconds(4);
    render.Seconds(0.2, true);
    EXPECT_EQ(ends.size(), 1u);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A song's instruments are read on a worker while the game goes on; only
// theirs are in memory, not General MIDI's piano on every channel.
TEST(FluidSequencer, StartsASongWithItsOwnInstrumentsOnly)
{
    const std::string soundFont = FluidSequencer::DefaultSoundFonts().front();
    if (!std::filesystem::exists(soundFont)) {
        GTEST_SKIP() << "no General MIDI SoundFont at " << soundFont;
    }
    Renderer render;
    FluidSequencer sequencer(render.output, {soundFont});
    fluid_synth_t* synth = AudioOutputAccess::Synth(render.output);
    const std::string file = WriteSong("instruments-song.mid", {0, char(0xC1), 73, 0, char(0x91), 60, 100, 0, char(0x99), 36, 100}, 96);
    int id = 0;
    bool ended = false;
    ASSERT_EQ(sequencer.Open(file, id), SequencerOk);
    ASSERT_EQ(sequencer.Play(id, [&] { ended = true; }), SequencerOk);
    for (int tries = 0; tries < 100 && !ended; ++tries) {
        render.Seconds(0.05, true);
    }
    ASSERT_TRUE(ended) << "the song never played through";
    for (int channel = 0; channel < 16; ++channel) {
        fluid_preset_t* preset = fluid_synth_get_channel_preset(synth, channel);
        const bool used = channel == 1 || channel == 9;
        ASSERT_EQ(preset != nullptr, used) << "channel " << channel;
        if (used) {
            EXPECT_EQ(fluid_preset_get_num(preset), channel == 1 ? 73 : 0) << "channel " << channel;
            EXPECT_EQ(fluid_preset_get_banknum(preset), channel == 1 ? 0 : 128) << "channel " << channel;
        }
    }
}

} // namespace
} // namespace tw
