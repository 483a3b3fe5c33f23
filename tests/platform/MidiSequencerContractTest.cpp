#include <gmock/gmock.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/MidiSequencerDriver.h"
#include "support/MidiSongs.h"

// What the song player must do for the game's music, whichever backend plays
// it: each backend's test program runs these cases through its own driver.
// What only one backend does is tested beside its driver.
namespace tw {
namespace {

using test::WriteSong;

// What is no song fails to open, as if missing; a song that opens answers for
// its port and plays until it is closed, and then its id is refused. Ids that
// name no song are ignored when closed.
TEST(MidiSequencer, OpensSongsOnlyAndAnswersForOpenOnesOnly)
{
    const auto driver = test::SequencerWithoutADevice();
    MidiSequencer& sequencer = driver->Sequencer();
    int id = 0, other = 0;
    EXPECT_EQ(sequencer.Open(test::TestOutputPath("no-such-song.mid").string(), id), SequencerFileNotFound);
    EXPECT_EQ(sequencer.Open(WriteSong("not-a-song.mid", "not a song at all"), id), SequencerFileNotFound);
    // MCI names a song by its file: one file is open once at a time.
    ASSERT_EQ(sequencer.Open(WriteSong("other-song.mid", test::kQuarterNote), other), SequencerOk);
    ASSERT_EQ(sequencer.Open(WriteSong("a-song.mid", test::kQuarterNote), id), SequencerOk);
    EXPECT_TRUE(id != 0 && other != 0 && id != other) << id << " and " << other;
    const int port = sequencer.StatusPort(id);
    EXPECT_THAT(port, testing::AnyOf(SequencerOk, SequencerNoOutput));
    EXPECT_EQ(sequencer.Play(id, [](SongEnd) {}), SequencerOk);
    sequencer.Close(id);
    EXPECT_EQ(sequencer.StatusPort(id), SequencerBadDevice);
    EXPECT_EQ(sequencer.Play(id, [](SongEnd) {}), SequencerBadDevice);
    for (const int unknown : {0, id, 4242, 0xFFFF}) { // the last MCI's id of all devices
        sequencer.Close(unknown);
    }
    EXPECT_EQ(sequencer.StatusPort(other), port) << "untouched by closing unknown ids";
}

// A song's end is reported once, when it comes, and never for a song that was
// closed first. The handler may close the song and start the next, as the
// music does, and the next may get the closed one's id.
TEST(MidiSequencer, ReportsTheEndOnceWhenItComesAndNothingOfAClosedSong)
{
    const auto driver = test::SequencerWithoutADevice();
    MidiSequencer& sequencer = driver->Sequencer();
    const std::string file = WriteSong("ending-song.mid", test::kQuarterNote);
    std::vector<std::string> ends;
    const auto noting = [&ends](const char* song) {
        return [&ends, song](SongEnd end) { ends.push_back(song + std::string(end == SongEnd::Played ? " played" : " failed")); };
    };
    int closed = 0, id = 0, next = 0;
    ASSERT_EQ(sequencer.Open(file, closed), SequencerOk);
    ASSERT_EQ(sequencer.Play(closed, noting("closed")), SequencerOk);
    driver->Wait();
    sequencer.Close(closed);
    driver->PlayOut(closed);

    ASSERT_EQ(sequencer.Open(file, id), SequencerOk);
    ASSERT_EQ(sequencer.Play(id, [&](SongEnd end) {
        noting("first")(end);
        sequencer.Close(id);
        ASSERT_EQ(sequencer.Open(file, next), SequencerOk);
        EXPECT_EQ(sequencer.Play(next, noting("next")), SequencerOk);
    }), SequencerOk);
    driver->Wait();
    EXPECT_THAT(ends, testing::IsEmpty()) << "before the end";
    driver->PlayOut(id);
    driver->PlayOut(next);
    driver->PlayOut(next);
    EXPECT_THAT(ends, testing::ElementsAre("first played", "next played"));
    sequencer.Close(next);
}

} // namespace
} // namespace tw
