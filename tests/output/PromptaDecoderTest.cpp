// The prompter's stream read back: hand-made streams value by value, and the data our own
// insertion puts into songs (small fixtures and every corpus song with lyrics).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "output/PromptaDecoder.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

const std::vector<int> kHead = {24, 'M', 'a', 'r', 'a', 'v', 'e', 'l', 't', ' ', '2', '0', '0', '0', 25, 15};

// Values sent the way the insertion sends its block: value k at tick 4 + 4k.
std::vector<TPromptaValue> Stream(const std::vector<int>& values) {
  std::vector<TPromptaValue> out;
  for (size_t k = 0; k < values.size(); ++k)
    out.push_back({static_cast<int32_t>(4 + 4 * k), static_cast<int32_t>(8 * k), static_cast<uint8_t>(values[k])});
  return out;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::pair<int, int>> LinesAndColumns(const TPromptaDisplay& d) {
  std::vector<std::pair<int, int>> out;
  for (const TPromptaCue& c : d.Cues) out.emplace_back(c.Line, c.Column);
  return out;
}

}  // namespace

TEST(PromptaDecoder, EveryValueOfTheWireFormat) {
  SetCurrLanguage(TLanguage::Englisch);
  // Font 2, height 3, inverse, text with an embedded cue, a line break, two escapes, the end,
  // then a cue on its own (without 23 and 22) as the insertion sends late cues.
  const std::vector<int> values = Join(kHead, {18, 30, 19, 31, 26, 22, 'H', 'i', 23, 9, 30, 10, 28, 22, 13, 27, 124,
                                               27, 95, '!', 23, 12, 9, 31, 10, 29});
  const TPromptaDisplay d = DecodePromptaValues(Stream(values));
  EXPECT_TRUE(d.Problems.empty()) << d.Problems.front().Message;
  EXPECT_TRUE(d.Signature);
  EXPECT_EQ(d.Font, 2);
  EXPECT_EQ(d.FontHeight, 3);
  EXPECT_TRUE(d.InversVideo);
  EXPECT_TRUE(d.Complete);
  EXPECT_EQ(d.Lines, (std::vector<std::u16string>{u"Hi", u"\u00FC\u00DF!"}));
  EXPECT_EQ(LinesAndColumns(d), (std::vector<std::pair<int, int>>{{0, 2}, {1, 3}}));
  // A cue is placed where its first value is sent.
  ASSERT_EQ(d.Cues.size(), 2u);
  EXPECT_EQ(d.Cues[0].SongPosition, static_cast<int32_t>(4 + 4 * (kHead.size() + 9)));
  EXPECT_EQ(d.Cues[1].SongPosition, static_cast<int32_t>(4 + 4 * (values.size() - 4)));
  EXPECT_EQ(d.Cues[1].Time, static_cast<int32_t>(8 * (values.size() - 4)));
}

TEST(PromptaDecoder, BothLineNumberForms) {
  // 124 lines; line 123 needs the hundreds value (9, C, 16, L div 100, 10, L mod 100).
  std::vector<int> values = Join(kHead, {18, 29, 19, 29, 22, 'a'});
  for (int i = 0; i < 123; ++i) values.push_back(13);
  values.insert(values.end(), {'b', 23, 12, 9, 42, 16, 29, 10, 51, 9, 29, 10, 127});
  const TPromptaDisplay d = DecodePromptaValues(Stream(values));
  ASSERT_EQ(d.Lines.size(), 124u);
  EXPECT_EQ(d.Lines.back(), u"b");
  // Line 99 without the hundreds value is the short form; it lies within the text.
  EXPECT_EQ(LinesAndColumns(d), (std::vector<std::pair<int, int>>{{123, 14}, {99, 1}}));
  EXPECT_TRUE(d.Problems.empty());
}

