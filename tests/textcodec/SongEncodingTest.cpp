#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "lyrics/InsertLyrics.h"
#include "output/MidiFileWriter1.h"
#include "platform/textcodec/IcuTextConverter.h"
#include "song/Language.h"
#include "song/MidiFileReader.h"
#include "session/OpenSong.h"
#include "song/SongEncoding.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using namespace cv;
namespace fs = std::filesystem;

namespace {

class SongEncoding : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallIcuTextConverter();
    SetCurrLanguage(TLanguage::Englisch);
  }
};

struct Expected {
  std::string file, codec;
  std::vector<std::string> syllables;  // UTF-8, line ends as "\r"
};

// tests/data/encodings/expected.tsv, written with the songs by tools/make_encoded_songs.py.
std::vector<Expected> ExpectedSongs() {
  std::ifstream in(std::string(CANTOVEX_TEST_DATA_DIR) + "/encodings/expected.tsv");
  std::vector<Expected> out;
  for (std::string line; std::getline(in, line);) {
    std::istringstream fields(line);
    Expected e;
    std::string all;
    std::getline(fields, e.file, '\t');
    std::getline(fields, e.codec, '\t');
    std::getline(fields, all);
    for (size_t start = 0;;) {
      size_t bar = all.find('|', start);
      std::string s = all.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
      for (size_t at; (at = s.find("\\r")) != std::string::npos;) s.replace(at, 2, "\r");
      e.syllables.push_back(s);
      if (bar == std::string::npos) break;
      start = bar + 1;
    }
    out.push_back(e);
  }
  return out;
}

std::string SongPath(const std::string& file) { return std::string(CANTOVEX_TEST_DATA_DIR) + "/encodings/" + file; }

// The syllables as the program splits them ("\r" alone is a line break of its own).
std::vector<std::string> Syllables(const Song& song) {
  std::vector<std::string> out;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    const std::string s = Utf16ToUtf8(song.HyphenArray[i].Text);
    if (s == "\r" && !out.empty())
      out.back() = out.back().substr(0, out.back().find_last_not_of(' ') + 1) + "\r";
    else
      out.push_back(s);
  }
  return out;
}

// Lyric event bytes of a file, in order, read without any text handling.
std::vector<std::string> LyricEventBytes(const std::string& path) {
  Song song;
  std::vector<uint8_t> bytes = cvtest::ReadFileBytes(path);
  song.SourceData.assign(bytes.begin(), bytes.end());
  ReadMidiData(song);
  std::vector<std::string> out;
  for (const TMyTrack& t : song.MidiTrack)
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent)
      if (e->Command == 0xFF && e->MType == 5) {
        // The program writes a line end as an event of its own.
        const std::string_view m = e->Meta;
        const std::string text(m.substr(0, m.find_last_not_of('\r') + 1));
        if (!text.empty()) out.push_back(text);
      }
  return out;
}

std::string SaveFormat1(const Song& song, const std::string& name) {
  return cvtest::WriteTempFile(name, Format1FileImage(song));
}

}  // namespace

// Every code page the karaoke files come in: each song reads back as the sentence it was made
// from. Windows-1257 is known to no detector of the library, so that song is read with its name.
TEST_F(SongEncoding, GeneratedSongsInEveryCodePageDecodeToTheirText) {
  const std::vector<Expected> songs = ExpectedSongs();
  ASSERT_GE(songs.size(), 15u);
  for (const Expected& e : songs) {
    OpenSongOptions options;
    if (e.codec == "cp1257") options.ForceEncoding = FindTextEncoding("windows-1257");
    Song song;
    DateiOeffnen(song, SongPath(e.file), options);
    EXPECT_EQ(Syllables(song), e.syllables) << e.file << " read as " << EncodingName(song.Encoding);
    EXPECT_GE(e.syllables.size(), 30u) << e.file;
  }
}

