#include "session/SongSession.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <utility>

#include "lyrics/Assign.h"
#include "lyrics/InsertLyrics.h"
#include "lyrics/LyricFiles.h"
#include "lyrics/Lrc.h"
#include "lyrics/LyricsOffset.h"
#include "lyrics/MtcText.h"
#include "lyrics/Quantize.h"
#include "lyrics/SyllableMoves.h"
#include "lyrics/LeadIn.h"
#include "output/Controller32.h"
#include "output/KarFileWriter.h"
#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "output/Prompta.h"
#include "output/SongMelody.h"
#include "output/UltraStarExport.h"
#include "output/SaveFile.h"
#include "session/OpenSong.h"
#include "session/SongCopy.h"
#include "song/Language.h"
#include "song/SongEncoding.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

std::string ErrorText(const std::exception& e) {
  const std::string text = e.what();
  return text.empty() ? Tr("Unbekannter Fehler", "Unknown error") : text;
}

// The syllables as the user sees them: a change of text or position is a change of the song.
bool SameSyllables(const std::vector<THyphens>& a, const std::vector<THyphens>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const THyphens& x, const THyphens& y) {
    return x.Text == y.Text && x.SongPosition == y.SongPosition;
  });
}

}  // namespace

std::string SessionUi::LeadInHow() const { return Tr("Bearbeiten > Vorlauf einfügen", "Edit > Insert lead-in"); }

SongSession::SongSession(SessionUi& ui) : ui_(ui), sink_(ui) { song_.Messages = &sink_; }

bool SongSession::CanSave() const {
  if (!song_.MidiFileLoaded) return false;
  return editor_ == TEditor::None || (editor_ == TEditor::Text && editorOnEmptySong_);
}

TEditorMode SongSession::EditorMode() const {
  if (!song_.MidiFileLoaded) return TEditorMode::NoSong;
  switch (editor_) {
    case TEditor::Text: return TEditorMode::EditingText;
    case TEditor::Mtc: return TEditorMode::EditingTimes;
    case TEditor::None: break;
  }
  return TEditorMode::Viewing;
}

void SongSession::Fail(const std::exception& e) { ui_.Report(UserMessage(TSeverity::Error, ErrorText(e))); }

template <class F>
bool SongSession::Guarded(F&& step) {
  try {
    return step();
  } catch (const std::exception& e) {
    Fail(e);
    return false;
  }
}

template <class F>
bool SongSession::Change(TSongChange change, F&& step) {
  SongSnapshot before = SnapshotBefore(change, song_);
  const TUndoSide side = SideBefore();
  const TUndoSide now = CurrentSide();
  bool done = false;
  try {
    done = step();
  } catch (const std::exception& e) {
    // A step that failed half-way must not leave half a change behind.
    UndoHistory::Entry restore{change, 0, std::move(before), now, 0};
    SwapWith(restore);
    Fail(e);
    return false;
  }
  if (done) Record(change, std::move(before), side);
  return done;
}

void SongSession::Record(TSongChange change, SongSnapshot before, const TUndoSide& side) {
  history_.Record(change, std::move(before), side);
  // A recording's song as it found it is no longer the state before its taps; they are kept from
  // the next tap on.
  beforeTaps_.reset();
  transposeOpen_ = false;
  nudgeOpen_ = false;
}

TUndoSide SongSession::CurrentSide() const {
  TUndoSide side;
  side.Editor = static_cast<int>(editor_);
  side.EditorOnEmptySong = editorOnEmptySong_;
  side.TempoEdit = tempoEdit_;
  side.TransposeAmount = transposeAmount_;
  side.TransposeOptions = transposeOptions_;
  return side;
}

TUndoSide SongSession::SideBefore() const {
  TUndoSide side = CurrentSide();
  // Only the edit text of a song without lyrics is returned to; any other editor's text is gone
  // once it was applied.
  const bool emptyEditor = editor_ == TEditor::Text && editorFromEmpty_;
  side.Editor = static_cast<int>(emptyEditor ? TEditor::Text : TEditor::None);
  side.EditorOnEmptySong = emptyEditor;
  return side;
}

