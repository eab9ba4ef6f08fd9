#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/MidiFileReader.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "support/SmfBuilder.h"
#include "TestPaths.h"

using namespace cv;
using cvtest::SmfBuilder;

namespace {

std::unique_ptr<Song> Read(const std::vector<uint8_t>& bytes, uint8_t prevCommandMode = 1) {
  auto song = std::make_unique<Song>();
  song->Configuration.PrevCommandMode = prevCommandMode;
  song->SourceData = bytes;
  ReadMidiData(*song);
  return song;
}

std::vector<PtrMidiEvent> Events(const TMyTrack& track) {
  std::vector<PtrMidiEvent> out;
  for (PtrMidiEvent e = track.TrkFirstEvent; e; e = e->NextEvent) out.push_back(e);
  return out;
}

std::string ReadError(const std::vector<uint8_t>& bytes, TLanguage language, uint8_t prevCommandMode = 1) {
  SetCurrLanguage(language);
  try {
    Read(bytes, prevCommandMode);
  } catch (const EMidiError& e) {
    SetCurrLanguage(TLanguage::Englisch);
    return e.what();
  }
  SetCurrLanguage(TLanguage::Englisch);
  return "(no error)";
}

// One track chunk holding exactly these bytes (delta times included).
std::vector<uint8_t> WithTrack(const std::vector<uint8_t>& body, int format = 1) {
  std::vector<uint8_t> out = SmfBuilder(format).DeclaredTracks(1).Bytes();
  uint32_t n = static_cast<uint32_t>(body.size());
  out.insert(out.end(), {'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                         static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)});
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t count) {
  bytes.resize(bytes.size() - count);
  return bytes;
}

}  // namespace

TEST(MidiFileReader, BuildsChainsListsAndMelody) {
  SmfBuilder b(1, 480);
  b.AddTrack().Name(0, "Conductor").Bpm(0, 100).TimeSig(0, 3, 2).KeySig(0, -4, 1).Bpm(960, 120).End(1920);
  b.AddTrack()
      .Name(0, "Melody")
      .Program(0, 0, 33)
      .NoteOn(100, 0, 60, 90)
      .Lyric(100, "Hel")
      .NoteOff(200, 0, 60)
      .NoteOn(200, 0, 62, 90)
      .Lyric(200, "lo")
      .NoteOn(300, 0, 62, 0);
  b.AddTrack().Control(10, 3, 7, 100).Program(20, 5, 32).Lyric(50, "B");
  auto s = Read(b.Bytes());

  EXPECT_EQ(s->MidiFileFormat, 1);
  EXPECT_EQ(s->NumberOfSourceTracks, 3);
  EXPECT_EQ(s->SourceTimeBase, 480);
  ASSERT_EQ(s->MidiTrack.size(), 5u);
  EXPECT_EQ(s->MaxSongPosition, 300);  // tempo, End of Track and names after the last note do not count

  // Every chain: port placeholder first, End of Track at MaxSongPosition last.
  for (const TMyTrack& t : s->MidiTrack) {
    auto ev = Events(t);
    ASSERT_GE(ev.size(), 2u);
    EXPECT_EQ(ev.front()->MType, 0x21);
    EXPECT_EQ(ev.front()->Meta, std::string(1, '\0'));
    EXPECT_EQ(ev.back()->MType, 0x2F);
    EXPECT_EQ(ev.back()->Position, 300);
    EXPECT_EQ(t.TrkLastEvent, ev.back());
  }
  // Lyrics of all tracks, track after track; the name events are not counted.
  auto lyr = Events(s->MidiTrack[3]);
  ASSERT_EQ(lyr.size(), 6u);
  EXPECT_EQ(lyr[1]->Meta, "Lyrics");
  EXPECT_EQ(lyr[2]->Meta, "Hel");
  EXPECT_EQ(lyr[3]->Meta, "lo");
  EXPECT_EQ(lyr[4]->Meta, "B");
  EXPECT_EQ(lyr[4]->Position, 50);
  EXPECT_EQ(s->MidiTrack[3].TrkEventCounter, 5);
  EXPECT_EQ(Events(s->MidiTrack[4])[1]->Meta, "Prompta");
  EXPECT_EQ(s->MidiTrack[4].TrkEventCounter, 2);

  auto t1 = Events(s->MidiTrack[1]);
  ASSERT_EQ(t1.size(), 8u);  // port, name, program, 4 notes, End of Track
  EXPECT_EQ(s->MidiTrack[1].TrkEventCounter, 8);
  EXPECT_EQ(s->MidiTrack[1].TrkNameEvent, t1[1]);
  EXPECT_EQ(t1[2]->DataLength(), 2);
  EXPECT_EQ(t1[6]->Command, 0x80);  // note-on with velocity 0
  EXPECT_EQ(t1[6]->Value[1], 17);
  EXPECT_EQ(s->MidiTrack[0].TrkMidiChannel, -1);
  EXPECT_EQ(s->MidiTrack[1].TrkMidiChannel, 0);
  EXPECT_EQ(s->MidiTrack[2].TrkMidiChannel, 16);
  EXPECT_TRUE(s->BassOnChannel[0]);
  EXPECT_FALSE(s->BassOnChannel[5]);  // program 32 is no bass

  ASSERT_EQ(s->TempoArrayElements, 3);
  EXPECT_EQ(s->TempoArray[0].TempoLongInt, 600000);
  EXPECT_EQ(s->TempoArray[0].Tempo, 100);
  EXPECT_EQ(s->TempoArray[1].SongPosition, 960);
  EXPECT_EQ(s->TempoArray[2].SongPosition, -1);
  ASSERT_EQ(s->TimeSignElements, 2);
  EXPECT_EQ(s->TimeSignature[0].Numerator, 3);
  EXPECT_EQ(s->TimeSignature[0].Denominator, 4);
  ASSERT_EQ(s->KeySignArray[0].Elements, 1);
  EXPECT_EQ(s->KeySignArray[0].ValArray[0].SF, 252);
  EXPECT_EQ(s->KeySignArray[0].ValArray[0].MI, 1);

  auto mel = Events(s->MelodyTrack);
  ASSERT_EQ(mel.size(), 4u);
  EXPECT_EQ(mel[1]->Value[0], 60);
  EXPECT_EQ(mel[2]->Position, 200);
  EXPECT_NE(mel[1], t1[3]);  // copies, not shared records
}

TEST(MidiFileReader, RunningStatusAndDataBytes) {
  SmfBuilder b(0);
  b.AddTrack().RunningStatus().NoteOn(0, 1, 60, 80).NoteOn(10, 1, 60, 0).NoteOn(20, 1, 61, 70).Raw(30, {0x90, 62, 200});
  auto s = Read(b.Bytes());
  auto ev = Events(s->MidiTrack[0]);
  ASSERT_EQ(ev.size(), 6u);
  EXPECT_EQ(ev[2]->Command, 0x81);
  EXPECT_EQ(ev[2]->Value[1], 17);
  EXPECT_EQ(ev[3]->Command, 0x91);  // running status stays 0x91 after the converted note-off
  EXPECT_EQ(ev[4]->Value[1], 127);  // data byte 2 above 127
  EXPECT_EQ(s->MidiTrack[0].TrkMidiChannel, 16);
}

TEST(MidiFileReader, RunningStatusAfterMetaDependsOnPrevCommandMode) {
  auto bytes = WithTrack({0, 0x90, 60, 80, 0, 0xFF, 0x01, 1, 'x', 0, 61, 80, 0, 0xFF, 0x2F, 0});
  EXPECT_EQ(Events(Read(bytes, 1)->MidiTrack[0]).size(), 5u);
  EXPECT_NE(ReadError(bytes, TLanguage::Englisch, 0).find("does not allow here (61)"), std::string::npos);
}

TEST(MidiFileReader, ErrorsInBothLanguages) {
  auto good = WithTrack({0x90, 60, 80, 0, 0xFF, 0x2F, 0});
  auto badHeader = good;
  badHeader[1] = 'X';
  auto badLength = good;
  badLength[7] = 7;
  auto badTrack = good;
  badTrack[15] = 0x01;  // no chunk type at all
  auto unknownChunk = good;
  unknownChunk[15] = 'X';  // "MXrk": a chunk of another type, so the track is missing
  auto bigFormat = good;
  bigFormat[8] = 1;
  auto format3 = good;
  format3[9] = 3;
  auto smpte = good;  // 25 frames of 40 ticks per second
  smpte[12] = 0xE7;
  smpte[13] = 0x28;
  // Each message says what is wrong in words and what to do, in both languages, without the old
  // programs' raw lines ("Error in MidiDateiHeader - 1!", "Range check error").
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* why;  // part of the English explanation
  } cases[] = {
      {"H1", badHeader,
       "This is not a MIDI file"},
      {"H2", badLength,
       "says it is 7 bytes long"},
      {"T1", badTrack,
       "Track 1 does not begin"},
      {"E1", WithTrack({0, 60, 80, 0, 0xFF, 0x2F, 0}),
       "does not allow here (60) (track 1 of 1, byte 24)"},
      {"E2 status", WithTrack({0, 0xF1, 0, 0xFF, 0x2F, 0}),
       "(241)"},
      {"E2 end with data", WithTrack({0, 0xFF, 0x2F, 1, 0}),
       "end mark of a track carries data"},
      // Bytes after End of Track are only read by the build pass.
      {"E3", WithTrack({0, 0xFF, 0x2F, 0, 0, 0xF4}),
       "(244)"},
      {"E4", WithTrack({0, 0x90, 0xC8, 80, 0, 0xFF, 0x2F, 0}),
       "above 127"},
      {"past end", WithTrack({0, 0xFF, 0x01, 20, 'a'}),
       "An event runs past the end of the file (track 1 of 1, byte 26)"},
      {"cut short", Cut(WithTrack({0, 0x90, 60, 80, 0x83, 0x60, 0x80, 60, 0, 0, 0xFF, 0x2F, 0}), 4),
       "The file ends early (byte 9 of a track that says 13): it is damaged or incomplete."},
      {"missing track", unknownChunk,
       "The file ends after 0 of the 1 tracks its header names"},
      {"format 3", format3, "MIDI format 3, which does not exist"},
      {"format above 255", bigFormat, "MIDI format 257"},
      {"SMPTE time base", smpte, "SMPTE frames (25 frames of 40 ticks per second)"},
      {"key signature of one byte", WithTrack({0, 0xFF, 0x59, 1, 2, 0, 0xFF, 0x2F, 0}), "key signature is too short"},
      {"variable length beyond 32 bits", WithTrack({0x8F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x2F, 0}),
       "larger than this program can count"},
      {"running tick beyond 32 bits", WithTrack({0x87, 0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 1, 0x81, 0, 0x90, 60, 1, 0, 0xFF, 0x2F, 0}),
       "larger than this program can count"},
  };
  for (const Case& c : cases) {
    const std::string de = ReadError(c.bytes, TLanguage::Deutsch), en = ReadError(c.bytes, TLanguage::Englisch);
    for (const char* raw : {"\n", "\r", "Error in", "Fehler im", "Range check", "Bereichsprüfung", "overflow", "Überlauf"}) {
      EXPECT_EQ(en.find(raw), std::string::npos) << c.name << ": " << en;
      EXPECT_EQ(de.find(raw), std::string::npos) << c.name << ": " << de;
    }
    EXPECT_NE(en.find(c.why), std::string::npos) << c.name << ": " << en;
    EXPECT_NE(de.find("Datei"), std::string::npos) << c.name << ": " << de;  // explained in German too
  }
  // A file shorter than its header says: where it ends, in both languages.
  std::vector<uint8_t> cut = WithTrack({0, 0xFF, 0x2F, 0});
  cut[11] = 2;  // the header counts a second track that is not there
  EXPECT_NE(ReadError(cut, TLanguage::Englisch).find("The file ends after 1 of the 2 tracks its header names"), std::string::npos)
      << ReadError(cut, TLanguage::Englisch);
}

// A tempo faster than the program counts and a note value below 1/128 read the same in every
// track: the event stays as it is, so a song written in either format reads again (format 0
// merges every track into the first).
TEST(MidiFileReader, AbsurdTempoAndNoteValueReadAlikeInEveryTrackAndSurviveTheWriters) {
  const struct {
    const char* name;
    int type;
    std::string data;
  } cases[] = {
      {"tempo of 65 800 bpm", 0x51, std::string("\x00\x03\x93", 3)},
      {"note value 1/256", 0x58, std::string("\x04\x08\x18\x08", 4)},
      {"note value 1/2^88", 0x58, std::string("\x04\x58\x18\x08", 4)},
  };
  auto holds = [](const Song& song, int type, const std::string& data) {
    for (const TMyTrack& t : song.MidiTrack)
      for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent)
        if (e->Command == 0xFF && e->MType == type && e->Meta == data) return true;
    return false;
  };
  for (const auto& c : cases) {
    for (int track : {0, 1}) {
      SCOPED_TRACE(std::string(c.name) + " in track " + std::to_string(track + 1));
      SmfBuilder smf(1, 480);
      auto& first = smf.AddTrack();
      first.Tempo(0, 500000).TimeSig(0, 3, 2);
      if (track == 0) first.Meta(240, c.type, c.data);
      auto& second = smf.AddTrack();
      second.NoteOn(0, 0, 60, 100);
      if (track == 1) second.Meta(240, c.type, c.data);
      second.NoteOff(480, 0, 60);
      const std::unique_ptr<Song> song = Read(smf.Bytes());
      EXPECT_TRUE(holds(*song, c.type, c.data));
      EXPECT_EQ(song->TimeSignature[0].Numerator, 3);  // the bars go on in 3/4
      for (const std::vector<uint8_t>& written : {Format0FileImage(*song, "x"), Format1FileImage(*song)}) {
        std::unique_ptr<Song> again;
        ASSERT_NO_THROW(again = Read(written));
        EXPECT_TRUE(holds(*again, c.type, c.data));
      }
    }
  }
}

