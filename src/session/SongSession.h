// The one song a user works on, with its editing state: opening, saving, every song operation,
// and the choice of output. The window and the command-line tool both drive it; they only show
// what it did. Whatever it needs from the user goes through SessionUi, and every failure of the
// core ends there as a finished message instead of leaving a call as an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "lyrics/CV_Hyphen.h"
#include "lyrics/DocumentReader.h"
#include "lyrics/EditText.h"
#include "output/CV_EditTempo.h"
#include "output/CV_EditTranspose.h"
#include "session/OutputChoice.h"
#include "session/SessionUi.h"
#include "session/UndoHistory.h"
#include "song/MessageSink.h"
#include "song/Song.h"

namespace cv {

class SaveGuard;

enum class TEditorMode {
  NoSong,
  Viewing,       // the lyrics are shown and follow the player
  EditingText,   // the edit text holds the view (also a song without lyrics)
  EditingTimes,  // the position-text editor holds the view
};

struct TSessionOpenOptions {
  // Overrides the encoding decided from the song's text events.
  std::optional<TextEncoding> ForceEncoding;
  // A song without lyrics opens in the edit text (the window); false keeps it in viewing mode.
  bool EditWithoutLyrics = true;
};

// Where the tap recording stands after one tap.
struct TTapResult {
  int Select = -1;        // syllable to highlight, -1: none
  bool Finished = false;  // the last syllable got its time: recording ends, playback goes on
};

// Renders the song into an audio file at path without the channel's notes (-1: every channel);
// false with the user's message when it failed (no file left then).
using TAudioRenderer =
    std::function<bool(const Song& song, const std::string& path, int mutedChannel, std::string& message)>;

struct TGameExport {
  std::string Folder, TextFile, AudioFile;
  int Notes = 0, Freestyle = 0;
};

class SongSession {
 public:
  explicit SongSession(SessionUi& ui);
  SongSession(const SongSession&) = delete;
  SongSession& operator=(const SongSession&) = delete;

  Song& CurrentSong() { return song_; }
  const Song& CurrentSong() const { return song_; }
  SessionUi& Ui() { return ui_; }

  TEditorMode EditorMode() const;
  bool Loaded() const { return song_.MidiFileLoaded; }
  // Changed since it was opened or last saved to its own file (an undo back to that state is not
  // a change).
  bool Modified() const { return tapped_ || history_.StateId() != savedState_; }
  // Saving now writes what the user sees: no editor is open, or the edit text was opened on a
  // song without lyrics (opened so, or its lyrics deleted) and holds no loaded text.
  bool CanSave() const;
  // The settings the next open and the operations read.
  void SetConfiguration(const TConfiguration& configuration) { song_.Configuration = configuration; }

  // --- Files ---
  // Opens a song; on failure the reason is reported, no song is loaded and false is returned.
  // Prompta data found while Prompta support is off are removed when the user says yes.
  bool Open(const std::string& path, const TSessionOpenOptions& options = {});
  // The format a song is saved in by default: 0 stays 0, formats 1 and 2 are written as 1.
  int NaturalFormat() const { return song_.MidiFileFormat == 0 ? 0 : 1; }
  // Writes the song as format 0 or 1, or as a karaoke file (kKarFormat), (-1: NaturalFormat) to path. A default tempo changed by a
  // speed or tempo change is carried into the file; the song itself stays as it was. With
  // Configuration.MakeBackup, an existing file gets its backup "NAME~" before the first write over
  // it since the song was opened (an older NAME~ stays unless Configuration.ReplaceBackup); without
  // the backup nothing is written. The file is locked against other writers meanwhile.
  bool WriteTo(const std::string& path, int format = -1);
  // The format Save writes: the one of the last Save as, else the natural one.
  int SaveFormat() const { return saveFormat_.value_or(NaturalFormat()); }
  // Writes the song over its own file in SaveFormat().
  bool Save();
  // Every later save writes the whole song in this encoding (none: the song's own).
  void SetOutputEncoding(std::optional<TextEncoding> encoding) { outputEncoding_ = std::move(encoding); }
  // Reads the song's text again in another encoding; nothing else changes.
  bool ChangeEncoding(const TextEncoding& encoding);
  // Writes to a new file, which then is the song's own file.
  bool SaveAs(const std::string& path, int format);

