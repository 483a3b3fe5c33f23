#include "platform/fluidsynth/FluidSequencer.h"

#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <fstream>
#include <iterator>
#include <optional>
#include <utility>
#include <vector>

#include "platform/fluidsynth/AudioOutputAccess.h"
#include "platform/MidiFile.h"
#include "platform/RepeatingTimer.h"
#include "platform/SongTableSequencer.h"
#include "platform/WorkerThread.h"

namespace tw {
namespace {

// How often the GUI thread looks for songs whose instruments are ready and
// for starts that wait on the previous song's silence.
constexpr std::chrono::milliseconds kStartPollInterval{50};
// And, while songs only play, for one that has reached its end: noticed up
// to this late, the next song follows the last one's ring-out a moment
// later, and the game is not woken twenty times a second for it.
constexpr std::chrono::milliseconds kEndPollInterval{250};

constexpr int kProgramChange = 0xC0;

// What the audio thread knows of one song: filled in by the player's
// callbacks, read by the GUI thread. It lives as long as the player, since a
// block that started before Close may still call back into it.
struct Progress {
    fluid_synth_t* synth = nullptr;
    fluid_player_t* player = nullptr;
    // Chosen by the worker before the song starts; then the audio thread's.
    std::array<int, kMidiChannels> programs{};
    std::atomic<bool> instrumentsReady{false};
    // Audio thread only, once the player is running. The player loads the
    // file in its first callback, so the length is not known before.
    int totalTicks = -1;
    std::atomic<bool> reachedEnd{false};
};

// FluidSynth's player reports DONE only a couple of seconds after the last
// event (it lets the notes ring out), and also after a stop. The song's own
// end is its last tick. Runs on the audio thread: no allocation, no locks.
int OnTick(void* data, int tick)
{
    auto* progress = static_cast<Progress*>(data);
    if (progress->totalTicks < 0) {
        progress->totalTicks = fluid_player_get_total_ticks(progress->player);
    }
    if (tick >= progress->totalTicks) {
        progress->reachedEnd.store(true, std::memory_order_release);
    }
    return FLUID_OK;
}

// Passes the song's events to the synth, except a program change to the
// instrument its channel already has: choosing an instrument again would
// drop its samples and read them back from disk, here on the audio thread.
int OnEvent(void* data, fluid_midi_event_t* event)
{
    auto* progress = static_cast<Progress*>(data);
    if (fluid_midi_event_get_type(event) == kProgramChange) {
        const int channel = fluid_midi_event_get_channel(event);
        if (channel >= 0 && channel < kMidiChannels) {
            const int program = fluid_midi_event_get_program(event);
            if (progress->programs[channel] == program) {
                return FLUID_OK;
            }
            progress->programs[channel] = program;
        }
    }
    return fluid_synth_handle_midi_event(progress->synth, event);
}

bool ReadFile(const std::string& file, std::string& data)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad();
}

enum class SoundFontState { NotTried, Loading, Loaded, Failed };

struct Song {
    // Read at Open, so that the file need not be there any more at Play
    // and the audio thread never waits on the disk.
    std::string data;
    std::array<int, kMidiChannels> firstPrograms{};
    SongEndNotice ended;
    std::shared_ptr<Progress> progress; // null until Play
    bool started = false; // its player runs and holds the output
    bool failed = false;  // no player could play it
};

struct FluidSequencer final : SongTableSequencer<Song> {
    FluidSequencer(AudioOutput& output, std::vector<std::string> soundFonts)
        : output(output), synth(AudioOutputAccess::Synth(output)), soundFonts(std::move(soundFonts))
    {}
    ~FluidSequencer() override
    {
        for (auto& [id, song] : songs) {
            Retire(*song);
        }
    }
    FluidSequencer(const FluidSequencer&) = delete;
    FluidSequencer& operator=(const FluidSequencer&) = delete;

