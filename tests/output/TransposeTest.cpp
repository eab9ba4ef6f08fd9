#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/CV_EditTranspose.h"
#include "output/XFChordEvents.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"
#include "support/SongChains.h"

using namespace cv;
using cvtest::AddChannel;
using cvtest::AddMeta;

namespace {

struct NoteCase {
  int org, amount, channel;
  bool bass;
  int mode, expected;
};

TEST(TransposeNotes, IntelligentFoldsPerChannelAndKeepsBassAboveFloor) {
  const NoteCase cases[] = {
      {60, 7, 0, false, 1, 55},    // limit 6: +7 folds down to -5
      {60, 7, 3, false, 1, 67},    // limit 3: -5 is below -3, back to +7
      {60, -4, 3, false, 1, 68},   // limit 3: -4 folds up to +8
      {60, 8, 15, false, 4, 56},   // mode 4, channel 16 has limit 4
      {60, 8, 15, false, 1, 68},   // mode 1, channel 16 has limit 3
      {125, 5, 0, false, 1, 118},  // above 127 folds an octave down
      {2, -5, 0, false, 1, 9},     // below 0 folds an octave up
      {28, -2, 1, true, 1, 38},    // bass below E1 goes up an octave
      {16, -9, 1, true, 1, 31},    // ... or two
      {125, 5, 1, true, 1, 118},   // bass above 127 folds down
      {20, 0, 1, true, 1, 20},     // amount 0 leaves even a low bass note as read
  };
  for (const auto& c : cases)
    EXPECT_EQ(TransposeNoteIntelligent(c.org, c.amount, c.channel, c.bass, c.mode), c.expected)
        << "org " << c.org << " amount " << c.amount << " channel " << c.channel << " mode " << c.mode;
}

TEST(TransposeNotes, PlainFoldsOnlyAtTheRangeEnds) {
  EXPECT_EQ(TransposeNotePlain(125, 5), 118);
  EXPECT_EQ(TransposeNotePlain(3, -9), 6);
  EXPECT_EQ(TransposeNotePlain(60, 9), 69);
  EXPECT_EQ(TransposeNotePlain(60, 0), 60);
}

TEST(TransposeKeys, FollowTheKeyTableAndZeroKeepsTheValueRead) {
  const struct { int sf, amount, expected; } cases[] = {
      {2, 3, 255},    // D major +3 = F major, one flat
      {249, 1, 0},    // seven flats +1 = C
      {7, 1, 2},      // seven sharps counts as Db: +1 = D
      {250, 1, 1},    // six flats counts as F#: +1 = G
      {0, -1, 5},     // C -1 = B
      {100, 4, 100},  // not a key: stays
      {7, 0, 7}, {249, 0, 249}, {250, 0, 250}, {255, 0, 255},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TransposeKeySignature(c.sf, c.amount), c.expected) << c.sf << " by " << c.amount;
}

TEST(TransposeXF, NoteBytesByName) {
  const struct { int byte, amount, expected; } cases[] = {
      {0x23, 2, 0x34},  // Eb +2 = F
      {0x44, 1, 0x35},  // F# +1 = G from the sharp table
      {0x31, 1, 0x22},  // C +1 = Db from the flat table
      {0x37, -1, 0x27}, // B -1 = Bb
      {0x7F, 5, 0x7F},  // no bass note
      {0x38, 1, 0x22},  // letter 8 reads as C
      {0x21, 3, 0x21},  // Cb is in neither table
      {0x38, 0, 0x38},  // amount 0 keeps unusual nibbles
      {0x55, 0, 0x55},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TransposeXFNote(static_cast<uint8_t>(c.byte), c.amount), c.expected) << std::hex << c.byte;
}

std::string XFChord(int root, int bass) {
  return std::string{'\x43', '\x7B', '\x01', static_cast<char>(root), '\x01', static_cast<char>(bass), '\x00'};
}

// Every note byte and meta payload of every chain, to compare whole songs.
std::vector<std::string> Snapshot(const Song& song) {
  std::vector<std::string> out;
  for (size_t t = 0; t < song.MidiTrack.size(); ++t)
    for (const TypMidiEvent* e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent)
      out.push_back(std::to_string(t) + ":" + std::to_string(e->Position) + ":" + std::to_string(e->Value[0]) +
                    ":" + e->Meta.str());
  return out;
}

class TransposeSongTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cvtest::InitSong(song, 2, 3840);
    song.MidiFileFormat = 0;
    piano = AddChannel(song, 0, 0, 0x90, 60, 100);
    pianoOff = AddChannel(song, 0, 480, 0x80, 60, 0);
    drum = AddChannel(song, 0, 480, 0x99, 36, 100);
    key = AddMeta(song, 0, 0, 0x59, std::string{'\x02', '\x00'});
    chord1 = AddMeta(song, 0, 960, 0x7F, XFChord(0x23, 0x7F));
    chord2 = AddMeta(song, 0, 1920, 0x7F, XFChord(0x38, 0x44));
    bass = AddChannel(song, 1, 0, 0x91, 20, 90);
    yamaha = AddChannel(song, 2, 0, 0x90, 0, 0);  // a note in the lyrics track
    song.BassOnChannel[1] = true;
    song.KeySignArray.assign(4, TKeySignArray{});
    song.KeySignArray[0].Elements = 1;
    song.KeySignArray[0].ValArray = {TKeySigns{key, 2, 0}};
    song.XF_Present = true;
    song.XF_TrackNb = 0;
    song.XF_Counter = 2;  // five or fewer: the open flow built no summary
  }
  Song song;
  PtrMidiEvent piano, pianoOff, drum, key, chord1, chord2, bass, yamaha;
};

