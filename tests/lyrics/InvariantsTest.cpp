#include <gtest/gtest.h>

#include <functional>

#include "LyricsSong.h"
#include "lyrics/Assign.h"
#include "lyrics/InsertLyrics.h"
#include "lyrics/LyricsOffset.h"
#include "lyrics/Quantize.h"

using namespace cv;
using namespace lyricstest;

namespace {

TEST(LyricOperations, EveryOperationKeepsTheSongInvariants) {
  Song song;
  Open(song, Melody({480, 700, 960, 960, 1500, 1920, 2400}, 3840));
  SetSyllables(song, {u"Song", u"\r", u"Artist", u"\r", u"Twin", u"-kle", u"\r", u"1_takt", u"lit", u"", u"tle",
                      u"star", u"how", u"I"},
               {108, 112, 120, 124, 500, 504, 508, 900, 1000, 1000, 1290, 1800, 2000, 2700});
  InsertLyrics(song);
  ExpectSongInvariants(song, "as set");

  const std::pair<const char*, std::function<void()>> steps[] = {
      {"assign", [&] { AssignSyllablesToNotes(song); }},
      {"hide note", [&] { HideNoteAt(song, 900); }},
      {"quantize quarter", [&] { QuantizeLyrics(song, 0); }},
      {"quantize triplets", [&] { QuantizeLyrics(song, 2); }},
      {"quantize sixteenths", [&] { QuantizeLyrics(song, 3); }},
      {"move -700 ms", [&] { MoveLyrics(song, -700); }},
      {"move +300 ms", [&] { MoveLyrics(song, 300); }},
      {"move past the song end", [&] { MoveLyrics(song, 5000); }},
      {"assign again", [&] { AssignSyllablesToNotes(song); }},
  };
  for (const auto& [name, step] : steps) {
    step();
    ExpectSongInvariants(song, name);
    for (int32_t i = 1; i < song.HyphenArrayElements; ++i)
      EXPECT_LE(song.HyphenArray[i - 1].SongPosition, song.HyphenArray[i].SongPosition) << name << " " << i;
  }
  EXPECT_GT(song.MaxSongPosition, 3840);  // the song grew to keep the moved syllables
}

}  // namespace
