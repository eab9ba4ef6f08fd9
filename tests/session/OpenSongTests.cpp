#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

#include "output/Prompta.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/TimeMap.h"
#include "support/Corpus.h"
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
      {"odd/Beethoven.rmi", "This is not a MIDI file"},
      // "mTrk" is a chunk of another type: skipped, so the declared track is missing.
      {"odd/MIDIBadTrackHdr.mid", "The file ends after 0 of the 1 tracks its header names"},
      {"odd/non-midi-track-junk-chunk.mid", ""},
      {"odd/illegal-messages-all.mid", "the file is damaged"},
      {"odd/Happy_Birthday_truncated.kar", "The file ends early"},
      {"odd/zero-tracks.mid", "too short for a song"},
  };
  int opened = 0, failed = 0;
  for (const auto& [rel, path] : cvtest::AllCorpusSongs()) {
    Song song;
    std::string error = TryOpen(song, path);
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
      // Said in words, without a raw line of the old program.
      if (it->second.empty())
        EXPECT_EQ(error, "") << rel;
      else
        EXPECT_TRUE(error.find(it->second) != std::string::npos && error.find('\n') == std::string::npos)
            << rel << ": " << error;
    }
  }
  EXPECT_GT(opened, 20);
}

TEST(OpenSong, EncodingFollowsTheTextEvents) {
  struct Case {
    const char* file;
    TextEncoding expected;
  } cases[] = {
      {"lyrics-mid/music21_test18_utf8_zh.mid", TextEncoding::Utf8},
      {"lyrics-mid/music21_test20_utf8_ko.mid", TextEncoding::Utf8},
      {"lyrics-mid/music21_test19_gbk_zh.mid", TextEncoding::Windows1252},
      {"lyrics-mid/music21_test21_euckr_ko.mid", TextEncoding::Windows1252},
      {"lyrics-mid/Schubert_Standchen.mid", TextEncoding::Utf8},
      {"lyrics-mid/lindaamiga.mid", TextEncoding::Windows1252},
  };
  for (const Case& c : cases) {
    Song song;
    ASSERT_EQ(TryOpen(song, cvtest::CorpusFile(c.file)), "") << c.file;
    EXPECT_EQ(song.Encoding, c.expected) << c.file;
  }
  Song forced;
  OpenSongOptions options;
  options.ForceEncoding = TextEncoding::Windows1252;
  ASSERT_EQ(TryOpen(forced, cvtest::CorpusFile("lyrics-mid/music21_test18_utf8_zh.mid"), options), "");
  EXPECT_EQ(forced.Encoding, TextEncoding::Windows1252);
}

TEST(OpenSong, TooShortFilesAndFailuresLeaveNoSongLoaded) {
  SetCurrLanguage(TLanguage::Englisch);
  cvtest::SmfBuilder b(1);
  b.AddTrack().NoteOn(0, 0, 60, 1).NoteOn(480, 0, 60, 0);
  Song song;
  ASSERT_EQ(TryOpen(song, b.WriteTemp("good.mid")), "");
  EXPECT_TRUE(song.MidiFileLoaded);
  EXPECT_EQ(song.MidiTrack[0].TrkPlayEvent, song.MidiTrack[0].TrkFirstEvent);

  std::vector<uint8_t> bytes(23, 0);
  EXPECT_EQ(TryOpen(song, cvtest::WriteTempFile("short.mid", bytes)),
            "The file is only 23 bytes long, too short for a song: it is empty, damaged or incomplete.");
  EXPECT_FALSE(song.MidiFileLoaded);
  EXPECT_EQ(song.Pool.LiveCount(), 0u);
  SetCurrLanguage(TLanguage::Deutsch);
  EXPECT_TRUE(TryOpen(song, cvtest::WriteTempFile("short.mid", bytes)).starts_with("Die Datei ist nur 23 Bytes lang"));
  bytes.push_back(0);  // 24 bytes go to the reader
  EXPECT_TRUE(TryOpen(song, cvtest::WriteTempFile("zeros.mid", bytes)).starts_with("Das ist keine MIDI-Datei"));
  SetCurrLanguage(TLanguage::Englisch);

  // A failure in the time map, after the reader built every chain.
  cvtest::SmfBuilder zero(1, 0);
  zero.AddTrack().NoteOn(0, 0, 60, 1);
  ASSERT_EQ(TryOpen(song, b.WriteTemp("good.mid")), "");
  EXPECT_NE(TryOpen(song, zero.WriteTemp("zero.mid")), "");
  EXPECT_FALSE(song.MidiFileLoaded);
  EXPECT_EQ(song.Pool.LiveCount(), 0u);
  EXPECT_EQ(song.MidiTrack[0].TrkFirstEvent, nullptr);
  EXPECT_TRUE(song.SourceData.empty());

  // Things that are not files: a missing name, a folder, a pipe (which must not block).
  const std::string fifo = cvtest::TempDir() + "/pipe.mid";
  fs::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::pair<std::string, std::string> notFiles[] = {
      {"/nonexistent/x.mid", "it does not exist. Check its name and folder."},
      {cvtest::TempDir(), "it is a folder or a device, not a song file. Choose a .mid or .kar file."},
      {fifo, "it is a folder or a device, not a song file. Choose a .mid or .kar file."}};
  for (const auto& [path, why] : notFiles) {
    EXPECT_EQ(TryOpen(song, path), "Cannot read the file \"" + path + "\": " + why) << path;
    EXPECT_FALSE(song.MidiFileLoaded);
  }
}

