#pragma once

#include <bitset>
#include <cstdint>
#include <string>

#include "platform/MidiSequencer.h"

namespace tw {

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
    // back to song 1 there. Every song may be tried again, even one that
    // failed while playing.
    void MusicPlayNext();
    // Closes the open song, if any; the next start plays the following song.
    void MusicStop();
    // 0 on success or when music is off, else the sequencer's error.
    int OpenAndPlaySong(const std::string& fileName);

    // The open song has played to its end, or failed while playing (the
    // window's MM_MCINOTIFY): the next one starts. Songs that fail one after
    // another are each started once; the chain stops, silent until the next
    // MusicPlayNext, when it comes back to one that failed since the last
    // song that played to its end.
    void SongEnded(SongEnd end);
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
    static constexpr int kNamedSongs = 1000;

    // MusicPlayNext without giving the songs that failed another chance.
    void MoveOn();

    MidiSequencer& sequencer;
    // By number, the songs that failed while playing since the last one that
    // played to its end or the last MusicPlayNext.
    std::bitset<kNamedSongs> failedInARow;
};

} // namespace tw