void SongSession::SwapWith(UndoHistory::Entry& entry) {
  PlayerLink* player = song_.Player;
  const int32_t at = player ? player->TimePosition() : 0;
  if (player && player->Playing()) player->Stop();
  // What belongs to the user's session, not to the song's state, stays.
  TConfiguration configuration = song_.Configuration;
  std::string fileName = song_.MidiFileName;
  const TUndoSide side = CurrentSide();
  entry.Other.Exchange(song_);
  beforeTaps_.reset();  // see Record
  // A part holds the other side of the change now: what it counts may differ.
  if (!entry.Other.IsWhole()) entry.Bytes = entry.Other.Bytes();
  song_.MidiFileName = std::move(fileName);
  editor_ = static_cast<TEditor>(entry.OtherSide.Editor);
  enteredText_.reset();
  editorOnEmptySong_ = editorFromEmpty_ = entry.OtherSide.EditorOnEmptySong;
  tempoEdit_ = entry.OtherSide.TempoEdit;
  transposeAmount_ = entry.OtherSide.TransposeAmount;
  transposeOptions_ = entry.OtherSide.TransposeOptions;
  entry.OtherSide = side;
  song_.EditingText = editor_ != TEditor::None;
  if (song_.EditingText) song_.QuerryForRules = true;
  song_.CurrentHyphen = std::min(song_.CurrentHyphen, song_.HyphenArrayElements - 1);
  // The copy was made under the settings of its day; speed and prompter data follow today's.
  if (!(song_.Configuration == configuration)) {
    restoring_ = true;
    ApplyConfiguration(configuration, at);
    restoring_ = false;
  } else {
    song_.Configuration = std::move(configuration);
  }
  if (player) player->MoveToPosition(std::clamp(at, 0, std::max(0, song_.SongLength)));
}

bool SongSession::Undo() {
  if (!CanUndo()) return false;
  SwapWith(history_.StepBack());
  transposeOpen_ = nudgeOpen_ = false;
  return true;
}

bool SongSession::Redo() {
  if (!CanRedo()) return false;
  SwapWith(history_.StepForward());
  transposeOpen_ = nudgeOpen_ = false;
  return true;
}

// ---------------------------------------------------------------- files

bool SongSession::Open(const std::string& path, const TSessionOpenOptions& options) {
  OpenSongOptions open;
  open.ForceEncoding = options.ForceEncoding;
  open.AskRemovePrompta = [this](const std::string& question) { return ui_.AskYesNo(question); };
  // Read aside: a file that fails leaves the current song, its player and its editors as they were.
  Song fresh;
  fresh.Configuration = song_.Configuration;
  fresh.Messages = song_.Messages;
  OpenSongResult opened;
  try {
    opened = DateiOeffnen(fresh, path, open);
  } catch (const std::exception& e) {
    ui_.Report(UserMessage(TSeverity::Error, ErrorText(e), {}, path));
    return false;
  }
  PlayerLink* player = song_.Player;
  if (player && player->Playing()) player->Stop();
  song_ = std::move(fresh);
  song_.Player = player;
  if (player) player->MoveToPosition(0);
  editor_ = TEditor::None;
  enteredText_.reset();
  history_.Clear();
  savedState_ = history_.StateId();
  tapped_ = false;
  beforeTaps_.reset();
  transposeAmount_ = 0;
  transposeOptions_ = {};
  transposeOpen_ = false;
  textFileName_.clear();
  backedUp_.clear();
  saveFormat_.reset();
  // A new song is read as it is: the tempo window starts again from 0.
  tempoEdit_.SongOpened();
  song_.CurrentHyphen = -1;
  song_.QuerryForRules = true;
  // A song without lyrics opens in the edit text, ready for a new text.
  const bool editing = opened.EditingMode && options.EditWithoutLyrics;
  song_.EditingText = editing;
  editor_ = editing ? TEditor::Text : TEditor::None;
  enteredText_.reset();
  editorOnEmptySong_ = editorFromEmpty_ = editing;
  editorChange_ = TSongChange::EditText;
  return true;
}

bool SongSession::WriteTo(const std::string& path, int format) {
  if (!song_.MidiFileLoaded) return false;
  if (format < 0) format = NaturalFormat();
  // The writers' messages: the reason of a failed save is an error, anything else a warning.
  struct Collected : MessageSink {
    void ShowMessage(const std::string& caption, const std::string& text) override { messages.push_back({caption, text}); }
    std::vector<std::pair<std::string, std::string>> messages;
  } collected;
  // The backup is made before the first write over the file since the song was opened.
  std::error_code ec;
  const std::string key = std::filesystem::weakly_canonical(std::filesystem::u8path(path), ec).string();
  const bool backup = song_.Configuration.MakeBackup && !backedUp_.count(key);
  SaveGuard guard;
  const bool saved = Guarded([&] {
    if (!EncodingReadyToSave()) return false;
    if (!BeginSave(guard, path, backup)) return false;
    return SaveWithDefaultTempoEvent(song_, [&] {
      if (format == kKarFormat) return SaveToKarFile(song_, path, KaraokeLanguageTag(SongLanguage()), collected);
      return format == 0 ? SaveToFileFormat0(song_, path, collected) : SaveToFileFormat1(song_, path, collected);
    });
  });
  if (saved && backup) backedUp_.insert(key);
  for (const auto& [caption, text] : collected.messages)
    ui_.Report(UserMessage(saved ? TSeverity::Warning : TSeverity::Error, text, caption, path));
  return saved;
}

