// The song's undo history: each operation taken back and made again to the very bytes it saved,
// the modified flag following, and the history's memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "BuildPaths.h"
#include "lyrics/DocumentReader.h"
#include "session/SongCopy.h"
#include "session/SongSession.h"
#include "song/Language.h"
#include "support/QuietUi.h"
#include "support/SmfBuilder.h"

using namespace cv;

namespace {

using cvtest::QuietUi;

// Lines of a plain text file, one per line.
class PlainTextReader : public DocumentReader {
 public:
  std::string NameFilter() const override { return "Text (*.txt)"; }
  bool SupportsFile(const std::string& path) const override { return path.ends_with(".txt"); }
  std::vector<std::u16string> ReadLines(const std::string&) const override {
    return {u"Neues Lied", u"Jemand", u"", u"Neue Zei-le", u"zwei drei vier"};
  }
};

// How the lyrics lie in the song.
enum class Shape {
  Fits,        // lyric events; a long bass note keeps the end well after the last syllable
  Grows,       // the song ends soon after the last syllable: moving the lyrics later grows it
  TextEvents,  // text events carry the lyrics (they stay in their track)
};

// Title lines, then sung syllables 50 ticks behind their notes (which lie 30 ticks off the beat),
// so assigning and quantizing both move them; punctuation and small letters to change.
cvtest::SmfBuilder UndoSong(int format, Shape shape = Shape::Fits) {
  cvtest::SmfBuilder smf(format, 480);
  auto& head = smf.AddTrack();
  head.Bpm(0, 120).TimeSig(0, 4, 2).KeySig(0, 2, 0);
  auto& t = format == 0 ? head : smf.AddTrack();
  t.Program(0, 0, 5);
  auto lyric = [&](int tick, const std::string& text) {
    shape == Shape::TextEvents ? t.Text(tick, text) : t.Lyric(tick, text);
  };
  if (format == 0) head.NoteOn(0, 1, 40, 90);
  const char* words[] = {"Title\r", "Artist\r", "Hel", "lo, ", "world\r", "how ", "are ", "you!\r"};
  for (int i = 0; i < 8; ++i) {
    const int beat = 480 + i * 480;
    if (i < 2) {
      lyric(beat, words[i]);
      continue;
    }
    t.NoteOn(beat + 30, 0, 60 + i, 90);
    lyric(beat + 50, words[i]);
    t.NoteOff(beat + 400, 0, 60 + i);
  }
  // The last note ends at 4240.
  const int bassEnd = shape == Shape::Grows ? 4240 : 4800;
  if (format == 0)
    head.NoteOff(bassEnd, 1, 40);
  else
    smf.AddTrack().NoteOn(0, 1, 40, 90).NoteOff(bassEnd, 1, 40);
  return smf;
}

std::u16string Replaced(std::u16string text, std::u16string_view from, std::u16string_view to) {
  const size_t at = text.find(from);
  if (at != std::u16string::npos) text.replace(at, from.size(), to);
  return text;
}

struct Operation {
  const char* name;
  TSongChange change;
  std::function<bool(SongSession&)> run;
};

std::vector<Operation> Operations(const std::string& textFile) {
  static const std::vector<std::unique_ptr<DocumentReader>> readers = [] {
    std::vector<std::unique_ptr<DocumentReader>> r;
    r.push_back(std::make_unique<PlainTextReader>());
    return r;
  }();
  auto leave = [](SongSession& s, const std::u16string& text) {
    return s.LeaveEditor(text).Status == TLeaveStatus::Done;
  };
  return {
      {"edit text", TSongChange::EditText,
       [=](SongSession& s) { return leave(s, s.EnterEditText()->Text + u" earth"); }},
      {"position text", TSongChange::PositionText,
       [=](SongSession& s) { return leave(s, Replaced(s.EnterMtcText()->Text, u"001.04.050", u"001.04.100")); }},
      {"hyphenation", TSongChange::Hyphenation,
       [=](SongSession& s) {
         const std::u16string typed = s.EnterEditText()->Text + u" wonderful";
         const auto hyphenated = s.HyphenateEditText(typed, THyphenLanguage::English,
                                                     std::string(CANTOVEX_DATA_DIR) + "/hyphenation", "");
         return hyphenated && hyphenated->find(u"won-der") != std::u16string::npos && leave(s, *hyphenated);
       }},
      {"assign", TSongChange::Assign, [](SongSession& s) { return s.Assign(); }},
      {"hide note", TSongChange::HideNote, [](SongSession& s) { return s.HideNoteAt(1500).has_value(); }},
      {"quantize", TSongChange::Quantize, [](SongSession& s) { return s.Quantize(); }},
      {"offset", TSongChange::Offset, [](SongSession& s) { return s.MoveLyrics(500); }},
      {"tempo", TSongChange::Tempo, [](SongSession& s) { return s.ApplyTempoDiff(12); }},
      {"transpose", TSongChange::Transpose,
       [](SongSession& s) {
         // The window's steps: one change.
         const bool done = s.Transpose(1, {}) && s.Transpose(3, {});
         s.FinishTranspose();
         return done;
       }},
      {"lead-in", TSongChange::LeadIn, [](SongSession& s) { return s.InsertLeadIn(2); }},
      {"remove punctuation", TSongChange::RemovePunctuation,
       [](SongSession& s) { return s.RemovePunctuation().has_value(); }},
      {"upper case", TSongChange::UpperCase, [](SongSession& s) { return s.UpperCase().has_value(); }},
      {"delete lyrics", TSongChange::DeleteLyrics, [](SongSession& s) { return s.DeleteLyrics(); }},
      {"tap recording", TSongChange::TapRecording,
       [](SongSession& s) {
         Song& song = s.CurrentSong();
         song.SongPositionTicks = 500;
         song.CurrentHyphen = -1;
         s.StartRecording();
         s.Tap(1000);
         s.Tap(1700);
         s.Tap(2300);
         s.PlaybackStopped();
         return true;
       }},
      {"load text", TSongChange::LoadText,
       [=](SongSession& s) {
         const auto loaded = s.LoadText(textFile, readers);
         return loaded && leave(s, loaded->Text);
       }},
  };
}

// Everything of a song an undo must give back, one line per record and list entry (pointers as
// their place in the chains), so a part kept by the history cannot miss what a change altered.
std::string Dump(const Song& song) {
  std::map<const TypMidiEvent*, std::string> where;
  std::ostringstream out;
  auto chain = [&](const std::string& name, const TMyTrack& t) {
    int i = 0;
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent, ++i) where[e] = name + "#" + std::to_string(i);
  };
  for (size_t t = 0; t < song.MidiTrack.size(); ++t) chain("track " + std::to_string(t), song.MidiTrack[t]);
  chain("melody", song.MelodyTrack);
  auto at = [&](const TypMidiEvent* e) { return e ? where.count(e) ? where[e] : std::string("elsewhere") : "none"; };
  auto track = [&](const std::string& name, const TMyTrack& t) {
    out << name << ": " << t.TrkEventCounter << " events, channel " << t.TrkMidiChannel << ", patch "
        << t.TrkPatchNumber << ", last " << at(t.TrkLastEvent) << ", name " << at(t.TrkNameEvent) << ", play "
        << at(t.TrkPlayEvent) << "\n";
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent)
      out << "  " << e->Position << " " << e->TimePosition << " " << int(e->Command) << " " << int(e->DType) << " "
          << int(e->MType) << " " << e->Hidden << " " << int(e->Value[0]) << "," << int(e->Value[1])
          << " " << int(e->ValueOrg[0]) << "," << int(e->ValueOrg[1]) << " [" << std::string_view(e->Meta) << "]\n";
  };
  for (size_t t = 0; t < song.MidiTrack.size(); ++t) track("track " + std::to_string(t), song.MidiTrack[t]);
  track("melody", song.MelodyTrack);
  out << "end " << song.MaxSongPosition << " " << song.SongLength << ", lyrics " << song.LyricsMetaType << " "
      << song.LyricsTrack << " " << song.HyphenArrayElements << " " << song.HyphenArrayCounter << " "
      << song.CurrentHyphen << " " << song.TitleLine << " " << song.TextChanged << ", prompta "
      << song.PromptaControllerTrack << ", encoding " << song.Encoding.Name << "\n";
  for (const THyphens& h : song.HyphenArray)
    out << "syllable [" << Utf16ToUtf8(h.Text) << "] " << h.SongPosition << " " << h.Time << " " << h.dTime << " "
        << h.pTime << " " << Utf16ToUtf8(h.MTC) << " [" << h.SourceBytes << "]\n";
  for (const TTempo& t : song.TempoArray)
    out << "tempo " << t.SongPosition << " " << t.Tempo << " " << t.TempoLongInt << " " << t.OriginalTempoLongint << "\n";
  for (const TTimeSign& t : song.TimeSignature)
    out << "signature " << t.SongPosition << " " << int(t.Numerator) << "/" << int(t.Denominator) << "\n";
  for (const TTimeZone& z : song.TimeZone)
    out << "zone " << z.SongPosition << " " << z.Time << " " << z.Measure << "." << int(z.Beat) << "." << z.Ticks << " "
        << z.TempoLongInt << " " << z.TempoComp << "\n";
  for (const TKeySignArray& a : song.KeySignArray)
    for (const TKeySigns& k : a.ValArray) out << "key " << k.SF << " " << k.MI << " " << at(k.MidiEvent) << "\n";
  return out.str();
}

