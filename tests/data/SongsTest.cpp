#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fluidsynth.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/AudioOutputAccess.h"
#include "platform/FluidSequencer.h"

namespace tw {
namespace {

// The synthesizer as the game sets it up, with its gain on the music. The
// songs are heard through it, and the sound effects' tones are mixed on top.
constexpr const char* kSoundFont = "/usr/share/sounds/sf2/default-GM.sf2";
// Low enough to render quickly, high enough for the instruments' range.
constexpr int kSampleRate = 22050;
// Rendered 50 ms at a time; a block quieter than kSilenceDb counts as silence.
constexpr int kBlock = kSampleRate / 20;
constexpr double kSilenceDb = -60;

double Db(double level) { return 20 * std::log10(std::max(level, 1e-9)); }
template <class T> using Owned = std::unique_ptr<T, void (*)(T*)>;

struct Rendering {
    fluid_player_t* player = nullptr;
    long rendered = 0;
    long endFrame = -1;    // when the last tick was reached, before the notes ring out
    double rmsDb = 0;      // up to endFrame
    double peak = 0;       // of either channel, ringing out included
    double longestGap = 0; // of silence, in seconds, not counting the end
};

// Plays the file offline, driven by the rendered samples alone: no device,
// and much faster than the song's own time.
Rendering Render(fluid_synth_t* synth, const std::string& file)
{
    fluid_synth_system_reset(synth);
    Rendering song{new_fluid_player(synth)};
    fluid_player_add(song.player, file.c_str());
    fluid_player_play(song.player);
    double sumSquares = 0, gap = 0, longest = 0; // gaps in blocks
    std::vector<float> left(kBlock), right(kBlock);
    // A player stuck on a broken file must not hang the test.
    while (fluid_player_get_status(song.player) == FLUID_PLAYER_PLAYING && song.rendered < 600L * kSampleRate) {
        fluid_synth_write_float(synth, kBlock, left.data(), 0, 1, right.data(), 0, 1);
        const bool ended = fluid_player_get_current_tick(song.player) >= fluid_player_get_total_ticks(song.player);
        song.endFrame = song.endFrame < 0 && ended ? song.rendered : song.endFrame;
        double blockSquares = 0;
        for (int i = 0; i < kBlock; ++i) {
            song.peak = std::max({song.peak, double(std::fabs(left[i])), double(std::fabs(right[i]))});
            blockSquares += std::pow((double(left[i]) + right[i]) / 2, 2);
            sumSquares += song.endFrame < 0 ? double(left[i]) * left[i] + double(right[i]) * right[i] : 0;
        }
        // A gap is counted once sound follows it: the one lasting to the end is the song's end.
        const bool silent = Db(std::sqrt(blockSquares / kBlock)) < kSilenceDb;
        longest = silent ? longest : std::max(longest, gap);
        gap = silent ? gap + 1 : 0;
        song.rendered += kBlock;
    }
    delete_fluid_player(song.player);
    song.endFrame = song.endFrame < 0 ? song.rendered : song.endFrame;
    song.rmsDb = Db(std::sqrt(sumSquares / std::max(2.0 * song.endFrame, 1.0)));
    song.longestGap = longest * kBlock / kSampleRate;
    return song;
}

TEST(Songs, AreBalancedAndKeepPlayingAsTheGameHearsThem)
{
    if (!std::filesystem::exists(kSoundFont)) {
        GTEST_SKIP() << "no General MIDI SoundFont at " << kSoundFont;
    }
    const Owned<fluid_settings_t> settings(new_fluid_settings(), &delete_fluid_settings);
    AudioOutputAccess::ConfigureSynth(settings.get());
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kSampleRate);
    const Owned<fluid_synth_t> synth(new_fluid_synth(settings.get()), &delete_fluid_synth);
    ASSERT_NE(fluid_synth_sfload(synth.get(), kSoundFont, 1), FLUID_FAILED);
    fluid_synth_set_gain(synth.get(), FluidSequencer::kGain);

    int songs = 0;
    double quietest = 0, loudest = -200;
    for (std::filesystem::path file; std::filesystem::exists(
             file = std::filesystem::path(TW_DATA_DIR) / ("song" + std::to_string(songs + 1) + ".mid"));) {
        const Rendering song = Render(synth.get(), file.string());
        SCOPED_TRACE(file.string());
        using ::testing::AllOf, ::testing::Ge, ::testing::Le;
        EXPECT_THAT(double(song.endFrame) / kSampleRate, AllOf(Ge(60), Le(240))) << "seconds";
        EXPECT_THAT(song.rmsDb, AllOf(Ge(-30), Le(-14))) << "RMS dBFS";
        // The tones add up to 0.2 on top of the music.
        EXPECT_LT(song.peak, 0.8);
        EXPECT_LE(song.longestGap, 2.0);
        quietest = std::min(quietest, song.rmsDb);
        loudest = std::max(loudest, song.rmsDb);
        ++songs;
    }
    EXPECT_GE(songs, 3) << "in " << TW_DATA_DIR;
    // One song after another: none should make the player reach for the volume.
    EXPECT_LE(loudest - quietest, 6.0);
}

} // namespace
} // namespace tw