bool SongSession::BeginSave(SaveGuard& guard, const std::string& path, bool backup) {
  std::string message;
  if (guard.Begin(path, backup, song_.Configuration.ReplaceBackup, message)) return true;
  ui_.Report(UserMessage(TSeverity::Error, message, SaveCaption(), path));
  return false;
}

bool SongSession::EncodingReadyToSave() {
  if (outputEncoding_ && *outputEncoding_ != song_.Encoding) {
    ReencodeSong(song_, *outputEncoding_);
    InsertLyrics(song_);
  }
  const int bad = FirstUnencodableSyllable(song_);
  if (bad < 0) return true;
  if (!ui_.AskSaveAsUtf8(UnencodableSyllableText(song_, bad) +
                         Tr("\nDas ganze Lied als UTF-8 speichern?", "\nSave the whole song as UTF-8?")))
    return false;
  ReencodeSong(song_, TextEncoding::Utf8);
  InsertLyrics(song_);
  return true;
}

bool SongSession::ChangeEncoding(const TextEncoding& encoding) {
  if (!song_.MidiFileLoaded || encoding == song_.Encoding) return false;
  return Change(TSongChange::Encoding, [&] {
    ChangeSongEncoding(song_, encoding);
    // An open editor keeps its text; the lyric events follow when it is left.
    if (Viewing()) InsertLyrics(song_);
    return true;
  });
}

bool SongSession::Save() {
  if (!WriteTo(song_.MidiFileName, SaveFormat())) return false;
  savedState_ = history_.StateId();
  return true;
}

bool SongSession::SaveAs(const std::string& path, int format) {
  if (!WriteTo(path, format)) return false;
  // From now on Save writes to the new file in its format, not over the one the song came from.
  song_.MidiFileName = path;
  saveFormat_ = format;
  savedState_ = history_.StateId();
  return true;
}

// ---------------------------------------------------------------- song operations

bool SongSession::ApplyTempoDiff(int diff) {
  if (!song_.MidiFileLoaded) return false;
  tempoEdit_.TempoDiff = static_cast<int16_t>(diff);
  return Change(TSongChange::Tempo, [&] { return tempoEdit_.Ok(song_); });
}

bool SongSession::SetPlaybackSpeed(uint8_t speed) {
  if (!song_.MidiFileLoaded) {
    song_.Configuration.PlaybackSpeed = speed;
    return false;
  }
  // Practising changes nothing of the song: it is not marked changed.
  return Guarded([&] {
    tempoEdit_.SetPlaybackSpeed(song_, speed);
    return true;
  });
}

bool SongSession::ScaleTempoToSpeed(uint8_t speed) {
  if (!song_.MidiFileLoaded) return false;
  return Change(TSongChange::Tempo, [&] {
    cv::ScaleTempoToSpeed(song_, speed);
    // Every tempo was rebuilt from its value as read: the tempo window starts again from 0.
    tempoEdit_.TempoDiff = tempoEdit_.PrevTempoDiff = 0;
    return true;
  });
}

bool SongSession::InsertLeadIn(int bars) {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return false;
  return Change(TSongChange::LeadIn, [&] {
    cv::InsertLeadIn(song_, bars);
    return true;
  });
}

bool SongSession::Transpose(int amount, const TTransposeOptions& options) {
  if (!song_.MidiFileLoaded) return false;
  auto step = [&] {
    TransposeSong(song_, amount, options);
    transposeAmount_ = amount;
    transposeOptions_ = options;
    return true;
  };
  if (TransposeEntryOpen()) {
    if (!Guarded(step)) return false;
    history_.MarkChanged();
    return true;
  }
  if (!Change(TSongChange::Transpose, step)) return false;
  transposeOpen_ = true;
  return true;
}

void SongSession::FinishTranspose() {
  const bool open = TransposeEntryOpen();
  transposeOpen_ = false;
  if (!open) return;
  // Back where the window began: no change to take back. At 0 the options do not matter.
  const TUndoSide& began = history_.Newest().OtherSide;
  const bool sameOptions = transposeAmount_ == 0 || (began.TransposeOptions.Intelligent == transposeOptions_.Intelligent &&
                                                     began.TransposeOptions.Mode == transposeOptions_.Mode);
  if (began.TransposeAmount == transposeAmount_ && sameOptions) history_.DropNewest();
}

bool SongSession::Assign() {
  if (!Viewing()) return false;
  bool early = false;
  const bool done = Change(TSongChange::Assign, [&] {
    early = AssignSyllablesToNotes(song_);
    return true;
  });
  if (early) ui_.Report(UserMessage(TSeverity::Warning, StartsTooEarlyText(ui_.LeadInHow())));
  return done;
}