std::vector<uint8_t> Saved(SongSession& session, int format) {
  // A folder of this process's own: the tests run side by side.
  static const std::string path = cvtest::TempDir() + "/saved.mid";
  EXPECT_TRUE(session.WriteTo(path, format));
  return cvtest::ReadFileBytes(path);
}

}  // namespace

namespace {

// Changes of the music keep the whole song; the others only the part they can alter.
bool KeepsWholeSong(TSongChange change) {
  return change == TSongChange::Tempo || change == TSongChange::Transpose || change == TSongChange::LeadIn ||
         change == TSongChange::DeleteLyrics || change == TSongChange::Encoding;
}

}  // namespace

TEST(UndoHistory, EveryOperationIsTakenBackAndMadeAgainToTheByte) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string textFile = cvtest::WriteTempFile("lyrics.txt", {'x'});
  for (Shape shape : {Shape::Fits, Shape::Grows, Shape::TextEvents})
    for (int format : {0, 1}) {
      const std::string song = UndoSong(format, shape).WriteTemp("undo.mid");
      for (const Operation& op : Operations(textFile)) {
        const std::string what = std::string(op.name) + ", format " + std::to_string(format) + ", shape " +
                                 std::to_string(static_cast<int>(shape));
        QuietUi ui;
        SongSession session(ui);
        ASSERT_TRUE(session.Open(song));
        ASSERT_EQ(session.EditorMode(), TEditorMode::Viewing);
        const std::vector<uint8_t> asRead = Saved(session, format);
        const std::string dumpRead = Dump(session.CurrentSong());
        const int32_t endRead = session.CurrentSong().MaxSongPosition;
        EXPECT_FALSE(session.CanUndo());

        ASSERT_TRUE(op.run(session)) << what;
        if (session.EditorMode() == TEditorMode::EditingText) {
          EXPECT_EQ(op.change, TSongChange::DeleteLyrics);
        }
        ASSERT_TRUE(session.CanUndo()) << what;
        EXPECT_EQ(session.UndoName(), SongChangeName(op.change)) << what;
        EXPECT_EQ(session.History().Entries(), 1u) << what;
        // Lyrics in the track that holds the key signature: the song is kept whole rather than
        // the key signature re-aimed.
        const bool keySignatureInPart = shape == Shape::TextEvents && format == 0;
        EXPECT_EQ(session.History().Newest().Other.IsWhole(), KeepsWholeSong(op.change) || keySignatureInPart) << what;
        EXPECT_TRUE(session.Modified()) << what;
        if (shape == Shape::Grows && op.change == TSongChange::Offset) {
          EXPECT_GT(session.CurrentSong().MaxSongPosition, endRead) << what;
        }
        const TEditorMode modeAfter = session.EditorMode();
        const std::vector<uint8_t> changed = Saved(session, format);
        const std::string dumpChanged = Dump(session.CurrentSong());
        EXPECT_NE(changed, asRead) << what << " changed nothing";

        ASSERT_TRUE(session.Undo()) << what;
        EXPECT_EQ(Saved(session, format), asRead) << what << " undone";
        EXPECT_EQ(Dump(session.CurrentSong()), dumpRead) << what << " undone";
        EXPECT_FALSE(session.Modified()) << what;
        EXPECT_EQ(session.EditorMode(), TEditorMode::Viewing) << what;
        EXPECT_FALSE(session.CanUndo());
        EXPECT_EQ(session.RedoName(), SongChangeName(op.change));

        ASSERT_TRUE(session.Redo()) << what;
        EXPECT_EQ(Saved(session, format), changed) << what << " redone";
        EXPECT_EQ(Dump(session.CurrentSong()), dumpChanged) << what << " redone";
        EXPECT_EQ(session.EditorMode(), modeAfter) << what;
        EXPECT_TRUE(session.Modified()) << what;
      }
    }
}