TEST(OpenSong, HooksRunInOrderAndThePromptaQuestionIsAsked) {
  cvtest::SmfBuilder b(1);
  auto& t = b.AddTrack();
  t.Control(0, 15, 98, 24);
  for (char ch : std::string("Maravelt 2000")) t.Control(0, 15, 98, static_cast<uint8_t>(ch));
  t.Control(0, 15, 98, 25).NoteOn(10, 0, 60, 1);
  std::string order, asked;
  OpenSongOptions options;
  options.AfterRelease = [&](Song& s) { order += s.MidiFileLoaded ? "R+" : "R"; };
  options.AfterExtract = [&](Song& s) { order += s.SongLength > 0 ? "E" : "e"; };
  options.AskRemovePrompta = [&](const std::string& q) {
    order += "?";
    asked = q;
    return false;
  };
  Song song;
  ASSERT_EQ(TryOpen(song, b.WriteTemp("p.mid"), options), "");
  EXPECT_EQ(order, "R?E");
  EXPECT_EQ(song.PromptaControllerTrack, 0);
  EXPECT_EQ(asked,
            "Die Unterstützung für den Prompta ist ausgeschaltet!\rEs wurden Prompta-Befehle auf Spur 0, Midikanal 16 "
            "gefunden!\rSollen diese entfernt werden?");
  song.MidiFileFormat = 0;
  EXPECT_NE(PromptaQuestionText(song).find("Befehle auf Midikanal 16 gefunden"), std::string::npos);
  song.MidiFileFormat = 1;
  song.Configuration.PromptaEnabled = true;  // no question when Prompta support is on
  order.clear();
  ASSERT_EQ(TryOpen(song, b.WriteTemp("p.mid"), options), "");
  EXPECT_EQ(order, "RE");
}

TEST(OpenSong, XfChordSummaryFromFormat0Songs) {
  auto chordSong = [](int chords) {
    cvtest::SmfBuilder b(0);
    auto& t = b.AddTrack();
    for (int i = 0; i < chords; ++i) {
      std::string data{'\x43', '\x7B', '\x01', static_cast<char>(0x21 + i % 7), '\x00', static_cast<char>(0x7F - i),
                       '\x00'};
      t.Meta(i * 10, 0x7F, data);
    }
    t.NoteOn(100, 0, 60, 1);
    return b.WriteTemp("xf.mid");
  };
  Song song;
  ASSERT_EQ(TryOpen(song, chordSong(8)), "");
  ASSERT_EQ(song.XF_ChordsArray.size(), 8u);
  EXPECT_EQ(song.XF_Counter, 8);
  EXPECT_EQ(song.XF_ChordsArray[2].ChordOrgValue, 0x23);
  EXPECT_EQ(song.XF_ChordsArray[2].BassOrgValue, 0x7D);
  // Five chords or fewer get no summary, and none is left over from the song before.
  ASSERT_EQ(TryOpen(song, chordSong(5)), "");
  EXPECT_EQ(song.XF_Counter, 5);
  EXPECT_TRUE(song.XF_ChordsArray.empty());
}

