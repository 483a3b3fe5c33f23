#include "platform/AudioOutput.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/fluidsynth/AudioOutputAccess.h"
#include "platform/pulseaudio/PulseAudioStream.h"
#include "platform/RepeatingTimer.h"
#include "platform/SharedLibrary.h"
#include "platform/ToneMixer.h"

namespace tw {
namespace {

// About 23 ms, in FluidSynth's own blocks of 64 frames: with a FluidSynth
// driver, which plays both, a tone starts at most this late.
int DriverBlockFrames(int sampleRate) { return std::max(64, sampleRate * 23 / 1000 / 64 * 64); }
// About 10 ms: on a sound server's stream of their own, tones are heard four
// blocks after they were asked for, and the server runs its device 10 ms
// deep rather than at its shortest period.
int ToneBlockFrames(int sampleRate) { return std::max(64, sampleRate * 10 / 1000 / 64 * 64); }
// Half a second: music has no such deadline, and rendered two seconds ahead
// it wakes the game, and lets the server wake, a few times a second rather
// than a hundred; a synthesizer woken this rarely also finds its caches
// warm. A stopped song's blocks are dropped, not heard out.
int MusicBlockFrames(int sampleRate) { return std::max(64, sampleRate / 2 / 64 * 64); }
// Below this (-80 dBFS) the synthesizer's output, reverb tail included, is
// inaudible; after half a second of it with no song playing, it is not run.
constexpr float kInaudible = 1e-4f;
constexpr int kQuietMilliseconds = 500;
// How long the output must have rested before its stream is closed, checked
// this often. Reopening costs a few milliseconds, so a game's pauses between
// landings are worth it, a gap between two tones of one collapse is not.
constexpr std::chrono::milliseconds kRestCheckInterval{250};
constexpr int kRestChecksBeforeClosing = 4;
// A longer gap between two blocks than any block lasts: the stream rested.
constexpr std::int64_t kRestedNanoseconds = 100'000'000;
// A sound server answers a local client within milliseconds; one that has not
// in this long is stuck, and the game carries on without it.
constexpr std::chrono::milliseconds kServerDeadline{1000};
// A server that was not there is looked for again at a tone or song, but no
// more often than this: a run of tones would otherwise knock each time.
constexpr std::int64_t kServerRetryNanoseconds = 1'000'000'000;
// The songs sound at most 24 voices at once but for the long tails of
// released notes, the harp's above all. Stealing the quietest of those moved
// no octave band of any song by more than 0.3 dB, and saves a fifth of the
// synthesizer's work over 32 voices, half of it over an unlimited number.
constexpr int kPolyphony = 24;

float Peak(int nout, float* out[], int frames)
{
    float peak = 0;
    for (int channel = 0; channel < nout; ++channel) {
        for (int frame = 0; frame < frames; ++frame) {
            peak = std::max(peak, std::fabs(out[channel][frame]));
        }
    }
    return peak;
}

void DiscardFluidLog(int, const char*, void*) {}

extern "C" void DiscardAlsaError(const char*, int, const char*, int, const char*, ...) {}

extern "C" void DiscardGlibMessage(const char*, int, const char*, void*) {}

// A machine without sound is normal for this game, so neither FluidSynth nor
// the ALSA library under it may print about a missing device, nor the
// libraries under FluidSynth about a damaged SoundFont.
void SilenceAudioLibraries()
{
    for (int level = FLUID_PANIC; level <= FLUID_DBG; ++level) {
        fluid_set_log_function(level, DiscardFluidLog, nullptr);
    }
    // ALSA prints through a handler of its own. It is reached by name, so we
    // need no ALSA headers; FluidSynth has loaded the library already.
    {
        using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
        using SetHandler = int (*)(Handler);
        const SharedLibrary alsa = SharedLibrary::IfLoaded("libasound.so.2");
        if (auto set = reinterpret_cast<SetHandler>(alsa.Symbol("snd_lib_error_set_handler"))) {
            set(DiscardAlsaError);
        }
    }
    // FluidSynth reads SoundFonts through libinstpatch, whose checks of a
    // damaged file report through GLib's log with no domain of their own.
    {
        using Handler = void (*)(const char*, int, const char*, void*);
        using SetHandler = unsigned (*)(const char*, int, Handler, void*);
        // Critical, warning, message, info and debug: all but the fatal errors.
        constexpr int kNonFatalLevels = 8 | 16 | 32 | 64 | 128;
        const SharedLibrary glib = SharedLibrary::IfLoaded("libglib-2.0.so.0");
        if (auto set = reinterpret_cast<SetHandler>(glib.Symbol("g_log_set_handler"))) {
            set(nullptr, kNonFatalLevels, DiscardGlibMessage, nullptr);
        }
    }
}

// Runs where the synth renders, between blocks. Pedals first: a note held by
// one would outlast "all notes off". The next song then starts from the
// controllers a fresh synth has, as it would on a sequencer device reset at
// close; its instruments are chosen before it starts (FluidSequencer), since
// choosing one here would read its samples from disk on this thread. These
// are the synth calls a player makes from this thread anyway, so they add no
// waiting of a new kind.
void SilenceSynth(fluid_synth_t* synth)
{
    constexpr int kSustain = 64, kSostenuto = 66, kResetControllers = 121;
    const int channels = fluid_synth_count_midi_channels(synth);
    for (int channel = 0; channel < channels; ++channel) {
        fluid_synth_cc(synth, channel, kSustain, 0);
        fluid_synth_cc(synth, channel, kSostenuto, 0);
    }
    fluid_synth_all_notes_off(synth, -1);
    for (int channel = 0; channel < channels; ++channel) {
        fluid_synth_cc(synth, channel, kResetControllers, 0);
    }
}

// One stream on the sound server, and what decides when it may pause.
struct Lane {
    std::unique_ptr<PulseAudioStream> stream;
    // GUI thread only.
    bool paused = false;
    int restChecks = 0;
    // Whether the lane's last block left nothing sounding; with a FluidSynth
    // driver, which plays both lanes, whether that part of the block did.
    std::atomic<bool> resting{false};
};

} // namespace

struct AudioOutput::Impl {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    // One of the two plays the output: our own streams on a sound server,
    // which pause; or a FluidSynth driver, which is closed to rest. The
    // server gets the music and the tones on separate streams, each with
    // its own thread and block size, so a long music block never holds up
    // a tone.
    Lane musicLane, toneLane;
    fluid_audio_driver_t* driver = nullptr;
    // The sound system that took the output, to reopen it after a rest; empty
    // when there is none. A sound server is looked for again then (one may
    // start after the game), the other systems are not.
    std::string driverName;
    bool serverWanted = false;
    bool serverStuck = false;
    std::int64_t nextServerTry = 0;
    // The songs have next to nothing above 16 kHz (67 to 72 dB below the
    // rest), so this rate renders all of them for a quarter less work than
    // 44.1 kHz; the sound server converts to the device's rate, as it must
    // for the usual 48 kHz device anyway.
    int sampleRate = 32000;

