#pragma once

#include <cstdint>
#include <string>

namespace tw {

class MidiSequencer;

// The background music: song1.mid, song2.mid, ... from the current folder,
// one after another, back to song 1 at the first number that cannot be
// played. Obeys settings.Music. GUI thread only.
class MusicChain {
public:
    explicit MusicChain(MidiSequencer& sequencer) : sequencer(sequencer) {}
    ~MusicChain();
    MusicChain(const MusicChain&) = delete;
    MusicChain& operator=(const MusicChain&) = delete;

    // Starts the song after the last one tried. Numbers from 1000 on have no
    // file name and count as a song that cannot be played, so the chain goes
    // back to song 1 there.
    void MusicPlayNext();
    // Closes the open song, if any; the next start plays the following song.
    void MusicStop();
    // 0 on success or when music is off, else the sequencer's error.
    int OpenAndPlaySong(const std::string& fileName);

    // A song has played to its end (the window's MM_MCINOTIFY).
    void SongEnded();
    // The game-over sequence: silence, and ignore the notification the
    // stopped song may still send.
    void StopForGameOver();

    // 1 while the next end notification is to be ignored.
    std::int32_t musicNotifySuppressed = 0;
    // The song last tried; 0 before the first one. Stopping keeps it.
    std::int32_t songNumber = 0;
    // The sequencer's id of the open song; 0 when none is open.
    int musicDevice = 0;

private:
    MidiSequencer& sequencer;
};

} // namespace tw
