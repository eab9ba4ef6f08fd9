// The Text menu: the two lyrics editors, punctuation and capitals, assigning, quantizing, and
// lyric text files.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTextCursor>
#include <QTextEdit>

#include "app/CV_Hyphenation.h"
#include "app/CV_Main.h"
#include "app/MyRegistry.h"
#include "lyrics/Assign.h"
#include "lyrics/EditText.h"
#include "lyrics/LyricFiles.h"
#include "lyrics/MtcText.h"
#include "lyrics/Quantize.h"
#if CANTOVEX_HAVE_DOCUMENTS
#include "platform/documents/DocumentReaders.h"
#endif
#include "song/Language.h"

namespace cvapp {

namespace {

const QString kTitle = QStringLiteral(" Cantovex 3");

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

void TMainForm::ShowEditorText(const std::u16string& text, int lookAhead, int caret) {
  myMemo_->hide();
  myMemo_->setPlainText(QString::fromStdU16String(text));
  ApplyViewFont();
  const int length = std::max(0, myMemo_->document()->characterCount() - 1);
  QTextCursor cursor(myMemo_->document());
  cursor.setPosition(std::clamp(lookAhead, 0, length));
  myMemo_->setTextCursor(cursor);
  myMemo_->ensureCursorVisible();
  cursor.setPosition(std::clamp(caret, 0, length));
  myMemo_->setTextCursor(cursor);
  myMemo_->setReadOnly(false);
  myMemo_->show();
  myMemo_->setFocus();
}

void TMainForm::ShowDisplayText(const std::u16string& text) {
  QString display = QString::fromStdU16String(text);
  display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  myMemo_->setPlainText(display);
  ApplyViewFont();
  myMemo_->setReadOnly(true);
  myMemo_->show();
  SelectHyphen(song_.CurrentHyphen);
}

void TMainForm::SetEditorMenuStates() {
  for (const char* name : {"MainMenu_DateiSpeichern", "MainMenu_DateiSpeichernUnter", "MainMenu_TextSpeichern",
                           "MainMenu_TextSpeichernUnter", "MainMenu_TextEditMTC", "MainMenu_TextExtractPunctuation",
                           "MainMenu_TextUpperCase", "MainMenu_TextHideNote", "MainMenu_TextAssign",
                           "MainMenu_TextQuantize", "MainMenu_TextUndoQuantize", "MainMenu_TextOffset",
                           "MainMenu_TextDelete", "MainMenu_TextUndoHideNote", "PopupMenu_TextUndoHideNote",
                           "PopupMenu_TextEditMTC", "PopupMenu_TextHideNote", "PopupMenu_TextAssign"})
    Action(QLatin1String(name))->setEnabled(false);
  for (const char* name : {"MainMenu_TextLaden", "MainMenu_TextEdit", "MainMenu_TextHyphenate",
                           "PopupMenu_TextEdit", "PopupMenu_TextHyphenate"})
    Action(QLatin1String(name))->setEnabled(true);
  Action(QStringLiteral("MainMenu_TextEdit"))->setText(T("Bearbeiten beenden", "Finish editing"));
  Action(QStringLiteral("PopupMenu_TextEdit"))->setText(T("Bearbeiten beenden", "Finish editing"));
  Action(QStringLiteral("MainMenu_TextEditMTC"))->setText(T("Bearbeiten mit MTC", "Edit with MTC"));
  Action(QStringLiteral("PopupMenu_TextEditMTC"))->setText(T("Bearbeiten mit &MTC", "Edit with MTC"));
}

void TMainForm::SetLyricsViewingStates() {
  SetViewingMenuStates();
  for (const char* name : {"MainMenu_DateiSpeichern", "MainMenu_DateiSpeichernUnter", "MainMenu_TextLaden"})
    Action(QLatin1String(name))->setEnabled(true);
  const bool hidden = song_.LastHiddenNote != nullptr;
  Action(QStringLiteral("MainMenu_TextUndoHideNote"))->setEnabled(hidden);
  Action(QStringLiteral("PopupMenu_TextUndoHideNote"))->setEnabled(hidden);
}

void TMainForm::MainMenu_TextEditClick() {
  if (!song_.MidiFileLoaded || editor_ == TEditor::Mtc) return;
  if (editor_ == TEditor::None) {
    const cv::TEditorText t = cv::EnterEditText(song_);
    ShowEditorText(t.Text, t.LookAheadOffset, t.CaretOffset);
    SetEditorMenuStates();
    editor_ = TEditor::Text;
    return;
  }
  const cv::TLeaveResult r = cv::LeaveEditText(
      song_, myMemo_->toPlainText().toStdU16String(), [this](const std::string& question) {
        IgnorePlayerCommands = true;
        const bool yes = hooks_.AskYesNo(kTitle, QString::fromStdString(question));
        IgnorePlayerCommands = false;
        return yes;
      });
  if (r.Status == cv::TLeaveStatus::BadPosition) ShowError(QString::fromStdString(r.Message));
  if (r.Status != cv::TLeaveStatus::Done) return;
  editor_ = TEditor::None;
  ShowDisplayText(r.Text);
  SetLyricsViewingStates();
}

void TMainForm::MainMenu_TextEditMTCClick() {
  if (!song_.MidiFileLoaded || editor_ == TEditor::Text) return;
  if (editor_ == TEditor::None) {
    if (song_.HyphenArrayElements < 1) return;
    const cv::TEditorText t = cv::EnterMtcText(song_);
    ShowEditorText(t.Text, t.LookAheadOffset, t.CaretOffset);
    for (const char* name : {"MainMenu_DateiSpeichern", "MainMenu_DateiSpeichernUnter", "MainMenu_TextAssign",
                             "MainMenu_TextDelete", "MainMenu_TextEdit", "MainMenu_TextExtractPunctuation",
                             "MainMenu_TextUpperCase", "MainMenu_TextHideNote", "MainMenu_TextHyphenate",
                             "MainMenu_TextLaden", "MainMenu_TextOffset", "MainMenu_TextQuantize",
                             "MainMenu_TextUndoQuantize", "MainMenu_TextSpeichern", "MainMenu_TextSpeichernUnter",
                             "MainMenu_TextUndoHideNote", "PopupMenu_TextAssign", "PopupMenu_TextEdit",
                             "PopupMenu_TextHideNote", "PopupMenu_TextHyphenate", "PopupMenu_TextUndoHideNote"})
      Action(QLatin1String(name))->setEnabled(false);
    Action(QStringLiteral("MainMenu_TextEditMTC"))->setEnabled(true);
    Action(QStringLiteral("PopupMenu_TextEditMTC"))->setEnabled(true);
    Action(QStringLiteral("MainMenu_TextEdit"))->setText(T("Bearbeiten", "Edit"));
    Action(QStringLiteral("PopupMenu_TextEdit"))->setText(T("&Bearbeiten", "Edit"));
    Action(QStringLiteral("MainMenu_TextEditMTC"))
        ->setText(T("Bearbeitung mit MTC beenden", "Finish editing with MTC"));
    Action(QStringLiteral("PopupMenu_TextEditMTC"))
        ->setText(T("Bearbeitung mit MTC beenden", "Finish editing with MTC"));
    editor_ = TEditor::Mtc;
    return;
  }
  const cv::TLeaveResult r = cv::LeaveMtcText(song_, myMemo_->toPlainText().toStdU16String());
  if (r.Status == cv::TLeaveStatus::BadPosition) ShowError(QString::fromStdString(r.Message));
  if (r.Status != cv::TLeaveStatus::Done) return;
  editor_ = TEditor::None;
  ShowDisplayText(r.Text);
  SetLyricsViewingStates();
}

void TMainForm::MainMenu_TextExtractPunctuationClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  const cv::TLeaveResult r = cv::RemovePunctuation(song_);
  if (r.Status == cv::TLeaveStatus::BadPosition) ShowError(QString::fromStdString(r.Message));
  if (r.Status == cv::TLeaveStatus::Done) ShowDisplayText(r.Text);
}

void TMainForm::MainMenu_TextUpperCaseClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  ShowDisplayText(cv::SetUpperCase(song_));
}

