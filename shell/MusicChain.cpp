#include "shell/MusicChain.h"

#include <string>

#include "platform/MidiSequencer.h"
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
    if (settings.Music == 0) {
        return;
    }
    // Two attempts at most: the next number, then song 1. If song 1 fails as
    // well there is no music until the next call, which tries song 2 first.
    for (;;) {
        ++songNumber;
        int error = SequencerFileNotFound;
        if (songNumber < 1000) {
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
        error = sequencer.Play(device, [this] { SongEnded(); });
    }
    if (error != SequencerOk) {
        MusicStop();
    }
    return error;
}

void MusicChain::SongEnded()
{
    if (songNumber != 0 && musicNotifySuppressed == 0) {
        MusicStop();
        MusicPlayNext();
    }
    musicNotifySuppressed = 0;
}

void MusicChain::StopForGameOver()
{
    MusicStop();
    musicNotifySuppressed = 1;
}

} // namespace tw