namespace {
// The sung syllables sit on the notes an assignment gives them (the title lines aside).
bool SyllablesFollowMelody(const Song& song) {
  Song assigned = CopySyllablesAndMelody(song);
  AssignSyllablesToNotes(assigned);
  const int32_t count = std::min<int32_t>(song.HyphenArrayElements, static_cast<int32_t>(song.HyphenArray.size()));
  for (int32_t p = HeaderElementCount(song); p < count; ++p) {
    const THyphens& h = song.HyphenArray[p];
    if (h.Text != u"\r" && !IsBarMarker(h) && h.SongPosition != assigned.HyphenArray[p].SongPosition) return false;
  }
  return true;
}
}  // namespace

std::optional<std::string> SongSession::HideNoteAt(int32_t timeMs) {
  if (!Viewing()) return std::nullopt;
  const TypMidiEvent* note = NoteToHideAt(song_, timeMs);
  if (!note) return std::nullopt;
  const std::string described = NoteDescription(song_, *note);
  if (!SyllablesFollowMelody(song_) &&
      !ui_.AskYesNo(Tr("Die Silben dieses Songs liegen nicht dort, wo das Verknüpfen mit der Melodie sie hinlegt. "
                       "Eine Note zu verstecken verknüpft alle Silben neu: jede bekommt die Zeit ihrer Melodienote, "
                       "die Titelzeilen ihren festen Platz (Bearbeiten > Rückgängig nimmt es zurück).\n\n"
                       "Die Note " + described + " verstecken?",
                       "The syllables of this song do not sit where assigning them to the melody puts them. "
                       "Hiding a note assigns every syllable again: each gets the time of its melody note, the "
                       "title lines their fixed place (Edit > Undo takes it back).\n\nHide the note " +
                           described + "?")))
    return std::nullopt;
  if (!Change(TSongChange::HideNote, [&] { return cv::HideNoteAt(song_, timeMs); })) return std::nullopt;
  return described;
}

bool SongSession::Quantize() {
  if (!Viewing()) return false;
  return Change(TSongChange::Quantize, [&] {
    QuantizeLyrics(song_, song_.Configuration.QuantizeFactor);
    return true;
  });
}

bool SongSession::MoveLyrics(int32_t ms) {
  if (!song_.MidiFileLoaded) return false;
  song_.LyricsOffset = 0;
  if (ms == 0) return false;
  return Change(TSongChange::Offset, [&] {
    cv::MoveLyrics(song_, ms);
    return true;
  });
}

bool SongSession::MoveSyllables(const std::vector<int32_t>& selection, int32_t delta, bool nudge) {
  if (!CanEditSyllables() || delta == 0 || LimitSyllableMove(song_, selection, delta) == 0) return false;
  auto step = [&] { return cv::MoveSyllables(song_, selection, delta) != 0; };
  if (nudge && NudgeEntryOpen()) {
    if (!Guarded(step)) return false;
    history_.MarkChanged();
    return true;
  }
  if (!Change(TSongChange::MoveSyllables, step)) return false;
  nudgeOpen_ = nudge;
  return true;
}

bool SongSession::SnapSyllablesToNotes(const std::vector<int32_t>& selection) {
  if (!CanEditSyllables()) return false;
  return Change(TSongChange::MoveSyllables, [&] { return cv::SnapSyllablesToNotes(song_, selection); });
}

bool SongSession::SetSyllableText(int32_t index, std::u16string_view text) {
  if (!CanEditSyllables()) return false;
  return Change(TSongChange::SyllableText, [&] { return cv::SetSyllableText(song_, index, text); });
}

void SongSession::ApplyConfiguration(const TConfiguration& chosen, int32_t timeMs) {
  const TConfiguration before = song_.Configuration;
  song_.Configuration = chosen;
  if (!song_.MidiFileLoaded) return;
  // Another melody setting takes effect at once: assign and hide note work on the new notes.
  if (chosen.Melody != before.Melody) UseMelody(song_);
  if (chosen.PlaybackSpeed != before.PlaybackSpeed) {
    song_.Configuration.PlaybackSpeed = before.PlaybackSpeed;
    SetPlaybackSpeed(chosen.PlaybackSpeed);
  }
  const bool bankSelect = ApplyController32(before);
  if (song_.HyphenArrayElements < 1) {
    // The new bank-select events need their times even when the song has no lyrics.
    if (bankSelect) Guarded([&] {
        SetTimePositions(song_);
        return true;
      });
    return;
  }
  Guarded([&] {
    if (chosen.PromptaEnabled) {
      // The data written under the old settings are found by them and replaced.
      song_.PromptaController = before.PromptaCmdController;
      song_.PromptaControllerChannel = before.PromptaMidiChannel;
      InsertPromptaController(song_);
    } else {
      SetTimePositions(song_);
    }
    return true;
  });
  if (song_.Player) song_.Player->MoveToPosition(timeMs);
}