TEST(PromptaDecoder, ReportsWhatItDoesNotUnderstandWithItsTick) {
  SetCurrLanguage(TLanguage::Englisch);
  struct Case {
    const char* name;
    std::vector<int> values;
    size_t problemAt;                // index of the value the first problem names
    std::vector<std::u16string> lines;  // what was understood still stands
    const char* words;               // part of the message
  };
  const std::vector<int> font = {18, 29, 19, 29, 22};
  const std::vector<Case> cases = {
      {"value before the signature", Join({5, 6}, Join(kHead, Join(font, {'a', 23, 12}))), 0, {u"a"}, "before the signature"},
      {"unknown signature", Join({24, 'X', 25, 15}, Join(font, {'a', 23, 12})), 2, {u"a"}, "Unknown signature"},
      {"control value in the text", Join(kHead, Join(font, {'a', 5, 'b', 23, 12})), kHead.size() + 6, {u"ab"}, "inside the text"},
      {"unassigned escape", Join(kHead, Join(font, {'a', 27, 1, 'b', 23, 12})), kHead.size() + 7, {u"ab"}, "129"},
      {"number below 28", Join(kHead, Join(font, {'a', 23, 9, 3, 22, 'b', 23, 12})), kHead.size() + 8, {u"ab"}, "below 28"},
      {"cue without column", Join(kHead, Join(font, {'a', 23, 10, 28, 22, 23, 12})), kHead.size() + 7, {u"a"}, "without a column"},
      {"cue beyond the text", Join(kHead, Join(font, {'a', 23, 12, 9, 28, 10, 33})), kHead.size() + 8, {u"a"}, "beyond the text"},
      {"unknown command", Join(kHead, Join(font, {'a', 23, 7, 22, 23, 12})), kHead.size() + 7, {u"a"}, "Unknown command"},
      // Cut off in the middle: in the signature, after an escape, inside a cue, before the end.
      {"cut in the signature", {24, 'M', 'a'}, 2, {}, "inside the signature"},
      {"cut after an escape", Join(kHead, Join(font, {'a', 27})), kHead.size() + 6, {u"a"}, "middle of a value pair"},
      {"cut inside a cue", Join(kHead, Join(font, {'a', 23, 12, 9, 29})), kHead.size() + 9, {u"a"}, "middle of a value pair"},
      {"cut before the end", Join(kHead, Join(font, {'a', 13, 'b'})), kHead.size() + 7, {u"a", u"b"}, "without the end command"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TPromptaDisplay d = DecodePromptaValues(Stream(c.values));
    ASSERT_FALSE(d.Problems.empty());
    EXPECT_EQ(d.Problems.front().SongPosition, static_cast<int32_t>(4 + 4 * c.problemAt));
    EXPECT_NE(d.Problems.front().Message.find(c.words), std::string::npos) << d.Problems.front().Message;
    EXPECT_EQ(d.Lines, c.lines);
  }
  // A run of values before the signature is one report, and the messages follow the language.
  SetCurrLanguage(TLanguage::Deutsch);
  const TPromptaDisplay d = DecodePromptaValues(Stream({5, 6, 7, 8}));
  ASSERT_EQ(d.Problems.size(), 1u);
  EXPECT_NE(d.Problems[0].Message.find("Kennung"), std::string::npos);
  SetCurrLanguage(TLanguage::Englisch);
}

TEST(PromptaDecoder, NewBlockReplacesTheOldOne) {
  const std::vector<int> block = Join(kHead, {18, 29, 19, 29, 22, 'a', 23, 12});
  std::vector<int> values = Join(block, Join(kHead, {18, 29, 19, 29, 22, 'b', 23, 12}));
  const TPromptaDisplay d = DecodePromptaValues(Stream(values));
  EXPECT_EQ(d.Lines, std::vector<std::u16string>{u"b"});
  EXPECT_TRUE(d.Problems.empty());
}

// ---- Round trip: the data our insertion writes decode to the syllables' text ----

namespace {

int PromptaCode(char16_t c) {
  const int code = Windows1252Code(c);
  if (code < 0 || (code >= 128 && code <= 155) || (code < 32 && code != 13)) return -1;
  return code;
}

struct Expected {
  std::vector<std::u16string> lines;
  std::vector<std::pair<int, int>> cues;  // line, column
  std::vector<int32_t> cueTicks;          // where each cue is due (before its syllable)
  std::vector<int> cueLengths;            // 4 values, or 6 from line 100 on
};

// What the data can carry of the syllable list, worked out from the text and the cue rules alone.
Expected ExpectedDisplay(const Song& song) {
  std::vector<std::pair<std::u16string, int32_t>> entries;
  if (!song.Configuration.CopyrightString.empty()) {
    entries.emplace_back(Utf8ToUtf16(song.Configuration.CopyrightString), 0);
    entries.emplace_back(u"\r", 4);
  }
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    entries.emplace_back(song.HyphenArray[i].Text, song.HyphenArray[i].SongPosition);
  // Cues come 150 ms (plus the offset) early, at least 4 ticks apart.
  const double msPerTick = song.TimeZone[0].TempoComp;
  const int32_t lead = static_cast<int32_t>(std::nearbyint(song.Configuration.PromptaTimeOffset / msPerTick) +
                                            std::nearbyint(150 / msPerTick));
  std::vector<int32_t> due;
  for (const auto& [text, pos] : entries)
    due.push_back(std::max({0, pos - lead, due.empty() ? 0 : due.back() + 4}));

  Expected x;
  x.lines.emplace_back();
  std::vector<std::pair<int, int>> where;  // line and column after each entry
  int line = 0, column = 0;
  for (const auto& [text, pos] : entries) {
    for (size_t i = 0; i < text.size(); ++i) {
      const char16_t c = text[i];
      const bool pair = c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size();
      if (pair) ++i;
      const int code = pair ? -1 : PromptaCode(c);
      if (code == 13) x.lines.emplace_back();
      else if (code >= 0) x.lines.back() += DecodeWindows1252(std::string(1, static_cast<char>(code)));
      if (text.find(u'\r') == std::u16string::npos) column = std::min(column + 1, 79);
    }
    if (text.find(u'\r') != std::u16string::npos) {
      ++line;
      column = 0;
    }
    where.emplace_back(line, column);
  }
  // A line break that follows a cued entry gets no cue of its own (unless it is the last entry).
  for (size_t i = 0; i < entries.size();) {
    x.cues.push_back(where[i]);
    x.cueTicks.push_back(due[i]);
    x.cueLengths.push_back(where[i].first < 100 ? 4 : 6);
    ++i;
    if (i < entries.size() && entries[i].first == u"\r" && i != entries.size() - 1) ++i;
  }
  return x;
}

// Tick of the end command (23, 12) in the song's Prompta data.
int32_t EndOfBlock(const Song& song) {
  const std::vector<TPromptaValue> v =
      PromptaValuesOfTrack(song, song.PromptaControllerTrack, song.PromptaController, song.PromptaControllerChannel);
  for (size_t i = 1; i < v.size(); ++i)
    if (v[i - 1].Value == 23 && v[i].Value == 12) return v[i].SongPosition;
  return INT32_MAX;
}

void ExpectRoundTrip(const Song& song) {
  const TSongPrompter p = DecodeSongPrompter(song);
  ASSERT_TRUE(p.FromSong);
  const TPromptaDisplay& d = p.Display;
  const Expected x = ExpectedDisplay(song);
  ASSERT_TRUE(d.Signature);
  EXPECT_EQ(d.Font, song.Configuration.PromptaFont);
  EXPECT_EQ(d.FontHeight, song.Configuration.PromptaFontHeight);
  if (d.Complete) {
    EXPECT_EQ(d.Lines, x.lines);
  } else {
    // Cut at the song end: what arrived is the start of the text.
    ASSERT_FALSE(d.Problems.empty());
    ASSERT_LE(d.Lines.size(), x.lines.size());
    for (size_t i = 0; i < d.Lines.size(); ++i)
      EXPECT_EQ(d.Lines[i], i + 1 < d.Lines.size() ? x.lines[i] : x.lines[i].substr(0, d.Lines[i].size()));
  }
  const int32_t blockEnd = EndOfBlock(song);
  auto matches = [&](size_t i, size_t k) {
    if (std::make_pair(d.Cues[i].Line, d.Cues[i].Column) != x.cues[k]) return false;
    // Inside the block a cue rides on the next character; after it, it is sent when due.
    return d.Cues[i].SongPosition > blockEnd ? d.Cues[i].SongPosition == x.cueTicks[k]
                                             : d.Cues[i].SongPosition >= x.cueTicks[k];
  };
  if (d.Complete) {
    // Everything arrives in order; only cues that would end at or after the song end are missing.
    ASSERT_LE(d.Cues.size(), x.cues.size());
    for (size_t i = 0; i < d.Cues.size(); ++i) EXPECT_TRUE(matches(i, i)) << "cue " << i;
    if (d.Cues.size() < x.cues.size()) {
      const size_t m = d.Cues.size();
      EXPECT_GE(x.cueTicks[m] + 4 * (x.cueLengths[m] - 1), song.MaxSongPosition);
    } else {
      EXPECT_TRUE(d.Problems.empty()) << d.Problems.front().Message;
    }
  } else {
    // A cut block loses the cues it would have carried; the cues sent after it still arrive.
    size_t k = 0;
    for (size_t i = 0; i < d.Cues.size(); ++i) {
      while (k < x.cues.size() && !matches(i, k)) ++k;
      EXPECT_LT(k, x.cues.size()) << "cue " << i << " matches no syllable in order";
      ++k;
    }
  }
}

void OpenWithPrompta(Song& song, const std::string& path, const std::string& copyright = {}) {
  song.Configuration.PromptaEnabled = true;
  song.Configuration.PromptaFont = 3;
  song.Configuration.PromptaFontHeight = 5;
  song.Configuration.CopyrightString = copyright;
  DateiOeffnen(song, path);
}

}  // namespace

TEST(PromptaRoundTrip, SmallSongsWithEveryKindOfText) {
  // Umlauts (escaped), a typographic apostrophe and a euro sign (not sent, counted), a character
  // beyond Windows-1252 (not sent, counted), a tab (not sent), a long line (columns stop at 79),
  // and a syllable right at the song end.
  std::string longLine;
  for (int i = 0; i < 30; ++i) longLine += "abcd ";
  cvtest::SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  const std::vector<std::string> words = {"/Gr\xC3\xBC\xC3\x9F", " Gott", "/It\xE2\x80\x99s", " 5\xE2\x82\xAC", "/\xE4\xB8\xAD\tx",
                                          "/" + longLine, " end", "/last"};
  int tick = 960;
  for (const std::string& w : words) {
    t.NoteOn(tick, 0, 60, 90).Lyric(tick, w).NoteOff(tick + 400, 0, 60);
    tick += 960;
  }
  t.End(tick - 960 + 401);
  const std::string path = b.WriteTemp("prompter.mid");
  for (const std::string& copyright : {std::string(), std::string("(c) Maravelt")}) {
    SCOPED_TRACE("copyright: " + copyright);
    Song song;
    OpenWithPrompta(song, path, copyright);
    ASSERT_GE(song.HyphenArrayElements, 5);
    ExpectRoundTrip(song);
    const TPromptaDisplay d = DecodeSongPrompter(song).Display;
    EXPECT_TRUE(d.Complete);
    EXPECT_TRUE(d.Problems.empty());
    EXPECT_NE(std::find(d.Lines.begin(), d.Lines.end(), u"Gr\u00FC\u00DF Gott"), d.Lines.end());
    EXPECT_NE(std::find(d.Lines.begin(), d.Lines.end(), u"It's 5"), d.Lines.end());
    EXPECT_NE(std::find(d.Lines.begin(), d.Lines.end(), u"x"), d.Lines.end());
  }
}

TEST(PromptaRoundTrip, SongTooShortForItsTextIsCut) {
  // The whole text does not fit before the song end: the data stop there, and say so.
  cvtest::SmfBuilder b(1, 96);
  b.AddTrack().Bpm(0, 120);
  cvtest::SmfTrack& t = b.AddTrack();
  for (int i = 0; i < 6; ++i) t.NoteOn(110 + 10 * i, 0, 60, 90).Lyric(110 + 10 * i, "syllable" + std::to_string(i));
  t.End(300);
  Song song;
  OpenWithPrompta(song, b.WriteTemp("short.mid"));
  ASSERT_GE(song.HyphenArrayElements, 5);
  ExpectRoundTrip(song);
  EXPECT_FALSE(DecodeSongPrompter(song).Display.Complete);
}

TEST(PromptaRoundTrip, EveryCorpusSongWithLyrics) {
  SetCurrLanguage(TLanguage::Englisch);
  int withLyrics = 0;
  for (const auto& [name, path] : cvtest::AllCorpusSongs()) {
    SCOPED_TRACE(path);
    for (const std::string& copyright : {std::string(), std::string("Maravelt \xC2\xA9 2026")}) {
      Song song;
      try {
        OpenWithPrompta(song, path, copyright);
      } catch (const EMidiError&) {
        break;  // unreadable songs are the reader's business
      }
      if (song.HyphenArrayElements < 1) break;
      if (copyright.empty()) ++withLyrics;
      ExpectRoundTrip(song);
    }
  }
  EXPECT_GT(withLyrics, 10);
}