    // Reading even the parts of a General MIDI SoundFont that a song needs
    // takes long enough to be noticed, so it happens on the worker; the
    // synth's own lock keeps it apart from the audio thread, where nothing
    // but a running player calls the synth, and none runs before this ends.
    void StartLoadingSoundFont()
    {
        if (!synth || soundFontState.load() != SoundFontState::NotTried) {
            return;
        }
        soundFontState = SoundFontState::Loading;
        worker.Post([this] {
            for (const std::string& path : soundFonts) {
                if (fluid_synth_sfload(synth, path.c_str(), 0) != FLUID_FAILED) {
                    fluid_synth_set_gain(synth, kFluidSequencerGain);
                    soundFontState = SoundFontState::Loaded;
                    return;
                }
            }
            soundFontState = SoundFontState::Failed;
        });
    }

    // Chooses the song's instruments (reading their samples) and lets go of
    // the ones it does not use, after the SoundFont, on the worker. The last
    // song's instruments go first: read while those were still held, the new
    // samples took fresh memory beside them, and the process kept both.
    void PrepareInstruments(const std::shared_ptr<Progress>& progress)
    {
        StartLoadingSoundFont();
        worker.Post([this, progress] {
            if (soundFontState.load() == SoundFontState::Loaded) {
                for (int channel = 0; channel < kMidiChannels; ++channel) {
                    fluid_synth_unset_program(synth, channel);
                }
                for (int channel = 0; channel < kMidiChannels; ++channel) {
                    if (const int program = progress->programs[channel]; program != kChannelUnused) {
                        fluid_synth_program_change(synth, channel, program);
                    }
                }
            } else {
                progress->programs.fill(kChannelUnused); // nothing chosen, nothing to skip
            }
            progress->instrumentsReady.store(true, std::memory_order_release);
        });
    }

    // Starts the song's player once its instruments are ready and the last
    // song's notes have been released (that release would catch this song's
    // first notes too).
    void StartWhenReady(Song& song)
    {
        if (song.started || song.failed || !song.progress->instrumentsReady.load(std::memory_order_acquire) ||
            !AudioOutputAccess::Silenced(output)) {
            return;
        }
        Progress& progress = *song.progress;
        progress.player = new_fluid_player(synth);
        if (progress.player && fluid_player_add_mem(progress.player, song.data.data(), song.data.size()) == FLUID_OK) {
            fluid_player_set_tick_callback(progress.player, &OnTick, &progress);
            fluid_player_set_playback_callback(progress.player, &OnEvent, &progress);
            fluid_player_play(progress.player);
            AudioOutputAccess::Hold(output);
            song.started = true;
        } else {
            // Nothing to play: the song failed as soon as it began. Even a
            // player that never played is the synth's until retired.
            if (progress.player) {
                AudioOutputAccess::RetirePlayer(output, progress.player, nullptr);
                progress.player = nullptr;
            }
            song.failed = true;
        }
    }

    // Stops the song's player for good; the notes it left sounding are
    // released before the next block the synth renders.
    void Retire(Song& song)
    {
        if (song.started) {
            fluid_player_stop(song.progress->player);
            AudioOutputAccess::RequestSilence(output);
            AudioOutputAccess::Release(output);
            AudioOutputAccess::RetirePlayer(output, song.progress->player, song.progress);
            song.started = false;
        }
        song.progress.reset();
    }

    bool Waiting(const Song& song) const { return song.progress && song.ended.Armed(); }

    void UpdateTimers()
    {
        bool starting = false, playing = false;
        for (const auto& [id, song] : songs) {
            if (Waiting(*song)) {
                (song->started ? playing : starting) = true;
            }
        }
        for (auto [timer, needed] : {std::pair{&startTimer, starting}, std::pair{&endTimer, playing && !starting}}) {
            if (!needed) {
                timer->Stop();
            } else if (!timer->IsActive()) {
                timer->Start();
            }
        }
    }