// The song that showed it (a fuzzing find, kept as the writers' fuzz seed): 2^88 as the note value
// in its fourth track.
TEST(MidiFileReader, TheFuzzFindSavedAsFormat0ReadsAgain) {
  const std::string path = std::string(CANTOVEX_TEST_DATA_DIR) + "/../fuzz/seeds/writers/f0-unreadable-after-save.mid";
  const std::unique_ptr<Song> song = Read(cvtest::ReadFileBytes(path));
  EXPECT_NO_THROW(Read(Format0FileImage(*song, "x")));
}

// Millions of one-letter lyric events are refused with the reason and their whole count (nothing
// is built past the limit); the limit itself still reads.
TEST(MidiFileReader, EndlessLyricEventsAreRefusedWithTheirCount) {
  for (int count : {kMaxSongSyllables, kMaxSongSyllables + 5}) {
    std::vector<uint8_t> body;
    body.reserve(static_cast<size_t>(count) * 5 + 4);
    for (int i = 0; i < count; ++i) body.insert(body.end(), {0, 0xFF, 0x05, 1, 'a'});
    body.insert(body.end(), {0, 0xFF, 0x2F, 0});
    const std::string error = ReadError(WithTrack(body), TLanguage::Englisch);
    if (count == kMaxSongSyllables)
      EXPECT_EQ(error, "(no error)");
    else
      EXPECT_EQ(error.find("The file holds 1 000 005 text events; this program reads at most 1 000 000"), 0u) << error;
  }
}