bool SongSession::ApplyController32(const TConfiguration& before) {
  const TConfiguration& now = song_.Configuration;
  const bool deleteTurnedOn = now.DeleteController32 && !before.DeleteController32;
  const bool valueChanged = now.Controller32Value != before.Controller32Value && now.InsertController32;
  const bool insertChanged = now.InsertController32 != before.InsertController32;
  if (!deleteTurnedOn && !valueChanged && !insertChanged) return false;
  const bool done = Guarded([&] {
    if (deleteTurnedOn) DeleteController32(song_);
    if (valueChanged) InsertController32(song_);
    if (insertChanged) now.InsertController32 ? InsertController32(song_) : DeleteController32(song_);
    return true;
  });
  // The events follow the options, so there is nothing to take back; the song is changed all the same
  // (unless an undo is only bringing an older copy up to today's options).
  if (done && !restoring_) history_.MarkChanged();
  return done;
}

// ---------------------------------------------------------------- lyrics

std::optional<TEditorText> SongSession::EnterEditText() {
  if (!Viewing()) return std::nullopt;
  editor_ = TEditor::Text;
  editorOnEmptySong_ = editorFromEmpty_ = false;
  editorChange_ = TSongChange::EditText;
  TEditorText t = cv::EnterEditText(song_);
  enteredText_ = t.Text;
  return t;
}

std::optional<TEditorText> SongSession::EnterMtcText() {
  if (!Viewing() || song_.HyphenArrayElements < 1) return std::nullopt;
  editor_ = TEditor::Mtc;
  editorChange_ = TSongChange::PositionText;
  TEditorText t = cv::EnterMtcText(song_);
  enteredText_ = t.Text;
  return t;
}

TLeaveResult SongSession::LeaveEditor(std::u16string_view text) {
  TLeaveResult r;
  if (editor_ == TEditor::None) {
    r.Status = TLeaveStatus::EditorOpen;
    return r;
  }
  if (enteredText_ && text == *enteredText_) {
    // Nothing typed: the song stays exactly as it was (read back, the text would place the title
    // lines and some times anew, a change nobody made).
    editor_ = TEditor::None;
    enteredText_.reset();
    song_.EditingText = false;
    r.Status = TLeaveStatus::Done;
    r.Text = DisplayText();
    return r;
  }
  const std::vector<THyphens> before = CurrentSyllables(song_);
  SongSnapshot songBefore = SnapshotBefore(editorChange_, song_);
  const TUndoSide sideBefore = SideBefore();
  try {
    r = editor_ == TEditor::Text
            ? LeaveEditText(song_, text,
                            [this](const std::string& question) {
                              // Once confirmed, every later song of the run takes it as known.
                              if (!rulesConfirmed_) rulesConfirmed_ = ui_.AskRulesFollowed(question);
                              return rulesConfirmed_;
                            })
            : LeaveMtcText(song_, text);
  } catch (const std::exception& e) {
    // The editor stays open on the text; the song must not keep half a change.
    songBefore.Exchange(song_);
    if (song_.Player) song_.Player->MoveToPosition(song_.Player->TimePosition());
    Fail(e);
    r.Status = TLeaveStatus::EditorOpen;
    r.Text = std::u16string(text);
    return r;
  }
  if (r.Status == TLeaveStatus::BadPosition || r.Status == TLeaveStatus::TooLong)
    ui_.Report(UserMessage(TSeverity::Error, r.Message));
  if (r.Status != TLeaveStatus::Done) return r;
  editor_ = TEditor::None;
  enteredText_.reset();
  if (!SameSyllables(before, CurrentSyllables(song_))) Record(editorChange_, std::move(songBefore), sideBefore);
  return r;
}

THyphenLanguage SongSession::SongLanguage() const {
  if (songLanguage_) return *songLanguage_;
  return CurrLanguage() == TLanguage::Deutsch ? THyphenLanguage::German : THyphenLanguage::English;
}

std::optional<std::u16string> SongSession::HyphenateEditText(std::u16string_view text, THyphenLanguage language,
                                                             const std::string& patternDir,
                                                             const std::string& exceptionsDir) {
  if (editor_ != TEditor::Text) return std::nullopt;
  try {
    const THyphenator hyphenator = LoadHyphenator(language, patternDir, exceptionsDir);
    songLanguage_ = language;
    std::vector<std::u16string> lines = SplitLines(text);
    cv::HyphenateEditText(lines, hyphenator);
    // A loaded text keeps its name: the text is what the user will take back.
    if (editorChange_ == TSongChange::EditText) editorChange_ = TSongChange::Hyphenation;
    return JoinLines(lines);
  } catch (const std::exception& e) {
    Fail(e);
    return std::nullopt;
  }
}

std::optional<std::u16string> SongSession::RemovePunctuation() {
  if (!Viewing()) return std::nullopt;
  const std::vector<THyphens> before = CurrentSyllables(song_);
  // A step that throws was reported and taken back: no text to show.
  std::optional<TLeaveResult> r;
  Change(TSongChange::RemovePunctuation, [&] {
    r = cv::RemovePunctuation(song_);
    return r->Status == TLeaveStatus::Done && !SameSyllables(before, CurrentSyllables(song_));
  });
  if (!r) return std::nullopt;
  if (r->Status == TLeaveStatus::BadPosition) ui_.Report(UserMessage(TSeverity::Error, r->Message));
  if (r->Status != TLeaveStatus::Done) return std::nullopt;
  return r->Text;
}