TEST(OpenSong, CorpusLyricsReadAsWritten) {
  struct Case {
    const char* file;
    int index;
    const char16_t* text;
    int32_t songPosition;
  } cases[] = {
      {"kar/twinkle.kar", 0, u"Twinkle, Twinkle, Little Star", 108},
      {"kar/twinkle.kar", 4, u"kle, ", 1920},
      {"kar/twinkle.kar", 10, u"\r", 4604},
      {"lyrics-mid/music21_test18_utf8_zh.mid", 1, u"山", 2640},
      {"lyrics-mid/Schubert_Standchen.mid", 8, u"Lie", 7680},
      {"kar/HeyJude.kar", 1, u"Jude, ", 384},
  };
  for (const Case& c : cases) {
    CVTEST_CORPUS_FILE_OR_SKIP(path, c.file);
    Song song;
    ASSERT_EQ(TryOpen(song, path), "") << c.file;
    ASSERT_GT(song.HyphenArrayElements, c.index) << c.file;
    EXPECT_EQ(song.HyphenArray[c.index].Text, c.text) << c.file << " " << c.index;
    EXPECT_EQ(song.HyphenArray[c.index].SongPosition, c.songPosition) << c.file << " " << c.index;
  }
}

TEST(OpenSong, StopsThePlayerAndStartsTheTransportAtZero) {
  struct FakePlayer : PlayerLink {
    std::string log;
    bool playing = true;
    bool Playing() const override { return playing; }
    void Stop() override {
      log += "stop ";
      playing = false;
    }
    int32_t TimePosition() const override { return 0; }
    void MoveToPosition(int32_t ms) override { log += "move" + std::to_string(ms) + " "; }
  } player;
  cvtest::SmfBuilder b(1);
  b.AddTrack().NoteOn(0, 0, 60, 1).NoteOn(480, 0, 60, 0);
  Song song;
  song.Player = &player;
  OpenSongOptions options;
  options.AfterRelease = [&](Song&) { player.log += "released "; };
  ASSERT_EQ(TryOpen(song, b.WriteTemp("p.mid"), options), "");
  EXPECT_EQ(player.log.rfind("stop released move0 ", 0), 0u) << player.log;
}

// A last syllable at the song end makes opening grow the song; every event, one read after an End
// of Track too, then has the grown time map's time.
TEST(OpenSong, SongGrownForItsLastSyllableIsTimedWhole) {
  cvtest::SmfBuilder b;
  b.AddTrack().Bpm(0, 90).TimeSig(0, 3, 2).NoteOn(0, 0, 60, 90).NoteOff(1900, 0, 60);
  b.AddTrack()
      .Lyric(0, "Oh ")
      .Lyric(480, "when ")
      .Lyric(960, "the ")
      .Lyric(1440, "saints ")
      .Lyric(1700, "go ")
      .Lyric(1920, "in")
      .NoEnd()
      .Raw(1920, {0xFF, 0x2F, 0x00})
      .NoteOn(2500, 1, 62, 90);
  Song song;
  DateiOeffnen(song, b.WriteTemp("grown.mid"));
  EXPECT_EQ(song.MaxSongPosition, 1921);
  for (const TMyTrack& t : song.MidiTrack)
    for (const TypMidiEvent* e = t.TrkFirstEvent->NextEvent; e; e = e->NextEvent)
      if (e->Position <= song.MaxSongPosition) {
        EXPECT_EQ(e->TimePosition, SongPositionTime(song, e->Position)) << e->Position;
      }
  EXPECT_EQ(song.MidiTrack[0].TrkLastEvent->TimePosition, 2668);  // the End of Track at the new end
  // The note after the End of Track, timed at 90 beats per minute; the song length is its time.
  EXPECT_EQ(song.MidiTrack[1].TrkLastEvent->Position, 1921);
  int32_t after = 0;
  for (const TypMidiEvent* e = song.MidiTrack[1].TrkFirstEvent; e; e = e->NextEvent)
    if (e->Position == 2500) after = e->TimePosition;
  EXPECT_EQ(after, 3472);
  EXPECT_EQ(song.SongLength, 3472);
}
