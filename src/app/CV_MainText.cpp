// The Text menu: the two lyrics editors, punctuation and capitals, assigning, quantizing, and
// lyric text files.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTextCursor>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "app/CV_Hyphenation.h"
#include "app/CV_Main.h"
#include "app/MyRegistry.h"
#include "lyrics/Lrc.h"
#include "platform/Devices.h"
#include "song/Language.h"

namespace cvapp {

namespace {

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
  RefreshTitle();
  ApplyViewFont();
  myMemo_->setReadOnly(true);
  myMemo_->show();
  SelectHyphen(song_.CurrentHyphen);
}

void TMainForm::ShowSongText() { ShowDisplayText(session_.DisplayText()); }

void TMainForm::MainMenu_TextEditClick() {
  const cv::TEditorMode mode = session_.EditorMode();
  if (mode == cv::TEditorMode::Viewing) {
    if (const std::optional<cv::TEditorText> t = session_.EnterEditText()) {
      ShowEditorText(t->Text, t->LookAheadOffset, t->CaretOffset);
      UpdateActions();
    }
    return;
  }
  if (mode != cv::TEditorMode::EditingText) return;
  LeaveEditor();
}

void TMainForm::MainMenu_TextEditMTCClick() {
  const cv::TEditorMode mode = session_.EditorMode();
  if (mode == cv::TEditorMode::Viewing) {
    const std::optional<cv::TEditorText> t = session_.EnterMtcText();
    if (!t) return;
    ShowEditorText(t->Text, t->LookAheadOffset, t->CaretOffset);
    UpdateActions();
    return;
  }
  if (mode != cv::TEditorMode::EditingTimes) return;
  LeaveEditor();
}

void TMainForm::LeaveEditor() {
  // The syllables and the lyric events change under the player: it stops first.
  const TPlayOn at = StopForChange();
  const cv::TLeaveResult r = session_.LeaveEditor(myMemo_->toPlainText().toStdU16String());
  if (r.Status != cv::TLeaveStatus::Done) {
    if (r.Status == cv::TLeaveStatus::BadPosition) SelectEditorLine(r.Line);
    OfferPlayOn(at, /*ask=*/false);  // nothing changed: play on
    return;
  }
  ShowDisplayText(r.Text);
  UpdateActions();
  OfferPlayOn(at);
}

void TMainForm::SelectEditorLine(int line) {
  const QTextBlock block = myMemo_->document()->findBlockByNumber(line - 1);
  if (!block.isValid()) return;
  QTextCursor cursor(block);
  cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
  myMemo_->setTextCursor(cursor);
  myMemo_->setFocus();
}

void TMainForm::MainMenu_TextExtractPunctuationClick() {
  if (const std::optional<std::u16string> text = session_.RemovePunctuation()) {
    ShowDisplayText(*text);
    Say(T("Die Satzzeichen sind entfernt.", "The punctuation is removed."));
  }
  UpdateActions();
}

void TMainForm::MainMenu_TextUpperCaseClick() {
  if (const std::optional<std::u16string> text = session_.UpperCase()) {
    ShowDisplayText(*text);
    Say(T("Die Lyrics stehen in Großbuchstaben.", "The lyrics are in capitals."));
  }
  UpdateActions();
}

void TMainForm::MainMenu_TextAssignClick() {
  WaitCursor wait;
  if (session_.Assign()) {
    ShowSongText();
    Say(T("Die Silben sind mit den Noten der Melodie verknüpft.", "The syllables are assigned to the melody notes."));
  }
  UpdateActions();
}

void TMainForm::MainMenu_TextHideNoteClick() {
  const std::optional<std::string> note = session_.HideNoteAt(song_.Player ? song_.Player->TimePosition() : 0);
  if (!note) return;
  ShowSongText();
  Say(T("Versteckt: die Note %1; die Silben sind neu verknüpft.", "Hidden: the note %1; the syllables are assigned again.")
          .arg(QString::fromStdString(*note)));
  UpdateActions();
}

void TMainForm::MainMenu_TextQuantizeClick() {
  session_.SetConfiguration(settings_.Configuration);
  if (!session_.Quantize()) return;
  SelectHyphen(song_.CurrentHyphen);
  Say(T("Die Lyrics-Zeiten sind quantisiert (Bearbeiten > Rückgängig nimmt es zurück).",
        "The lyric times are quantized (Edit > Undo takes it back)."));
  UpdateActions();
}

void TMainForm::MainMenu_TextHyphenateClick() {
  if (session_.EditorMode() != cv::TEditorMode::EditingText) return;
  if (!hyphenationForm_->isVisible()) {
    hyphenationForm_->resize(static_cast<int>(220 * DpiFactor()), static_cast<int>(130 * DpiFactor()));
    hyphenationForm_->show();
  }
  hyphenationForm_->raise();
  hyphenationForm_->activateWindow();
}

void TMainForm::HyphenateEditText(cv::THyphenLanguage language) {
  WaitCursor wait;
  const std::optional<std::u16string> text = session_.HyphenateEditText(
      myMemo_->toPlainText().toStdU16String(), language, cv::FindHyphenationDir(applicationDirectory_.toStdString()),
      QFileInfo(store_->Location()).absolutePath().toStdString());
  if (!text) return;
  // One step of the field's own undo, so the keys can take the hyphenation back.
  const int caret = myMemo_->textCursor().position();
  QTextCursor all(myMemo_->document());
  all.beginEditBlock();
  all.select(QTextCursor::Document);
  all.insertText(QString::fromStdU16String(*text));
  all.endEditBlock();
  QTextCursor back(myMemo_->document());
  back.setPosition(std::clamp(caret, 0, std::max(0, myMemo_->document()->characterCount() - 1)));
  myMemo_->setTextCursor(back);
  myMemo_->ensureCursorVisible();
}

// ---------------------------------------------------------------- lyric text files

void TMainForm::MainMenu_TextLadenClick() {
  if (!song_.MidiFileLoaded) return;
  QString file;
  {
    const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
    file = hooks_.ChooseOpenFile(
        T(" Text laden", " Load text"), QString::fromStdString(settings_.Configuration.LastTextPath),
        QStringLiteral("Alle (*.doc *.docx *.odt *.rtf *.txt *.lrc);;Word (*.doc);;Word docx (*.docx);;"
                       "OpenOffice (*.odt);;RTF (*.rtf);;Text (*.txt);;LRC (*.lrc)"));
  }
  if (file.isEmpty()) return;
  const QString folder = QDir::toNativeSeparators(QFileInfo(file).absolutePath());
  if (folder != QString::fromStdString(settings_.Configuration.LastTextPath)) {
    settings_.Configuration.LastTextPath = folder.toStdString();
    SaveConfiguration();
  }
  LoadLyricTextFile(file);
}

void TMainForm::LoadLyricTextFile(const QString& fileName) {
  WaitCursor wait;
  // Timed lyrics go straight into the song with their times; the view shows them at once.
  if (cv::IsLrcFileName(fileName.toStdString())) {
    if (!session_.LoadLrc(fileName.toStdString())) return;
    myMemo_->setReadOnly(true);
    ShowSyllables();
    UpdateActions();
    return;
  }
  static const std::vector<std::unique_ptr<cv::DocumentReader>> readers = cv::DocumentReaders();
  const std::optional<cv::TEditorText> t = session_.LoadText(fileName.toStdString(), readers);
  if (!t) return;
  ShowEditorText(t->Text, 0, 0);
  UpdateActions();
}

void TMainForm::MainMenu_TextSpeichernClick() {
  if (session_.EditorMode() != cv::TEditorMode::Viewing) return;
  if (session_.TextFileName().empty()) {
    MainMenu_TextSpeichernUnterClick();
    return;
  }
  if (session_.SaveText(session_.TextFileName())) SaidTextSaved(TextFileName());
}

void TMainForm::MainMenu_TextSpeichernUnterClick() {
  if (session_.EditorMode() != cv::TEditorMode::Viewing) return;
  QString fileName = TextFileName();
  if (fileName.isEmpty())
    fileName = QDir(QString::fromStdString(settings_.Configuration.LastTextPath))
                   .filePath(QFileInfo(QString::fromStdString(song_.MidiFileName)).completeBaseName() +
                             QStringLiteral(".txt"));
  int filterIndex = 1;
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  const bool chosen = hooks_.ChooseSaveFile(T(" Text speichern", " Save text"), QFileInfo(fileName).absolutePath(),
                                            T("Textdateien (*.txt)", "Text files (*.txt)") + QStringLiteral(";;") +
                                                T("Alle Dateien (*)", "All files (*)"),
                                            fileName, filterIndex);
  if (!chosen || fileName.isEmpty()) return;
  if (filterIndex == 1 && QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".txt");
  if (session_.SaveText(fileName.toStdString())) SaidTextSaved(fileName);
}

void TMainForm::SaidTextSaved(const QString& fileName) {
  Say(T("Text gespeichert: %1", "Text saved: %1").arg(fileName));
}

void TMainForm::MainMenu_TextDeleteClick() {
  if (!session_.DeleteLyrics()) return;
  myMemo_->clear();
  ShowEditorText(u"", 0, 0);
  UpdateActions();
  Say(T("Die Lyrics sind gelöscht. Neuen Text eintippen oder mit Text > Laden laden.",
        "The lyrics are deleted. Type new lyrics or load them with Text > Load."));
}

}  // namespace cvapp
