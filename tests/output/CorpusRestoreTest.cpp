#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/CV_EditTempo.h"
#include "output/CV_EditTranspose.h"
#include "session/OpenSong.h"
#include "support/Corpus.h"

using namespace cv;

namespace {

// Every byte an operation could change: note values, meta payloads, positions, and the song length.
std::vector<std::string> Snapshot(const Song& song) {
  std::vector<std::string> out{std::to_string(song.SongLength)};
  for (const TMyTrack& track : song.MidiTrack)
    for (const TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent)
      out.push_back(std::to_string(e->Position) + ":" + std::to_string(e->TimePosition) + ":" +
                    std::to_string(e->Value[0]) + ":" + std::to_string(e->Value[1]) + ":" + e->Meta.str());
  return out;
}

TEST(CorpusRestore, TransposingAndSpeedComeBackToTheSongAsRead) {
  int songs = 0;
  for (const auto& [name, path] : cvtest::AllCorpusSongs()) {
    Song song;
    try {
      DateiOeffnen(song, path);
    } catch (const EMidiError&) {
      continue;  // the reader's tests cover files that do not open
    }
    ++songs;
    SCOPED_TRACE(name);
    const auto asRead = Snapshot(song);
    for (const TTransposeOptions options : {TTransposeOptions{false, 1}, TTransposeOptions{true, 4}}) {
      TransposeSong(song, -7, options);
      TransposeSong(song, 0, options);
      EXPECT_EQ(Snapshot(song), asRead) << "intelligent " << options.Intelligent;
    }
    // Practising at half speed stretches the times only; back at full speed they are as read.
    TTempoEdit edit;
    edit.SetPlaybackSpeed(song, 5);
    edit.SetPlaybackSpeed(song, 0);
    EXPECT_EQ(Snapshot(song), asRead);
  }
  EXPECT_GT(songs, 20);
}

}  // namespace
