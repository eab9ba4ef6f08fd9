#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "output/KarFileWriter.h"
#include "session/SongSession.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "support/Corpus.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

// Answers every question with a fixed reply and keeps what the user would have seen.
struct RecordingUi : SessionUi {
  bool answer = true;
  std::vector<std::string> questions;
  std::vector<TUserMessage> messages;
  bool AskYesNo(const std::string& question) override {
    questions.push_back(question);
    return answer;
  }
  void Report(const TUserMessage& message) override { messages.push_back(message); }
};

// A song with a melody and one lyric per note, in the given file format (format 2: two tracks).
// lyricsLate: the lyric events that many ticks after their notes.
cvtest::SmfBuilder LyricSong(int format, int microsPerQuarter = 500000, int lyricsLate = 0) {
  cvtest::SmfBuilder smf(format, 480);
  auto& t = smf.AddTrack();
  t.Tempo(0, microsPerQuarter).TimeSig(0, 4, 2);
  const char* words[] = {"Song", "\r", "Art", "\r", "Hel", "lo ", "world"};
  int tick = 480;
  for (const char* w : words) {
    if (lyricsLate == 0)
      t.Lyric(tick, w).NoteOn(tick, 0, 60, 100).NoteOff(tick + 200, 0, 60);
    else
      t.NoteOn(tick, 0, 60, 100).NoteOff(tick + 200, 0, 60).Lyric(tick + lyricsLate, w);
    tick += 480;
  }
  if (format != 0) smf.AddTrack().NoteOn(0, 1, 40, 90).NoteOff(tick, 1, 40);
  return smf;
}

int FileFormat(const std::string& path) {
  const std::vector<uint8_t> bytes = cvtest::ReadFileBytes(path);
  return bytes.size() > 9 ? bytes[9] : -1;
}

}  // namespace