TEST_F(TransposeSongTest, IntelligentModeChangesOnlyTheFilesOwnNonDrumNotes) {
  TransposeSong(song, 3, {true, 1});
  EXPECT_EQ(piano->Value[0], 63);
  EXPECT_EQ(pianoOff->Value[0], 63);
  EXPECT_EQ(drum->Value[0], 36);
  EXPECT_EQ(bass->Value[0], 35);  // 23 is below the floor: +12
  EXPECT_EQ(yamaha->Value[0], 0);
  EXPECT_EQ(static_cast<uint8_t>(key->Meta[0]), 255);  // D +3 = F: one flat
  EXPECT_EQ(static_cast<uint8_t>(chord1->Meta[3]), 0x25);  // Eb +3 = Gb
  EXPECT_EQ(static_cast<uint8_t>(chord1->Meta[5]), 0x7F);
  EXPECT_EQ(static_cast<uint8_t>(chord2->Meta[3]), 0x23);  // C (from 0x38) +3 = Eb
  EXPECT_EQ(static_cast<uint8_t>(chord2->Meta[5]), 0x36);  // F# +3 = A
}

TEST_F(TransposeSongTest, ZeroRestoresTheSongAsReadInEveryMode) {
  const auto asRead = Snapshot(song);
  const TTransposeOptions modes[] = {{false, 1}, {true, 1}, {true, 2}, {true, 3}, {true, 4}};
  for (const auto& options : modes) {
    for (int amount : {-9, 5, 9}) {
      TransposeSong(song, amount, options);
      EXPECT_NE(Snapshot(song), asRead);
      TransposeSong(song, 0, options);
      EXPECT_EQ(Snapshot(song), asRead) << "intelligent " << options.Intelligent << " mode " << options.Mode
                                        << " amount " << amount;
    }
  }
}

TEST_F(TransposeSongTest, AmountIsAbsoluteNotCumulative) {
  TransposeSong(song, 2, {false, 1});
  TransposeSong(song, 2, {false, 1});
  EXPECT_EQ(piano->Value[0], 62);
  EXPECT_EQ(static_cast<uint8_t>(chord1->Meta[3]), 0x34);  // Eb +2 = F, once
}

TEST_F(TransposeSongTest, SummaryLeftFromAnEarlierSongIsNotUsed) {
  // An earlier song's eight-entry summary still in the array: this song's own bytes count.
  song.XF_ChordsArray.assign(8, TXF_Chords{0x7F, 0x31});
  TransposeSong(song, 2, {false, 1});
  EXPECT_EQ(static_cast<uint8_t>(chord1->Meta[3]), 0x34);
  ASSERT_EQ(song.XF_ChordsArray.size(), 2u);
  EXPECT_EQ(song.XF_ChordsArray[1].ChordOrgValue, 0x38);
  EXPECT_EQ(song.XF_ChordsArray[1].BassOrgValue, 0x44);
}

TEST_F(TransposeSongTest, FormatOneChordsAreNotTouched) {
  song.XF_TrackNb = -1;  // the reader counts XF chords in format 0 files only
  TransposeSong(song, 4, {false, 1});
  EXPECT_EQ(static_cast<uint8_t>(chord1->Meta[3]), 0x23);
}

TEST_F(TransposeSongTest, RefusesAmountsAndModesOutOfRange) {
  EXPECT_THROW(TransposeSong(song, 10, {false, 1}), EMidiError);
  EXPECT_THROW(TransposeSong(song, -10, {true, 1}), EMidiError);
  EXPECT_THROW(TransposeSong(song, 1, {true, 5}), EMidiError);
  EXPECT_EQ(piano->Value[0], 60);
}

// XF chord roots of track 0 of a format 0 file, opened one after the other into one song.
std::vector<int> ChordRoots(const Song& song) {
  std::vector<int> roots;
  for (const TypMidiEvent* e = song.MidiTrack[0].TrkFirstEvent; e; e = e->NextEvent)
    if (IsXFChordEvent(*e)) roots.push_back(static_cast<uint8_t>(e->Meta[3]));
  return roots;
}

std::string XFSong(const std::vector<int>& roots) {
  cvtest::SmfBuilder smf(0, 480);
  auto& t = smf.AddTrack();
  t.NoteOn(0, 0, 60, 100);
  for (size_t i = 0; i < roots.size(); ++i) t.Meta(480 * static_cast<int>(i), 0x7F, XFChord(roots[i], 0x7F));
  t.NoteOff(480 * static_cast<int>(roots.size()), 0, 60);
  return smf.WriteTemp("xf.mid");
}

TEST(TransposeXF, ASongWithFewChordsUsesItsOwnBytesAfterASongWithMany) {
  Song song;
  DateiOeffnen(song, XFSong({0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x31}));
  ASSERT_EQ(song.XF_ChordsArray.size(), 8u);
  TransposeSong(song, 5, {true, 1});
  TransposeSong(song, 0, {true, 1});
  EXPECT_EQ(ChordRoots(song), (std::vector<int>{0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x31}));

  for (const std::vector<int>& roots : {std::vector<int>{0x23, 0x44, 0x37}, std::vector<int>{0x25, 0x26, 0x27}}) {
    DateiOeffnen(song, XFSong(roots));  // three chords each: the open flow builds no summary
    TransposeSong(song, 2, {true, 1});
    EXPECT_EQ(ChordRoots(song)[0], TransposeXFNote(static_cast<uint8_t>(roots[0]), 2));
    TransposeSong(song, 0, {true, 1});
    EXPECT_EQ(ChordRoots(song), roots);
  }
}

}  // namespace