namespace {

// A player whose next re-seat fails: the operations re-seat it after they changed the song, so the
// change fails half-way.
struct FailingPlayer : PlayerLink {
  bool Playing() const override { return false; }
  void Stop() override {}
  int32_t TimePosition() const override { return 0; }
  void MoveToPosition(int32_t) override {
    if (armed) {
      armed = false;
      throw EMidiError("re-seat failed");
    }
  }
  bool armed = false;
};

}  // namespace

// A change that fails half-way leaves the song as it was, the part kept as well as the whole song,
// and no entry; a song that had to grow is given back at its old length.
TEST(UndoHistory, AChangeThatFailsHalfWayLeavesTheSongAsItWas) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string textFile = cvtest::WriteTempFile("lyrics.txt", {'x'});
  for (Shape shape : {Shape::Fits, Shape::Grows})
    for (int format : {0, 1}) {
      const std::string song = UndoSong(format, shape).WriteTemp("failing.mid");
      int failed = 0;
      for (const Operation& op : Operations(textFile)) {
        if (op.change == TSongChange::TapRecording) continue;  // records what the taps did
        const std::string what = std::string(op.name) + ", format " + std::to_string(format);
        QuietUi ui;
        SongSession session(ui);
        ASSERT_TRUE(session.Open(song));
        FailingPlayer player;
        session.CurrentSong().Player = &player;
        const std::vector<uint8_t> asRead = Saved(session, format);
        const std::string dumpRead = Dump(session.CurrentSong());
        player.armed = true;
        const bool done = op.run(session);
        if (player.armed) continue;  // the operation never re-seats the player
        ++failed;
        EXPECT_FALSE(done) << what;
        EXPECT_FALSE(ui.messages.empty()) << what;
        EXPECT_EQ(session.History().Entries(), 0u) << what;
        EXPECT_EQ(Dump(session.CurrentSong()), dumpRead) << what;
        EXPECT_EQ(Saved(session, format), asRead) << what;
      }
      EXPECT_GE(failed, 10) << "format " << format;
    }
}