void TMainForm::MainMenu_TextAssignClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  WaitCursor wait;
  cv::AssignSyllablesToNotes(song_);
  ShowDisplayText(cv::BuildDisplayText(cv::CurrentSyllables(song_)));
}

void TMainForm::MainMenu_TextHideNoteClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  const int32_t now = song_.Player ? song_.Player->TimePosition() : 0;
  if (!cv::HideNoteAt(song_, now)) return;
  ShowDisplayText(cv::BuildDisplayText(cv::CurrentSyllables(song_)));
  SetLyricsViewingStates();
}

void TMainForm::MainMenu_TextUndoHideNoteClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  if (!cv::UndoHideNote(song_)) return;
  ShowDisplayText(cv::BuildDisplayText(cv::CurrentSyllables(song_)));
  SetLyricsViewingStates();
}

void TMainForm::MainMenu_TextQuantizeClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  cv::QuantizeLyrics(song_, settings_.Configuration.QuantizeFactor);
  SelectHyphen(song_.CurrentHyphen);
  Action(QStringLiteral("MainMenu_TextUndoQuantize"))->setEnabled(true);
}

void TMainForm::MainMenu_TextUndoQuantizeClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  cv::UndoQuantizeLyrics(song_);
  SelectHyphen(song_.CurrentHyphen);
  Action(QStringLiteral("MainMenu_TextUndoQuantize"))->setEnabled(false);
}

void TMainForm::MainMenu_TextHyphenateClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::Text) return;
  if (!hyphenationForm_->isVisible()) {
    hyphenationForm_->resize(static_cast<int>(220 * DpiFactor()), static_cast<int>(130 * DpiFactor()));
    hyphenationForm_->show();
  }
  hyphenationForm_->raise();
  hyphenationForm_->activateWindow();
}