TEST(MidiFileReader, TimeSignatureExponentUsesLowFiveBits) {
  auto s = Read(WithTrack({0, 0xFF, 0x58, 4, 6, 33, 24, 8, 0, 0xFF, 0x2F, 0}));
  EXPECT_EQ(s->TimeSignature[0].Denominator, 2);
}

TEST(MidiFileReader, BytesAfterEndOfTrackAreReadAsEvents) {
  // They count nowhere (not in the song length, nor in the lists' spare entries), but are kept, and
  // the tempo list still fits.
  auto s = Read(WithTrack({0, 0x90, 60, 80, 0, 0xFF, 0x2F, 0, 10, 0xFF, 0x51, 3, 0x07, 0xA1, 0x20, 10, 0xFF, 0x51, 3,
                           0x07, 0xA1, 0x20}));
  EXPECT_EQ(s->MaxSongPosition, 0);
  EXPECT_EQ(s->TempoArrayCounter, 2);
  ASSERT_EQ(s->TempoArrayElements, 3);
  EXPECT_EQ(s->TempoArray[1].SongPosition, 20);
  EXPECT_EQ(s->TempoArray[2].SongPosition, -1);
}

TEST(MidiFileReader, OnlyTrackZeroFeedsTheTempoList) {
  SmfBuilder b(2);
  b.AddTrack().Bpm(0, 90).NoteOn(0, 0, 60, 1);
  b.AddTrack().Bpm(0, 150).Meta(0, 0x51, std::string("\x07\xA1", 2)).NoteOn(0, 1, 60, 1);
  auto s = Read(b.Bytes());
  EXPECT_EQ(s->TempoArrayElements, 2);
  EXPECT_EQ(s->TempoArray[0].Tempo, 90);
  EXPECT_EQ(Events(s->MidiTrack[1]).size(), 4u);  // the 3-byte tempo is stored, the 2-byte one dropped
}