std::optional<std::u16string> SongSession::UpperCase() {
  if (!Viewing()) return std::nullopt;
  const std::vector<THyphens> before = CurrentSyllables(song_);
  std::optional<std::u16string> display;
  Change(TSongChange::UpperCase, [&] {
    display = SetUpperCase(song_);
    return !SameSyllables(before, CurrentSyllables(song_));
  });
  return display;
}

bool SongSession::DeleteLyrics() {
  if (!Viewing() || !ui_.AskYesNo(DeleteLyricsQuestion())) return false;
  return Change(TSongChange::DeleteLyrics, [&] {
    cv::DeleteLyrics(song_);
    // With no lyrics left the view is ready for a new text.
    song_.EditingText = true;
    song_.QuerryForRules = true;
    editor_ = TEditor::Text;
    enteredText_.reset();
    editorOnEmptySong_ = editorFromEmpty_ = true;
    editorChange_ = TSongChange::EditText;
    return true;
  });
}

std::optional<TEditorText> SongSession::LoadText(const std::string& path,
                                                 const std::vector<std::unique_ptr<DocumentReader>>& readers) {
  if (!song_.MidiFileLoaded) {
    ui_.Report(UserMessage(TSeverity::Info, Tr("Bitte zuerst eine Mididatei öffnen.", "Please open a midi file first.")));
    return std::nullopt;
  }
  if (editor_ == TEditor::Mtc) return std::nullopt;
  const TLyricTextLoad load = ReadLyricTextFile(path, readers);
  if (load.Status != TLyricLoadStatus::Loaded) {
    // A file that cannot be read says why; the lyrics stay as they were.
    ui_.Report(UserMessage(TSeverity::Error, load.Message));
    return std::nullopt;
  }
  if (editor_ == TEditor::None) editorFromEmpty_ = false;
  editor_ = TEditor::Text;
  enteredText_.reset();
  editorOnEmptySong_ = false;
  editorChange_ = TSongChange::LoadText;
  return OpenLyricText(song_, load.Lines);
}

bool SongSession::LoadLrc(const std::string& path, std::optional<THyphenLanguage> language,
                          const std::string& patternDir, const std::string& exceptionsDir) {
  if (!song_.MidiFileLoaded) return false;
  return Change(TSongChange::LoadText, [&] {
    std::optional<THyphenator> hyphenator;
    if (language) hyphenator.emplace(LoadHyphenator(*language, patternDir, exceptionsDir));
    TLrcHyphenate hyphenate;
    if (hyphenator) hyphenate = [&](std::u16string_view word) { return hyphenator->HyphenateWord(word); };
    const TLrcImport imported = ImportLrcFile(song_, path, hyphenate);
    if (!imported.Ok) {
      ui_.Report(UserMessage(TSeverity::Error, imported.Message));
      return false;
    }
    editor_ = TEditor::None;
    enteredText_.reset();
    song_.EditingText = false;
    return true;
  });
}

bool SongSession::ExportLrc(const std::string& path) {
  if (!song_.MidiFileLoaded) return false;
  // An empty file would replace a good one: nothing is written.
  if (song_.HyphenArrayElements < 1) {
    ui_.Report(UserMessage(TSeverity::Error,
                           Tr("Der Song hat keinen Liedtext, darum gibt es nichts zu exportieren; \"" + path +
                                  "\" wurde nicht geschrieben. Öffnen Sie einen Song mit Liedtext oder fügen Sie "
                                  "zuerst Text ein.",
                              "The song has no lyrics, so there is nothing to export; \"" + path +
                                  "\" was not written. Open a song with lyrics, or put lyrics into it first."),
                           SaveCaption(), path));
    return false;
  }
  const std::string text = LrcFileContent(song_);
  const std::vector<uint8_t> bytes(text.begin(), text.end());
  SaveGuard guard;
  if (!BeginSave(guard, path, song_.Configuration.MakeBackup)) return false;
  const FileWriteResult written = WriteFileSafely(path, bytes);
  if (!written.Ok)
    ui_.Report(UserMessage(TSeverity::Error, SaveMessage(SaveTexts::Other, written, path), SaveCaption(), path));
  return written.Ok;
}