  // --- Song operations: false when nothing changed (a failure has been reported) ---
  // The tempo window's OK: every tempo moves by diff bpm, relative to the last OK since opening.
  bool ApplyTempoDiff(int diff);
  // Practice speed 0..5 (100 % to 50 %): playback and the shown times follow it; the song, its
  // tempos and what Save writes stay as they are.
  bool SetPlaybackSpeed(uint8_t speed);
  // An edit of the song (the command line's --speed): every tempo as read at that speed.
  bool ScaleTempoToSpeed(uint8_t speed);
  // Whole bars (1..8) of silence before the song; the set-up at tick 0 and the title lines stay.
  bool InsertLeadIn(int bars);
  // Transposes by amount from the pitches as read. Steps up to FinishTranspose (the transpose
  // window's preview) are one change.
  bool Transpose(int amount, const TTransposeOptions& options);
  void FinishTranspose();
  int TransposeAmount() const { return transposeAmount_; }
  // The tempo window's difference as last applied.
  int TempoDiff() const { return tempoEdit_.PrevTempoDiff; }
  bool Assign();
  // Hides the first melody note at or after timeMs and assigns again. Syllables that do not sit
  // where an assignment puts them all get new times: the user is asked first. Returns the hidden
  // note described for the user (pitch and position); none when nothing changed.
  std::optional<std::string> HideNoteAt(int32_t timeMs);
  bool Quantize();
  // Moves every syllable by ms milliseconds; ends the preview offset.
  bool MoveLyrics(int32_t ms);
  // The timeline's edits of single syllables (element indices of HyphenArray), in viewing mode.
  // A move is limited so the syllables keep their order; false when nothing moved. Each call is
  // one undo entry, except that nudges in a row (until another change) extend one entry.
  bool MoveSyllables(const std::vector<int32_t>& selection, int32_t delta, bool nudge = false);
  bool SnapSyllablesToNotes(const std::vector<int32_t>& selection);
  bool SetSyllableText(int32_t index, std::u16string_view text);
  // Syllables may be moved or edited now (viewing, not recording).
  bool CanEditSyllables() const { return Viewing() && !tapped_; }
  // The lyric offset slider's preview: the highlight runs that much earlier or later.
  void PreviewLyricsOffset(int32_t ms) { song_.LyricsOffset = ms; }
  // Settings changed in the options window: speed, Prompta data and times follow at once.
  // The player, if any, is put back at timeMs.
  void ApplyConfiguration(const TConfiguration& chosen, int32_t timeMs);

  // --- Lyrics ---
  // The language the song's words are in: the one last hyphenated in, or set, else the user's.
  // Karaoke and game files name it.
  THyphenLanguage SongLanguage() const;
  void SetSongLanguage(THyphenLanguage language) { songLanguage_ = language; }
  std::optional<TEditorText> EnterEditText();
  std::optional<TEditorText> EnterMtcText();
  // Leaves the open editor with the text as edited: Done (with the display text) or the editor
  // stays open; a bad position field is reported. The layout rules question is asked here.
  TLeaveResult LeaveEditor(std::u16string_view text);
  // The edit text with the words of every lyric line hyphenated; nullopt when the patterns
  // cannot be loaded (reported).
  std::optional<std::u16string> HyphenateEditText(std::u16string_view text, THyphenLanguage language,
                                                  const std::string& patternDir,
                                                  const std::string& exceptionsDir);
  std::optional<std::u16string> RemovePunctuation();
  std::optional<std::u16string> UpperCase();
  // Asks first; on yes every lyric is gone and the edit text opens empty.
  bool DeleteLyrics();
  // Loads a lyric text file into the edit text (the song changes when the editor is left).
  std::optional<TEditorText> LoadText(const std::string& path,
                                      const std::vector<std::unique_ptr<DocumentReader>>& readers);
  bool SaveText(const std::string& path);
  // Reads an LRC file as the song's lyrics, the times from its stamps; words are hyphenated in
  // the language when one is given. A faulty file is reported and changes nothing.
  bool LoadLrc(const std::string& path, std::optional<THyphenLanguage> language = std::nullopt,
               const std::string& patternDir = {}, const std::string& exceptionsDir = {});
  // Writes the syllables as enhanced LRC (UTF-8).
  bool ExportLrc(const std::string& path);
  // The karaoke game export into folder/"Artist - Title"/: the UltraStar text and its audio, the
  // song rendered by render (into the path given, leaving out mutedChannel, -1: none) as the
  // backing track without the melody unless withMelody. Nothing is left behind when it fails
  // (reported); nullopt then.
  std::optional<TGameExport> ExportKaraokeGame(const std::string& folder, bool withMelody,
                                               const std::string& audioExtension, const TAudioRenderer& render);
  const std::string& TextFileName() const { return textFileName_; }
  // The syllables as shown in the view.
  std::u16string DisplayText() const;

  // --- Tap recording (the player runs; times come from it) ---
  // From the syllable after the one highlighted last; with fromSyllable (past the title lines) a
  // re-tap from there: the syllables before it keep their times. Returns the syllable the first
  // tap stamps.
  int StartRecording(int fromSyllable = -1);
  // How late taps land against what is heard (output latency and reaction), ms; Tap takes it off.
  void SetTapDelay(int32_t ms) { tapDelay_ = ms; }
  int32_t TapDelay() const { return tapDelay_; }
  // One tap at the player's time, less the tap delay.
  TTapResult Tap(int32_t timeMs);
  // Playback stopped: the syllable times of a recording go into the lyric events. Syllables the
  // taps overtook (still untapped, but before the last tap) follow it 4 ticks apart; the user is
  // told how many.
  void PlaybackStopped();