// All operations one after the other, then every one taken back and made again: each state on the
// way is the one saved going forward.
TEST(UndoHistory, ALongChainOfMixedOperationsWalksBackAndForth) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string textFile = cvtest::WriteTempFile("lyrics.txt", {'x'});
  QuietUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(UndoSong(1).WriteTemp("chain.mid")));
  std::vector<std::vector<uint8_t>> states{Saved(session, 1)};
  std::vector<Operation> ops = Operations(textFile);
  // Twice round, deleting the lyrics last (afterwards the text operations have nothing to act on).
  std::rotate(ops.begin() + 12, ops.begin() + 13, ops.end());
  std::vector<Operation> chain = ops;
  chain.pop_back();
  chain.insert(chain.end(), ops.begin(), ops.end());
  size_t done = 0;
  for (const Operation& op : chain) {
    // Some find nothing to do the second time round (the position text's syllable has moved).
    if (!op.run(session) || session.History().Entries() == done) continue;
    states.push_back(Saved(session, 1));
    ASSERT_EQ(session.History().Entries(), ++done) << op.name;
  }
  ASSERT_GE(done, 24u);
  EXPECT_TRUE(session.Modified());
  EXPECT_TRUE(session.Save());
  EXPECT_FALSE(session.Modified());
  for (size_t k = done; k-- > 0;) {
    ASSERT_TRUE(session.Undo()) << k;
    ASSERT_EQ(Saved(session, 1), states[k]) << "undone back to state " << k;
    EXPECT_TRUE(session.Modified());  // away from the saved state
  }
  EXPECT_FALSE(session.CanUndo());
  for (size_t k = 1; k <= done; ++k) {
    ASSERT_TRUE(session.Redo()) << k;
    ASSERT_EQ(Saved(session, 1), states[k]) << "redone to state " << k;
  }
  EXPECT_FALSE(session.CanRedo());
  EXPECT_FALSE(session.Modified());  // the saved state again
}

