#pragma once

#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "platform/MidiSequencer.h"

namespace tw {

// The handler of a played song's end, run once: for the first end reported
// after Play and for no later one. It goes with its song, so a closed song
// tells nothing.
class SongEndNotice {
public:
    void Arm(std::function<void(SongEnd)> handler)
    {
        ended = std::move(handler);
        armed = true;
    }
    void Disarm()
    {
        ended = nullptr;
        armed = false;
    }
    bool Armed() const { return armed; }

    void Tell(SongEnd end)
    {
        if (!std::exchange(armed, false)) {
            return;
        }
        // The handler usually closes this song, and this notice with it.
        if (const std::function<void(SongEnd)> handler = std::exchange(ended, nullptr)) {
            handler(end);
        }
    }

private:
    std::function<void(SongEnd)> ended;
    bool armed = false;
};

// What every song player keeps alike: its open songs by device id, each
// with the notice of its end (a `SongEndNotice ended` of the Song), and the
// answer to an id that names none: SequencerBadDevice, or nothing from
// Close. A backend opens songs into `songs` and says how its system asks for
// a song's output, starts it, and lets go of it.
template <typename Song>
class SongTableSequencer : public MidiSequencer {
public:
    int StatusPort(int deviceId) final
    {
        Song* song = Find(deviceId);
        return song ? StatusPortOf(*song) : SequencerBadDevice;
    }

    int Play(int deviceId, std::function<void(SongEnd)> ended) final
    {
        Song* song = Find(deviceId);
        if (!song) {
            return SequencerBadDevice;
        }
        // Armed first: starting may look at which songs await their end.
        song->ended.Arm(std::move(ended));
        const int error = Start(*song);
        if (error != SequencerOk) {
            song->ended.Disarm();
        }
        return error;
    }

    void Close(int deviceId) final
    {
        const auto found = songs.find(deviceId);
        if (found == songs.end()) {
            return;
        }
        Closing(*found->second);
        songs.erase(found);
        Closed(deviceId);
    }

protected:
    Song* Find(int deviceId)
    {
        const auto found = songs.find(deviceId);
        return found == songs.end() ? nullptr : found->second.get();
    }

    virtual int StatusPortOf(Song& song) = 0;
    // Plays the song from its beginning.
    virtual int Start(Song& song) = 0;
    // Before the song goes, and after.
    virtual void Closing(Song&) {}
    virtual void Closed(int /*deviceId*/) {}

    std::map<int, std::unique_ptr<Song>> songs;
};

} // namespace tw
