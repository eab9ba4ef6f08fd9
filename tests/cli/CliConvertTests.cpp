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