TEST(SongSession, SavesInTheFormatRuleAndClearsTheModifiedFlag) {
  SetCurrLanguage(TLanguage::Englisch);
  struct Case {
    int format, saved;
  } cases[] = {{0, 0}, {1, 1}, {2, 1}};
  for (const Case& c : cases) {
    RecordingUi ui;
    SongSession session(ui);
    const std::string path = LyricSong(c.format).WriteTemp("song.mid");
    ASSERT_TRUE(session.Open(path)) << c.format;
    EXPECT_EQ(session.EditorMode(), TEditorMode::Viewing);
    EXPECT_FALSE(session.Modified());
    EXPECT_EQ(session.NaturalFormat(), c.saved);
    ASSERT_TRUE(session.UpperCase());
    EXPECT_TRUE(session.Modified());
    ASSERT_TRUE(session.Save()) << c.format;
    EXPECT_FALSE(session.Modified());
    EXPECT_EQ(FileFormat(path), c.saved);
    // Save as: the other format on request, and the new file is the song's own from now on.
    const std::string other = cvtest::TempDir() + "/other.mid";
    ASSERT_TRUE(session.SaveAs(other, 1 - c.saved));
    EXPECT_EQ(FileFormat(other), 1 - c.saved);
    EXPECT_EQ(session.CurrentSong().MidiFileName, other);
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST(SongSession, ChangedDefaultTempoReachesTheFileAndTheSongStaysAsItWas) {
  RecordingUi ui;
  SongSession session(ui);
  cvtest::SmfBuilder smf(0, 480);
  smf.AddTrack().NoteOn(0, 0, 60, 100).NoteOff(1920, 0, 60);  // no tempo event: 120 bpm by default
  ASSERT_TRUE(session.Open(smf.WriteTemp("plain.mid")));
  const int32_t length = session.CurrentSong().SongLength;
  // Practising at half speed changes nothing of the song.
  ASSERT_TRUE(session.SetPlaybackSpeed(5));
  EXPECT_FALSE(session.Modified());
  EXPECT_EQ(session.CurrentSong().SongLength, 2 * length);
  ASSERT_TRUE(session.SetPlaybackSpeed(0));
  // The command line's speed is an edit.
  ASSERT_TRUE(session.ScaleTempoToSpeed(5));
  EXPECT_TRUE(session.Modified());
  const int32_t events = session.CurrentSong().MidiTrack[0].TrkEventCounter;
  const std::string path = cvtest::TempDir() + "/slow.mid";
  ASSERT_TRUE(session.WriteTo(path));
  EXPECT_EQ(session.CurrentSong().MidiTrack[0].TrkEventCounter, events);
  RecordingUi ui2;
  SongSession again(ui2);
  ASSERT_TRUE(again.Open(path));
  EXPECT_EQ(again.CurrentSong().SongLength, session.CurrentSong().SongLength);
}

TEST(SongSession, FailuresBecomeMessagesInsteadOfExceptions) {
  SetCurrLanguage(TLanguage::Englisch);
  RecordingUi ui;
  SongSession session(ui);
  // A file that ends early: reported with its name, no song loaded.
  std::vector<uint8_t> bytes = LyricSong(0).Bytes();
  bytes.resize(bytes.size() - 20);
  const std::string broken = cvtest::WriteTempFile("broken.mid", bytes);
  EXPECT_FALSE(session.Open(broken));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].File, broken);
  EXPECT_EQ(ui.messages[0].Severity, TSeverity::Error);
  EXPECT_FALSE(ui.messages[0].Text.empty());
  EXPECT_EQ(session.EditorMode(), TEditorMode::NoSong);
  EXPECT_FALSE(session.Save());

  // A tempo change the song cannot take: reported, the song unchanged and not modified.
  ui.messages.clear();
  ASSERT_TRUE(session.Open(LyricSong(0, 0xFFFFFF).WriteTemp("slow.mid")));
  EXPECT_FALSE(session.ApplyTempoDiff(-40));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].Text.find("not possible"), std::string::npos) << ui.messages[0].Text;
  EXPECT_FALSE(session.Modified());

  // A writer that cannot write: its own message with its caption, the error of the save.
  ui.messages.clear();
  const std::string unwritable = cvtest::TempDir() + "/no/such/folder/x.mid";
  EXPECT_FALSE(session.WriteTo(unwritable));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].Severity, TSeverity::Error);
  EXPECT_FALSE(ui.messages[0].Caption.empty());
  EXPECT_EQ(ui.messages[0].File, unwritable);
}

TEST(SongSession, EditorsHoldTheViewAndOnlyRealChangesMarkTheSong) {
  RecordingUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(LyricSong(1).WriteTemp("song.mid")));
  const std::optional<TEditorText> text = session.EnterEditText();
  ASSERT_TRUE(text);
  EXPECT_EQ(session.EditorMode(), TEditorMode::EditingText);
  // While an editor is open the operations on the lyrics wait.
  EXPECT_FALSE(session.Assign());
  EXPECT_FALSE(session.Quantize());
  EXPECT_FALSE(session.UpperCase());
  EXPECT_FALSE(session.EnterMtcText());
  // Leaving with the text as it was changes nothing and asks nothing.
  TLeaveResult left = session.LeaveEditor(text->Text);
  ASSERT_EQ(left.Status, TLeaveStatus::Done);
  EXPECT_TRUE(ui.questions.empty());
  EXPECT_FALSE(session.Modified());
  EXPECT_EQ(session.EditorMode(), TEditorMode::Viewing);

  const std::optional<TEditorText> times = session.EnterMtcText();
  ASSERT_TRUE(times);
  EXPECT_EQ(session.EditorMode(), TEditorMode::EditingTimes);
  std::u16string edited = times->Text;
  const size_t at = edited.find(u"world");
  ASSERT_NE(at, std::u16string::npos);
  edited.replace(at, 5, u"there");
  left = session.LeaveEditor(edited);
  ASSERT_EQ(left.Status, TLeaveStatus::Done);
  EXPECT_TRUE(session.Modified());
  EXPECT_NE(session.DisplayText().find(u"there"), std::u16string::npos);
}

