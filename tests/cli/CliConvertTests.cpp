#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"

namespace fs = std::filesystem;
using clitest::RunCliIn;

namespace {

std::vector<uint8_t> Song(int format) {
  cvtest::SmfBuilder b(format, 96);
  b.AddTrack().Bpm(0, 120).Lyric(0, "la").NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
  return b.Bytes();
}

void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(CliConvert, OneSongInEitherFormat) {
  const std::string dir = cvtest::TempDir();
  Put(dir + "/in.mid", Song(0));
  for (std::string format : {"0", "1"}) {
    const std::string out = dir + "/out" + format + ".mid";
    auto r = RunCliIn("en", {"convert", dir + "/in.mid", out, "--format", format});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Written: " + out + " (format " + format + ", ", 0), 0u) << r.out;
    EXPECT_EQ(cvtest::SmfFormatOf(out), format == "0" ? 0 : 1);
  }
  auto missing = RunCliIn("en", {"convert", dir + "/in.mid", dir + "/x.mid"});
  EXPECT_EQ(missing.code, 2);
  EXPECT_TRUE(clitest::Has(missing.err, "--format")) << missing.err;
  auto unwritable = RunCliIn("en", {"convert", dir + "/in.mid", "/dev/full", "--format", "0"});
  EXPECT_EQ(unwritable.code, 1);
  EXPECT_TRUE(clitest::Has(unwritable.err, "The disk is full: free some space, or save to another disk.")) << unwritable.err;
}

TEST(CliConvert, BatchReportsEachFailureAndASummary) {
  const std::string dir = cvtest::TempDir();
  Put(dir + "/a.mid", Song(0));
  Put(dir + "/b.kar", Song(1));
  Put(dir + "/bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 0, 0, 1, 0, 96, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  auto r = RunCliIn("en", {"convert", "--batch", dir, "--format", "auto", "--jobs", "2"});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "1 converted, 1 skipped, 1 failed\n");
  EXPECT_EQ(r.err.rfind(dir + "/bad.mid: ", 0), 0u) << r.err;  // the failed file's line starts with its path
  EXPECT_TRUE(fs::exists(dir + "/a.f1.mid"));
  EXPECT_EQ(cvtest::ReadFileBytes(dir + "/a.mid"), Song(0));

  // With --out the earlier result a.f1.mid is a source like the others; the failure is a JSON line.
  auto json = RunCliIn("en", {"--json", "convert", "--batch", dir, "--format", "0", "--out", dir + "/f0"});
  EXPECT_EQ(json.code, 1);
  const auto summary = nlohmann::json::parse(json.out);
  EXPECT_EQ(summary["converted"], 3);
  ASSERT_EQ(summary["failed"].size(), 1u);
  EXPECT_EQ(summary["failed"][0]["file"], dir + "/bad.mid");
  EXPECT_EQ(nlohmann::json::parse(json.err)["error"]["file"], dir + "/bad.mid") << json.err;
  EXPECT_TRUE(fs::exists(dir + "/f0/b.kar"));
  EXPECT_EQ(RunCliIn("en", {"convert", "--batch", dir, "--format", "1", "--out", dir}).code, 1);
}

}  // namespace

namespace {

std::vector<uint8_t> SungSong(bool lyrics) {
  cvtest::SmfBuilder b(1, 96);
  b.AddTrack().Bpm(0, 120);
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Song", "\r", "Hel", "lo ", "world", "and ", "more"};
  for (int i = 0; i < 7; ++i) {
    if (lyrics) t.Lyric(i * 96, words[i]);
    t.NoteOn(i * 96, 0, 60 + i, 100).NoteOff(i * 96 + 90, 0, 60 + i);
  }
  return b.Bytes();
}

}  // namespace

TEST(CliConvert, KaraokeFileAndKaraokeGame) {
  const std::string dir = cvtest::TempDir();
  Put(dir + "/sung.mid", SungSong(true));
  Put(dir + "/bare.mid", SungSong(false));
  auto kar = RunCliIn("en", {"convert", dir + "/sung.mid", dir + "/sung.kar", "--format", "kar", "--song-lang", "it"});
  EXPECT_EQ(kar.code, 0) << kar.err;
  EXPECT_EQ(kar.out, "Written: " + dir + "/sung.kar (karaoke file, 7 syllables)\n");
  const auto bytes = cvtest::ReadFileBytes(dir + "/sung.kar");
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_TRUE(clitest::Has(text, "@KMIDI KARAOKE FILE") && clitest::Has(text, "@LITAL")) << text;

  auto batch = RunCliIn("en", {"convert", "--batch", dir, "--format", "kar"});
  EXPECT_TRUE(fs::exists(dir + "/sung.k.kar")) << batch.err;

  const std::string games = dir + "/games";
  fs::create_directory(games);
  auto game = RunCliIn("en", {"export", "--ultrastar", dir + "/sung.mid", "-o", games, "--audio", "wav"});
  EXPECT_EQ(game.code, 0) << game.err;
  const std::string song = games + "/Unknown - Song/Unknown - Song";
  EXPECT_TRUE(clitest::Has(game.out, "Written: " + song + ".txt\nWritten: " + song + ".wav (backing without the melody)"))
      << game.out;
  EXPECT_GT(fs::file_size(song + ".wav"), 44u);
  EXPECT_EQ(cvtest::ReadFileBytes(song + ".txt").front(), '#');
  // By default Ogg Vorbis, named in the game's text; no WAV left behind from encoding it.
  auto ogg = RunCliIn("en", {"export", "--ultrastar", dir + "/sung.mid", "-o", games});
  EXPECT_EQ(ogg.code, 0) << ogg.err;
  const auto oggBytes = cvtest::ReadFileBytes(song + ".ogg");
  ASSERT_GT(oggBytes.size(), 4u) << ogg.out << ogg.err;
  EXPECT_EQ(std::string(oggBytes.begin(), oggBytes.begin() + 4), "OggS");
  EXPECT_LT(oggBytes.size(), fs::file_size(song + ".wav") / 4);
  const auto gameText = cvtest::ReadFileBytes(song + ".txt");
  EXPECT_TRUE(clitest::Has(std::string(gameText.begin(), gameText.end()), "#AUDIO:Unknown - Song.ogg"));
  fs::remove(song + ".wav");
  EXPECT_EQ(RunCliIn("en", {"export", "--ultrastar", dir + "/sung.mid", "-o", games, "--audio", "mp3"}).code, 2);

  for (const char* lang : {"en", "de"}) {
    auto none = RunCliIn(lang, {"export", "--ultrastar", dir + "/bare.mid", "-o", games});
    EXPECT_EQ(none.code, 1);
    EXPECT_TRUE(clitest::Has(none.err, std::string(lang) == "en" ? "no lyrics" : "keinen Liedtext")) << none.err;
  }
  EXPECT_EQ(std::distance(fs::directory_iterator(games), fs::directory_iterator()), 1);
}
