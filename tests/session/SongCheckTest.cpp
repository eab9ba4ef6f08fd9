// The song check: small songs that each show one finding, and clean songs that give none.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "session/SongCheck.h"
#include "song/Language.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

struct Item {
  int tick;
  int order;  // notes off before lyrics before notes on at one tick
  std::function<void(cvtest::SmfTrack&)> put;
};

struct SongShape {
  std::vector<std::pair<int, std::string>> lyrics = {
      {0, "Clean Song\r"}, {0, "The Band\r"}, {960, "Hel"},  {1200, "lo "},
      {1440, "world\r"},   {1920, "sec"},     {2160, "ond "}, {2400, "line"}};
  std::vector<int> notes = {960, 1200, 1440, 1920, 2160, 2400};
  std::vector<std::pair<int, std::string>> texts;        // karaoke text events in the melody track
  std::vector<std::pair<int, std::string>> otherLyrics;  // lyric events in a third track
  int channel = 0;                                      // of the notes
  int end = 2700;
};

std::string Write(const SongShape& shape, const std::string& name) {
  cvtest::SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2).End(shape.end);
  std::vector<Item> items;
  for (int n : shape.notes) {
    const int ch = shape.channel;
    items.push_back({n, 2, [n, ch](cvtest::SmfTrack& t) { t.NoteOn(n, ch, 60, 90); }});
    items.push_back({n + 200, 0, [n, ch](cvtest::SmfTrack& t) { t.NoteOff(n + 200, ch, 60); }});
  }
  for (const auto& [tick, text] : shape.lyrics)
    items.push_back({tick, 1, [tick, text](cvtest::SmfTrack& t) { t.Lyric(tick, text); }});
  for (const auto& [tick, text] : shape.texts)
    items.push_back({tick, 1, [tick, text](cvtest::SmfTrack& t) { t.Text(tick, text); }});
  std::stable_sort(items.begin(), items.end(),
                   [](const Item& a, const Item& b) { return std::tie(a.tick, a.order) < std::tie(b.tick, b.order); });
  cvtest::SmfTrack& melody = b.AddTrack();
  for (const Item& i : items) i.put(melody);
  melody.End(shape.end);
  if (!shape.otherLyrics.empty()) {
    cvtest::SmfTrack& other = b.AddTrack();
    for (const auto& [tick, text] : shape.otherLyrics) other.Lyric(tick, text);
    other.End(shape.end);
  }
  return b.WriteTemp(name);
}

using KindSet = std::multiset<std::pair<std::string, std::string>>;  // kind, source

KindSet Kinds(const std::vector<TSongFinding>& findings) {
  KindSet out;
  for (const TSongFinding& f : findings) out.insert({f.Kind, FindingSourceName(f.Source)});
  return out;
}

std::string Describe(const std::vector<TSongFinding>& findings) {
  std::string out;
  for (const TSongFinding& f : findings)
    out += std::string(FindingSourceName(f.Source)) + " " + f.Kind + " @" + std::to_string(f.SongPosition) + ": " +
           f.Message + "\n";
  return out;
}

std::vector<TSongFinding> CheckBoth(Song& song, const std::string& path, const TCheckOptions& options = {}) {
  std::vector<TSongFinding> all = CheckSongFile(path, song.Configuration);
  std::vector<TSongFinding> saved = CheckSong(song, options);
  all.insert(all.end(), saved.begin(), saved.end());
  SortFindings(all);
  return all;
}

}  // namespace