// A look into either editor of a real song leaves it as it was, even where reading the text back
// would place the title lines or a time anew.
TEST(SongSession, LeavingAnEditorUnchangedLeavesTheSongAsItWas) {
  CVTEST_CORPUS_FILE_OR_SKIP(path, "kar/jingle_bells.kar");
  for (const bool times : {false, true}) {
    RecordingUi ui;
    SongSession session(ui);
    ASSERT_TRUE(session.Open(path));
    const std::vector<THyphens> before(session.CurrentSong().HyphenArray.begin(),
                                       session.CurrentSong().HyphenArray.begin() + session.CurrentSong().HyphenArrayElements);
    const std::optional<TEditorText> text = times ? session.EnterMtcText() : session.EnterEditText();
    ASSERT_TRUE(text);
    ASSERT_EQ(session.LeaveEditor(text->Text).Status, TLeaveStatus::Done) << times;
    EXPECT_FALSE(session.Modified()) << times;
    EXPECT_FALSE(session.CanUndo()) << times;
    ASSERT_EQ(session.CurrentSong().HyphenArrayElements, static_cast<int32_t>(before.size()));
    for (size_t i = 0; i < before.size(); ++i)
      EXPECT_EQ(session.CurrentSong().HyphenArray[i].SongPosition, before[i].SongPosition) << times << " " << i;
  }
}

// A mistyped position line is refused with its number and text as the user sees them.
TEST(SongSession, TheTimesEditorNamesAMistypedLine) {
  SetCurrLanguage(TLanguage::Englisch);
  RecordingUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(LyricSong(1).WriteTemp("song.mid")));
  const std::optional<TEditorText> text = session.EnterMtcText();
  ASSERT_TRUE(text);
  std::u16string edited = text->Text;
  const size_t at = edited.find(u" lo ");  // the space between position and syllable
  ASSERT_NE(at, std::u16string::npos);
  const size_t lineNumber = std::count(edited.begin(), edited.begin() + at, u'\n') + 1;
  const size_t start = edited.rfind(u'\n', at) + 1;
  edited[at] = u'0';  // "002.04.0000lo "
  const TLeaveResult left = session.LeaveEditor(edited);
  ASSERT_EQ(left.Status, TLeaveStatus::BadPosition);
  EXPECT_EQ(left.Line, static_cast<int32_t>(lineNumber));
  EXPECT_EQ(left.Text, edited);  // the editor keeps what was typed
  ASSERT_EQ(ui.messages.size(), 1u);
  const std::string line = Utf16ToUtf8(edited.substr(start, edited.find(u'\n', at) - start));
  EXPECT_NE(ui.messages[0].Text.find("line " + std::to_string(lineNumber) + " is wrong: \u201C" + line + "\u201D"),
            std::string::npos)
      << ui.messages[0].Text;
  EXPECT_EQ(session.EditorMode(), TEditorMode::EditingTimes);
  EXPECT_FALSE(session.Modified());
}

