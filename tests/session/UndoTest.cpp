// The song's undo history: each operation taken back and made again to the very bytes it saved,
// the modified flag following, and the history's memory.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
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

// Title lines, then sung syllables 50 ticks behind their notes (which lie 30 ticks off the beat),
// so assigning and quantizing both move them; punctuation and small letters to change.
cvtest::SmfBuilder UndoSong(int format) {
  cvtest::SmfBuilder smf(format, 480);
  auto& head = smf.AddTrack();
  head.Bpm(0, 120).TimeSig(0, 4, 2).KeySig(0, 2, 0);
  auto& t = format == 0 ? head : smf.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "Hel", "lo, ", "world\r", "how ", "are ", "you!\r"};
  for (int i = 0; i < 8; ++i) {
    const int beat = 480 + i * 480;
    if (i < 2) {
      t.Lyric(beat, words[i]);
      continue;
    }
    t.NoteOn(beat + 30, 0, 60 + i, 90).Lyric(beat + 50, words[i]).NoteOff(beat + 400, 0, 60 + i);
  }
  if (format != 0) smf.AddTrack().NoteOn(0, 1, 40, 90).NoteOff(4800, 1, 40);
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
      {"offset", TSongChange::Offset, [](SongSession& s) { return s.MoveLyrics(250); }},
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

std::vector<uint8_t> Saved(SongSession& session, int format) {
  // A folder of this process's own: the tests run side by side.
  static const std::string path = cvtest::TempDir() + "/saved.mid";
  EXPECT_TRUE(session.WriteTo(path, format));
  return cvtest::ReadFileBytes(path);
}

}  // namespace

TEST(UndoHistory, EveryOperationIsTakenBackAndMadeAgainToTheByte) {
  SetCurrLanguage(TLanguage::Englisch);
  const std::string textFile = cvtest::WriteTempFile("lyrics.txt", {'x'});
  for (int format : {0, 1}) {
    const std::string song = UndoSong(format).WriteTemp("undo.mid");
    for (const Operation& op : Operations(textFile)) {
      QuietUi ui;
      SongSession session(ui);
      ASSERT_TRUE(session.Open(song));
      ASSERT_EQ(session.EditorMode(), TEditorMode::Viewing);
      const std::vector<uint8_t> asRead = Saved(session, format);
      EXPECT_FALSE(session.CanUndo());

      ASSERT_TRUE(op.run(session)) << op.name << " format " << format;
      if (session.EditorMode() == TEditorMode::EditingText) {
        EXPECT_EQ(op.change, TSongChange::DeleteLyrics);
      }
      ASSERT_TRUE(session.CanUndo()) << op.name;
      EXPECT_EQ(session.UndoName(), SongChangeName(op.change)) << op.name;
      EXPECT_EQ(session.History().Entries(), 1u) << op.name;
      EXPECT_TRUE(session.Modified()) << op.name;
      const TEditorMode modeAfter = session.EditorMode();
      const std::vector<uint8_t> changed = Saved(session, format);
      EXPECT_NE(changed, asRead) << op.name << " changed nothing, format " << format;

      ASSERT_TRUE(session.Undo()) << op.name;
      EXPECT_EQ(Saved(session, format), asRead) << op.name << " undone, format " << format;
      EXPECT_FALSE(session.Modified()) << op.name;
      EXPECT_EQ(session.EditorMode(), TEditorMode::Viewing) << op.name;
      EXPECT_FALSE(session.CanUndo());
      EXPECT_EQ(session.RedoName(), SongChangeName(op.change));

      ASSERT_TRUE(session.Redo()) << op.name;
      EXPECT_EQ(Saved(session, format), changed) << op.name << " redone, format " << format;
      EXPECT_EQ(session.EditorMode(), modeAfter) << op.name;
      EXPECT_TRUE(session.Modified()) << op.name;
    }
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
  Song a = CopySong(session.CurrentSong()), b = CopySong(session.CurrentSong());
  history.Record(TSongChange::Assign, std::move(a), {});
  const uint64_t afterFirst = history.StateId();
  history.Record(TSongChange::Quantize, std::move(b), {});
  EXPECT_EQ(history.Entries(), 1u);  // the newest stays even alone over the budget
  EXPECT_EQ(history.NextUndo(), TSongChange::Quantize);
  history.StepBack();
  EXPECT_EQ(history.StateId(), afterFirst);  // the state the dropped entry led to
}