    // Pushed to by the GUI thread; otherwise touched only by whoever renders.
    ToneMixer tones;
    std::atomic<int> holds{0};
    std::atomic<std::uint32_t> silenceRequested{0};
    // Written only by whoever renders.
    std::atomic<std::uint32_t> silenceDone{0};
    // GUI thread only, until the destructor.
    std::vector<std::pair<fluid_player_t*, std::shared_ptr<void>>> retiredPlayers;
    std::unique_ptr<RepeatingTimer> restTimer;

    // Touched only by whoever renders: the device's thread, or a test; reset
    // by the GUI thread only while no device thread runs.
    std::int64_t previousBlockStart = 0; // 0: no block yet
    int quietFrames = 0;
    bool synthAsleep = false;
    // Frames rendered since the music was last audible (from the start: none
    // was), up to a limit: when more than the stream holds unheard, all it
    // holds is silence.
    static constexpr int kCountedFrames = 1 << 24;
    std::atomic<int> framesSinceAudible{kCountedFrames};
    // GUI thread only: the last song was stopped rather than played to its
    // end, so the music lane holds nothing but its release.
    bool songStopped = false;

    bool OpenDriver(const std::string& name);
    bool ConnectServer(bool wait);
    void DropServerStreams();
    bool Reopen();
    void FreeRetiredPlayers();
    bool Awake() const
    {
        return driver || (musicLane.stream && !musicLane.paused) || (toneLane.stream && !toneLane.paused);
    }
    bool MusicDue() const
    {
        return holds.load(std::memory_order_acquire) > 0 ||
               silenceDone.load(std::memory_order_acquire) != silenceRequested.load(std::memory_order_acquire);
    }
    void Wake(Lane& lane);
    static bool RestedLongEnough(Lane& lane, bool due);
    void CheckRest();
    void MixTones(int frames, int nout, float* out[], std::int64_t blockStart);