// Hiding a note assigns every syllable again: on a song whose syllables do not sit where an
// assignment puts them, the user is asked first; the note hidden is named with pitch and place.
TEST(SongSession, HidingANoteAsksBeforeRetimingASongNotAssignedHere) {
  SetCurrLanguage(TLanguage::Englisch);
  struct Case {
    bool assignFirst, answer;
    size_t questions;
    bool hidden;
  } cases[] = {{false, false, 1, false}, {false, true, 1, true}, {true, false, 0, true}};
  for (const Case& c : cases) {
    RecordingUi ui;
    SongSession session(ui);
    // Timed between the notes: assign moves them.
    ASSERT_TRUE(session.Open(LyricSong(1, 500000, 240).WriteTemp("song.mid")));
    if (c.assignFirst) {
      ASSERT_TRUE(session.Assign());
    }
    const std::vector<THyphens> before(session.CurrentSong().HyphenArray.begin(),
                                       session.CurrentSong().HyphenArray.begin() + session.CurrentSong().HyphenArrayElements);
    ui.answer = c.answer;
    const std::optional<std::string> note = session.HideNoteAt(1500);  // tick 1440: the note under "Art"
    ASSERT_EQ(ui.questions.size(), c.questions) << c.assignFirst;
    if (c.questions) {
      EXPECT_NE(ui.questions[0].find("Hiding a note assigns every syllable again"), std::string::npos) << ui.questions[0];
      EXPECT_NE(ui.questions[0].find("Hide the note C4 (60) at 001.04.000?"), std::string::npos) << ui.questions[0];
    }
    ASSERT_EQ(note.has_value(), c.hidden) << c.assignFirst;
    if (!c.hidden) {
      EXPECT_FALSE(session.Modified());
      for (size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(session.CurrentSong().HyphenArray[i].SongPosition, before[i].SongPosition) << i;
      continue;
    }
    EXPECT_EQ(*note, "C4 (60) at 001.04.000");
    EXPECT_TRUE(session.Modified());
  }
}

TEST(SongSession, DeleteLyricsAsksFirst) {
  RecordingUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(LyricSong(0).WriteTemp("song.mid")));
  ui.answer = false;
  EXPECT_FALSE(session.DeleteLyrics());
  EXPECT_GT(session.CurrentSong().HyphenArrayElements, 0);
  ui.answer = true;
  ASSERT_TRUE(session.DeleteLyrics());
  EXPECT_EQ(session.CurrentSong().HyphenArrayElements, 0);
  EXPECT_EQ(session.EditorMode(), TEditorMode::EditingText);
  EXPECT_EQ(ui.questions.size(), 2u);
}

TEST(OutputChoice, PicksThePortTheSynthesizerOrNoneWithTheReason) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::vector<std::string> ports = {"Zeta:0", "Alpha MIDI 14:0", "Through 14:0"};
  using Kind = TOutputChoice::Kind;
  struct Case {
    const char* name;
    std::vector<std::string> ports;
    bool synth;
    std::string wanted;
    bool fallBack;
    Kind kind;
    std::string chosen;  // name, or part of the message for none
  } cases[] = {
      {"exact name", ports, true, "Zeta:0", true, Kind::Port, "Zeta:0"},
      {"unique part, any case", ports, false, "alpha", false, Kind::Port, "Alpha MIDI 14:0"},
      {"ambiguous part", ports, false, "14:0", false, Kind::None, "not installed"},
      {"the synthesizer by name", ports, true, "Synth", false, Kind::Synth, "Synth"},
      {"virtual port", ports, false, "virtual", false, Kind::VirtualPort, "Our port"},
      {"gone: synthesizer first", ports, true, "gone", true, Kind::Synth, "Synth"},
      {"gone: first port by name", ports, false, "gone", true, Kind::Port, "Alpha MIDI 14:0"},
      {"nothing at all", {}, false, "", true, Kind::None, "no midi interface"},
  };
  for (const Case& c : cases) {
    TOutputRequest r;
    r.PortNames = c.ports;
    r.SynthName = "Synth";
    r.SynthAllowed = c.synth;
    r.WantedName = c.wanted;
    r.FallBack = c.fallBack;
    r.VirtualPortName = "Our port";
    const TOutputChoice choice = ChooseOutputFor(r);
    EXPECT_EQ(choice.Output, c.kind) << c.name;
    if (c.kind == Kind::None) {
      EXPECT_NE(choice.Message.find(c.chosen), std::string::npos) << c.name << ": " << choice.Message;
    } else {
      EXPECT_EQ(choice.Name, c.chosen) << c.name;
      if (c.kind == Kind::Port) {
        EXPECT_EQ(c.ports[choice.PortIndex], c.chosen) << c.name;
      }
    }
  }
  // The session reports a missing output.
  RecordingUi ui;
  SongSession session(ui);
  EXPECT_EQ(session.ChooseOutput({}).Output, Kind::None);
  ASSERT_EQ(ui.messages.size(), 1u);
}