std::optional<TGameExport> SongSession::ExportKaraokeGame(const std::string& folder, bool withMelody,
                                                          const std::string& audioExtension,
                                                          const TAudioRenderer& render) {
  if (!song_.MidiFileLoaded) return std::nullopt;
  namespace fs = std::filesystem;
  TMelody melody;
  TUltraStarSong game;
  if (!Guarded([&] {
        melody = FindSongMelody(song_);
        TUltraStarOptions options;
        options.Language = LanguageEnglishName(SongLanguage());
        options.AudioExtension = audioExtension;
        options.FallbackTitle = fs::path(song_.MidiFileName).stem().string();
        game = MakeUltraStarSong(song_, melody, options);
        return true;
      }))
    return std::nullopt;

  TGameExport result;
  result.Notes = game.Notes;
  result.Freestyle = game.Freestyle;
  const fs::path dir = fs::path(folder) / fs::path(game.BaseName);
  result.Folder = dir.string();
  result.TextFile = (dir / fs::path(game.BaseName + ".txt")).string();
  result.AudioFile = (dir / fs::path(game.BaseName + audioExtension)).string();
  std::error_code ec;
  const bool madeFolder = !fs::exists(dir, ec) && fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir, ec)) {
    ui_.Report(UserMessage(TSeverity::Error,
                           Tr("Der Ordner \"" + result.Folder + "\" kann nicht angelegt werden: " + ec.message() +
                                  ". Wählen Sie einen anderen Ort.",
                              "Cannot create the folder \"" + result.Folder + "\": " + ec.message() +
                                  ". Choose another place."),
                           SaveCaption(), result.Folder));
    return std::nullopt;
  }
  // Whatever this export made goes again when a later step fails; files that were there stay.
  const bool hadAudio = fs::exists(dir / fs::path(game.BaseName + audioExtension), ec);
  auto undo = [&](bool audioWritten) {
    if (audioWritten && !hadAudio) fs::remove(fs::path(result.AudioFile), ec);
    if (madeFolder) fs::remove(dir, ec);  // only while empty
  };
  std::string message;
  if (!render(song_, result.AudioFile, withMelody ? -1 : melody.Channel, message)) {
    ui_.Report(UserMessage(TSeverity::Error, message, SaveCaption(), result.AudioFile));
    undo(false);
    return std::nullopt;
  }
  const std::vector<uint8_t> bytes(game.Text.begin(), game.Text.end());
  const FileWriteResult written = WriteFileSafely(result.TextFile, bytes);
  if (!written.Ok) {
    ui_.Report(UserMessage(TSeverity::Error, SaveMessage(SaveTexts::Other, written, result.TextFile), SaveCaption(),
                           result.TextFile));
    undo(true);
    return std::nullopt;
  }
  return result;
}

bool SongSession::SaveText(const std::string& path) {
  if (!Viewing()) return false;
  SaveGuard guard;
  if (!BeginSave(guard, path, song_.Configuration.MakeBackup) || !Guarded([&] {
        SaveLyricTextFile(song_, path);
        return true;
      }))
    return false;
  textFileName_ = path;
  return true;
}

std::u16string SongSession::DisplayText() const { return BuildDisplayText(CurrentSyllables(song_)); }

// ---------------------------------------------------------------- tap recording

void SongSession::KeepBeforeTaps() {
  if (beforeTaps_ || !song_.MidiFileLoaded) return;
  beforeTaps_ = SnapshotBefore(TSongChange::TapRecording, song_);
  sideBeforeTaps_ = SideBefore();
}

int SongSession::StartRecording(int fromSyllable) {
  KeepBeforeTaps();
  const int n = std::min<int>(song_.HyphenArrayElements, static_cast<int>(song_.HyphenArray.size()));
  const int header = HeaderElementCount(song_);
  if (fromSyllable >= std::max(3, header) && fromSyllable < n) {
    // A line break is not tapped: the re-tap starts at the syllable after it.
    while (fromSyllable < n - 1 && song_.HyphenArray[fromSyllable].Text == u"\r") ++fromSyllable;
    song_.CurrentHyphen = fromSyllable;
  } else {
    // On from the syllable after the one highlighted last; near the start, from the first sung
    // one: header lines are never tapped, they follow the first sung syllable.
    const int next = song_.CurrentHyphen > 0 ? song_.CurrentHyphen + 1 : 0;
    song_.CurrentHyphen = next < 3 || next < header ? header : next;
  }
  return song_.CurrentHyphen;
}

void SongSession::StampEntry(int index, int32_t position) {
  THyphens& h = song_.HyphenArray[index];
  h.SongPosition = position;
  h.Time = SongPositionTime(song_, position);
  // The position text sets SongPositionToTime as a side effect; the player's position is not ours.
  const int32_t keep = song_.SongPositionToTime;
  h.MTC = SongPositionToMTC(song_, std::max(position, 0));
  song_.SongPositionToTime = keep;
}

