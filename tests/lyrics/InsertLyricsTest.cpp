#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "song/TimeMap.h"
#include "support/SongChains.h"

using namespace cv;
using namespace cvtest;

namespace {

class FakePlayer : public PlayerLink {
 public:
  bool Playing() const override { return false; }
  void Stop() override {}
  int32_t TimePosition() const override { return 777; }
  void MoveToPosition(int32_t timeMs) override { moves.push_back(timeMs); }
  std::vector<int32_t> moves;
};

// (position, bytes, hidden) of the lyric events of the lyrics track.
using Lyric = std::tuple<int, std::string, bool>;
std::vector<Lyric> Lyrics(const Song& song) {
  std::vector<Lyric> out;
  for (PtrMidiEvent e : Inner(song, song.LyricsTrackIndex()))
    if (e->Command == 0xFF && e->MType == 5) out.emplace_back(e->Position, e->Meta, e->Hidden);
  return out;
}

// The invariant: the lyric events mirror the non-empty syllables below the song end, in order.
void ExpectMirrors(const Song& song) {
  std::vector<Lyric> expected;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (!h.Text.empty()) expected.emplace_back(h.SongPosition, EncodeText(h.Text, song.Encoding), false);
  }
  std::vector<Lyric> actual;
  for (const Lyric& l : Lyrics(song))
    if (!std::get<2>(l)) actual.push_back(l);
  EXPECT_EQ(actual, expected);
  const int lt = song.LyricsTrackIndex();
  EXPECT_EQ(song.MidiTrack[lt].TrkEventCounter, ChainLength(song, lt) - 1);  // the name is not counted
  int32_t last = -1;
  for (PtrMidiEvent e = song.MidiTrack[lt].TrkFirstEvent; e; e = e->NextEvent) {
    if (e->Position < 0) continue;  // syllables before the song start sit right behind the name
    EXPECT_GE(e->Position, last);
    last = e->Position;
  }
  EXPECT_EQ(song.MidiTrack[lt].TrkLastEvent->Position, song.MaxSongPosition);
}

}  // namespace

TEST(InsertLyrics, ReplacesOldEventsAndMirrorsTheList) {
  Song song;
  InitSong(song, 1, 5000);
  AddMeta(song, 1, 100, 5, "old");
  AddMeta(song, 1, 200, 1, "a text stays");
  AddMeta(song, 1, 1000, 5, "old2");
  SetSyllables(song, {{u"Hel", 108}, {u"", 300}, {u"lo", 1000}, {u"\r", 1004}, {u"Grüße", 1200}, {u"x", 1200}});
  song.TextChanged = true;
  FakePlayer player;
  song.Player = &player;
  InsertLyrics(song);
  EXPECT_EQ(Lyrics(song), (std::vector<Lyric>{{108, "Hel", false},
                                              {1000, "lo", false},
                                              {1004, "\r", false},
                                              {1200, "Gr\xFC\xDF" "e", false},
                                              {1200, "x", false}}));
  EXPECT_EQ(MetaTexts(song, 1, 1), std::vector<std::string>{"a text stays"});
  ExpectMirrors(song);
  EXPECT_FALSE(song.TextChanged);
  EXPECT_EQ(player.moves, std::vector<int32_t>{777});
  // Event times come from the time map: 1000 ticks at 120 bpm, 480 per quarter.
  EXPECT_EQ(Inner(song, 1)[3]->TimePosition, 1042);
  // Running it again gives the same chain; UTF-8 songs write UTF-8.
  InsertLyrics(song);
  ExpectMirrors(song);
  song.Encoding = TextEncoding::Utf8;
  InsertLyrics(song);
  EXPECT_EQ(std::get<1>(Lyrics(song)[3]), "Gr\xC3\xBC\xC3\x9F" "e");
}

TEST(InsertLyrics, SameTickFollowsOtherEventsOfThatTick) {
  Song song;
  InitSong(song, 1, 5000);
  PtrMidiEvent marker = AddMeta(song, 1, 400, 6, "marker");
  SetSyllables(song, {{u"a", 400}, {u"b", 400}, {u"c", 500}, {u"d", 600}, {u"e", 700}});
  InsertLyrics(song);
  std::vector<PtrMidiEvent> inner = Inner(song, 1);
  ASSERT_EQ(inner.size(), 7u);  // name, marker, five lyrics
  EXPECT_EQ(inner[1], marker);
  EXPECT_EQ(inner[2]->Meta, "a");
  EXPECT_EQ(inner[3]->Meta, "b");
}

