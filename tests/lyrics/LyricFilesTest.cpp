#include "lyrics/LyricFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "LyricsTestSupport.h"
#include "output/MidiFileWriter0.h"
#include "song/Language.h"
#include "support/SmfBuilder.h"
#include "support/SongChains.h"

namespace {

using cvtest::S;
using cvtest::SetSyllables;
using cvtest::Texts;
using cvtest::U;

std::vector<uint8_t> Bytes(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// A plain UTF-8 reader for ".txt" and one that always fails for ".bad".
class Utf8Reader : public cv::DocumentReader {
 public:
  std::string NameFilter() const override { return "Text (*.txt)"; }
  bool SupportsFile(const std::string& path) const override { return path.ends_with(".txt"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    auto bytes = cvtest::ReadFileBytes(path);
    return cv::SplitLines(cv::Utf8ToUtf16(std::string(bytes.begin(), bytes.end())));
  }
};
class BrokenReader : public cv::DocumentReader {
 public:
  std::string NameFilter() const override { return "Broken (*.bad)"; }
  bool SupportsFile(const std::string& path) const override { return path.ends_with(".bad"); }
  std::vector<std::u16string> ReadLines(const std::string& path) const override {
    throw cv::EDocumentError("The file \"" + std::filesystem::path(path).filename().string() + "\" is damaged.");
  }
};

std::vector<std::unique_ptr<cv::DocumentReader>> Readers() {
  std::vector<std::unique_ptr<cv::DocumentReader>> r;
  r.push_back(std::make_unique<Utf8Reader>());
  r.push_back(std::make_unique<BrokenReader>());
  return r;
}

TEST(LyricFilesLoad, CleansUpTheText) {
  const std::string path = cvtest::WriteTempFile(
      "lyrics.txt", Bytes("\n  \nSong\nArtist\nab\tc\nabcdefg\th\n\n\n\n\xC2\x91quoted\xC2\x92 \xC3\xA4\x01\n\n \n"));
  cv::TLyricTextLoad r = cv::ReadLyricTextFile(path, Readers());
  ASSERT_EQ(r.Status, cv::TLyricLoadStatus::Loaded) << r.Message;
  EXPECT_EQ(r.Lines, (std::vector<std::u16string>{u"Song", u"Artist", u"ab      c", u"abcdefg h", u"",
                                                   u"'quoted' \u00e4"}));
  cv::Song song;
  song.TextChanged = true;
  cv::TEditorText t = cv::OpenLyricText(song, r.Lines);
  EXPECT_EQ(S(t.Text), "Song\nArtist\nab      c\nabcdefg h\n\n'quoted' \u00e4");
  EXPECT_TRUE(song.EditingText);
  EXPECT_TRUE(song.QuerryForRules);
  EXPECT_FALSE(song.TextChanged);
}

// Every file that gives no lyric text says what is wrong and what to do; the empty file's own
// text stays the last line.
TEST(LyricFilesLoad, EmptyUnknownBinaryUnreadableAndMissingFilesSayWhy) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  const std::string controls(400, '\x01');
  struct Case {
    std::string name;
    std::string content;
    cv::TLyricLoadStatus status;
    std::string first, last;
  };
  const std::vector<Case> cases = {
      {"empty.txt", "", cv::TLyricLoadStatus::Empty, "The file \"empty.txt\" holds no text. Choose a file with",
       "\nThe file \"empty.txt\"\nis empty - converting aborted!"},
      {"blank.txt", " \n\t\n\n", cv::TLyricLoadStatus::Empty, "The file \"blank.txt\" holds no text.",
       "\nThe file \"blank.txt\"\nis empty - converting aborted!"},
      {"song.pdf", "Song\nArtist\nla", cv::TLyricLoadStatus::Unsupported,
       "The file \"song.pdf\" is not a supported type: lyric texts are read from .txt,", "then load it."},
      {"notes.md", "Song\nArtist\nla", cv::TLyricLoadStatus::Unsupported, "The file \"notes.md\" is not a supported type",
       "then load it."},
      {"junk.txt", junk, cv::TLyricLoadStatus::NotText, "The file \"junk.txt\" is not a lyric text: it holds binary data",
       "save it as UTF-8."},
      {"controls.txt", "Song\nArtist\n" + controls + "la", cv::TLyricLoadStatus::NotText,
       "The file \"controls.txt\" is not a lyric text", "save it as UTF-8."},
      {"song.bad", "Song\nArtist\nla", cv::TLyricLoadStatus::Unreadable, "The file \"song.bad\" is damaged.", ""},
      // Beyond what a song holds, refused before any syllable is built.
      {"long.txt", Repeat("la\n", 100001), cv::TLyricLoadStatus::Unreadable,
       "The text of \"long.txt\" is longer than a song can hold (at most 100,000 lines and 300,000 syllables).",
       "split the text."},
      {"wide.txt", "Song\nArtist\n" + Repeat("la ", 300000), cv::TLyricLoadStatus::Unreadable,
       "The text of \"wide.txt\" is longer than a song can hold", "split the text."},
  };
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  for (const Case& c : cases) {
    cv::TLyricTextLoad r = cv::ReadLyricTextFile(cvtest::WriteTempFile(c.name, Bytes(c.content)), Readers());
    EXPECT_EQ(r.Status, c.status) << c.name;
    EXPECT_TRUE(r.Message.starts_with(c.first)) << r.Message;
    EXPECT_TRUE(r.Message.ends_with(c.last)) << r.Message;
    EXPECT_TRUE(r.Lines.empty()) << c.name;
  }
  cv::TLyricTextLoad missing = cv::ReadLyricTextFile(cvtest::TempDir() + "/gone.txt", Readers());
  EXPECT_EQ(missing.Status, cv::TLyricLoadStatus::NotFound);
  EXPECT_EQ(missing.Message, "The file \"gone.txt\" was not found. Check its name and folder.");
  const std::string folder = cvtest::TempDir() + "/lyrics.txt";
  std::filesystem::create_directory(folder);
  cv::TLyricTextLoad directory = cv::ReadLyricTextFile(folder, Readers());
  EXPECT_EQ(directory.Status, cv::TLyricLoadStatus::Unreadable);
  EXPECT_EQ(directory.Message, "Cannot read the file \"" + folder +
                                   "\": it is a folder or a device, not a text file. Choose a .txt, .rtf, .doc, "
                                   ".docx or .odt file.");
  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  EXPECT_TRUE(cv::ReadLyricTextFile(cvtest::WriteTempFile("leer.txt", {}), Readers())
                  .Message.ends_with("\nDie Datei \"leer.txt\"\nist leer - Vorgang wird abgebrochen!"));
  EXPECT_TRUE(cv::ReadLyricTextFile(cvtest::WriteTempFile("text.md", Bytes("la")), Readers())
                  .Message.starts_with("Die Datei \"text.md\" hat keinen unterstützten Typ"));
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
}

TEST(LyricFilesSave, SavedLyricsLoadBackToTheSameSyllables) {
  cv::Song song;
  cvtest::MakeTimedSong(song);
  SetSyllables(song, {{"Lied \u00fcber", 108}, {"\r", 112}, {"K\u00fcnstlerin", 992}, {"\r", 996},
                      {"Hel", 1000}, {"lo ", 1100}, {"wun", 1200}, {"der", 1300}, {"sch\u00f6", 1400}, {"\r", 1410},
                      {"\r", 1420}, {"AC-DC ", 1500}, {"rock ", 1600}, {"'n' ", 1700}, {"roll", 1800}, {"\r", 1810},
                      {"---- ", 1900}, {"la ", 2000}, {"Hel-", 2100}});
  const auto before = song.HyphenArray;
  const std::string path = cvtest::TempDir() + "/lyrics.txt";
  cv::SaveLyricTextFile(song, path);
  auto bytes = cvtest::ReadFileBytes(path);
  const std::string content(bytes.begin(), bytes.end());
  EXPECT_EQ(content, "Lied_\u00fcber\nK\u00fcnstlerin\nHel-lo wun-der-sch\u00f6\n\nAC=DC rock 'n' roll\n==== la Hel=\n");
  EXPECT_EQ(std::count(content.begin(), content.end(), '\r'), 0);

  cv::TLyricTextLoad load = cv::ReadLyricTextFile(path, Readers());
  ASSERT_EQ(load.Status, cv::TLyricLoadStatus::Loaded);
  cv::TEditorText t = cv::OpenLyricText(song, load.Lines);
  ASSERT_EQ(cv::LeaveEditText(song, t.Text, [](const std::string&) { return true; }).Status,
            cv::TLeaveStatus::Done);
  EXPECT_EQ(Texts(song.HyphenArray), Texts(before));
  EXPECT_EQ(cvtest::Positions(song.HyphenArray), cvtest::Positions(before));
}

TEST(LyricFilesSave, AFolderThatCannotBeWrittenNamesTheFile) {
  cv::Song song;
  SetSyllables(song, {{"Song", 108}});
  try {
    cv::SaveLyricTextFile(song, cvtest::TempDir() + "/no/such/folder/lyrics.txt");
    FAIL() << "no error";
  } catch (const cv::EDocumentError& e) {
    EXPECT_NE(std::string(e.what()).find("lyrics.txt"), std::string::npos);
  }
}

size_t CountMeta(const std::vector<uint8_t>& bytes, uint8_t type) {
  size_t n = 0;
  for (size_t i = 0; i + 1 < bytes.size(); ++i)
    if (bytes[i] == 0xFF && bytes[i + 1] == type) ++n;
  return n;
}

TEST(LyricFilesDelete, RemovesLyricEventsPromptaDataAndSyllables) {
  cv::Song song;
  cvtest::InitSong(song, 1, 3840);
  cvtest::AddMeta(song, 0, 0, 0x01, "@TTitle");
  cvtest::AddMeta(song, 0, 480, 0x05, "old");
  cvtest::AddChannel(song, 0, 480, 0x90, 60, 100);
  cvtest::AddMeta(song, 1, 960, 0x05, "Hel");
  cvtest::AddMeta(song, 1, 1200, 0x05, "lo");
  for (int tick = 4; tick <= 40; tick += 4) cvtest::AddChannel(song, 2, tick, 0xB0, 20, tick);
  song.PromptaControllerTrack = 2;
  song.Configuration.PromptaEnabled = true;
  SetSyllables(song, {{"Hel", 960}, {"lo", 1200}});

  cv::DeleteLyrics(song);
  EXPECT_EQ(song.HyphenArrayElements, 0);
  EXPECT_TRUE(song.HyphenArray.empty());
  EXPECT_EQ(cvtest::MetaTexts(song, 1, 0x05), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(cvtest::MetaTexts(song, 0, 0x01), (std::vector<std::string>{"@TTitle"}));
  EXPECT_EQ(cvtest::ChainLength(song, 2), 3);  // placeholder, name, End of Track
  EXPECT_EQ(song.MidiTrack[2].TrkEventCounter, 2);
  EXPECT_EQ(song.PromptaControllerTrack, -1);

  std::vector<uint8_t> file = cv::Format0FileImage(song, "Song");
  EXPECT_EQ(CountMeta(file, 0x05), 0u);
  EXPECT_EQ(CountMeta(file, 0x01), 1u);
  EXPECT_EQ(std::count(file.begin(), file.end(), 0xB0), 0);
}

}  // namespace