  // --- Undo history: each change of the song above is one entry ---
  // Song changes can be taken back while no editor holds text of its own (the edit text opened
  // on a song without lyrics holds none of the song's).
  bool CanUndo() const { return HistoryUsable() && history_.CanUndo(); }
  bool CanRedo() const { return HistoryUsable() && history_.CanRedo(); }
  // The change the next Undo or Redo concerns, in the user's language.
  std::string UndoName() const { return history_.CanUndo() ? SongChangeName(history_.NextUndo()) : std::string(); }
  std::string RedoName() const { return history_.CanRedo() ? SongChangeName(history_.NextRedo()) : std::string(); }
  // The song as it was before / after the change; a playing player is stopped and stays at its time.
  bool Undo();
  bool Redo();
  const UndoHistory& History() const { return history_; }

  // --- Output ---
  // Chooses the output for the request; None is reported with the reason.
  TOutputChoice ChooseOutput(const TOutputRequest& request);

 private:
  class UiSink : public MessageSink {
   public:
    explicit UiSink(SessionUi& ui) : ui_(ui) {}
    void ShowMessage(const std::string& caption, const std::string& text) override {
      ui_.Report(UserMessage(TSeverity::Warning, text, caption));
    }

   private:
    SessionUi& ui_;
  };
  enum class TEditor { None, Text, Mtc };

  // Runs a core step; an exception becomes a reported error and false.
  template <class F>
  bool Guarded(F&& step);
  void Fail(const std::exception& e);
  bool Viewing() const { return song_.MidiFileLoaded && editor_ == TEditor::None; }
  void StampEntry(int index, int32_t position);
  // Stamps syllable c (and the line breaks around it) at tick p; c moves on to the next to tap.
  TTapResult StampTap(int& c, int32_t p, int n);
  // The lock on path and its backup (when wanted) before it is replaced; false when reported.
  bool BeginSave(SaveGuard& guard, const std::string& path, bool backup);
  // The song's encoding can hold every syllable to be written (after the user's yes to UTF-8).
  bool EncodingReadyToSave();
  // The bank-select options changed against before: the song's controller-32 events follow.
  bool ApplyController32(const TConfiguration& before);
  int FollowLastTap();
  // Runs a song change as one history entry; an exception is reported and the song is as before.
  template <class F>
  bool Change(TSongChange change, F&& step);
  void Record(TSongChange change, SongSnapshot before, const TUndoSide& side);
  // Keeps the song as the tap recording finds it, unless kept already.
  void KeepBeforeTaps();
  TUndoSide CurrentSide() const;
  // The side a change is recorded with: the state the user returns to on Undo.
  TUndoSide SideBefore() const;
  void SwapWith(UndoHistory::Entry& entry);
  bool HistoryUsable() const {
    return song_.MidiFileLoaded && !tapped_ && (editor_ == TEditor::None || (editor_ == TEditor::Text && editorOnEmptySong_));
  }

  SessionUi& ui_;
  UiSink sink_;
  Song song_;
  TTempoEdit tempoEdit_;
  TEditor editor_ = TEditor::None;
  UndoHistory history_;
  uint64_t savedState_ = history_.StateId();
  bool editorOnEmptySong_ = false;  // and it holds no loaded text
  bool editorFromEmpty_ = false;    // the open edit text began on a song without lyrics
  bool rulesConfirmed_ = false;     // the user knows the title-line rules: not asked again this run
  bool tapped_ = false;  // taps since the last stop
  std::optional<SongSnapshot> beforeTaps_;  // the song as the tap recording found it
  TUndoSide sideBeforeTaps_;
  TSongChange editorChange_ = TSongChange::EditText;  // what leaving the open editor records
  std::optional<std::u16string> enteredText_;  // the open editor's text as it was entered
  int transposeAmount_ = 0;
  TTransposeOptions transposeOptions_;
  bool transposeOpen_ = false;  // further transpose steps extend the newest entry
  // The newest entry is the transpose window's, and further steps belong to it.
  bool TransposeEntryOpen() const {
    return transposeOpen_ && history_.CanUndo() && !history_.CanRedo() && history_.NextUndo() == TSongChange::Transpose;
  }
  int32_t tapDelay_ = 0;
  bool nudgeOpen_ = false;  // further nudges extend the newest entry
  bool NudgeEntryOpen() const {
    return nudgeOpen_ && history_.CanUndo() && !history_.CanRedo() && history_.NextUndo() == TSongChange::MoveSyllables;
  }
  bool restoring_ = false;      // an undo or redo brings a copy up to today's settings
  std::string textFileName_;
  std::set<std::string> backedUp_;  // files with their backup made since the song was opened
  std::optional<TextEncoding> outputEncoding_;
  std::optional<THyphenLanguage> songLanguage_;
  std::optional<int> saveFormat_;
};

}  // namespace cv
