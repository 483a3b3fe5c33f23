#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include "platform/AudioOutput.h"
#include "platform/fluidsynth/AudioOutputAccess.h"
#include "platform/fluidsynth/FluidSequencer.h"
#include "platform/MidiFile.h"
#include "platform/SquareWave.h"
#include "support/TestOutput.h"

namespace tw {
namespace {

using ::testing::AllOf, ::testing::ElementsAre, ::testing::FloatNear, ::testing::Ge, ::testing::Le, ::testing::Pointwise;

template <class T> using Owned = std::unique_ptr<T, void (*)(T*)>;

// The tone's samples on top of `base`, and `after` samples of `base` past its end.
std::vector<float> Samples(SquareWave wave, float base = 0, int after = 0)
{
    std::vector<float> samples;
    while (!wave.Finished() || after-- > 0) {
        samples.push_back(base + wave.Next());
    }
    return samples;
}

// Renders an output that no device plays as a device's thread would, into a
// stereo pair that starts out holding `base`, and lets the GUI thread's
// timers run after each block; paced to the clock when the sequencer's
// polling must see the song's time pass as with a device.
struct Renderer {
    std::vector<float> Frames(int frames, float base = 0, int block = 64, bool paced = false)
    {
        std::vector<float> left(static_cast<std::size_t>(frames), base);
        right = left;
        for (int at = 0; at < frames; at += block) {
            float* out[2] = {left.data() + at, right.data() + at};
            AudioOutputAccess::Render(output, std::min(block, frames - at), 0, nullptr, 2, out);
            rendered += std::min(block, frames - at);
            std::this_thread::sleep_for(std::chrono::microseconds(paced ? 1'000'000L * block / Rate() : 0));
            QCoreApplication::processEvents();
        }
        return left;
    }
    void Seconds(double seconds, bool paced = false) { Frames(static_cast<int>(seconds * Rate()), 0, 256, paced); }
    bool RestsAfter(int frames) { return Frames(frames), output.Resting(); }
    int Rate() const { return output.SampleRate(); }
    double Now() const { return static_cast<double>(rendered) / Rate(); }

    AudioOutput output{AudioOutput::SoundSystems{{"no-such-driver"}}};
    std::vector<float> right;
    long rendered = 0;
};

// Periods of 23.97 and 54.55 samples: rounding them to whole samples would
// put these long tones audibly out of tune. Both ends fade within their ramps,
// as a square wave switched on or off at full height clicks, yet a 5 ms tone
// still reaches full height. Without a positive frequency nothing is heard
// (a duration that is not positive leaves no samples to hear).
TEST(SquareWave, HasThePitchLengthAndFadesAskedFor)
{
    for (const auto [frequency, duration, rate, length] :
         {std::array{1840, 1000, 44100, 44100}, {880, 500, 48000, 24000}, {440, 5, 44100, 220}, {0, 100, 44100, 0}}) {
        SCOPED_TRACE(std::to_string(frequency) + " Hz, " + std::to_string(duration) + " ms");
        const SquareWave wave(frequency, duration, rate);
        const std::vector<float> samples = Samples(wave);
        ASSERT_EQ(std::ssize(samples), length);
        const int ramp = wave.RampLength();
        int halfPeriods = 0, fullHeight = 0; // changes of sign (only the ends are 0), samples at full height
        for (std::size_t n = 0; n < samples.size(); ++n) {
            const int fade = std::min({static_cast<int>(n), length - 1 - static_cast<int>(n), ramp});
            ASSERT_LE(std::abs(samples[n]), SquareWave::kAmplitude * static_cast<float>(fade) / ramp + 1e-6f) << n;
            halfPeriods += n > 0 && samples[n] * samples[n - 1] < 0;
            fullHeight += std::abs(samples[n]) == SquareWave::kAmplitude;
        }
        EXPECT_NEAR(halfPeriods, 2 * length * frequency / rate, 1);
        EXPECT_EQ(fullHeight > 0, length > 0);
    }
}

// Without a device the output is silent and still takes a tone's time.
// Rendered all the same, it adds the tone to the buffers' own contents (the
// synthesizer has nothing to play), on both channels, across blocks and past
// the tone's end; its reverb adds a trace of DC against denormals, so
// "silent" is never quite 0. Nothing sounding costs nothing: the synth is no
// longer run once its reverb has died away (its trace of DC is gone too),
// until a song holds the output again. A tone alone does not wake it. The
// device asks for large blocks; tones asked for while one plays keep their
// spacing in the next, rather than the last one replacing the rest, as the
// level-advance run of short tones needs.
TEST(AudioOutput, WithoutADeviceAddsEachToneWhereItWasAskedForInItsTimeAndRestsOnceNothingSounds)
{
    Renderer render;
    const int rate = render.Rate();
    const std::vector<float> onTop = Samples(SquareWave(440, 200, rate), 0.25f, 512);
    render.output.StartTone(440, 200);
    EXPECT_THAT(render.Frames(static_cast<int>(onTop.size()), 0.25f), Pointwise(FloatNear(1e-6f), onTop));
    EXPECT_THAT(render.right, Pointwise(FloatNear(1e-6f), onTop));
    for (int frequency : {440, 0}) {
        const auto start = std::chrono::steady_clock::now();
        render.output.Beep(frequency, 50);
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50)) << frequency;
    }