namespace {

// Tap recording: header lines (name, artist, blank lines after them) are never tapped. Whatever
// was highlighted before Rec near the start, the first tap stamps the first sung syllable, and
// the artist line follows it, before and after the stop.
TEST(SongSession, TheFirstTapStampsTheFirstSungSyllableAndTheHeaderFollows) {
  struct Case {
    std::vector<const char*> words;
    std::vector<int32_t> stamped;  // positions of the first elements after one tap at tick 1000
  };
  const Case cases[] = {
      {{"Hel", "lo\r", "world", "and", "more"}, {1000}},                              // no title line
      {{"Name\r", "Hel", "lo\r", "world", "more"}, {108, 112, 1000}},                // a name line only
      {{"Name\r", "Art\r", "Hel", "lo", "world"}, {108, 112, 992, 996, 1000}},       // name and artist
      {{"Name\r", "Art\r", "\r", "Hel", "lo", "world"}, {108, 112, 988, 992, 996, 1000}},  // and a blank line
  };
  for (const Case& c : cases) {
    cvtest::SmfBuilder smf(1, 480);
    smf.AddTrack().Tempo(0, 500000).TimeSig(0, 4, 2);
    // The name (when there is one) lies before the first note.
    auto& words = smf.AddTrack();
    for (size_t i = 0; i < c.words.size(); ++i) words.Lyric(480 * static_cast<int>(i), c.words[i]);
    auto& notes = smf.AddTrack();  // after the words are in: adding a track moves the others
    for (size_t i = 0; i < c.words.size(); ++i) {
      const int tick = 960 + 480 * static_cast<int>(i);
      notes.NoteOn(tick, 0, 60, 100).NoteOff(tick + 140, 0, 60);
    }
    const std::string path = smf.WriteTemp("tap.mid");
    const int firstSung = static_cast<int>(c.stamped.size()) - 1;
    // Highlighted before Rec: nothing, the name, ..., the last header line.
    for (int highlighted = -1; highlighted < std::max(firstSung, 2); ++highlighted) {
      SCOPED_TRACE(std::string(c.words[0]) + ", highlighted " + std::to_string(highlighted));
      RecordingUi ui;
      SongSession session(ui);
      ASSERT_TRUE(session.Open(path));
      Song& song = session.CurrentSong();
      song.CurrentHyphen = highlighted;
      EXPECT_EQ(session.StartRecording(), firstSung);
      song.SongPositionTicks = 1000;
      const TTapResult r = session.Tap(1042);  // 1000 ticks at 120 bpm, 480 per quarter
      ASSERT_EQ(r.Select, firstSung);
      std::vector<int32_t> stamped;
      for (int i = 0; i <= firstSung; ++i) stamped.push_back(song.HyphenArray[i].SongPosition);
      EXPECT_EQ(stamped, c.stamped);
      session.PlaybackStopped();
      stamped.clear();
      for (int i = 0; i <= firstSung; ++i) stamped.push_back(song.HyphenArray[i].SongPosition);
      EXPECT_EQ(stamped, c.stamped);
    }
  }
}

}  // namespace

// A syllable that a Windows-1252 song cannot hold: the user chooses between the whole song in
// UTF-8 and no save at all; a "?" is never written.
TEST(SongSession, ASyllableTheEncodingCannotHoldAsksForUtf8OrCancels) {
  SetCurrLanguage(TLanguage::Englisch);
  for (bool yes : {false, true}) {
    RecordingUi ui;
    ui.answer = yes;
    SongSession session(ui);
    const std::string path = LyricSong(1).WriteTemp("song.mid");
    ASSERT_TRUE(session.Open(path));
    session.CurrentSong().HyphenArray[4].Text = u"\u6C34";  // 水
    const std::vector<uint8_t> before = cvtest::ReadFileBytes(path);
    EXPECT_EQ(session.Save(), yes);
    ASSERT_EQ(ui.questions.size(), 1u);
    EXPECT_NE(ui.questions[0].find("\"\xE6\xB0\xB4\" cannot be saved in the encoding Windows-1252"), std::string::npos)
        << ui.questions[0];
    if (!yes) {
      EXPECT_EQ(cvtest::ReadFileBytes(path), before);
      continue;
    }
    SongSession reopened(ui);
    ASSERT_TRUE(reopened.Open(path));
    EXPECT_EQ(reopened.CurrentSong().Encoding, TextEncoding::Utf8);
    EXPECT_EQ(reopened.CurrentSong().HyphenArray[4].Text, u"\u6C34");
  }
}