// Settings changed after a lyric change reach into chains the entry does not keep (bank selects
// in the file's tracks, the Prompta lead-in at every track's start, the times of every event):
// undo and redo give the song the settings' effect as if the change had never been or were made
// under them.
TEST(UndoHistory, SettingsChangedAfterALyricChangeHoldAcrossItsUndoAndRedo) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string path = UndoSong(1).WriteTemp("settings.mid");
  const std::vector<std::pair<const char*, std::function<void(TConfiguration&)>>> settings = {
      {"bank select", [](TConfiguration& c) { c.InsertController32 = true; c.Controller32Value = 3; }},
      {"prompta", [](TConfiguration& c) { c.PromptaEnabled = true; }},
      {"speed", [](TConfiguration& c) { c.PlaybackSpeed = 2; }},
      {"melody", [](TConfiguration& c) { c.Melody = MelodySetting::OfChannel(1); }},
  };
  for (const auto& [name, change] : settings) {
    // The state each side of the lyric change reaches when the settings were changed first.
    auto reached = [&](bool quantized) {
      QuietUi ui;
      SongSession s(ui);
      EXPECT_TRUE(s.Open(path));
      if (quantized) {
        EXPECT_TRUE(s.Quantize());
      }
      TConfiguration c = s.CurrentSong().Configuration;
      change(c);
      s.ApplyConfiguration(c, 0);
      return std::make_pair(Saved(s, 1), Dump(s.CurrentSong()));
    };
    QuietUi ui;
    SongSession session(ui);
    ASSERT_TRUE(session.Open(path));
    EXPECT_NE(Dump(session.CurrentSong()), reached(false).second) << name << " changes nothing";
    ASSERT_TRUE(session.Quantize());
    TConfiguration c = session.CurrentSong().Configuration;
    change(c);
    session.ApplyConfiguration(c, 0);
    const auto quantized = std::make_pair(Saved(session, 1), Dump(session.CurrentSong()));
    EXPECT_EQ(quantized, reached(true)) << name;
    ASSERT_TRUE(session.Undo());
    EXPECT_EQ(std::make_pair(Saved(session, 1), Dump(session.CurrentSong())), reached(false)) << name << " undone";
    ASSERT_TRUE(session.Redo());
    EXPECT_EQ(std::make_pair(Saved(session, 1), Dump(session.CurrentSong())), quantized) << name << " redone";
  }
}

// A change made while a recording waits for its first tap: the recording's entry holds the taps
// alone, so each undo steps back over one of them.
TEST(UndoHistory, AChangeBeforeTheFirstTapIsAnEntryOfItsOwn) {
  SetCurrLanguage(TLanguage::Englisch);
  QuietUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(UndoSong(1, Shape::Grows).WriteTemp("taps.mid")));
  session.CurrentSong().SongPositionTicks = 500;
  session.StartRecording();
  const std::string asRead = Dump(session.CurrentSong());
  ASSERT_TRUE(session.MoveLyrics(500));  // the song grows
  const std::string moved = Dump(session.CurrentSong());
  session.Tap(1000);
  session.Tap(1700);
  session.PlaybackStopped();
  ASSERT_EQ(session.History().Entries(), 2u);
  EXPECT_EQ(session.UndoName(), SongChangeName(TSongChange::TapRecording));
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(Dump(session.CurrentSong()), moved);
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(Dump(session.CurrentSong()), asRead);
}

