// The main window: menus, the lyric view, the transport strip, and the commands that open and
// save songs. It owns the song and the stored settings.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <memory>
#include <optional>

#include "app/AppSettings.h"
#include "app/TapCalibrationForm.h"
#include "app/UiHooks.h"
#include "lyrics/CV_Hyphen.h"
#include "session/SongCheck.h"
#include "session/SongSession.h"

class QAction;
class QBoxLayout;
class QFrame;
class QLabel;
class QMouseEvent;
class QMenu;
class QPushButton;
class QSlider;
class QTextEdit;
class QTimer;

namespace cv {
class SynthDevice;
}

namespace cvapp {

class TMyRegistry;
class TInstanceManager;
class THyphenationForm;
class TEditTransposeForm;
class TLyricsOffsetForm;
class TEditTempoForm;
class TOptionsForm;
class TMultiModeForm;
class TPrompterForm;
class TSongCheckForm;
class TMainStatus;
class TManualViewer;

// While a dialog of ours is open the transport keys are not acted on; the flag is back as it
// was when the guard goes, however the dialog ends.
class TPlayerCommandsIgnored {
 public:
  explicit TPlayerCommandsIgnored(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
  ~TPlayerCommandsIgnored() { flag_ = previous_; }
  TPlayerCommandsIgnored(const TPlayerCommandsIgnored&) = delete;
  TPlayerCommandsIgnored& operator=(const TPlayerCommandsIgnored&) = delete;

 private:
  bool& flag_;
  bool previous_;
};

// What the window shows: the editor mode of the song session and what the transport does. The
// menus follow from it alone (UpdateActions).
enum class TTransportState { Stopped, Playing, Recording };
struct TViewState {
  cv::TEditorMode Editor = cv::TEditorMode::NoSong;
  TTransportState Transport = TTransportState::Stopped;
};

// The window's menu items, held by the window: no item is looked up by its name.
struct TMainActions {
  QMenu *File = nullptr, *Text = nullptr, *Edit = nullptr;
  QAction *Open = nullptr, *Save = nullptr, *SaveAs = nullptr, *Exit = nullptr;
  QAction *TextLoad = nullptr, *TextSave = nullptr, *TextSaveAs = nullptr, *TextEdit = nullptr,
          *TextEditMtc = nullptr, *TextHyphenate = nullptr, *TextRemovePunctuation = nullptr,
          *TextUpperCase = nullptr, *TextHideNote = nullptr, *TextAssign = nullptr, *TextQuantize = nullptr,
          *TextOffset = nullptr, *TextDelete = nullptr,
          *TextCheck = nullptr, *TextFont = nullptr, *TextRetap = nullptr;
  QAction* ViewPrompter = nullptr;
  QAction *EditUndo = nullptr, *EditRedo = nullptr;
  QAction *EditTempo = nullptr, *EditTranspose = nullptr, *Options = nullptr, *HelpInfo = nullptr;
  QAction *PopupEdit = nullptr, *PopupEditMtc = nullptr, *PopupHyphenate = nullptr, *PopupHideNote = nullptr,
          *PopupAssign = nullptr;
};

struct TMainFormOptions {
  TMyRegistry* Store = nullptr;  // required; outlives the window
  QStringList Arguments;          // the process arguments, program name first
  QString ApplicationDirectory;   // empty: the executable's folder
  QString SystemLanguageName;     // empty: asked of the system
  TInstanceManager* Instance = nullptr;  // receives hand-overs when given
  TUiHooks Hooks;                 // unset members get the real dialogs
};

class TTimelinePanel;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TMainForm(TMainFormOptions options, QWidget* parent = nullptr);
  ~TMainForm() override;

  // --- Opening (four entry points feed DateiOeffnen) ---
  // Opens a song; false when it failed (the user has seen why) and no song is loaded.
  bool DateiOeffnen(const QString& fileToOpen);
  void MainMenu_DateiOeffnenClick();
  void MMF_MidifileClick(int tag);
  void HandleDroppedFiles(const QStringList& files);
  void HandleHandOver(const QString& text);
  // Opens the first .mid or .kar among the program's own arguments (start with a song).
  void OpenFromArguments(const QStringList& arguments);

  // --- Saving ---
  void MainMenu_DateiSpeichernClick();
  void MainMenu_DateiSpeichernUnterClick();
  // File > Encoding: the song's text read again in the chosen encoding.
  void ChooseEncoding(const QString& name);
  void MainMenu_DateiExportLrcClick();
  void MainMenu_DateiExportGameClick();  // in MainGameExport.cpp