TEST(MidiFileReader, SysexSignatureEndsEveryLyricWithALineBreak) {
  SmfBuilder b(1);
  b.AddTrack().Lyric(0, "a").Sysex(5, std::string("\x00\x20\x24\x00\x01", 5)).Lyric(10, "b").Lyric(20, "");
  auto s = Read(b.Bytes());
  auto ev = Events(s->MidiTrack[1]);
  ASSERT_EQ(ev.size(), 6u);
  EXPECT_EQ(ev[2]->Meta, "a");
  EXPECT_EQ(ev[3]->Meta, "b\r");
  EXPECT_EQ(ev[3]->DataLength(), 2);
  EXPECT_EQ(ev[4]->Meta, "\r");
}

TEST(MidiFileReader, XfChordsCountOnlyInFormat0) {
  for (int format : {0, 1}) {
    SmfBuilder b(format);
    auto& t = b.AddTrack();
    for (int i = 0; i < 3; ++i) t.Meta(i * 10, 0x7F, std::string("\x43\x7B\x01\x23\x00\x7F\x00", 7));
    t.Meta(40, 0x7F, std::string("\x43\x7B\x02\x23\x00\x7F\x00", 7));
    auto s = Read(b.Bytes());
    EXPECT_EQ(s->XF_Counter, format == 0 ? 3 : 0);
    EXPECT_EQ(s->XF_TrackNb, format == 0 ? 0 : -1);
    EXPECT_EQ(s->XF_Present, format == 0);
  }
}

