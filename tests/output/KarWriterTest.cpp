// Karaoke files (.kar): the header and words tracks event by event, reading our own file back,
// and a song without lyrics.
#include <gtest/gtest.h>

#include <filesystem>

#include "MiniSmf.h"
#include "output/KarFileWriter.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using namespace cv;
using namespace cvtest;

namespace {

struct Lyric {
  int tick;
  std::string text;
};

// A format 1 song: a conductor, a melody track with a note under every syllable, the lyrics.
std::string SongFile(const std::vector<Lyric>& lyrics, const std::string& name) {
  SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120);
  SmfTrack& notes = smf.AddTrack();
  notes.Program(0, 0, 0);
  for (int tick = 960; tick < 4800; tick += 240) notes.NoteOn(tick, 0, 60, 90).NoteOff(tick + 200, 0, 60);
  SmfTrack& words = smf.AddTrack();
  for (const Lyric& l : lyrics) words.Lyric(l.tick, l.text);
  words.End(4800);
  return smf.WriteTemp(name);
}

// What matters of the syllable list: text, tick, and whether the song has a title line.
std::vector<std::pair<std::string, int32_t>> Syllables(const Song& song) {
  std::vector<std::pair<std::string, int32_t>> out;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (h.Text != u"\r") out.emplace_back(Utf16ToUtf8(h.Text), h.SongPosition);
  }
  return out;
}

std::vector<std::pair<int64_t, std::string>> TextEvents(const std::vector<MiniEvent>& track) {
  std::vector<std::pair<int64_t, std::string>> out;
  for (const MiniEvent& e : track)
    if (e.IsMeta(1) || e.IsMeta(3)) out.emplace_back(e.tick, e.Text());
  return out;
}

const std::vector<Lyric> kTitleAndArtist = {{0, "My Song"}, {0, "\r"}, {0, "The Band"}, {0, "\r"},
                                            {960, "Hel"},     {1200, "lo "}, {1440, "world\r"}, {1680, "\r"},
                                            {1920, "Next "},  {2160, "line"}};

}  // namespace

TEST(KarWriter, HeaderAndWordsTracksEventByEvent) {
  SetCurrLanguage(TLanguage::Englisch);
  Song song;
  song.Configuration.CopyrightString = "(c) 2026 Us";
  DateiOeffnen(song, SongFile(kTitleAndArtist, "words.mid"));
  const MiniSmf file = DecodeSmf(KarFileImage(song, "ENGL"));
  EXPECT_EQ(file.format, 1);
  ASSERT_GE(file.tracks.size(), 4u);
  // Right after the conductor: the header track, then the words.
  EXPECT_EQ(TextEvents(file.tracks[1]),
            (std::vector<std::pair<int64_t, std::string>>{
                {0, "Soft Karaoke"}, {0, "@KMIDI KARAOKE FILE"}, {0, "@V0100"}, {0, "@I(c) 2026 Us"}}));
  EXPECT_EQ(TextEvents(file.tracks[2]), (std::vector<std::pair<int64_t, std::string>>{{0, "Words"},
                                                                                     {0, "@LENGL"},
                                                                                     {0, "@TMy Song"},
                                                                                     {0, "@TThe Band"},
                                                                                     {960, "/Hel"},
                                                                                     {1200, "lo "},
                                                                                     {1440, "world"},
                                                                                     {1920, "\\Next "},
                                                                                     {2160, "line"}}));
  // No lyric events anywhere: a player reading both kinds would show every syllable twice.
  for (const auto& track : file.tracks)
    for (const MiniEvent& e : track) EXPECT_FALSE(e.IsMeta(5)) << e.Text();
  // The music stays: the melody's notes are all there.
  int notes = 0;
  for (const auto& track : file.tracks)
    for (const MiniEvent& e : track) notes += (e.bytes[0] & 0xF0) == 0x90;
  EXPECT_EQ(notes, 16);
}