  // --- Lyrics commands of the Text menu ---
  void MainMenu_TextEditClick();
  void MainMenu_TextEditMTCClick();
  // Leaves the open editor with the text as edited (stopping playback first).
  void LeaveEditor();
  // Selects a line (1-based) of the open editor, e.g. one the editor could not read.
  void SelectEditorLine(int line);
  void MainMenu_TextExtractPunctuationClick();
  void MainMenu_TextUpperCaseClick();
  void MainMenu_TextAssignClick();
  void MainMenu_TextHideNoteClick();
  void MainMenu_TextQuantizeClick();
  void MainMenu_TextHyphenateClick();
  void HyphenateEditText(cv::THyphenLanguage language);
  void MainMenu_TextLadenClick();
  void LoadLyricTextFile(const QString& fileName);
  // The window title for the song's file: its name and the encoding its text is read in.
  QString SongTitle(const QString& fileName) const;
  // Shows the song's file in the title, with "*" while it has unsaved changes.
  void ShowSongTitle(const QString& fileName);
  void RefreshTitle();  // the "*" follows every change
  // Asks "Save changes to …?" for a modified song; false when the user cancels or the save fails.
  bool MaySongGo();
  // Save, or Save as when the file is write-protected; true when the song is on disk.
  bool SaveSong();
  // The syllables in the view (one character per line break, so offsets match the list).
  void ShowSyllables();
  void MainMenu_TextSpeichernClick();
  void MainMenu_TextSpeichernUnterClick();
  void MainMenu_TextDeleteClick();

  // --- Display ---
  void SelectHyphen(int hyphenToDraw);
  void ApplyViewFont();
  void MainMenu_TextSchriftAuswahlClick();

  // --- Shell ---
  void MainMenu_StylesDarkClick(const QString& name);
  void MainMenu_StylesLightClick(const QString& name);
  void MainMenu_HelpManualClick();
  void MainMenu_HelpInfoClick();
  QString ManualFile() const;
  TManualViewer* ManualViewer() const { return manualViewer_; }
  void Btn_PlayClick();
  void Btn_StopClick();
  void VolSliderChange(int position);
  void DisplayTimerTimer();
  void PosSliderChange(int position);
  // Rewind (-1), forward (+1) or a grab of the slider (0) until released; resume: play again
  // afterwards when playback was running.
  void TransportPress(int direction, bool resume = true);
  // Tap recording: the record button, one tap (Space), and the program-wide keys.
  void Btn_RecClick();
  // Text > Re-tap from here: recording starts at the syllable with the caret (else the one
  // highlighted), counted in from a bar before it; the syllables before it keep their times.
  void MainMenu_TextRetapClick();
  void StartTapRecording(int fromSyllable);
  void Tap();
  void KeyHookAppKeyDown(int key, Qt::KeyboardModifiers modifiers, bool repeated);
  void KeyHookAppKeyUp(int key, Qt::KeyboardModifiers modifiers);
  void TransportRelease();
  bool Playing() const;
  // The output playback goes to, as the user reads it: the MIDI port's name, or the synthesizer
  // and its audio device; empty until the first Play chose one. Every place that shows the
  // output takes this text (and OutputChanged).
  QString OutputText() const { return outputText_; }