namespace {
void PromptaSignature(cvtest::SmfTrack& t, int channel, int controller, int tick = 0) {
  t.Control(tick, channel, controller, 24);
  for (char ch : std::string("Maravelt 2000")) t.Control(tick, channel, controller, static_cast<uint8_t>(ch));
  t.Control(tick, channel, controller, 25);
}
}  // namespace

TEST(MidiFileReader, PromptaDetectionCommitsOnlyCompleteSignatures) {
  SmfBuilder b(1);
  b.AddTrack().NoteOn(0, 0, 60, 1);
  PromptaSignature(b.AddTrack(), 2, 98);
  PromptaSignature(b.AddTrack(), 5, 97);
  // A started but incomplete signature in a later track must not redirect the result.
  b.AddTrack().Control(0, 9, 40, 24).Control(0, 9, 40, 'M');
  auto s = Read(b.Bytes());
  EXPECT_EQ(s->PromptaControllerTrack, 2);
  EXPECT_EQ(s->PromptaController, 97);
  EXPECT_EQ(s->PromptaControllerChannel, 5);

  SmfBuilder late(1);
  PromptaSignature(late.AddTrack(), 0, 98, 300);
  EXPECT_EQ(Read(late.Bytes())->PromptaControllerTrack, -1);

  // A second 24 in state 1 takes over as the candidate.
  SmfBuilder retry(1);
  auto& t = retry.AddTrack();
  t.Control(0, 1, 50, 24);
  PromptaSignature(t, 3, 60);
  auto r = Read(retry.Bytes());
  EXPECT_EQ(r->PromptaControllerTrack, 0);
  EXPECT_EQ(r->PromptaController, 60);
}

