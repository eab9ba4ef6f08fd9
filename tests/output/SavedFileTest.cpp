// Saving encodes straight into the file through a small block: the saved bytes must be the image
// exactly, also when chunk lengths are filled in after their bytes have gone to the file, whole
// encoded tracks go past the block, and a format 0 merge starts again on a chain out of order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "session/OpenSong.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

// Large enough that every format spills over several blocks.
std::vector<uint8_t> LargeFile(int format) {
  cvtest::SmfBuilder b(format);
  const int tracks = format == 0 ? 1 : 3;
  for (int t = 0; t < tracks; ++t) {
    cvtest::SmfTrack& track = b.AddTrack();
    if (t == 0) track.Bpm(0, 100).Text(0, "text");
    for (int i = 0; i < 80000; ++i) {
      const int channel = format == 0 ? i % 3 : t;
      if (t == 1 && i % 100 == 0) track.Lyric(i * 10, "la");
      track.NoteOn(i * 10, channel, 40 + i % 40, 90).NoteOff(i * 10 + 5, channel, 40 + i % 40);
    }
  }
  std::vector<uint8_t> bytes = b.Bytes();
  // A chunk of another type after the tracks goes back as it was.
  const std::vector<uint8_t> foreign = {'X', 'F', 'I', 'H', 0, 0, 0, 2, 1, 2};
  bytes.insert(bytes.end(), foreign.begin(), foreign.end());
  return bytes;
}

TEST(SavedFile, IsTheImageInEveryFormat) {
  const std::string dir = cvtest::TempDir();
  SilentSink sink;
  for (int format : {0, 1}) {
    SCOPED_TRACE(format);
    Song song;
    DateiOeffnen(song, cvtest::WriteTempFile("large" + std::to_string(format) + ".mid", LargeFile(format)));
    ASSERT_EQ(song.ForeignChunks.size(), 1u);
    const std::string out0 = dir + "/out0.mid", out1 = dir + "/out1.mid";
    ASSERT_TRUE(SaveToFileFormat0(song, out0, sink));
    ASSERT_TRUE(SaveToFileFormat1(song, out1, sink));
    const std::vector<uint8_t> image0 = Format0FileImage(song, TrackNameForFile(song, out0));
    EXPECT_GT(image0.size(), size_t{512} << 10);  // the blocks are 256 KiB
    EXPECT_EQ(cvtest::ReadFileBytes(out0), image0);
    EXPECT_EQ(cvtest::ReadFileBytes(out1), Format1FileImage(song));
  }
}

TEST(SavedFile, Format0MergeStartingAgainLeavesNothingOfTheFirstTry) {
  Song song;
  DateiOeffnen(song, cvtest::WriteTempFile("large.mid", LargeFile(1)));
  // The chains are in order for long enough to fill blocks before the last note goes back.
  TypMidiEvent* last = nullptr;
  for (TypMidiEvent* e = song.MidiTrack[2].TrkFirstEvent; e; e = e->NextEvent)
    if (e->DType == DTypeChannel) last = e;
  ASSERT_NE(last, nullptr);
  last->Position = 5;
  const std::string out = cvtest::TempDir() + "/merged.mid";
  SilentSink sink;
  ASSERT_TRUE(SaveToFileFormat0(song, out, sink));
  EXPECT_EQ(cvtest::ReadFileBytes(out), Format0FileImage(song, TrackNameForFile(song, out)));
}

}  // namespace
