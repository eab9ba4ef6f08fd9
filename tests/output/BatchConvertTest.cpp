#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "output/BatchConvert.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "support/SmfBuilder.h"

namespace fs = std::filesystem;

namespace {

void Put(const std::string& path, const std::vector<uint8_t>& bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Song(int format) {
  cvtest::SmfBuilder b(format, 96);
  b.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 100).NoteOff(96, 0, 60);
  if (format == 1) b.AddTrack().NoteOn(0, 1, 64, 100).NoteOff(96, 1, 64);
  return b.Bytes();
}

// root/a.mid (format 0), root/B.KAR (format 1), root/broken.mid, root/notes.txt, root/sub/c.mid (format 0)
std::string Folder() {
  const std::string root = cvtest::TempDir();
  Put(root + "/a.mid", Song(0));
  Put(root + "/B.KAR", Song(1));
  Put(root + "/broken.mid", {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0, 96, 'X', 'X', 'X', 'X', 0, 0, 0, 0, 0, 0});
  Put(root + "/notes.txt", {'x'});
  Put(root + "/sub/c.mid", Song(0));
  return root;
}

void Open(cv::Song& song, const std::string& path) { cv::DateiOeffnen(song, path); }

std::set<std::string> Files(const std::string& root) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root))
    if (e.is_regular_file()) names.insert(fs::relative(e.path(), root).string());
  return names;
}

TEST(BatchConvert, TargetsByOptions) {
  struct Case {
    cv::BatchFormat format;
    bool recursive;
    bool inPlace;
    bool out;
    std::vector<std::string> targets;  // relative to the source folder or to the output folder
  } cases[] = {
      {cv::BatchFormat::Format0, false, false, false, {"B.f0.KAR", "a.f0.mid", "broken.f0.mid"}},
      {cv::BatchFormat::Auto, true, false, true, {"B.KAR", "a.f1.mid", "a.mid", "broken.mid", "sub/c.mid"}},
      {cv::BatchFormat::Format1, false, true, false, {"B.KAR", "a.f1.mid", "a.mid", "broken.mid"}},
  };
  const std::string root = Folder();
  // A result of an earlier run beside the sources is a source only when results go elsewhere.
  Put(root + "/a.f1.mid", Song(0));
  for (const Case& c : cases) {
    cv::BatchOptions o;
    o.Folder = root;
    o.Format = c.format;
    o.Recursive = c.recursive;
    o.InPlace = c.inPlace;
    if (c.out) o.OutFolder = root + "/out";  // inside the source folder: never taken as a source
    std::vector<std::string> got;
    for (const cv::BatchItem& item : cv::CollectBatch(o))
      got.push_back(fs::relative(item.Target, c.out ? fs::path(o.OutFolder) : fs::canonical(root)).string());
    EXPECT_EQ(got, c.targets);
  }
}

TEST(BatchConvert, AutoConvertsFormat0SongsAndReportsFailuresWithoutStopping) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const std::string root = Folder();
  const std::string out = cvtest::TempDir();
  cv::BatchOptions o;
  o.Folder = root;
  o.Format = cv::BatchFormat::Auto;
  o.Recursive = true;
  o.OutFolder = out;
  o.Jobs = 2;
  size_t calls = 0;
  cv::BatchSummary s = cv::RunBatch(o, cv::CollectBatch(o), Open, [&](const cv::BatchFileResult&, size_t done, size_t total) {
    ++calls;
    EXPECT_EQ(done, calls);
    EXPECT_EQ(total, 4u);
  });
  EXPECT_EQ(s.Converted, 2u);
  EXPECT_EQ(s.Skipped, 1u);
  ASSERT_EQ(s.Failed, 1u);
  EXPECT_EQ(fs::path(s.Failures[0].Source).filename(), "broken.mid");
  EXPECT_FALSE(s.Failures[0].Message.empty());
  EXPECT_EQ(Files(out), (std::set<std::string>{"a.mid", "sub/c.mid"}));
  cv::Song converted;
  cv::DateiOeffnen(converted, out + "/sub/c.mid");
  EXPECT_EQ(converted.MidiFileFormat, 1);
  EXPECT_EQ(cvtest::ReadFileBytes(root + "/a.mid"), Song(0));  // the source is untouched
  EXPECT_EQ(cv::BatchSummaryText(s), "2 converted, 1 skipped, 1 failed");
}

// A link out of the folder is skipped with a word to the user: neither the file it points to nor
// the link itself changes. The replaced songs keep their backups.
TEST(BatchConvert, InPlaceReplacesTheSourcesAndSkipsLinks) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  const std::string root = Folder();
  const std::string outside = cvtest::TempDir() + "/outside.mid";
  Put(outside, Song(1));
  fs::create_symlink(outside, root + "/link.mid");
  std::set<std::string> names = Files(root);
  const std::vector<uint8_t> before = cvtest::ReadFileBytes(root + "/a.mid");
  cv::BatchOptions o;
  o.Folder = root;
  o.Format = cv::BatchFormat::Format0;
  o.InPlace = true;
  std::vector<cv::BatchFileResult> told;
  cv::BatchSummary s = cv::RunBatch(o, cv::CollectBatch(o), Open, [&](const cv::BatchFileResult& r, size_t, size_t) {
    if (r.Notice) told.push_back(r);
  });
  EXPECT_EQ(s.Converted, 2u);
  EXPECT_EQ(s.Skipped, 1u);
  EXPECT_EQ(s.Failed, 1u);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].Source, root + "/link.mid");
  EXPECT_NE(told[0].Message.find("symbolic link"), std::string::npos) << told[0].Message;
  EXPECT_EQ(cvtest::ReadFileBytes(outside), Song(1));
  EXPECT_TRUE(fs::is_symlink(root + "/link.mid"));
  cv::Song song;
  cv::DateiOeffnen(song, root + "/B.KAR");
  EXPECT_EQ(song.MidiFileFormat, 0);
  // Replaced, each converted song with its backup (the opener's settings keep it on).
  names.insert({"B.KAR~", "a.mid~"});
  EXPECT_EQ(Files(root), names);
  EXPECT_EQ(cvtest::ReadFileBytes(root + "/a.mid~"), before);
}

}  // namespace