    // How the song came to an end, if it has. A song the player could not
    // read never ticks: its DONE, before the last tick, is the only sign.
    std::optional<SongEnd> EndOf(const Song& song) const
    {
        const Progress& progress = *song.progress;
        if (progress.reachedEnd.load(std::memory_order_acquire)) {
            return SongEnd::Played;
        }
        if (song.failed || (song.started && fluid_player_get_status(progress.player) == FLUID_PLAYER_DONE)) {
            return SongEnd::Failed;
        }
        return std::nullopt;
    }

    void Poll()
    {
        // Without a device nobody renders, the silence never comes and a
        // song waiting for it never starts; nothing could be heard anyway.
        for (auto& [id, song] : songs) {
            if (Waiting(*song)) {
                StartWhenReady(*song);
            }
        }
        // `ended` may close this song and open the next, so look the songs
        // up afresh for each one.
        std::vector<int> ids;
        for (const auto& [id, song] : songs) {
            ids.push_back(id);
        }
        for (int id : ids) {
            Song* found = Find(id);
            if (!found || !Waiting(*found)) {
                continue;
            }
            Song& song = *found;
            const std::optional<SongEnd> end = EndOf(song);
            if (!end) {
                continue;
            }
            if (song.started) {
                // Its last notes ring out with the output still awake.
                AudioOutputAccess::Release(output);
                AudioOutputAccess::RetirePlayer(output, song.progress->player, song.progress);
                song.started = false;
            }
            song.ended.Tell(*end);
        }
        UpdateTimers();
    }

    int Open(const std::string& file, int& deviceId) override
    {
        auto song = std::make_unique<Song>();
        if (!ReadFile(file, song->data)) {
            return SequencerFileNotFound;
        }
        // A damaged song would end as soon as it began and count as played.
        const MidiFileSummary summary = SummariseMidiFile(song->data);
        if (!summary.playable) {
            return SequencerFileNotFound;
        }
        song->firstPrograms = summary.firstPrograms;
        lastId = lastId == INT_MAX ? 1 : lastId + 1;
        deviceId = lastId;
        songs[deviceId] = std::move(song);
        return SequencerOk;
    }

    // Without a device the chain should move on at once rather than wait on
    // songs nobody hears; a sound server that started since is looked for
    // first, and one being connected counts as there. So does a SoundFont
    // still loading: its song starts when it is.
    int StatusPortOf(Song&) override
    {
        if (!AudioOutputAccess::Reachable(output)) {
            return SequencerNoOutput;
        }
        StartLoadingSoundFont();
        return soundFontState.load() == SoundFontState::Failed ? SequencerNoOutput : SequencerOk;
    }

    int Start(Song& song) override
    {
        if (!synth) {
            return SequencerNoOutput;
        }
        Retire(song);
        song.progress = std::make_shared<Progress>();
        song.progress->synth = synth;
        song.progress->programs = song.firstPrograms;
        song.failed = false;
        PrepareInstruments(song.progress);
        UpdateTimers();
        return SequencerOk;
    }

    void Closing(Song& song) override { Retire(song); }
    void Closed(int) override { UpdateTimers(); }

    AudioOutput& output;
    fluid_synth_t* synth;
    std::vector<std::string> soundFonts;
    std::atomic<SoundFontState> soundFontState{SoundFontState::NotTried};
    int lastId = 0;
    RepeatingTimer startTimer{kStartPollInterval, [this] { Poll(); }};
    RepeatingTimer endTimer{kEndPollInterval, [this] { Poll(); }};
    WorkerThread worker; // last: it finishes its job before the rest goes
};

} // namespace

std::vector<std::string> DefaultSoundFonts()
{
    return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
}

std::unique_ptr<MidiSequencer> CreateFluidSequencer(AudioOutput& output, std::vector<std::string> soundFonts)
{
    return std::make_unique<FluidSequencer>(output, std::move(soundFonts));
}

std::unique_ptr<MidiSequencer> CreateMidiSequencer(AudioOutput& output) { return CreateFluidSequencer(output); }

} // namespace tw