void TMainForm::HyphenateEditText(cv::THyphenLanguage language) {
  if (editor_ != TEditor::Text) return;
  WaitCursor wait;
  try {
    const cv::THyphenator hyphenator = cv::LoadHyphenator(
        language, cv::FindHyphenationDir(applicationDirectory_.toStdString()),
        QFileInfo(store_->Location()).absolutePath().toStdString());
    std::vector<std::u16string> lines = cv::SplitLines(myMemo_->toPlainText().toStdU16String());
    cv::HyphenateEditText(lines, hyphenator);
    const int caret = myMemo_->textCursor().position();
    ShowEditorText(cv::JoinLines(lines), caret, caret);
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
  }
}

// ---------------------------------------------------------------- lyric text files

void TMainForm::MainMenu_TextLadenClick() {
  if (!song_.MidiFileLoaded) return;
  IgnorePlayerCommands = true;
  const QString file = hooks_.ChooseOpenFile(
      QStringLiteral(" Text laden"), QString::fromStdString(settings_.Configuration.LastTextPath),
      QStringLiteral("Alle (*.doc *.docx *.odt *.rtf *.txt);;Word (*.doc);;Word docx (*.docx);;"
                     "OpenOffice (*.odt);;RTF (*.rtf);;Text (*.txt)"));
  IgnorePlayerCommands = false;
  if (file.isEmpty()) return;
  const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
  if (folder != QString::fromStdString(settings_.Configuration.LastTextPath)) {
    settings_.Configuration.LastTextPath = folder.toStdString();
    SaveConfiguration();
  }
  LoadLyricTextFile(file);
}

void TMainForm::LoadLyricTextFile(const QString& fileName) {
  if (!song_.MidiFileLoaded) {
    ShowInfo(T("Bitte zuerst eine Mididatei öffnen.", "Please open a midi file first."));
    return;
  }
  if (editor_ == TEditor::Mtc) return;
  WaitCursor wait;
#if CANTOVEX_HAVE_DOCUMENTS
  static const std::vector<std::unique_ptr<cv::DocumentReader>> readers = cv::AllDocumentReaders();
#else
  static const std::vector<std::unique_ptr<cv::DocumentReader>> readers;
#endif
  const cv::TLyricTextLoad load = cv::ReadLyricTextFile(fileName.toStdString(), readers);
  if (load.Status == cv::TLyricLoadStatus::NotFound) return;
  if (load.Status != cv::TLyricLoadStatus::Loaded) {
    // A file that cannot be read says why; the lyrics stay as they were.
    ShowError(QString::fromStdString(load.Message));
    return;
  }
  const cv::TEditorText t = cv::OpenLyricText(song_, load.Lines);
  ShowEditorText(t.Text, 0, 0);
  SetEditorMenuStates();
  // The loaded text goes into the song only through the editor, so the song stays savable.
  Action(QStringLiteral("MainMenu_DateiSpeichern"))->setEnabled(false);
  editor_ = TEditor::Text;
}

bool TMainForm::SaveLyricText(const QString& fileName) {
  try {
    cv::SaveLyricTextFile(song_, fileName.toStdString());
  } catch (const std::exception& e) {
    ShowError(QString::fromUtf8(e.what()));
    return false;
  }
  TextFileName = fileName;
  return true;
}

void TMainForm::MainMenu_TextSpeichernClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  if (TextFileName.isEmpty()) {
    MainMenu_TextSpeichernUnterClick();
    return;
  }
  SaveLyricText(TextFileName);
}

void TMainForm::MainMenu_TextSpeichernUnterClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  QString fileName = TextFileName;
  if (fileName.isEmpty())
    fileName = QDir(QString::fromStdString(settings_.Configuration.LastTextPath))
                   .filePath(QFileInfo(QString::fromStdString(song_.MidiFileName)).completeBaseName() +
                             QStringLiteral(".txt"));
  int filterIndex = 1;
  IgnorePlayerCommands = true;
  const bool chosen = hooks_.ChooseSaveFile(QStringLiteral(" Text speichern"), QFileInfo(fileName).absolutePath(),
                                            T("Textdateien (*.txt)", "Text files (*.txt)") + QStringLiteral(";;") +
                                                T("Alle Dateien (*)", "All files (*)"),
                                            fileName, filterIndex);
  IgnorePlayerCommands = false;
  if (!chosen || fileName.isEmpty()) return;
  if (filterIndex == 1 && QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".txt");
  SaveLyricText(fileName);
}

void TMainForm::MainMenu_TextDeleteClick() {
  if (!song_.MidiFileLoaded || editor_ != TEditor::None) return;
  IgnorePlayerCommands = true;
  const bool yes = hooks_.AskYesNo(kTitle, QString::fromStdString(cv::DeleteLyricsQuestion()));
  IgnorePlayerCommands = false;
  if (!yes) return;
  cv::DeleteLyrics(song_);
  myMemo_->clear();
  // With no lyrics left the view is ready for a new text.
  song_.EditingText = true;
  song_.QuerryForRules = true;
  editor_ = TEditor::Text;
  ShowEditorText(u"", 0, 0);
  SetEditorMenuStates();
  Action(QStringLiteral("MainMenu_DateiSpeichern"))->setEnabled(true);
  Action(QStringLiteral("MainMenu_DateiSpeichernUnter"))->setEnabled(true);
}

}  // namespace cvapp