TEST(SongCheck, EachSmallSongShowsItsFinding) {
  SetCurrLanguage(TLanguage::Englisch);
  struct Case {
    const char* name;
    std::function<void(SongShape&)> shape;
    std::function<void(Song&)> edit;  // after opening, as the user would have edited
    KindSet expected;
    const char* says = "";  // in one finding's message
    MelodySetting melody = MelodySetting::Automatic();
  };
  std::string longText(90, 'x');
  const std::vector<Case> cases = {
      {"clean", nullptr, nullptr, {}},
      {"syllable off its note", [](SongShape& s) { s.lyrics[4].first = 1600; }, nullptr, {{"no-note", "song"}}},
      {"melody on another channel, found", [](SongShape& s) { s.channel = 3; }, nullptr, {}},
      // Not a line for each syllable: one finding says why and names the melody that fits.
      {"melody on another channel than the fixed one", [](SongShape& s) { s.channel = 3; }, nullptr,
       {{"no-note", "song"}},
       "6 / 6 syllables lie on no note of the melody (channel 1 (chosen in the options): no notes). The melody "
       "finder finds channel 4, track 2 with notes under 6 syllables: choose \"Melody: automatic\"",
       MelodySetting::OfChannel(0)},
      {"two syllables on one note", [](SongShape& s) { s.lyrics.insert(s.lyrics.begin() + 4, {1230, "x"}); }, nullptr,
       {{"shared-note", "song"}}},
      {"line wider than the prompter", [&](SongShape& s) { s.lyrics[6].second = longText; }, nullptr,
       {{"line-too-long", "song"}}},
      {"euro sign the prompter cannot show", [](SongShape& s) { s.lyrics[3].second = "lo \x80"; }, nullptr,
       {{"unshowable-character", "song"}}},
      {"character without a Windows-1252 code", nullptr,
       [](Song& song) { song.HyphenArray[5].Text = u"\u4E2D"; InsertLyrics(song); }, {{"unshowable-character", "song"}}},
      // The last event of the file is its end; saving lengthens the song for the syllable.
      {"syllable after the last note", [](SongShape& s) { s.lyrics.push_back({2650, "end"}); }, nullptr,
       {{"after-end", "file"}, {"after-end", "song"}}},
      // The second track's syllable is appended after the first track's, so it lands on the last note.
      {"lyric events in a second track", [](SongShape& s) { s.otherLyrics = {{1800, "ex"}}; }, nullptr,
       {{"lyrics-outside-track", "file"}, {"shared-note", "song"}}},
      {"text and lyric events",
       [](SongShape& s) {
         for (int i = 0; i < 5; ++i) s.texts.push_back({1000 + i * 100, "t" + std::to_string(i)});
       },
       nullptr, {{"mixed-text-and-lyrics", "file"}}},
      {"karaoke text events",
       [](SongShape& s) {
         for (auto& l : s.lyrics) s.texts.push_back(l);
         s.lyrics.clear();
       },
       nullptr, {{"karaoke-text-events", "file"}}},
      {"empty title line", nullptr, [](Song& song) { song.HyphenArray[0].Text = u" "; }, {{"empty-header", "song"}}},
      {"empty artist line", nullptr, [](Song& song) { song.HyphenArray[2].Text = u""; }, {{"empty-header", "song"}}},
      {"melody before the title lines", [](SongShape& s) { s.notes.insert(s.notes.begin(), 60); }, nullptr,
       {{"starts-too-early", "song"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SongShape made;
    if (c.shape) c.shape(made);
    const std::string path = Write(made, "check.mid");
    Song song;
    song.Configuration.Melody = c.melody;
    DateiOeffnen(song, path);
    ASSERT_GE(song.HyphenArrayElements, 5);
    if (c.edit) c.edit(song);
    const std::vector<TSongFinding> findings = CheckBoth(song, path);
    EXPECT_EQ(Kinds(findings), c.expected) << Describe(findings);
    EXPECT_TRUE(std::any_of(findings.begin(), findings.end(),
                            [&](const TSongFinding& f) { return f.Message.find(c.says) != std::string::npos; }) ||
                !*c.says)
        << Describe(findings);
    // Every song finding names its syllable, and the messages are finished texts.
    for (const TSongFinding& f : findings) {
      EXPECT_FALSE(f.Message.empty());
      EXPECT_FALSE(f.MTC.empty());
      if (f.Hyphen >= 0) {
        EXPECT_EQ(f.Text, song.HyphenArray[static_cast<size_t>(f.Hyphen)].Text);
      }
    }
  }
}

TEST(SongCheck, SeverityAndLanguage) {
  SongShape made;
  const std::string path = Write(made, "check.mid");
  Song song;
  DateiOeffnen(song, path);
  song.HyphenArray[5].Text = u"\u4E2D\u20AC";
  SetCurrLanguage(TLanguage::Deutsch);
  std::vector<TSongFinding> f = CheckSong(song);
  ASSERT_EQ(f.size(), 1u) << Describe(f);
  EXPECT_EQ(f[0].Severity, TFindingSeverity::Error);
  EXPECT_TRUE(HasError(f));
  EXPECT_NE(f[0].Message.find("gibt es in Windows-1252 nicht"), std::string::npos) << f[0].Message;
  EXPECT_EQ(f[0].Hyphen, 5);
  // In a UTF-8 song the character is saved; only the prompter leaves it out (a warning).
  song.Encoding = TextEncoding::Utf8;
  SetCurrLanguage(TLanguage::Englisch);
  f = CheckSong(song);
  ASSERT_EQ(f.size(), 1u);
  EXPECT_EQ(f[0].Severity, TFindingSeverity::Warning);
  EXPECT_NE(f[0].Message.find("\xE4\xB8\xAD\xE2\x82\xAC"), std::string::npos) << f[0].Message;
  EXPECT_FALSE(HasError(f));
}

TEST(SongCheck, KeyboardDisplayWidthIsASetting) {
  SongShape made;
  Song song;
  DateiOeffnen(song, Write(made, "check.mid"));
  TCheckOptions options;
  options.KeyboardLineWidth = 8;  // "Hello world" has 12 characters, "second line" 11
  const std::vector<TSongFinding> f = CheckSong(song, options);
  ASSERT_EQ(Kinds(f), (KindSet{{"line-too-long", "song"}, {"line-too-long", "song"}, {"line-too-long", "song"}}))
      << Describe(f);
  // Title "Clean Song" is 10 characters; the report is at the syllable that passes the width.
  EXPECT_EQ(f[1].Text, u"world");
}

TEST(SongCheck, PrompterDataStaleOrCut) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string dir = cvtest::TempDir();
  SongShape made;
  const std::string path = Write(made, "check.mid");
  Song song;
  song.Configuration.PromptaEnabled = true;
  DateiOeffnen(song, path);
  EXPECT_TRUE(CheckSong(song).empty()) << Describe(CheckSong(song));

  // Our own Prompta track goes only while Prompta support is on: switched off, nothing is stale.
  song.Configuration.PromptaEnabled = false;
  song.HyphenArray[5].Text = u"Lo ";
  InsertLyrics(song);
  EXPECT_TRUE(CheckSong(song).empty()) << Describe(CheckSong(song));

  // A file with Prompta data, opened with support off and the data kept, then its text changed:
  // the data are saved as they are and no longer fit.
  song.Configuration.PromptaEnabled = true;
  InsertLyrics(song);
  const std::string withData = dir + "/with-data.mid";
  SilentSink sink;
  ASSERT_TRUE(SaveToFileFormat1(song, withData, sink));
  EXPECT_TRUE(CheckSongFile(withData, TConfiguration{}).empty());
  Song kept;
  DateiOeffnen(kept, withData);
  ASSERT_GE(kept.PromptaControllerTrack, 0);
  EXPECT_TRUE(CheckSong(kept).empty()) << Describe(CheckSong(kept));
  kept.HyphenArray[5].Text = u"LO ";
  InsertLyrics(kept);
  std::vector<TSongFinding> f = CheckSong(kept);
  ASSERT_EQ(Kinds(f), (KindSet{{"stale-prompter-data", "song"}})) << Describe(f);
  EXPECT_EQ(f[0].Severity, TFindingSeverity::Error);
  const std::string saved = dir + "/stale.mid";
  ASSERT_TRUE(SaveToFileFormat1(kept, saved, sink));
  f = CheckSongFile(saved, kept.Configuration);
  EXPECT_EQ(Kinds(f), (KindSet{{"stale-prompter-data", "file"}})) << Describe(f);

  // Moving a syllable by more than a quarter of a beat makes them stale as well.
  Song moved;
  DateiOeffnen(moved, withData);
  moved.HyphenArray[6].SongPosition += 300;
  InsertLyrics(moved);
  EXPECT_EQ(Kinds(CheckSong(moved)), (KindSet{{"stale-prompter-data", "song"}, {"no-note", "song"}}))
      << Describe(CheckSong(moved));

  // A song too short for its text: the data end with it.
  SongShape shortSong;
  shortSong.end = 400;
  shortSong.lyrics = {{110, "syllable0"}, {120, "syllable1"}, {130, "syllable2"}, {140, "syllable3"}, {150, "syllable4"},
                      {160, "syllable5"}};
  shortSong.notes = {110, 120, 130, 140, 150, 160};
  Song cut;
  cut.Configuration.PromptaEnabled = true;
  DateiOeffnen(cut, Write(shortSong, "short.mid"));
  f = CheckSong(cut);
  EXPECT_EQ(Kinds(f), (KindSet{{"prompter-data-cut", "song"}})) << Describe(f);
}

TEST(SongCheck, UnreadableFileIsAnError) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string path = cvtest::WriteTempFile("bad.mid", {'M', 'T', 'h', 'd', 0, 0});
  EXPECT_THROW(CheckSongFile(path, TConfiguration{}), EMidiError);
}