TEST_F(SongEncoding, PlainLatinTextStaysWindows1252AndUtf8StaysUtf8) {
  struct Case {
    std::vector<std::string_view> texts;
    TextEncoding expected;
  } cases[] = {
      {{"plain", "ascii"}, TextEncoding::Windows1252},
      {{"Gr\xFC\xDF" "e ", "f\xFCr ", "J\xFCrgen ", "\x93quoted\x94"}, TextEncoding::Windows1252},
      {{"caf\xC3\xA9", "ok"}, TextEncoding::Utf8},
      {{}, TextEncoding::Windows1252},
  };
  for (const Case& c : cases) EXPECT_EQ(ChooseTextEncoding(c.texts), c.expected) << c.texts.size();
}

// A chorus or a children's song has only a few syllables: the page must still be found. Judged by
// the text it gives (pages that share these characters may both be right).
TEST_F(SongEncoding, ShortSongsInEveryPageReadAsTheirText) {
  const struct {
    const char* page;
    const char* syllables;  // UTF-8, "|" between syllables
    const char* language;   // the user's ("C": none)
  } cases[] = {
      {"windows-1252", "Grü|ße| aus| Köln| am| Rhein", "C"},
      {"ISO-8859-15", "Mon| cœur| é|tait| lé|ger", "C"},
      {"windows-1250", "Pří|liš| žluť|ouč|ký| kůň", "C"},
      {"ISO-8859-2", "W| Szcze|brze|szy|nie| chrząszcz| brzmi", "C"},
      {"windows-1251", "Во| по|ле| бе|рё|за| сто|я|ла", "C"},
      {"KOI8-R", "Ка|лин|ка,| ка|лин|ка| мо|я", "C"},
      {"windows-1253", "Σε| γνω|ρί|ζω| α|πό| την| κό|ψη", "C"},
      {"ISO-8859-7", "Τα| παι|διά| παί|ζουν| στην| αυ|λή", "C"},
      {"windows-1254", "Ey| Türk| genç|li|ği!| Bi|rin|ci", "C"},
      {"GBK", "我们| 一起| 唱歌| 吧| 朋友", "C"},
      {"GB18030", "好|一|朵|美|丽|的|茉|莉|花", "C"},
      {"Big5", "你|問|我|愛|你|有|多|深", "C"},
      {"Shift_JIS", "さ|く|ら| さ|く|ら| や|よ|い", "C"},
      {"Shift_JIS", "ｻ|ｸ|ﾗ| ｻ|ｸ|ﾗ| ﾔ|ﾖ|ｲ", "ja"},
      {"EUC-KR", "아|리|랑| 아|리|랑| 아|라|리|요", "C"},
      {"windows-949", "도|라|지| 도|라|지| 똠|방", "C"},
  };
  for (const auto& c : cases) {
    const TextEncoding page = *FindTextEncoding(c.page);
    std::vector<std::string> bytes;
    std::string all, text;
    for (std::string_view rest = c.syllables;;) {
      const size_t bar = rest.find('|');
      const std::string syllable(rest.substr(0, bar));
      const std::optional<std::string> encoded = TryEncodeText(Utf8ToUtf16(syllable), page);
      ASSERT_TRUE(encoded) << c.page << " " << syllable;
      bytes.push_back(*encoded);
      all += *encoded;
      text += syllable;
      if (bar == std::string_view::npos) break;
      rest.remove_prefix(bar + 1);
    }
    ASSERT_GE(bytes.size(), 5u);
    const std::vector<std::string_view> views(bytes.begin(), bytes.end());
    const TextEncoding chosen = ChooseTextEncoding(views, c.language);
    EXPECT_EQ(Utf16ToUtf8(DecodeText(all, chosen)), text) << c.page << " read as " << EncodingName(chosen);
  }
  // The song that showed it: GBK, never a page of one byte per character.
  const std::vector<std::string_view> repro = {"\xCE\xD2\xC3\xC7", "\xD2\xBB\xC6\xF0", "\xB3\xAA\xB8\xE8",
                                               "\xB0\xC9", "\xC5\xF3\xD3\xD1"};
  EXPECT_EQ(ChooseTextEncoding(repro, "C").Name, "GBK");
}

