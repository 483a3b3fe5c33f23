#include "platform/FluidSequencer.h"

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <climits>
#include <fstream>
#include <iterator>
#include <map>
#include <utility>
#include <vector>

#include "platform/AudioOutputAccess.h"

namespace tw {
namespace {

// How often the GUI thread looks for songs that have reached their end and
// for starts that wait on the previous song's silence.
constexpr int kPollMilliseconds = 50;

// What the audio thread knows of one song: filled in by the player's tick
// callback, read by the GUI thread. It lives as long as the player, since a
// block that started before Close may still call back into it.
struct Progress {
    fluid_player_t* player = nullptr;
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

bool ReadMidiFile(const std::string& file, std::string& data)
{
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        return false;
    }
    data.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad() && data.size() >= 14 && data.compare(0, 4, "MThd") == 0;
}

} // namespace

struct FluidSequencer::Impl {
    struct Song {
        // Read at Open, so that the file need not be there any more at Play
        // and the audio thread never waits on the disk.
        std::string data;
        std::function<void()> ended;
        std::shared_ptr<Progress> progress; // null until Play
        // Play came while the previous song's notes were still being released.
        bool startPending = false;
        bool notified = false;
    };

    Impl(AudioOutput& output, std::vector<std::string> soundFonts)
        : output(output), synth(AudioOutputAccess::Synth(output)), soundFonts(std::move(soundFonts))
    {
        timer.setInterval(kPollMilliseconds);
        QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    }

    bool LoadSoundFont()
    {
        if (!synth || soundFontTried) {
            return soundFontLoaded;
        }
        soundFontTried = true;
        for (const std::string& path : soundFonts) {
            if (fluid_synth_sfload(synth, path.c_str(), 1) != FLUID_FAILED) {
                fluid_synth_set_gain(synth, kGain);
                soundFontLoaded = true;
                break;
            }
        }
        return soundFontLoaded;
    }

    // Stops the song's player for good; the notes it left sounding are
    // released before the next block the synth renders.
    void Retire(Song& song)
    {
        if (song.progress) {
            fluid_player_t* player = song.progress->player;
            if (!song.startPending) {
                fluid_player_stop(player);
                AudioOutputAccess::RequestSilence(output);
            }
            AudioOutputAccess::RetirePlayer(output, player, std::move(song.progress));
        }
    }

    bool Waiting(const Song& song) const { return song.progress && !song.notified; }

    void UpdateTimer()
    {
        bool needed = false;
        for (const auto& [id, song] : songs) {
            needed = needed || Waiting(song);
        }
        if (!needed) {
            timer.stop();
        } else if (!timer.isActive() && QCoreApplication::instance()) {
            timer.start();
        }
    }

    void Poll()
    {
        // Without a device nobody renders, the silence never comes and a
        // song waiting for it never starts; nothing could be heard anyway.
        for (auto& [id, song] : songs) {
            if (song.startPending && AudioOutputAccess::Silenced(output)) {
                song.startPending = false;
                fluid_player_play(song.progress->player);
            }
        }
        // `ended` may close this song and open the next, so look the songs
        // up afresh for each one.
        std::vector<int> ids;
        for (const auto& [id, song] : songs) {
            ids.push_back(id);
        }
        for (int id : ids) {
            auto found = songs.find(id);
            if (found == songs.end() || !Waiting(found->second) || found->second.startPending) {
                continue;
            }
            Song& song = found->second;
            // A song the player could not read never ticks; its DONE is the
            // only sign of its end.
            if (song.progress->reachedEnd.load(std::memory_order_acquire) ||
                fluid_player_get_status(song.progress->player) == FLUID_PLAYER_DONE) {
                song.notified = true;
                if (std::function<void()> ended = std::move(song.ended)) {
                    ended();
                }
            }
        }
        UpdateTimer();
    }

    AudioOutput& output;
    fluid_synth_t* synth;
    std::vector<std::string> soundFonts;
    bool soundFontTried = false;
    bool soundFontLoaded = false;
    std::map<int, Song> songs;
    int lastId = 0;
    QTimer timer;
};

std::vector<std::string> FluidSequencer::DefaultSoundFonts()
{
    return {"/usr/share/sounds/sf2/default-GM.sf2", "/usr/share/sounds/sf2/FluidR3_GM.sf2"};
}

FluidSequencer::FluidSequencer(AudioOutput& output, std::vector<std::string> soundFonts)
    : impl(std::make_unique<Impl>(output, std::move(soundFonts)))
{
}

FluidSequencer::~FluidSequencer()
{
    for (auto& [id, song] : impl->songs) {
        impl->Retire(song);
    }
}

int FluidSequencer::Open(const std::string& file, int& deviceId)
{
    Impl::Song song;
    if (!ReadMidiFile(file, song.data)) {
        return SequencerFileNotFound;
    }
    impl->lastId = impl->lastId == INT_MAX ? 1 : impl->lastId + 1;
    deviceId = impl->lastId;
    impl->songs[deviceId] = std::move(song);
    return SequencerOk;
}

int FluidSequencer::StatusPort(int deviceId)
{
    if (!impl->songs.contains(deviceId)) {
        return SequencerBadDevice;
    }
    // Without a device the chain should move on at once rather than wait on
    // songs nobody hears; checked first, as it costs nothing.
    if (!impl->output.IsOpen() || !impl->LoadSoundFont()) {
        return SequencerNoOutput;
    }
    return SequencerOk;
}

int FluidSequencer::Play(int deviceId, std::function<void()> ended)
{
    auto found = impl->songs.find(deviceId);
    if (found == impl->songs.end()) {
        return SequencerBadDevice;
    }
    if (!impl->synth) {
        return SequencerNoOutput;
    }
    impl->LoadSoundFont();
    Impl::Song& song = found->second;
    impl->Retire(song);

    fluid_player_t* player = new_fluid_player(impl->synth);
    if (!player) {
        return SequencerNoOutput;
    }
    auto progress = std::make_shared<Progress>();
    progress->player = player;
    if (fluid_player_add_mem(player, song.data.data(), song.data.size()) != FLUID_OK) {
        AudioOutputAccess::RetirePlayer(impl->output, player, std::move(progress));
        return SequencerFileNotFound;
    }
    fluid_player_set_tick_callback(player, &OnTick, progress.get());
    song.progress = std::move(progress);
    song.ended = std::move(ended);
    song.notified = false;
    // Not before the last song's notes have been released: that release
    // would catch this song's first notes too.
    song.startPending = !AudioOutputAccess::Silenced(impl->output);
    if (!song.startPending) {
        fluid_player_play(player);
    }
    impl->UpdateTimer();
    return SequencerOk;
}

void FluidSequencer::Close(int deviceId)
{
    auto found = impl->songs.find(deviceId);
    if (found == impl->songs.end()) {
        return;
    }
    impl->Retire(found->second);
    impl->songs.erase(found);
    impl->UpdateTimer();
}

std::unique_ptr<MidiSequencer> CreateMidiSequencer(AudioOutput& output)
{
    return std::make_unique<FluidSequencer>(output);
}

} // namespace tw