TEST(KarWriter, OwnKarFileReadsBackTheSameSyllablesTimesAndTitleLines) {
  struct Case {
    const char* shape;
    std::vector<Lyric> lyrics;
    bool titleLine;
  };
  const std::vector<Case> cases = {
      {"title and artist", kTitleAndArtist, true},
      {"title only", {{0, "My Song"}, {0, "\r"}, {960, "Hel"}, {1200, "lo "}, {1440, "world\r"}, {1920, "Next "},
                      {2160, "line"}}, true},
      {"no title", {{960, "Hel"}, {1200, "lo "}, {1440, "world\r"}, {1680, "\r"}, {1920, "Next "}, {2160, "line"}},
       false},
      // The last line's break has no next line to carry it.
      {"last line closed", {{960, "Hel"}, {1200, "lo "}, {1440, "world\r"}, {1920, "Next "}, {2160, "line\r"}}, false},
  };
  for (const Case& c : cases) {
    Song song;
    DateiOeffnen(song, SongFile(c.lyrics, "shape.mid"));
    ASSERT_EQ(song.TitleLine, c.titleLine) << c.shape;
    const std::string kar = TempDir() + "/song.kar";
    struct : MessageSink {
      void ShowMessage(const std::string&, const std::string& text) override { ADD_FAILURE() << text; }
    } sink;
    ASSERT_TRUE(SaveToKarFile(song, kar, "GERM", sink)) << c.shape;
    Song again;
    DateiOeffnen(again, kar);
    EXPECT_EQ(again.LyricsMetaType, 1) << c.shape;
    EXPECT_EQ(again.TitleLine, c.titleLine) << c.shape;
    EXPECT_EQ(Syllables(again), Syllables(song)) << c.shape;
    // Blank lines too: the whole list, line breaks included, reads the same.
    std::vector<std::u16string> before, after;
    for (int i = 0; i < song.HyphenArrayElements; ++i) before.push_back(song.HyphenArray[i].Text);
    for (int i = 0; i < again.HyphenArrayElements; ++i) after.push_back(again.HyphenArray[i].Text);
    EXPECT_EQ(after, before) << c.shape;
    for (int i = 0; i < again.HyphenArrayElements && i < song.HyphenArrayElements; ++i)
      if (again.HyphenArray[i].Text != u"\r") {
        EXPECT_EQ(again.HyphenArray[i].Time, song.HyphenArray[i].Time) << c.shape;
      }
  }
}

TEST(KarWriter, CorpusKaraokeFileWrittenAgainKeepsItsWords) {
  // Read with its header in a track of its own; written, its old header lines do not come twice.
  CVTEST_CORPUS_FILE_OR_SKIP(path, "kar/Negra_Sombra.kar");
  Song song;
  DateiOeffnen(song, path);
  const std::string kar = TempDir() + "/negra.kar";
  struct : MessageSink {
    void ShowMessage(const std::string&, const std::string& text) override { ADD_FAILURE() << text; }
  } sink;
  ASSERT_TRUE(SaveToKarFile(song, kar, "SPAN", sink));
  const MiniSmf file = DecodeSmf(ReadFileBytes(kar));
  int karaokeMarks = 0;
  for (const auto& track : file.tracks)
    for (const MiniEvent& e : track) karaokeMarks += e.IsMeta(1) && e.Text().rfind("@K", 0) == 0;
  EXPECT_EQ(karaokeMarks, 1);
  Song again;
  DateiOeffnen(again, kar);
  EXPECT_EQ(Syllables(again), Syllables(song));
  EXPECT_EQ(again.HyphenArrayElements, song.HyphenArrayElements);
}

TEST(KarWriter, SongWithoutLyricsIsRefusedAndNothingWritten) {
  SetCurrLanguage(TLanguage::Englisch);
  Song song;
  DateiOeffnen(song, SongFile({}, "nolyrics.mid"));
  const std::string kar = TempDir() + "/empty.kar";
  struct : MessageSink {
    void ShowMessage(const std::string&, const std::string&) override {}
  } sink;
  try {
    SaveToKarFile(song, kar, "ENGL", sink);
    ADD_FAILURE() << "no error";
  } catch (const EMidiError& e) {
    EXPECT_NE(std::string(e.what()).find("no lyrics"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(std::filesystem::exists(kar));
}