// Stopping a tap recording early: untapped syllables keep their times unless the taps overtook
// them; those follow the last tap, and the user hears how many.
TEST(SongSession, TapRecordingStoppedEarlyKeepsTheUntappedSyllables) {
  SetCurrLanguage(TLanguage::Englisch);
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  auto& t = smf.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "Hel", "lo ", "world\r", "how ", "are ", "you\r"};
  for (int i = 0; i < 8; ++i) {
    t.Lyric(480 + i * 480, words[i]);
    if (i >= 2) t.NoteOn(480 + i * 480, 0, 60, 90).NoteOff(880 + i * 480, 0, 60);  // title lines before the first note
  }
  const std::string path = smf.WriteTemp("tap.mid");
  struct Case {
    int32_t lastTapMs;
    std::vector<int32_t> untapped;  // elements 6.. after the stop: world, its line break, how, are, you, break
    size_t messages;
  } cases[] = {
      // "Hel" at 1000 ms, "lo " at 1500 ms: everything after keeps its place.
      {1500, {2400, 2404, 2880, 3360, 3840, 3844}, 0},
      // "lo " at 2600 ms (tick 2496) overtook "world" (2400): it and its break follow; "how " stays.
      {2600, {2500, 2504, 2880, 3360, 3840, 3844}, 1},
  };
  for (const Case& c : cases) {
    RecordingUi ui;
    SongSession session(ui);
    ASSERT_TRUE(session.Open(path));
    Song& s = session.CurrentSong();
    ASSERT_EQ(s.HyphenArrayElements, 12);
    ASSERT_EQ(s.HyphenArray[6].Text, u"world");
    s.SongPositionTicks = 500;
    s.CurrentHyphen = -1;
    session.StartRecording();
    session.Tap(1000);
    session.Tap(c.lastTapMs);
    session.PlaybackStopped();
    std::vector<int32_t> untapped;
    for (int i = 6; i < 12; ++i) untapped.push_back(s.HyphenArray[i].SongPosition);
    EXPECT_EQ(untapped, c.untapped) << c.lastTapMs;
    // The artist line sits right before the first tapped syllable ("Hel" at 1000 ms).
    EXPECT_EQ((std::vector<int32_t>{s.HyphenArray[2].SongPosition, s.HyphenArray[3].SongPosition,
                                    s.HyphenArray[4].SongPosition}),
              (std::vector<int32_t>{952, 956, 960}));
    ASSERT_EQ(ui.messages.size(), c.messages) << c.lastTapMs;
    if (c.messages) {
      EXPECT_NE(ui.messages[0].Text.find(": 1 of the syllables not tapped"), std::string::npos);
    }
    // The lyric events follow the list in order.
    int32_t last = -1;
    for (PtrMidiEvent e = s.MidiTrack[s.LyricsTrackIndex()].TrkFirstEvent; e; e = e->NextEvent) {
      EXPECT_GE(e->Position, last) << c.lastTapMs;
      last = e->Position;
    }
  }
}