    // What each lane renders; a FluidSynth driver's block gets both.
    static int RenderMusic(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
    static int RenderTones(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
    static int Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
    // FluidSynth's drivers may hand over what the last block left.
    static int ClearingCallback(void* data, int frames, int nfx, float* fx[], int nout, float* out[]);
};

AudioOutput::SoundSystems AudioOutputAccess::DefaultDrivers()
{
    // Only these FluidSynth drivers call back into our code for each block,
    // which the tone needs. The sound server comes first: it shares the
    // device with other programs where raw ALSA may find it busy.
    return {{"pulseaudio", "alsa", "jack", "oss"}};
}

AudioOutput::AudioOutput() : AudioOutput(AudioOutputAccess::DefaultDrivers()) {}

AudioOutput::AudioOutput(const SoundSystems& systems) : impl(std::make_unique<Impl>())
{
    SilenceAudioLibraries();
    impl->settings = new_fluid_settings();
    if (!impl->settings) {
        return;
    }
    fluid_settings_setnum(impl->settings, "synth.sample-rate", impl->sampleRate);
    fluid_settings_setint(impl->settings, "audio.period-size", DriverBlockFrames(impl->sampleRate));
    fluid_settings_setint(impl->settings, "audio.periods", 2);
    impl->synth = AudioOutputAccess::NewSynth(impl->settings);
    if (!impl->synth) {
        return;
    }
    for (const std::string& name : systems.drivers) {
        impl->serverWanted = impl->serverWanted || name == "pulseaudio";
        if (impl->OpenDriver(name)) {
            impl->driverName = name;
            break;
        }
        // A server that is there but does not answer would hold up the other
        // systems too: on a desktop they play through it.
        if (name == "pulseaudio" && impl->serverStuck) {
            break;
        }
    }
    impl->restTimer = std::make_unique<RepeatingTimer>(kRestCheckInterval, [this] { impl->CheckRest(); });
    impl->restTimer->Start();
}

AudioOutput::~AudioOutput()
{
    impl->restTimer.reset();
    // The device's thread renders from the synth, so it stops first.
    impl->musicLane.stream.reset();
    impl->toneLane.stream.reset();
    if (impl->driver) {
        delete_fluid_audio_driver(impl->driver);
    }
    for (auto& [player, callbackData] : impl->retiredPlayers) {
        delete_fluid_player(player);
    }
    impl->retiredPlayers.clear();
    if (impl->synth) {
        delete_fluid_synth(impl->synth);
    }
    if (impl->settings) {
        delete_fluid_settings(impl->settings);
    }
}

bool AudioOutput::Impl::OpenDriver(const std::string& name)
{
    if (name == "pulseaudio") {
        return ConnectServer(true);
    }
    if (fluid_settings_setstr(settings, "audio.driver", name.c_str()) != FLUID_OK) {
        return false;
    }
    driver = new_fluid_audio_driver2(settings, &Impl::ClearingCallback, this);
    return driver != nullptr;
}

// Both lanes connect at once, so a stuck server costs one deadline, not two.
bool AudioOutput::Impl::ConnectServer(bool wait)
{
    using Buffering = PulseAudioStream::Buffering;
    musicLane.stream = PulseAudioStream::Connect(sampleRate, MusicBlockFrames(sampleRate), Buffering::Relaxed,
                                                 &Impl::RenderMusic, this, kServerDeadline);
    toneLane.stream = PulseAudioStream::Connect(sampleRate, ToneBlockFrames(sampleRate), Buffering::Prompt,
                                                &Impl::RenderTones, this, kServerDeadline);
    for (Lane* lane : {&musicLane, &toneLane}) {
        lane->paused = false;
        lane->restChecks = 0;
        lane->resting.store(false, std::memory_order_relaxed);
    }
    if (!musicLane.stream || !toneLane.stream ||
        (wait && !(musicLane.stream->WaitUntilSettled() & toneLane.stream->WaitUntilSettled()))) {
        serverStuck = (musicLane.stream && musicLane.stream->TimedOut()) ||
                      (toneLane.stream && toneLane.stream->TimedOut());
        DropServerStreams();
        return false;
    }
    return true;
}

// After this no thread of ours renders, so what only renderers touch may be
// reset, and the tones not yet played are stale.
void AudioOutput::Impl::DropServerStreams()
{
    musicLane.stream.reset();
    toneLane.stream.reset();
    tones.Clear();
    previousBlockStart = 0;
}

// With nothing playing the output: the FluidSynth driver that rested, or a
// sound server that went away, never answered or was not there.
bool AudioOutput::Impl::Reopen()
{
    if (driverName == "pulseaudio" || (driverName.empty() && serverWanted)) {
        const std::int64_t now = SteadyNanoseconds();
        if (now < nextServerTry) {
            return false;
        }
        nextServerTry = now + kServerRetryNanoseconds;
        return ConnectServer(false);
    }
    if (driverName.empty()) {
        return false;
    }
    if (!OpenDriver(driverName)) {
        driverName.clear(); // the device has gone away since start-up
        return false;
    }
    return true;
}

void AudioOutput::Impl::Wake(Lane& lane)
{
    // A server that died takes both streams with it; they are not mended
    // but made anew, once the server is back.
    if (musicLane.stream && (musicLane.stream->Failed() || toneLane.stream->Failed())) {
        DropServerStreams();
    }
    if (!musicLane.stream && !driver) {
        lane.resting.store(false, std::memory_order_relaxed);
        if (!Reopen()) {
            return;
        }
    }
    lane.restChecks = 0;
    if (lane.stream && lane.paused) {
        lane.resting.store(false, std::memory_order_relaxed);
        lane.stream->Resume();
        lane.paused = false;
    }
    if (restTimer) {
        restTimer->Start();
    }
}

// FluidSynth forbids deleting a player while its synth renders. A server's
// music stream is held between two blocks for it; a FluidSynth driver cannot
// be, so there they wait until it has rested and closed. A stopped player
// still releases its notes in the next block, so not before that has run.
void AudioOutput::Impl::FreeRetiredPlayers()
{
    if (retiredPlayers.empty() || driver ||
        silenceDone.load(std::memory_order_acquire) != silenceRequested.load(std::memory_order_relaxed)) {
        return;
    }
    const auto free = [this] {
        for (auto& [player, callbackData] : retiredPlayers) {
            delete_fluid_player(player);
        }
        retiredPlayers.clear();
    };
    if (musicLane.stream) {
        musicLane.stream->BetweenBlocks(free);
    } else {
        free();
    }
}

bool AudioOutput::Impl::RestedLongEnough(Lane& lane, bool due)
{
    // The flag is from the last block, so what was asked for since counts too.
    lane.restChecks = lane.resting.load(std::memory_order_acquire) && !due ? lane.restChecks + 1 : 0;
    return lane.restChecks >= kRestChecksBeforeClosing;
}

void AudioOutput::Impl::CheckRest()
{
    const bool musicRested = RestedLongEnough(musicLane, MusicDue());
    const bool tonesRested = RestedLongEnough(toneLane, tones.Queued());
    if (driver) {
        if (musicRested && tonesRested) {
            delete_fluid_audio_driver(driver);
            driver = nullptr;
        }
    } else {
        for (auto [lane, rested] : {std::pair{&musicLane, musicRested}, std::pair{&toneLane, tonesRested}}) {
            if (rested && lane->stream && !lane->paused) {
                lane->stream->Pause();
                lane->paused = true;
            }
        }
    }
    FreeRetiredPlayers();
    // While a song plays the music lane cannot rest; the tones' lane wakes
    // this again with its next tone, and a song's end with its release.
    const bool tonesAwake = toneLane.stream && !toneLane.paused;
    if ((!Awake() || (MusicDue() && !tonesAwake)) && retiredPlayers.empty()) {
        restTimer->Stop();
    }
}

bool AudioOutput::IsOpen() const
{
    return !impl->driverName.empty() || (impl->musicLane.stream && !impl->musicLane.stream->Failed());
}

int AudioOutput::SampleRate() const { return impl->sampleRate; }

bool AudioOutput::Resting() const
{
    return impl->musicLane.resting.load(std::memory_order_acquire) &&
           impl->toneLane.resting.load(std::memory_order_acquire);
}

void AudioOutput::QueueTone(int frequency, int duration)
{
    // Waking first: a stream made anew starts without stale tones.
    impl->Wake(impl->toneLane);
    impl->tones.Push({frequency, duration, SteadyNanoseconds()});
}

int AudioOutputAccess::Render(AudioOutput& output, int frames, int nfx, float* fx[], int nout, float* out[])
{
    return AudioOutput::Impl::Callback(output.impl.get(), frames, nfx, fx, nout, out);
}

void AudioOutput::Impl::MixTones(int frames, int nout, float* out[], std::int64_t blockStart)
{
    if (blockStart - previousBlockStart > kRestedNanoseconds) {
        previousBlockStart = 0;
    }
    // A tone asked for during this block gets its place in the next one.
    tones.Mix(out, nout, frames, sampleRate, [this](const ToneRequest& request) -> std::int64_t {
        if (previousBlockStart == 0 || request.requestedNs <= previousBlockStart) {
            return 0;
        }
        return (request.requestedNs - previousBlockStart) * sampleRate / 1'000'000'000;
    });
    previousBlockStart = blockStart;
}

// These run on a device's thread: no locks, no allocation, no waiting.

int AudioOutput::Impl::RenderMusic(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    auto* self = static_cast<Impl*>(data);
    int result = FLUID_OK;
    const std::uint32_t silence = self->silenceRequested.load(std::memory_order_acquire);
    const bool silencing = self->synth && silence != self->silenceDone.load(std::memory_order_relaxed);
    const bool music = self->holds.load(std::memory_order_acquire) > 0;
    if (silencing) {
        SilenceSynth(self->synth);
    }
    if (music || silencing) {
        self->synthAsleep = false;
        self->quietFrames = 0;
    }
    bool audible = false;
    if (self->synth && !self->synthAsleep) {
        if (nfx == 0 && nout >= 2) {
            // Most drivers give no separate effect buffers: reverb and chorus
            // then go into the dry pair, as FluidSynth recommends.
            float* effects[4] = {out[0], out[1], out[0], out[1]};
            result = fluid_synth_process(self->synth, frames, 4, effects, nout, out);
        } else {
            result = fluid_synth_process(self->synth, frames, nfx, fx, nout, out);
        }
        // Songs have rests; only a synth that no song plays may fall asleep.
        audible = Peak(nout, out, frames) >= kInaudible;
        const bool quiet = !music && !audible;
        self->quietFrames = quiet ? self->quietFrames + frames : 0;
        self->synthAsleep = self->quietFrames >= self->sampleRate / 1000 * kQuietMilliseconds;
    }
    if (silencing) {
        // Only now: a stopped player may still have run in this block (it
        // releases its own notes there), and a song started after this
        // must not be caught by that.
        self->silenceDone.store(silence, std::memory_order_release);
    }
    const int counted = self->framesSinceAudible.load(std::memory_order_relaxed);
    self->framesSinceAudible.store(audible ? 0 : std::min(kCountedFrames, counted + frames), std::memory_order_relaxed);
    self->musicLane.resting.store(self->synthAsleep || !self->synth, std::memory_order_release);
    return result;
}

int AudioOutput::Impl::RenderTones(void* data, int frames, int, float*[], int nout, float* out[])
{
    auto* self = static_cast<Impl*>(data);
    self->MixTones(frames, nout, out, SteadyNanoseconds());
    self->toneLane.resting.store(!self->tones.Sounding(), std::memory_order_release);
    return FLUID_OK;
}

int AudioOutput::Impl::Callback(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    const int result = RenderMusic(data, frames, nfx, fx, nout, out);
    RenderTones(data, frames, nfx, fx, nout, out);
    return result;
}

fluid_synth_t* AudioOutputAccess::NewSynth(fluid_settings_t* settings)
{
    // A song needs a handful of the SoundFont's instruments; only theirs are
    // read into memory, when they are chosen.
    fluid_settings_setint(settings, "synth.dynamic-sample-loading", 1);
    fluid_settings_setint(settings, "synth.polyphony", kPolyphony);
    // A player's own reset would choose the piano on every channel.
    fluid_settings_setint(settings, "player.reset-synth", 0);
    fluid_synth_t* synth = new_fluid_synth(settings);
    if (synth) {
        // Linear interpolation costs a fifth less than the default fourth
        // order; in the songs the two differ by 41 to 52 dB below the music.
        fluid_synth_set_interp_method(synth, -1, FLUID_INTERP_LINEAR);
    }
    return synth;
}

int AudioOutput::Impl::ClearingCallback(void* data, int frames, int nfx, float* fx[], int nout, float* out[])
{
    for (int channel = 0; channel < nout; ++channel) {
        std::fill_n(out[channel], frames, 0.0f);
    }
    return Callback(data, frames, nfx, fx, nout, out);
}

fluid_synth_t* AudioOutputAccess::Synth(AudioOutput& output) { return output.impl->synth; }

void AudioOutputAccess::RetirePlayer(AudioOutput& output, fluid_player_t* player, std::shared_ptr<void> callbackData)
{
    output.impl->retiredPlayers.emplace_back(player, std::move(callbackData));
    if (output.impl->restTimer) {
        output.impl->restTimer->Start();
    }
}

std::size_t AudioOutputAccess::RetiredPlayers(AudioOutput& output) { return output.impl->retiredPlayers.size(); }

bool AudioOutputAccess::Reachable(AudioOutput& output)
{
    if (!output.IsOpen()) {
        output.impl->Wake(output.impl->musicLane);
    }
    return output.IsOpen();
}

void AudioOutputAccess::RequestSilence(AudioOutput& output)
{
    output.impl->silenceRequested.fetch_add(1, std::memory_order_release);
    output.impl->songStopped = true;
    output.impl->Wake(output.impl->musicLane);
    // The music lane is far ahead of what is heard; what it holds of the
    // stopped song goes now, not in a few hundred milliseconds.
    if (output.impl->musicLane.stream) {
        output.impl->musicLane.stream->Discard();
    }
}

bool AudioOutputAccess::Silenced(AudioOutput& output)
{
    // Only this thread asks, so the count asked for cannot move meanwhile.
    return output.impl->silenceDone.load(std::memory_order_acquire) ==
           output.impl->silenceRequested.load(std::memory_order_relaxed);
}

void AudioOutputAccess::Hold(AudioOutput& output)
{
    AudioOutput::Impl& impl = *output.impl;
    impl.holds.fetch_add(1, std::memory_order_release);
    impl.Wake(impl.musicLane);
    // A song starts now, not after the silence rendered ahead of it, nor
    // after the release of one stopped a moment ago, which it replaces as
    // the next song did on a sequencer; the last notes of a song played to
    // its end are heard out first.
    const Lane& lane = impl.musicLane;
    if (lane.stream && (impl.songStopped ||
                        impl.framesSinceAudible.load(std::memory_order_relaxed) >= lane.stream->FramesAhead())) {
        lane.stream->Discard();
    }
    impl.songStopped = false;
}

void AudioOutputAccess::Release(AudioOutput& output)
{
    output.impl->holds.fetch_sub(1, std::memory_order_release);
    if (output.impl->restTimer) {
        output.impl->restTimer->Start();
    }
}

} // namespace tw
