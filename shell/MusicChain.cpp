#include "shell/MusicChain.h"

#include <string>

#include "settings/Settings.h"

namespace tw {

MusicChain::~MusicChain()
{
    // The sequencer may outlive us; a song left open would call back into a
    // chain that is gone.
    MusicStop();
}

void MusicChain::MusicPlayNext()
{
    failedInARow.reset();
    MoveOn();
}

void MusicChain::MoveOn()
{
    if (settings.Music == 0) {
        return;
    }
    // Two attempts at most: the next number, then song 1. If song 1 fails as
    // well there is no music until the next call, which tries song 2 first.
    // A song that failed while playing is not started again in the same run
    // of failures: on a device where every song fails, the chain would
    // otherwise go round for ever.
    for (;;) {
        ++songNumber;
        if (songNumber < kNamedSongs && failedInARow.test(songNumber)) {
            return;
        }
        int error = SequencerFileNotFound;
        if (songNumber < kNamedSongs) {
            error = OpenAndPlaySong("song" + std::to_string(songNumber) + ".mid");
        }
        if (error == SequencerOk || songNumber == 1) {
            return;
        }
        songNumber = 0;
    }
}

void MusicChain::MusicStop()
{
    sequencer.Close(musicDevice);
    musicDevice = 0;
}

int MusicChain::OpenAndPlaySong(const std::string& fileName)
{
    if (settings.Music == 0) {
        return SequencerOk;
    }
    // Turning the music on in the Options dialog starts a song while one may
    // still be playing; two at once would sound through each other.
    MusicStop();
    int device = 0;
    if (const int error = sequencer.Open(fileName, device); error != SequencerOk) {
        return error;
    }
    musicDevice = device;
    int error = sequencer.StatusPort(device);
    if (error == SequencerOk) {
        // Our sequencer never reports a song it closed, so a flag set when the
        // previous song was stopped would otherwise swallow this song's end
        // and leave the chain silent after it.
        musicNotifySuppressed = 0;
        // A song that is no longer the open one has nothing more to say.
        error = sequencer.Play(device, [this, device](SongEnd end) {
            if (device == musicDevice) {
                SongEnded(end);
            }
        });
    }
    if (error != SequencerOk) {
        MusicStop();
    }
    return error;
}

void MusicChain::SongEnded(SongEnd end)
{
    if (songNumber != 0 && musicNotifySuppressed == 0) {
        MusicStop();
        if (end == SongEnd::Played) {
            failedInARow.reset();
        } else if (songNumber < kNamedSongs) {
            failedInARow.set(songNumber);
        }
        MoveOn();
    }
    musicNotifySuppressed = 0;
}

void MusicChain::StopForGameOver()
{
    MusicStop();
    musicNotifySuppressed = 1;
}

} // namespace tw