TEST(MidiFileReader, ManyTracksKeepFullWidthIndexes) {
  SmfBuilder b(1);
  for (int i = 0; i < 300; ++i) b.AddTrack();
  PromptaSignature(b.AddTrack(), 0, 98);
  auto s = Read(b.Bytes());
  EXPECT_EQ(s->PromptaControllerTrack, 300);
  EXPECT_EQ(s->MidiTrack.size(), 303u);
}

TEST(MidiFileReader, TextEncodingDecision) {
  struct Case {
    std::vector<std::string> texts;
    TextEncoding expected;
  } cases[] = {
      {{"plain", "ascii"}, TextEncoding::Windows1252},
      {{"caf\xC3\xA9", "ok"}, TextEncoding::Utf8},
      {{"caf\xC3\xA9", "caf\xE9"}, TextEncoding::Windows1252},  // one invalid event decides
      {{"\xE4\xBD\xA0\xE5\xA5\xBD"}, TextEncoding::Utf8},
      {{}, TextEncoding::Windows1252},
  };
  for (const Case& c : cases) {
    SmfBuilder b(1);
    auto& t = b.AddTrack();
    for (size_t i = 0; i < c.texts.size(); ++i)
      i % 2 ? t.Text(static_cast<int>(i), c.texts[i]) : t.Lyric(static_cast<int>(i), c.texts[i]);
    t.Name(10, "\xE9");  // track names do not take part
    EXPECT_EQ(Read(b.Bytes())->Encoding, c.expected) << (c.texts.empty() ? "" : c.texts[0]);
  }
}

// Track chunks beyond the header's count are kept the same way: no reader plays them, and
// dropping them would lose what the file holds.
TEST(MidiFileReader, ChunksOfOtherTypesAndTracksBeyondTheCountAreKeptAndWrittenBackAfterTheTracks) {
  SmfBuilder smf(1);
  smf.AddTrack().Tempo(0, 500000);
  smf.AddTrack().NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  SmfBuilder lone(1);
  lone.AddTrack().NoteOn(0, 0, 64, 90).NoteOff(240, 0, 64);
  const std::vector<uint8_t> loneBytes = lone.Bytes();
  const std::string extra(loneBytes.begin() + 14, loneBytes.end());
  std::vector<uint8_t> bytes = smf.Bytes();
  bytes.insert(bytes.end(), extra.begin(), extra.end());
  auto chunk = [](const std::string& tag, const std::string& data) {
    std::string c = tag;
    for (int shift : {24, 16, 8, 0}) c.push_back(static_cast<char>(data.size() >> shift));
    return c + data;
  };
  const std::string junk = chunk("Junk", "This is not a MIDI track."), info = chunk("XFIH", std::string("\x00\x01\xFF", 3));
  // Between the header and the first track, and after the last one.
  bytes.insert(bytes.begin() + 14, junk.begin(), junk.end());
  bytes.insert(bytes.end(), info.begin(), info.end());
  auto song = Read(bytes);
  EXPECT_EQ(song->ForeignChunks, (std::vector<std::string>{junk, extra, info}));
  EXPECT_EQ(song->NumberOfSourceTracks, 2);
  EXPECT_EQ(song->MelodyTrack.TrkFirstEvent->NextEvent->Position, 0);

  for (int format : {0, 1}) {
    const std::vector<uint8_t> image = format == 0 ? Format0FileImage(*song, "") : Format1FileImage(*song);
    const std::string tail = junk + extra + info;
    ASSERT_GT(image.size(), tail.size());
    EXPECT_EQ(std::string(image.end() - static_cast<long>(tail.size()), image.end()), tail) << format;
    EXPECT_EQ(Read(image)->ForeignChunks, song->ForeignChunks) << format;
  }
}