  // --- State, for the commands of other windows and for tests ---
  cv::Song& CurrentSong() { return session_.CurrentSong(); }
  cv::SongSession& Session() { return session_; }
  TStoredSettings& Settings() { return settings_; }
  TMyRegistry& Store() { return *store_; }
  bool MidiFileLoaded() const { return song_.MidiFileLoaded; }
  bool EditingText() const { return song_.EditingText; }
  QString TextFileName() const { return QString::fromStdString(session_.TextFileName()); }
  bool HiddenMode() const { return hiddenMode_; }
  bool NextHyphenIsEndOfLine() const { return nextHyphenIsEndOfLine_; }
  QString WindowsVersion() const { return windowsVersion_; }
  QString ApplicationDirectory() const { return applicationDirectory_; }
  QString DisplayText() const;
  QSizeF ClientSize96() const;
  double DpiFactor() const;
  QTextEdit* MyMemo() const { return myMemo_; }
  THyphenationForm* HyphenationForm() const { return hyphenationForm_; }
  TEditTransposeForm* TransposeForm() const { return transposeForm_; }
  TLyricsOffsetForm* LyricsOffsetForm() const { return lyricsOffsetForm_; }
  // Edit > Undo / Redo: the song's history, or the open editor's own text while it holds one.
  void MainMenu_EditUndoClick();
  void MainMenu_EditRedoClick();
  void MainMenu_EditTransposeClick();
  void MainMenu_EditTempoClick();
  void MainMenu_EditLeadInClick();
  void MainMenu_OptionsClick();
  void MainMenu_DateiMultiOeffnenClick();
  TMultiModeForm* MultiModeForm() const { return multiModeForm_; }
  TOptionsForm* OptionsForm() const { return optionsForm_; }
  // Names offered as MIDI outputs: the ports, then the synthesizer.
  QStringList OutputNames() const;
  // Audio devices offered to the synthesizer, as the options list them.
  QStringList AudioDeviceNames() const;
  TEditTempoForm* TempoForm() const { return tempoForm_; }
  // After the tempos changed: display and slider back to the start.
  void RefreshAfterTempoChange();
  void MainMenu_TextOffsetClick();
  // Text > Check song: the findings in their window; a chosen one selects its syllable and moves
  // the player there.
  void MainMenu_TextCheckClick();
  void GoToFinding(const cv::TSongFinding& finding);
  TSongCheckForm* SongCheckForm() const { return songCheckForm_; }
  // View > Prompter: the song as the stage display shows it, following playback.
  void MainMenu_ViewPrompterClick();
  TPrompterForm* PrompterForm() const { return prompterForm_; }
  // The prompter shows the song anew (a new song: the device starts empty).
  void UpdatePrompter(bool newSong = false);
  // View > Timeline: the panel below the lyrics.
  TTimelinePanel* Timeline() const { return timeline_; }
  // Options > Tap delay > Calibrate: the clicks through the current output; the delay taken is
  // stored at once.
  std::optional<int> CalibrateTapDelay();
  TCalibrationHooks CalibrationHooks();
  // Playback moves to timeMs (and plays on from there when it was playing).
  void SeekTo(int32_t timeMs);
  // Playback time as heard: the player's time less the output's latency (ms).
  int32_t HeardTimeMs() const;
  // Lookups by name, for tests.
  QAction* Action(const QString& objectName) const;
  QMenu* Menu(const QString& objectName) const;
  TViewState ViewState() const;
  // Every menu item's state and caption from the view state; called after each command.
  void UpdateActions();
  void UpdateUndoActions();  // part of UpdateActions
  void SaveConfiguration();  // UpdateConfiguration with the window's current size
  TUiHooks& Hooks() { return hooks_; }
  // The status bar: what the last command did, and where the song stands.
  TMainStatus& Status() const { return *status_; }
  void Say(const QString& text);
  // Menus, status bar and hints in the other language at once; the Qt dialogs follow.
  void SwitchLanguage(bool english);
  // The hint for what to do next in the current state (empty window, empty edit text, grey items).
  void ShowGuidance();
  bool RecordingTiming = false;
  bool IgnorePlayerCommands = false;

 signals:
  // After a song was opened (for the dialogs that hold per-song state).
  void SongOpened();
  // The output in use changed (its text as OutputText()).
  void OutputChanged(const QString& text);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void CreateMenus();
  void CreateDialogs();
  void CreateCentralWidgets();
  void ApplyCaptions();
  void ApplyStoredGeometry();
  void PlaceVolumePanel();
  void BuildStyleMenus();
  void UpdateStyleChecks();
  void RefreshRecentMenu();
  // Puts the file at the top of the recent-files list (stored at once).
  void RememberRecentFile(const QString& fileName);
  void SaidSaved(const QString& fileName, int format);
  void SaidTextSaved(const QString& fileName);
  void UpdateLastMidiPath(const QString& fileName, bool saveAll);
  void ShowError(const QString& text);
  void ShowInfo(const QString& text);
  void NotAvailable();
  // The session asks and reports through the window's dialogs.
  class TWindowUi : public cv::SessionUi {
   public:
    explicit TWindowUi(TMainForm& form) : form_(form) {}
    bool AskYesNo(const std::string& question) override;
    bool AskRulesFollowed(const std::string& question) override;
    void Report(const cv::TUserMessage& message) override;

   private:
    TMainForm& form_;
  };
  void CreateUndoActions();
  // The editor holds text of its own: Undo and Redo act on it, not on the song.
  bool EditorTakesUndo() const;
  void StepHistory(bool back);
  void ShowEditorText(const std::u16string& text, int lookAhead, int caret);
  void ShowDisplayText(const std::u16string& text);
  // Shows the song's syllables after an operation changed them.
  void ShowSongText();
  QAction* AddAction(QMenu* menu, const char* objectName);

  TMyRegistry* store_;
  TUiHooks hooks_;
  TInstanceManager* instance_;
  QStringList arguments_;
  QString applicationDirectory_;
  QString systemLanguageName_;
  QString windowsVersion_;
  bool hiddenMode_ = false;
  bool nextHyphenIsEndOfLine_ = false;

  TWindowUi ui_{*this};
  cv::SongSession session_{ui_};
  // The session's song, read by the view.
  cv::Song& song_ = session_.CurrentSong();
  TStoredSettings settings_;

