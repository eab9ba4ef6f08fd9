#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "output/Controller32.h"
#include "song/MidiFileReader.h"
#include "support/SongChains.h"

using namespace cv;
using namespace cvtest;

namespace {

// (position, status, data1, data2) of the inner events of a track.
using Ev = std::tuple<int, int, int, int>;
std::vector<Ev> Dump(const Song& song, int track) {
  std::vector<Ev> out;
  for (PtrMidiEvent e : Inner(song, track)) out.emplace_back(e->Position, e->Command, e->Value[0], e->Value[1]);
  return out;
}

}  // namespace

TEST(Controller32, InsertBeforeFirstProgramChange) {
  struct Case {
    bool msbPresent;
    std::vector<Ev> expected;
  };
  const std::vector<Case> cases = {
      {false, {{0, 0x90, 60, 100}, {958, 0xB1, 0, 0}, {959, 0xB1, 32, 7}, {960, 0xC1, 5, 0}, {1920, 0xC1, 6, 0}}},
      {true, {{0, 0x90, 60, 100}, {959, 0xB1, 32, 7}, {960, 0xC1, 5, 0}, {1920, 0xC1, 6, 0}, {2000, 0xB1, 0, 3}}},
  };
  for (const Case& c : cases) {
    Song song;
    InitSong(song, 1, 3000);
    song.Configuration.Controller32Value = 7;
    AddChannel(song, 0, 0, 0x90, 60, 100);
    AddChannel(song, 0, 960, 0xC1, 5);
    AddChannel(song, 0, 1920, 0xC1, 6);
    if (c.msbPresent) AddChannel(song, 0, 2000, 0xB1, 0, 3);
    const int before = song.MidiTrack[0].TrkEventCounter;
    InsertController32(song);
    EXPECT_EQ(Dump(song, 0), c.expected) << "bank MSB present: " << c.msbPresent;
    EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, before + (c.msbPresent ? 1 : 2));
    EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, ChainLength(song, 0));
    // A second call finds the controller 32 and adds nothing.
    InsertController32(song);
    EXPECT_EQ(Dump(song, 0), c.expected);
  }
}

TEST(Controller32, ProgramAtTickZeroGetsNegativeTicks) {
  Song song;
  InitSong(song, 1, 1000);
  AddChannel(song, 0, 0, 0xC0, 1);
  AddChannel(song, 0, 10, 0x90, 60, 1);
  InsertController32(song);
  EXPECT_EQ(Dump(song, 0), (std::vector<Ev>{{-2, 0xB0, 0, 0}, {-1, 0xB0, 32, 0}, {0, 0xC0, 1, 0}, {10, 0x90, 60, 1}}));
  PtrMidiEvent e = Inner(song, 0)[1];
  EXPECT_EQ(e->DataLength(), 3);
  EXPECT_EQ(e->MType, -1);
  EXPECT_EQ(e->ValueOrg[0], 32);
}

TEST(Controller32, ExistingValueIsSetUnlessProtected) {
  for (bool protect : {false, true}) {
    Song song;
    InitSong(song, 1, 1000);
    song.Configuration.Controller32Value = 9;
    song.Configuration.DoNotChangeCtrl32 = protect;
    AddChannel(song, 0, 0, 0xB3, 32, 5);
    AddChannel(song, 0, 5, 0xC3, 1);
    InsertController32(song);
    EXPECT_EQ(Dump(song, 0), (std::vector<Ev>{{0, 0xB3, 32, protect ? 5 : 9}, {5, 0xC3, 1, 0}}));
    EXPECT_EQ(Inner(song, 0)[0]->ValueOrg[1], 5);
  }
}

TEST(Controller32, ShortTracksAndExtraTracksUntouched) {
  Song song;
  InitSong(song, 2, 1000);
  AddChannel(song, 1, 5, 0xC0, 1);  // 3 events: placeholder, program, End of Track
  AddChannel(song, 2, 5, 0xC0, 1);  // lyrics track
  AddChannel(song, 2, 6, 0xB0, 32, 1);
  AddChannel(song, 3, 5, 0xC0, 1);  // Prompta track
  AddChannel(song, 3, 6, 0xB0, 32, 1);
  song.MidiTrack[1].TrkEventCounter = 2;  // counts as short
  InsertController32(song);
  DeleteController32(song);
  DeleteDrumBankSelect(song);
  EXPECT_EQ(Dump(song, 1).size(), 1u);
  EXPECT_EQ(Dump(song, 2).size(), 3u);  // with the track name
  EXPECT_EQ(Dump(song, 3).size(), 3u);
}

TEST(Controller32, DeleteRemovesOnePerChannelWithDrumMsb) {
  Song song;
  InitSong(song, 1, 1000);
  AddChannel(song, 0, 0, 0xB9, 0, 1);
  AddChannel(song, 0, 1, 0xB1, 32, 1);
  AddChannel(song, 0, 2, 0xB2, 32, 1);
  AddChannel(song, 0, 3, 0xB9, 0, 2);
  AddChannel(song, 0, 4, 0xB9, 0, 3);
  AddChannel(song, 0, 5, 0xB1, 32, 2);
  AddChannel(song, 0, 6, 0xB1, 0, 0);
  DeleteController32(song);
  EXPECT_EQ(Dump(song, 0), (std::vector<Ev>{{4, 0xB9, 0, 3}, {5, 0xB1, 32, 2}, {6, 0xB1, 0, 0}}));
  EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, ChainLength(song, 0));
}

TEST(Controller32, DrumBankSelectRemovedOnlyWithoutDrumLsb) {
  struct Case {
    bool withLsb;
    size_t left;
  };
  for (Case c : {Case{false, 2}, Case{true, 4}}) {
    Song song;
    InitSong(song, 1, 1000);
    AddChannel(song, 0, 0, 0xB9, 0, 1);
    AddChannel(song, 0, 1, 0xB9, 0, 2);
    AddChannel(song, 0, 2, 0xB0, 0, 1);
    if (c.withLsb) AddChannel(song, 0, 3, 0xB9, 32, 1);
    DeleteDrumBankSelect(song);
    auto left = Dump(song, 0);
    ASSERT_EQ(left.size(), c.left);
    if (!c.withLsb) {
      EXPECT_EQ(left[0], Ev(1, 0xB9, 0, 2));
    }
    EXPECT_EQ(song.MidiTrack[0].TrkEventCounter, ChainLength(song, 0));
  }
}