TEST(UndoHistory, EditorsTheTransposeWindowAndANewSongBoundTheHistory) {
  SetCurrLanguage(TLanguage::Deutsch);
  QuietUi ui;
  SongSession session(ui);
  const std::string path = UndoSong(1).WriteTemp("bounds.mid");
  ASSERT_TRUE(session.Open(path));
  ASSERT_TRUE(session.Quantize());
  EXPECT_EQ(session.UndoName(), "Lyrics-Zeiten quantisieren");

  // An open editor holds text of its own: the song's history waits.
  std::optional<TEditorText> editing = session.EnterEditText();
  ASSERT_TRUE(editing);
  EXPECT_FALSE(session.CanUndo());
  EXPECT_FALSE(session.Undo());
  // (The first pass drops the line break that ends karaoke lyrics: a change of its own.)
  ASSERT_EQ(session.LeaveEditor(editing->Text).Status, TLeaveStatus::Done);
  const size_t entries = session.History().Entries();
  // Left unchanged: no entry.
  editing = session.EnterEditText();
  ASSERT_EQ(session.LeaveEditor(editing->Text).Status, TLeaveStatus::Done);
  EXPECT_EQ(session.History().Entries(), entries);

  // Transposing up and back where the window began is no change.
  const size_t before = session.History().Entries();
  ASSERT_TRUE(session.Transpose(2, {}));
  ASSERT_TRUE(session.Transpose(0, {}));
  session.FinishTranspose();
  EXPECT_EQ(session.History().Entries(), before);

  // Undone changes are gone once something new is done.
  ASSERT_TRUE(session.Undo());
  ASSERT_TRUE(session.Assign());
  EXPECT_FALSE(session.CanRedo());
  EXPECT_EQ(session.UndoName(), "Silben den Noten zuordnen");

  // The deleted lyrics come back from the empty edit text they leave.
  ASSERT_TRUE(session.DeleteLyrics());
  ASSERT_EQ(session.EditorMode(), TEditorMode::EditingText);
  ASSERT_TRUE(session.CanUndo());
  ASSERT_TRUE(session.Undo());
  EXPECT_EQ(session.EditorMode(), TEditorMode::Viewing);
  EXPECT_GT(session.CurrentSong().HyphenArrayElements, 0);

  ASSERT_TRUE(session.Open(path));
  EXPECT_FALSE(session.CanUndo());
  EXPECT_FALSE(session.CanRedo());
}

// A song copy holds the song whole and alone: changing the copy leaves the original as it was.
TEST(UndoHistory, ACopyIsIndependentAndTheBudgetDropsTheOldestEntries) {
  QuietUi ui;
  SongSession session(ui);
  ASSERT_TRUE(session.Open(UndoSong(1).WriteTemp("copy.mid")));
  const std::vector<uint8_t> original = Saved(session, 1);
  Song copy = CopySong(session.CurrentSong());
  for (TMyTrack& t : copy.MidiTrack)
    for (PtrMidiEvent e = t.TrkFirstEvent; e; e = e->NextEvent) e->Position += 7;
  copy.HyphenArray[2].Text = u"changed";
  EXPECT_EQ(Saved(session, 1), original);
  EXPECT_GT(SongBytes(copy), 0u);

  UndoHistory history(/*budget=*/1);
  history.Record(TSongChange::Assign, SongSnapshot::Whole(session.CurrentSong()), {});
  const uint64_t afterFirst = history.StateId();
  history.Record(TSongChange::Quantize, SongSnapshot::Whole(session.CurrentSong()), {});
  EXPECT_EQ(history.Entries(), 1u);  // the newest stays even alone over the budget
  EXPECT_EQ(history.NextUndo(), TSongChange::Quantize);
  history.StepBack();
  EXPECT_EQ(history.StateId(), afterFirst);  // the state the dropped entry led to
}