    EXPECT_TRUE(render.RestsAfter(rate * 6 / 10));
    EXPECT_THAT(render.Frames(256), Pointwise(FloatNear(0), std::vector<float>(256, 0)));

    render.Frames(64); // the block during which the tones are asked for
    render.output.StartTone(880, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    render.output.StartTone(1840, 200);
    const std::vector<float> heard = render.Frames(rate / 10, 0, rate / 10);
    EXPECT_FALSE(render.output.Resting()) << "the second tone still sounds";
    const auto sounding = [](float sample) { return sample != 0; };
    const auto first = std::ranges::find_if(heard, sounding);
    const auto second = std::find_if(first + rate / 200, heard.end(), sounding);
    EXPECT_NE(second, heard.end()) << "both tones heard";
    EXPECT_GE(second - first, rate / 50) << "20 ms apart at least";
    // Too short for the synth to fall asleep again had the tones woken it.
    EXPECT_TRUE(render.RestsAfter(rate / 5));

    AudioOutputAccess::Hold(render.output);
    EXPECT_FALSE(render.RestsAfter(rate)) << "a song has rests of its own";
}

// Runs the GUI thread's timers until `done`, for at most `seconds`.
bool PumpUntil(const auto& done, double seconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// A PulseAudio server of the test's own, whose null sink consumes sound at a
// device's pace, at a socket that the client library is pointed at while it
// lives.
struct TestServer {
    TestServer() { qputenv("PULSE_SERVER", "unix:" + socketPath.toUtf8()); }
    ~TestServer() { Kill(), qunsetenv("PULSE_SERVER"); }
    // Kills the server that runs, as a crash would, and starts one anew.
    bool Start()
    {
        Kill();
        server.setEnvironment({"HOME=" + folder.path(), "XDG_RUNTIME_DIR=" + folder.path()});
        server.setStandardErrorFile(QProcess::nullDevice());
        server.start("/usr/bin/pulseaudio", {"--daemonize=no", "-n", "--exit-idle-time=-1", "--disable-shm",
                                             "--use-pid-file=no", "--load=module-null-sink",
                                             "--load=module-native-protocol-unix auth-anonymous=1 socket=" + socketPath});
        return server.waitForStarted() && PumpUntil([&] { return QFile::exists(socketPath); }, 10);
    }
    void Kill()
    {
        server.kill();
        server.waitForFinished();
        QFile::remove(socketPath);
    }

    const QTemporaryDir folder;
    const QString socketPath = folder.filePath("native");
    QProcess server;
};

std::string Bytes(std::initializer_list<int> bytes) { return std::string(bytes.begin(), bytes.end()); }

// A track chunk of the given events (delta times included), ended properly.
std::string Track(const std::string& events)
{
    const std::string body = events + Bytes({0, 0xFF, 0x2F, 0});
    return "MTrk" + Bytes({0, 0, int(body.size() >> 8 & 0xFF), int(body.size() & 0xFF)}) + body;
}

// 96 ticks a quarter note, half a second at the default tempo.
std::string Song(const std::string& tracks) { return "MThd" + Bytes({0, 0, 0, 6, 0, 1, 0, 1, 0, 96}) + tracks; }
std::string Song(std::initializer_list<int> events) { return Song(Track(Bytes(events))); }

std::string WriteSong(const std::string& name, const std::string& song)
{
    const auto path = test::TestOutputPath(name);
    std::ofstream(path, std::ios::binary) << song;
    return path.string();
}

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

// Opens the song and starts it, failing the test if either is refused.
int StartSong(FluidSequencer& sequencer, const std::string& file, std::function<void(SongEnd)> ended = [](SongEnd) {})
{
    int id = 0;
    EXPECT_EQ(sequencer.Open(file, id), SequencerOk);
    EXPECT_EQ(sequencer.Play(id, std::move(ended)), SequencerOk);
    return id;
}

// A damaged song that the player would end at once must not count as played;
// which songs are damaged is the MidiFile table's. With a damaged SoundFont
// the player still runs through the song, silently and without a word from
// the libraries that read it, as the sound libraries say none when they find
// no device. FluidSynth's own DONE comes seconds after the last tick.
TEST(FluidSequencer, OpensOnlyPlayableSongsAndReportsTheEndOnceAtTheLastTickAndNeverForAClosedSong)
{
    testing::internal::CaptureStderr();
    { AudioOutput defaultOutput; }
    Renderer render;
    const std::string damaged = WriteSong("damaged.sf2", "RIFF\x40\0\0\0sfbkLIST\x30\0\0\0INFOifil\4\0\0\0\2\0\1");
    FluidSequencer sequencer(render.output, {damaged});
    const std::string song = Song({0, 0x90, 60, 100, 48, 0x80, 60, 0}), file = WriteSong("end-song.mid", song);
    int other = 0;
    EXPECT_EQ(sequencer.Open(WriteSong("open-damaged.mid", song.substr(0, 29)), other), SequencerFileNotFound);
    EXPECT_EQ(sequencer.Open(test::TestOutputPath("no-such-song.mid").string(), other), SequencerFileNotFound);
    std::vector<double> ends;
    const int closed = StartSong(sequencer, file, [&](SongEnd) { ends.push_back(-1); });
    render.Seconds(0.1, true);
    sequencer.Close(closed);
    sequencer.Close(0);
    EXPECT_EQ(sequencer.StatusPort(closed), SequencerBadDevice);
    EXPECT_EQ(sequencer.Play(closed, [](SongEnd) {}), SequencerBadDevice);

    const int id = StartSong(sequencer, file, [&](SongEnd end) {
        ends.push_back(end == SongEnd::Played ? render.Now() : -1);
    });
    EXPECT_TRUE(closed > 0 && id > 0 && closed != id);
    const double started = render.Now();
    render.Seconds(4.8, true);
    // The song lasts 0.25 s. It starts after the block that releases the
    // closed song's notes, and its end is seen at the next poll.
    EXPECT_THAT(ends, ElementsAre(AllOf(Ge(started + 0.25), Le(started + 0.5))));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// A frozen server, one that takes connections and never answers, holds the
// game up for one deadline, not for the client library's own half minute per
// stream, and the sound systems that would play through it are not tried
// after it. With a server that answers, stopped songs' players are freed
// while the next song plays, between the stream's blocks; and a server that
// crashed and came back plays the next tone on streams made anew.
TEST(SoundServer, CostsOneDeadlineFrozenAndFreesStoppedPlayersWhileMusicPlaysAndComesBackAfterACrash)
{
    TestServer server;
    QLocalServer frozen;
    ASSERT_TRUE(frozen.listen(server.socketPath));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(AudioOutput(AudioOutput::SoundSystems{{"pulseaudio", "alsa"}}).IsOpen());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    // Starting the server that answers takes the frozen one's socket away.
    if (!server.Start()) {
        GTEST_SKIP() << "no pulseaudio to start";
    }
    AudioOutput output(AudioOutput::SoundSystems{{"pulseaudio"}});
    ASSERT_TRUE(output.IsOpen());
    // Driven at its shortest period, the server would wake 2,000 times a second.
    const char* const sinks = "pactl list sinks 2>/dev/null | grep -o 'configured [0-9]*'";
    const Owned<FILE> pactl(popen(sinks, "r"), [](FILE* file) { pclose(file); });
    int latency = 0; // the device's, where pactl can tell
    EXPECT_TRUE(fscanf(pactl.get(), "configured %d", &latency) != 1 || latency >= 5000) << latency << " µs";
    FluidSequencer sequencer(output, {});
    const std::string file = WriteSong("server-song.mid", Song({0, 0x90, 60, 100, 0x8F, 0, 0x80, 60, 0}));
    int id = 0;
    for (int song = 0; song < 5; ++song) {
        sequencer.Close(id);
        id = StartSong(sequencer, file);
        PumpUntil([] { return false; }, 0.2);
    }
    EXPECT_GE(AudioOutputAccess::RetiredPlayers(output), 1u);
    ASSERT_TRUE(PumpUntil([&] { return !output.Resting(); }, 2)) << "the last song plays";
    EXPECT_TRUE(PumpUntil([&] { return AudioOutputAccess::RetiredPlayers(output) == 0; }, 2));
    EXPECT_FALSE(output.Resting()) << "freed while the song plays, not once the output rests";
    sequencer.Close(id);

    ASSERT_TRUE(PumpUntil([&] { return output.Resting(); }, 3));
    PumpUntil([] { return false; }, 1.5); // the streams pause
    // The server crashes and comes back.
    ASSERT_TRUE(server.Start()) << "after a crash";
    output.StartTone(440, 100);
    EXPECT_TRUE(PumpUntil([&] { return output.Resting(); }, 3)) << "the tone was never played";
}

// Low enough to render quickly, high enough for the instruments' range.
constexpr int kSampleRate = 22050;
// Rendered 50 ms at a time; a block quieter than -60 dBFS counts as silence.
constexpr int kBlock = kSampleRate / 20;

double Db(double level) { return 20 * std::log10(std::max(level, 1e-9)); }

// Plays the file offline, driven by the rendered samples alone: no device,
// and much faster than the song's own time. Checks its length and loudness
// to its last tick, its peak as it rings out and its silences; returns its
// loudness in RMS dBFS.
double PlayAndCheck(const std::string& soundFont, const std::string& file)
{
    // The synthesizer as the game sets it up, with its gain on the music. The
    // songs are heard through it, and the sound effects' tones are mixed on top.
    const Owned<fluid_settings_t> settings(new_fluid_settings(), &delete_fluid_settings);
    fluid_settings_setnum(settings.get(), "synth.sample-rate", kSampleRate);
    const Owned<fluid_synth_t> synth(AudioOutputAccess::NewSynth(settings.get()), &delete_fluid_synth);
    EXPECT_NE(fluid_synth_sfload(synth.get(), soundFont.c_str(), 1), FLUID_FAILED);
    fluid_synth_set_gain(synth.get(), FluidSequencer::kGain);
    const Owned<fluid_player_t> player(new_fluid_player(synth.get()), &delete_fluid_player);
    fluid_player_add(player.get(), file.c_str());
    fluid_player_play(player.get());
    long rendered = 0, endFrame = -1;
    double peak = 0, sumSquares = 0, gap = 0, longest = 0; // gaps in blocks
    std::vector<float> block(2 * kBlock); // left and right in turn
    // A player stuck on a broken file must not hang the test.
    while (fluid_player_get_status(player.get()) == FLUID_PLAYER_PLAYING && rendered < 600L * kSampleRate) {
        fluid_synth_write_float(synth.get(), kBlock, block.data(), 0, 2, block.data(), 1, 2);
        const bool ended = fluid_player_get_current_tick(player.get()) >= fluid_player_get_total_ticks(player.get());
        endFrame = endFrame < 0 && ended ? rendered : endFrame;
        const auto [low, high] = std::ranges::minmax(block);
        peak = std::max({peak, -double(low), double(high)});
        const double squares = std::inner_product(block.begin(), block.end(), block.begin(), 0.0);
        sumSquares += endFrame < 0 ? squares : 0;
        // A gap is counted once sound follows it: the one lasting to the end is the song's end.
        const bool silent = Db(std::sqrt(squares / block.size())) < -60;
        longest = silent ? longest : std::max(longest, gap);
        gap = silent ? gap + 1 : 0;
        rendered += kBlock;
    }
    endFrame = endFrame < 0 ? rendered : endFrame;
    const double rmsDb = Db(std::sqrt(sumSquares / std::max(2.0 * endFrame, 1.0)));
    EXPECT_THAT(double(endFrame) / kSampleRate, AllOf(Ge(60), Le(240))) << "seconds to the last tick";
    EXPECT_THAT(rmsDb, AllOf(Ge(-30), Le(-14))) << "RMS dBFS";
    EXPECT_LT(peak, 1 - SquareWave::kAmplitude) << "room for the tones on top";
    EXPECT_LE(double(longest) * kBlock / kSampleRate, 2.0) << "seconds of silence, not counting the end";
    return rmsDb;
}

// Songs played with the General MIDI SoundFont the game plays them with,
// where this system has it. A song's instruments are read on a worker while
// the game goes on; only theirs are in memory, not General MIDI's piano on
// every channel. The game's own songs are heard through the synthesizer as the
// game sets it up, and keep playing to their end at loudnesses close together.
TEST(GeneralMidiSongs, StartWithTheirOwnInstrumentsOnlyAndOfTheGameAreBalancedAndKeepPlaying)
{
    const std::string soundFont = FluidSequencer::DefaultSoundFonts().front();
    if (!std::filesystem::exists(soundFont)) {
        GTEST_SKIP() << "no General MIDI SoundFont";
    }
    Renderer render;
    FluidSequencer sequencer(render.output, {soundFont});
    bool ended = false;
    const std::string song = Song({0, 0xC1, 73, 0, 0x91, 60, 100, 0, 0x99, 36, 100, 48, 0x81, 60, 0});
    const int id = StartSong(sequencer, WriteSong("instruments-song.mid", song),
                             [&](SongEnd end) { ended = end == SongEnd::Played; });
    EXPECT_EQ(sequencer.StatusPort(id), SequencerNoOutput) << "a SoundFont but no device";
    EXPECT_TRUE(PumpUntil([&] { return render.Seconds(0.05, true), ended; }, 5)) << "the song never played through";
    std::string loaded; // channel:bank/program
    for (int channel = 0; channel < kMidiChannels; ++channel) {
        fluid_preset_t* preset = fluid_synth_get_channel_preset(AudioOutputAccess::Synth(render.output), channel);
        loaded += preset ? std::to_string(channel) + ":" + std::to_string(fluid_preset_get_banknum(preset)) + "/" +
                               std::to_string(fluid_preset_get_num(preset)) + " "
                         : "";
    }
    EXPECT_EQ(loaded, "1:0/73 9:128/0 ");

    std::vector<double> rmsDb;
    for (std::filesystem::path file; std::filesystem::exists(
             file = std::filesystem::path(TW_DATA_DIR) / ("song" + std::to_string(rmsDb.size() + 1) + ".mid"));) {
        SCOPED_TRACE(file.string());
        rmsDb.push_back(PlayAndCheck(soundFont, file.string()));
    }
    ASSERT_GE(rmsDb.size(), 3u) << "in " << TW_DATA_DIR;
    // One song after another: none should make the player reach for the volume.
    EXPECT_LE(std::ranges::max(rmsDb) - std::ranges::min(rmsDb), 6.0);
}

} // namespace
} // namespace tw