  // Widgets (named as the rest of the program refers to them).
  QTextEdit* myMemo_ = nullptr;
  QMenu* popupMenu_Text_ = nullptr;
  QFrame* panelTop_ = nullptr;
  QPushButton *btnPlay_ = nullptr, *btnStop_ = nullptr, *btnRew_ = nullptr, *btnFrwd_ = nullptr,
              *btnRec_ = nullptr;
  QLabel *playLED_ = nullptr, *recLED_ = nullptr, *lSongPosition_ = nullptr, *lOutput_ = nullptr,
         *lLyricsOffset_ = nullptr, *lVolume_ = nullptr;
  QSlider* posSlider_ = nullptr;
  QFrame* panelVolume_ = nullptr;
  QSlider* volSlider_ = nullptr;
  TMainActions actions_;
  QMenu* mmfHistory_ = nullptr;
  QList<QAction*> recentItems_;
  // The tempo and transpose windows exclude each other.
  bool tempoWindowOpen_ = false, transposeWindowOpen_ = false;
  QMenu* stylesDark_ = nullptr;
  QMenu* stylesLight_ = nullptr;
  THyphenationForm* hyphenationForm_ = nullptr;
  TEditTransposeForm* transposeForm_ = nullptr;
  TLyricsOffsetForm* lyricsOffsetForm_ = nullptr;
  TEditTempoForm* tempoForm_ = nullptr;
  TOptionsForm* optionsForm_ = nullptr;
  TMultiModeForm* multiModeForm_ = nullptr;
  TPrompterForm* prompterForm_ = nullptr;
  TSongCheckForm* songCheckForm_ = nullptr;
  void ApplyOptions();
  // The status bar's offer taken: the melody is found by itself from now on.
  void UseFoundMelody();
  bool lyricsOffsetShown_ = false;
  QString titleFile_;  // the song file the title names
  // Playback: made on the first Play, so a start without sound devices stays quick.
  struct TPlayback;
  struct TPlaybackDeleter {
    void operator()(TPlayback* p) const;
  };
  std::unique_ptr<TPlayback, TPlaybackDeleter> playback_;
  QTimer* displayTimer_ = nullptr;
  QTimer* transportTimer_ = nullptr;
  int transportDirection_ = 0;
  bool playBeforeSeek_ = false;
  int prevMeasure_ = -1, prevBeat_ = -1;
  QString outputText_;
  void SetOutputText(const QString& text);
  bool EnsurePlayer();
  // Playback has stopped: lamps, menus and the recording follow.
  void ShowStopped();
  // The output went away while playing: playback has stopped; the user may choose another.
  void OutputLost(const QString& text);
  // Sound problems, each said once, with what to do.
  void SaySoundProblem(const QString& text);
  void SaySynthesizerProblems(const cv::SynthDevice& synth);
  QSet<QString> soundProblemsSaid_;
  bool automaticPlay_ = false;    // the play was not the user's own (a drop starts one)
  QString pendingSoundProblem_;   // said in the status bar, owed to the user's first Play
  int audioDeviceCount_ = -1;     // not yet asked
  // "No audio device …" when the next Play would sound through the synthesizer into nothing.
  QString NoAudioDeviceNote();
  // A press beside the slider's thumb runs the position towards it while held and seeks on
  // release; a press on the thumb drags it. True when the event was taken.
  bool PosSliderMouse(QMouseEvent* event);
  int transportTarget_ = -1;  // where a press beside the thumb runs to; -1: no limit
  int transportFrom_ = -1;    // the slider's value when that press began
  // Makes the player when needed and starts it; false when the output refused.
  bool StartPlayer();
  // The song is about to change: playback stops first; afterwards the user may play on from the
  // same place (asked unless ask is false).
  struct TPlayOn {
    bool Playing = false;
    int64_t Ticks = 0;
  };
  TPlayOn StopForChange();
  void OfferPlayOn(const TPlayOn& at, bool ask = true);
  // An editable text field has the focus: keys are the user's typing, not transport commands.
  bool TypingInText() const;
  // The prompter window sees what the player sends.
  void TapPlayerForPrompter();
  void ReleasePlayer();
  void ShowSongPosition(int32_t timeMs);
  void ShowPlaceAtStart();
  TMainStatus* status_ = nullptr;
  TManualViewer* manualViewer_ = nullptr;
  QLabel* idleArea_ = nullptr;
  cv::TEditorMode guidanceMode_ = cv::TEditorMode::NoSong;
  void UpdatePosSliderHint();
  TTimelinePanel* timeline_ = nullptr;
  // The lyrics and the timeline share the client area.
  void CreateTimeline(QBoxLayout* column);
};

}  // namespace cvapp