TEST(InsertLyrics, CopyrightPairAndEarlySyllables) {
  for (bool copyright : {false, true}) {
    Song song;
    InitSong(song, 1, 5000);
    song.Configuration.CopyrightString = copyright ? "(c) Ünö" : "";
    SetSyllables(song, {{u"neg", -3}, {u"zero", 0}, {u"c", 500}, {u"d", 600}, {u"e", 700}});
    InsertLyrics(song);
    std::vector<PtrMidiEvent> inner = Inner(song, 1);
    std::vector<std::string> texts;
    for (PtrMidiEvent e : inner) texts.push_back(e->Meta);
    std::vector<std::string> expected{"Lyrics", "neg", "zero", "c", "d", "e"};
    if (copyright) expected.insert(expected.begin() + 1, {"(c) \xDCn\xF6", "\r"});
    EXPECT_EQ(texts, expected);
    if (copyright) {
      EXPECT_TRUE(inner[1]->Hidden);
      EXPECT_TRUE(inner[2]->Hidden);
      EXPECT_EQ(inner[1]->Position, 0);
      EXPECT_EQ(inner[2]->Position, 0);
    }
    ExpectMirrors(song);
  }
}

TEST(InsertLyrics, SyllablesAtOrAfterSongEndExtendTheSong) {
  Song song;
  InitSong(song, 2, 1000);
  AddChannel(song, 0, 900, 0x90, 60, 100);
  AddChannel(song, 1, 1500, 0x91, 62, 100);  // read after an End of Track: past the song end
  SetSyllables(song, {{u"a", 108}, {u"b", 500}, {u"c", 999}, {u"d", 1000}, {u"e", 2400}, {u"", 3000}});
  InsertLyrics(song);
  EXPECT_EQ(song.MaxSongPosition, 2401);
  // Every event has the time the grown time map gives it.
  for (const TMyTrack& t : song.MidiTrack)
    for (const TypMidiEvent* e = t.TrkFirstEvent->NextEvent; e; e = e->NextEvent)
      EXPECT_EQ(e->TimePosition, SongPositionTime(song, e->Position)) << e->Position;
  for (int t = 0; t < 4; ++t) EXPECT_EQ(song.MidiTrack[t].TrkLastEvent->Position, 2401) << t;
  ExpectMirrors(song);
  EXPECT_EQ(Lyrics(song).size(), 5u);
  // The time map covers the longer song: the last syllable and the song length are in it.
  EXPECT_EQ(song.HyphenArray[4].Time, 2500);
  EXPECT_EQ(song.HyphenArray[4].MTC, u"002.02.000");
  EXPECT_EQ(song.SongLength, 2501);
  EXPECT_EQ(song.TimeZone[FindTimeZone(song, 2400)].SongPosition, 0);
}

TEST(InsertLyrics, EmptyListRemovesOldEventsAndReseatsPlayer) {
  Song song;
  InitSong(song, 2, 5000);
  AddMeta(song, 1, 100, 1, "karaoke");
  AddMeta(song, 0, 100, 1, "other track");
  PtrMidiEvent old = AddMeta(song, 2, 100, 5, "old");
  song.MidiTrack[2].TrkPlayEvent = old;
  song.LyricsMetaType = 1;
  song.LyricsTrack = 1;
  SetSyllables(song, {});
  FakePlayer player;
  song.Player = &player;
  InsertLyrics(song);
  EXPECT_TRUE(Lyrics(song).empty());
  EXPECT_TRUE(MetaTexts(song, 1, 1).empty());
  EXPECT_EQ(MetaTexts(song, 0, 1), std::vector<std::string>{"other track"});
  EXPECT_EQ(song.MidiTrack[2].TrkEventCounter, 2);
  EXPECT_EQ(song.MidiTrack[2].TrkPlayEvent, song.MidiTrack[2].TrkNameEvent);
  EXPECT_EQ(player.moves, std::vector<int32_t>{777});
}