// The first save since opening keeps the file as it was in "NAME~"; later saves leave that copy;
// an older copy stays unless replacing it is asked for;
// a backup that cannot be made stops the save and the song stays changed.
TEST(SongSession, TheFirstSaveKeepsTheFileAsItWasBesideIt) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string path = LyricSong(1).WriteTemp("song.mid");
  const std::string backup = path + "~";
  const std::vector<uint8_t> original = cvtest::ReadFileBytes(path);
  RecordingUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.UpperCase());
  ASSERT_TRUE(session.Save());
  EXPECT_EQ(cvtest::ReadFileBytes(backup), original);
  const std::vector<uint8_t> firstSave = cvtest::ReadFileBytes(path);
  ASSERT_NE(firstSave, original);
  ASSERT_TRUE(session.Save());
  EXPECT_EQ(cvtest::ReadFileBytes(backup), original);
  // Opened again: the oldest copy, the original, stays unless a new backup is asked for.
  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.Save());
  EXPECT_EQ(cvtest::ReadFileBytes(backup), original);
  TConfiguration replace;
  replace.ReplaceBackup = true;
  session.SetConfiguration(replace);
  const std::vector<uint8_t> beforeReplace = cvtest::ReadFileBytes(path);
  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.Save());
  EXPECT_EQ(cvtest::ReadFileBytes(backup), beforeReplace);
  const std::vector<uint8_t> lastSave = cvtest::ReadFileBytes(path);

  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.MoveLyrics(10));
  std::filesystem::permissions(backup, std::filesystem::perms::owner_read);
  EXPECT_FALSE(session.Save());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].Text.find("The backup \"" + backup + "\" could not be made"), std::string::npos);
  EXPECT_EQ(cvtest::ReadFileBytes(path), lastSave);
  EXPECT_TRUE(session.Modified());

  TConfiguration noBackup;
  noBackup.MakeBackup = false;
  std::filesystem::remove(backup);
  session.SetConfiguration(noBackup);
  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.Save());
  EXPECT_FALSE(std::filesystem::exists(backup));
}

TEST(SongSession, SaveAfterSaveAsKaraokeWritesKaraokeAgain) {
  SetCurrLanguage(TLanguage::Englisch);
  RecordingUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(LyricSong(1).WriteTemp("song.mid")));
  session.SetSongLanguage(THyphenLanguage::French);
  const std::string kar = cvtest::TempDir() + "/song.kar";
  ASSERT_TRUE(session.SaveAs(kar, kKarFormat));
  ASSERT_TRUE(session.Save());
  EXPECT_EQ(session.SaveFormat(), kKarFormat);
  const std::vector<uint8_t> bytes = cvtest::ReadFileBytes(kar);
  const std::string text(bytes.begin(), bytes.end());
  EXPECT_NE(text.find("@LFREN"), std::string::npos);
  EXPECT_NE(text.find("\\Song"), std::string::npos);  // sung at its note, no title line
  EXPECT_TRUE(ui.messages.empty());
}

TEST(SongSession, GameExportLeavesNothingBehindWhenItFails) {
  SetCurrLanguage(TLanguage::Englisch);
  namespace fs = std::filesystem;
  struct Case {
    const char* what;
    bool withLyrics;
    bool renders;
    const char* says;
  };
  for (const Case& c : {Case{"no lyrics", false, true, "no lyrics"},
                        Case{"audio fails", true, false, "disk is full"},
                        Case{"written", true, true, nullptr}}) {
    RecordingUi ui;
    SongSession session(ui);
    cvtest::SmfBuilder smf = LyricSong(1);
    if (!c.withLyrics) {
      smf = cvtest::SmfBuilder(1, 480);
      smf.AddTrack().Bpm(0, 120).NoteOn(480, 0, 60, 90).NoteOff(960, 0, 60);
    }
    ASSERT_TRUE(session.Open(smf.WriteTemp("song.mid"))) << c.what;
    const std::string folder = cvtest::TempDir();
    int muted = -2;
    const TAudioRenderer render = [&](const Song&, const std::string& path, int mutedChannel, std::string& message) {
      muted = mutedChannel;
      if (!c.renders) {
        message = "The disk is full.";
        return false;
      }
      std::ofstream(path) << "RIFF";
      return true;
    };
    const auto made = session.ExportKaraokeGame(folder, false, ".wav", render);
    if (!c.says) {
      ASSERT_TRUE(made) << c.what;
      EXPECT_EQ(made->Folder, folder + "/Unknown - song");  // no title line: the file's name
      EXPECT_TRUE(fs::exists(made->TextFile));
      EXPECT_TRUE(fs::exists(made->AudioFile));
      EXPECT_EQ(muted, 0);  // the melody channel is left out of the backing track
      continue;
    }
    EXPECT_FALSE(made) << c.what;
    EXPECT_TRUE(fs::is_empty(folder)) << c.what;
    ASSERT_EQ(ui.messages.size(), 1u) << c.what;
    EXPECT_NE(ui.messages[0].Text.find(c.says), std::string::npos) << ui.messages[0].Text;
  }
}