TTapResult SongSession::Tap(int32_t now) {
  now = std::max(0, now - tapDelay_);
  if (song_.TimeZone.empty()) return {};
  KeepBeforeTaps();
  song_.TextChanged = true;
  tapped_ = true;
  if (song_.SongPositionTicks < 108) return {};
  int k = static_cast<int>(song_.TimeZone.size()) - 1;
  for (int i = 0; i + 1 < static_cast<int>(song_.TimeZone.size()); ++i)
    if (song_.TimeZone[i].Time <= now && now < song_.TimeZone[i + 1].Time) {
      k = i;
      break;
    }
  const TTimeZone& z = song_.TimeZone[k];
  int32_t p =
      z.SongPosition + (z.TempoComp > 0 ? static_cast<int32_t>(std::nearbyint((now - z.Time) / z.TempoComp)) : 0);
  const int n = std::min<int>(song_.HyphenArrayElements, static_cast<int>(song_.HyphenArray.size()));
  // Header lines are never tapped: they follow the first sung syllable, which leaves them room.
  const int header = HeaderElementCount(song_);
  const bool firstSung = header > 0 && song_.CurrentHyphen == header;
  if (firstSung) p = std::max(p, FirstSungMinimum(header));
  const TTapResult result = StampTap(song_.CurrentHyphen, p, n);
  if (firstSung) {
    // The position texts set SongPositionToTime as a side effect; the player's position is not ours.
    const int32_t keep = song_.SongPositionToTime;
    PlaceTitleLines(song_);
    song_.SongPositionToTime = keep;
  }
  return result;
}

TTapResult SongSession::StampTap(int& c, int32_t p, int n) {
  TTapResult result;
  auto isBreak = [this](int i) { return song_.HyphenArray[i].Text == u"\r"; };
  // Line breaks and the syllable after them ride a few ticks behind the tapped one.
  int32_t shiftTicks = 0;
  if (c >= n - 1) {
    if (c >= 0 && c < n) {
      StampEntry(c, p);
      result.Select = c;
    }
    result.Finished = true;
    return result;
  }
  while (c < n && isBreak(c)) {
    StampEntry(c, p + shiftTicks);
    ++c;
    shiftTicks += 4;
  }
  if (c >= n) {
    result.Finished = true;
    return result;
  }
  StampEntry(c, p + shiftTicks);
  result.Select = c;
  if (c >= n - 1) {
    result.Finished = true;
    return result;
  }
  ++c;
  shiftTicks += 4;
  if (isBreak(c)) {
    StampEntry(c, p + shiftTicks + 4);
    ++c;
  }
  return result;
}

int SongSession::FollowLastTap() {
  const int n = std::min<int>(song_.HyphenArrayElements, static_cast<int>(song_.HyphenArray.size()));
  const int first = song_.CurrentHyphen;  // the next syllable to tap
  if (first <= 0 || first >= n) return 0;
  int32_t previous = song_.HyphenArray[first - 1].SongPosition;
  int moved = 0;
  // Untapped syllables keep their times; only those the taps overtook line up behind the last.
  for (int i = first; i < n && song_.HyphenArray[i].SongPosition <= previous; ++i) {
    StampEntry(i, previous + 4);
    previous = song_.HyphenArray[i].SongPosition;
    const std::u16string& text = song_.HyphenArray[i].Text;
    if (!text.empty() && text != u"\r") ++moved;
  }
  return moved;
}

void SongSession::PlaybackStopped() {
  std::optional<SongSnapshot> beforeTaps = std::move(beforeTaps_);
  beforeTaps_.reset();
  if (!song_.MidiFileLoaded || !song_.TextChanged) {
    tapped_ = false;
    return;
  }
  const int moved = tapped_ ? FollowLastTap() : 0;
  const bool tapped = tapped_;
  tapped_ = false;
  Guarded([&] {
    InsertLyrics(song_);
    return true;
  });
  // The whole recording is one change.
  if (tapped && beforeTaps) Record(TSongChange::TapRecording, std::move(*beforeTaps), sideBeforeTaps_);
  if (moved > 0) {
    const std::string n = std::to_string(moved);
    ui_.Report(UserMessage(
        TSeverity::Info,
        Tr("Die Aufnahme endete vor der letzten Silbe: " + n +
               " der nicht getippten Silben lagen vor dem letzten Tippen und stehen jetzt direkt dahinter (4 Ticks "
               "Abstand). Die übrigen behalten ihre Zeiten.",
           "Recording ended before the last syllable: " + n +
               " of the syllables not tapped lay before the last tap and now follow it directly (4 ticks apart). "
               "The others keep their times.")));
  }
}

// ---------------------------------------------------------------- output

TOutputChoice SongSession::ChooseOutput(const TOutputRequest& request) {
  TOutputChoice choice = ChooseOutputFor(request);
  // Without a fallback the caller cannot go on: an error; otherwise nothing plays, a warning.
  if (choice.Output == TOutputChoice::Kind::None)
    ui_.Report(UserMessage(request.FallBack ? TSeverity::Warning : TSeverity::Error, choice.Message));
  return choice;
}

}  // namespace cv