TEST_F(SongEncoding, CorpusTwinsDecodeAlike) {
  const std::pair<const char*, const char*> twins[] = {
      {"lyrics-mid/music21_test18_utf8_zh.mid", "lyrics-mid/music21_test19_gbk_zh.mid"},
      {"lyrics-mid/music21_test20_utf8_ko.mid", "lyrics-mid/music21_test21_euckr_ko.mid"},
  };
  for (const auto& [utf8, legacy] : twins) {
    CVTEST_CORPUS_FILE_OR_SKIP(utf8Path, utf8);
    CVTEST_CORPUS_FILE_OR_SKIP(legacyPath, legacy);
    Song a, b;
    DateiOeffnen(a, utf8Path);
    DateiOeffnen(b, legacyPath);
    EXPECT_EQ(a.Encoding, TextEncoding::Utf8);
    EXPECT_NE(b.Encoding, TextEncoding::Windows1252) << legacy;
    EXPECT_EQ(Syllables(a), Syllables(b)) << legacy;
  }
}

TEST_F(SongEncoding, ChoosingAnotherEncodingReadsTheSameSyllablesAgain) {
  Song wrong, right;
  OpenSongOptions latin;
  latin.ForceEncoding = TextEncoding::Windows1252;
  DateiOeffnen(wrong, SongPath("zh_gbk.mid"), latin);
  DateiOeffnen(right, SongPath("zh_gbk.mid"));
  const int count = wrong.HyphenArrayElements;
  ASSERT_NE(Syllables(wrong), Syllables(right));
  ChangeSongEncoding(wrong, *FindTextEncoding("gbk"));
  EXPECT_EQ(Syllables(wrong), Syllables(right));
  EXPECT_EQ(wrong.HyphenArrayElements, count);
}

// A save writes the syllables as they were read, byte for byte, and a changed one in the song's
// own code page.
TEST_F(SongEncoding, SavingKeepsEveryUntouchedLyricByte) {
  for (const Expected& e : ExpectedSongs()) {
    if (e.codec == "cp1257") continue;
    Song song;
    DateiOeffnen(song, SongPath(e.file));
    const std::string saved = SaveFormat1(song, "same.mid");
    EXPECT_EQ(LyricEventBytes(saved), LyricEventBytes(SongPath(e.file))) << e.file;
  }
  Song song;
  DateiOeffnen(song, SongPath("ja_shift_jis.mid"));
  song.HyphenArray[1].Text = u"\u82B1";  // 花
  InsertLyrics(song);
  std::vector<std::string> expected = LyricEventBytes(SongPath("ja_shift_jis.mid"));
  expected[1] = "\x89\xD4";  // 花 in Shift_JIS
  EXPECT_EQ(LyricEventBytes(SaveFormat1(song, "changed.mid")), expected);
}

TEST_F(SongEncoding, ASyllableTheEncodingCannotHoldIsFoundAndTheSongCanGoToUtf8) {
  Song song;
  DateiOeffnen(song, SongPath("ja_shift_jis.mid"));
  EXPECT_EQ(FirstUnencodableSyllable(song), -1);
  song.HyphenArray[3].Text = u"\uD55C";  // 한: no Shift_JIS code
  EXPECT_EQ(FirstUnencodableSyllable(song), 3);
  EXPECT_NE(UnencodableSyllableText(song, 3).find("\xED\x95\x9C"), std::string::npos);
  const std::vector<std::string> before = Syllables(song);
  ReencodeSong(song, TextEncoding::Utf8);
  InsertLyrics(song);
  EXPECT_EQ(FirstUnencodableSyllable(song), -1);
  Song back;
  DateiOeffnen(back, SaveFormat1(song, "utf8.mid"));
  EXPECT_EQ(back.Encoding, TextEncoding::Utf8);
  EXPECT_EQ(Syllables(back), before);
}
