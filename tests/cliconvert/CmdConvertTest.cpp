#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include <sys/wait.h>

#include "support/SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

struct CliRun {
  int code;
  std::string out;
  std::string err;
};

CliRun Cli(const std::string& args) {
  const std::string errFile = cvtest::TempDir() + "/stderr";
  const std::string command = std::string(CANTOVEX_CLI) + " --lang en " + args + " 2>" + errFile;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  CliRun r{-1, "", ""};
  char buf[4096];
  while (size_t n = fread(buf, 1, sizeof buf, pipe.get())) r.out.append(buf, n);
  int status = pclose(pipe.release());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream e(errFile);
  r.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
  return r;
}

std::vector<uint8_t> Song(int format) {
  cvtest::SmfBuilder b(format, 96);
  b.AddTrack().Bpm(0, 120).Lyric(0, "la").NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
  return b.Bytes();
}

void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(CmdConvert, OneSongInEitherFormat) {
  const std::string dir = cvtest::TempDir();
  Put(dir + "/in.mid", Song(0));
  for (std::string format : {"0", "1"}) {
    const std::string out = dir + "/out" + format + ".mid";
    CliRun r = Cli("convert " + dir + "/in.mid " + out + " --format " + format);
    EXPECT_EQ(r.code, 0) << r.err;
    std::vector<uint8_t> bytes = cvtest::ReadFileBytes(out);
    ASSERT_GT(bytes.size(), 14u);
    EXPECT_EQ(bytes[9], format == "0" ? 0 : 1);
  }
  CliRun missing = Cli("convert " + dir + "/in.mid " + dir + "/x.mid");
  EXPECT_EQ(missing.code, 2);
  EXPECT_NE(missing.err.find("--format"), std::string::npos);
  CliRun unwritable = Cli("convert " + dir + "/in.mid /dev/full --format 0");
  EXPECT_EQ(unwritable.code, 1);
  EXPECT_NE(unwritable.err.find("Error saving \"/dev/full\"\nThere were only 0 from"), std::string::npos) << unwritable.err;
}

TEST(CmdConvert, BatchReportsEachFailureAndASummary) {
  const std::string dir = cvtest::TempDir();
  Put(dir + "/a.mid", Song(0));
  Put(dir + "/b.kar", Song(1));
  Put(dir + "/bad.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 7, 0, 0, 0, 1, 0, 96, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  CliRun r = Cli("convert --batch " + dir + " --format auto --jobs 2");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.out, "1 converted, 1 skipped, 1 failed\n");
  EXPECT_EQ(r.err.rfind(dir, 0), 0u) << r.err;  // the failed file's line starts with its path
  EXPECT_NE(r.err.find("bad.mid: "), std::string::npos);
  EXPECT_TRUE(fs::exists(dir + "/a.f1.mid"));
  EXPECT_EQ(cvtest::ReadFileBytes(dir + "/a.mid"), Song(0));

  // With --out the earlier result a.f1.mid is a source like the others.
  CliRun json = Cli("--json convert --batch " + dir + " --format 0 --out " + dir + "/f0");
  EXPECT_NE(json.out.find("\"converted\":3"), std::string::npos) << json.out;
  EXPECT_TRUE(fs::exists(dir + "/f0/b.kar"));
  CliRun conflicting = Cli("convert --batch " + dir + " --format 1 --out " + dir + " ");
  EXPECT_EQ(conflicting.code, 1);
}

}  // namespace
