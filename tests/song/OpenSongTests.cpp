#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "song/Language.h"
#include "song/OpenSong.h"
#include "support/SmfBuilder.h"

using namespace cv;
namespace fs = std::filesystem;

namespace {

// Opens a file; returns "" on success, else the error text.
std::string TryOpen(Song& song, const std::string& path, const OpenSongOptions& options = {}) {
  try {
    DateiOeffnen(song, path, options);
    return "";
  } catch (const EMidiError& e) {
    return e.what();
  }
}

}  // namespace

TEST(OpenSong, EveryCorpusFileOpensOrFailsCleanly) {
  SetCurrLanguage(TLanguage::Englisch);
  // Broken files and the message they end with.
  const std::map<std::string, std::string> expectedErrors = {
      {"odd/Beethoven.rmi", "Error in MidiDateiHeader - 1!"},
      {"odd/MIDIBadTrackHdr.mid", "Error in TrackHeader - 1!"},
      {"odd/illegal-messages-all.mid", "Error in midi file!"},
      {"odd/Happy_Birthday_truncated.kar", "Range check error"},
      {"odd/zero-tracks.mid", "Error: midi file too short!"},
  };
  int opened = 0, failed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(cvtest::CorpusFile(""))) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    std::string rel = fs::relative(entry.path(), cvtest::CorpusFile("")).generic_string();
    Song song;
    std::string error = TryOpen(song, entry.path().string());
    if (error.empty()) {
      ++opened;
      EXPECT_TRUE(song.MidiFileLoaded) << rel;
      EXPECT_GT(song.TimeZoneElements, 0) << rel;
    } else {
      ++failed;
      EXPECT_FALSE(song.MidiFileLoaded) << rel;
      EXPECT_EQ(song.Pool.LiveCount(), 0u) << rel;
    }
    auto it = expectedErrors.find(rel);
    if (it != expectedErrors.end()) {
      EXPECT_EQ(error, it->second) << rel;
    }
  }
  EXPECT_GT(opened, 20);
}
