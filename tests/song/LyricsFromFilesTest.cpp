#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "session/OpenSong.h"
#include "song/LyricsExtraction.h"
#include "song/TimeMap.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using namespace cv;
using namespace cvtest;

namespace {

std::vector<std::string> Texts(const Song& song, int from, int count) {
  std::vector<std::string> out;
  for (int i = from; i < from + count && i < song.HyphenArrayElements; ++i)
    out.push_back(Utf16ToUtf8(song.HyphenArray[i].Text));
  return out;
}

std::vector<std::string> LyricBytes(const Song& song) {
  std::vector<std::string> out;
  for (PtrMidiEvent e = song.MidiTrack[song.LyricsTrackIndex()].TrkFirstEvent; e; e = e->NextEvent)
    if (e->Command == 0xFF && e->MType == 5 && !e->Hidden) out.push_back(e->Meta);
  return out;
}

}  // namespace

TEST(LyricsFromFiles, CorpusSongsGiveTheLyricsOnThePage) {
  struct Case {
    std::string file;
    int metaType;
    int elements;
    int from;
    int first;  // tick of element 0
    std::vector<std::string> texts;
  };
  const std::vector<Case> cases = {
      // A backslash starts a new page: the verse follows a blank line.
      {"kar/twinkle.kar", 1, 99, 0, 108,
       {"Twinkle, Twinkle, Little Star", "\r", "\r", "Twin", "kle, ", "Twin", "kle ", "lit", "tle ", "star;", "\r",
        "How "}},
      {"lyrics-mid/Schubert_Standchen.mid", 5, 186, 30, 5760, {"mir!", "\r", "Flüs", "ternd ", "schlan", "ke "}},
      {"lyrics-mid/music21_test18_utf8_zh.mid", 5, 34, 0, 1920, {"明", "山", "涌", "水", "郁", "郁", "葱", "-", "葱"}},
      // Test-only songs last.
      // The copyright notice among the title lines names no song.
      {"kar/jingle_bells.kar", 1, 291, 0, 108,
       {"JINGLE BELLS", "\r", "Traditional", "\r", "\r", "Dash", "ing ", "through ", "the ", "snow", "\r", "in ", "a "}},
      {"kar/jingle_bells.kar", 1, 291, 26, 108, {"all ", "the ", "way.", "\r", "\r", "Bells ", "on "}},
      // The title lines stand in the header track, the syllables in the words track.
      {"kar/Negra_Sombra.kar", 1, 210, 0, 108,
       {"Negra Sombra", "\r", "Music: Xoan Montes (1840-1899)", "\r", "Lyrics: Rosalia de Castro (1837-1885)", "\r",
        "Sequence and score: Lalus fecit edition 2013 (CC-by-nc-sa)", "\r", "\r", "Can", "do "}},
      {"kar/HeyJude.kar", 5, 360, 0, 336, {"Hey ", "Jude, ", "don't ", "make ", "it ", "bad.", "\r", "Take ", "a ", "sad "}},
  };
  for (const Case& c : cases) {
    CVTEST_CORPUS_FILE_OR_SKIP(path, c.file);
    Song song;
    DateiOeffnen(song, path);
    EXPECT_EQ(song.LyricsMetaType, c.metaType) << c.file;
    EXPECT_EQ(song.HyphenArrayElements, c.elements) << c.file;
    EXPECT_EQ(Texts(song, c.from, static_cast<int>(c.texts.size())), c.texts) << c.file;
    // In song order with distinct positions; the first at 108 only when it is a title line.
    EXPECT_EQ(song.HyphenArray[0].SongPosition, c.first) << c.file;
    EXPECT_EQ(song.TitleLine, c.first == 108) << c.file;
    for (int i = 1; i < song.HyphenArrayElements; ++i)
      ASSERT_GT(song.HyphenArray[i].SongPosition, song.HyphenArray[i - 1].SongPosition) << c.file << " " << i;
    // The lyric events written when the song opened mirror the syllables.
    std::vector<std::string> expected;
    for (int i = 0; i < song.HyphenArrayElements; ++i)
      expected.push_back(EncodeText(song.HyphenArray[i].Text, song.Encoding));
    EXPECT_EQ(LyricBytes(song), expected) << c.file;
  }
}

TEST(LyricsFromFiles, UnchangedSongKeepsItsLyricBytes) {
  struct Case {
    std::vector<std::string> lyrics;
    TextEncoding encoding;
  };
  const std::vector<Case> cases = {
      {{"Gr\xFC\xDF", "e ", "dich", "\r", "sch\xF6", "ne ", "Welt", "\r", "caf\xE9"}, TextEncoding::Windows1252},
      {{"Gr\xC3\xBC\xC3\x9F", "e ", "\xE4\xB8\xAD", "\r", "\xEC\x95\x88", "ne ", "Welt", "\r", "caf\xC3\xA9"},
       TextEncoding::Utf8},
  };
  for (const Case& c : cases) {
    SmfBuilder smf(1, 480);
    SmfTrack& t0 = smf.AddTrack();
    t0.Bpm(0, 100).NoteOn(0, 0, 60, 90).NoteOff(6000, 0, 60);
    SmfTrack& t1 = smf.AddTrack();
    for (size_t i = 0; i < c.lyrics.size(); ++i) t1.Lyric(480 * static_cast<int>(i + 1), c.lyrics[i]);
    const std::string path = smf.WriteTemp("roundtrip.mid");

    Song song;
    DateiOeffnen(song, path);
    EXPECT_EQ(song.Encoding, c.encoding);
    EXPECT_EQ(LyricBytes(song), c.lyrics);
    // And once more after another extraction from the rebuilt events.
    ExtractLyrics(song);
    InsertLyrics(song);
    EXPECT_EQ(LyricBytes(song), c.lyrics);
  }
}

TEST(LyricsFromFiles, EveryOpenedCorpusSongMirrorsItsSyllables) {
  int withLyrics = 0;
  for (const auto& [name, path] : AllCorpusSongs()) {
    Song song;
    try {
      DateiOeffnen(song, path);
    } catch (const EMidiError&) {
      continue;
    }
    if (song.HyphenArrayElements == 0) continue;
    ++withLyrics;
    EXPECT_GE(song.HyphenArrayElements, 5) << name;
    EXPECT_NE(song.HyphenArray[0].Text, u"\r") << name;
    std::vector<std::string> expected;
    for (int i = 0; i < song.HyphenArrayElements; ++i) {
      const THyphens& h = song.HyphenArray[i];
      if (!h.Text.empty() && h.SongPosition < song.MaxSongPosition) expected.push_back(EncodeText(h.Text, song.Encoding));
      EXPECT_EQ(h.MTC, SongPositionToMTC(song, h.SongPosition)) << name << " " << i;
    }
    EXPECT_EQ(LyricBytes(song), expected) << name;
  }
  EXPECT_GE(withLyrics, 15);
}
