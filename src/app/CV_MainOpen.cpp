// Opening and saving songs, the recent-files list, drops and hand-overs, the highlight.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QSlider>
#include <QTextCursor>
#include <QTextEdit>

#include "app/CV_Main.h"
#include "app/MainStatus.h"
#include "app/EditTempoForm.h"
#include "app/EditTransposeForm.h"
#include "app/LyricsOffsetForm.h"
#include "app/MyRegistry.h"
#include "app/SelectHyphen.h"
#include "app/TimelinePanel.h"
#include "app/TimelineView.h"
#include "output/KarFileWriter.h"
#include "song/SafeFile.h"
#include "song/Language.h"

namespace cvapp {

namespace {

const QString kTitle = QStringLiteral(" Cantovex 3");

QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

bool IsMidiFile(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toLower();
  return ext == QLatin1String("mid") || ext == QLatin1String("kar");
}

bool IsLyricTextFile(const QString& fileName) {
  const QString ext = QFileInfo(fileName).suffix().toLower();
  return ext == QLatin1String("doc") || ext == QLatin1String("docx") || ext == QLatin1String("odt") ||
         ext == QLatin1String("txt") || ext == QLatin1String("rtf");
}

bool SameFolder(const QString& a, const QString& b) {
#ifdef Q_OS_WIN
  return a.compare(b, Qt::CaseInsensitive) == 0;
#else
  return QDir::cleanPath(a) == QDir::cleanPath(b);
#endif
}

struct WaitCursor {
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

bool TMainForm::DateiOeffnen(const QString& fileToOpen) {
  WaitCursor wait;
  session_.SetConfiguration(settings_.Configuration);
  // Reads, times, extracts and (with lyrics) rebuilds the lyric events. A file that fails leaves
  // the window as it was: the song shown, its view, its menus.
  if (!session_.Open(fileToOpen.toStdString())) {
    UpdateActions();
    return false;
  }
  // The new song is read as it is: no transposition, no display shift.
  transposeForm_->SetAmountQuietly(0);
  tempoForm_->SetTempoDiff(0);
  lyricsOffsetForm_->Reset();
  myMemo_->clear();

  ShowSyllables();

  ShowPlaceAtStart();
  lSongPosition_->setToolTip(song_.TempoArray.empty()
                                 ? QString()
                                 : QStringLiteral("Tempo: %1").arg(song_.TempoArray.front().Tempo));
  posSlider_->setMaximum(std::max(0, song_.SongLength));
  posSlider_->setToolTip(QStringLiteral("0 ms"));
  posSlider_->setValue(0);
  ShowSongTitle(fileToOpen);
  status_->ShowMelody(&song_);

  const bool editing = session_.EditorMode() == cv::TEditorMode::EditingText;
  myMemo_->setReadOnly(!editing);
  if (editing) myMemo_->setFocus();
  UpdateActions();

  RememberRecentFile(fileToOpen);
  Say(song_.HyphenArrayElements > 0
          ? T("Geöffnet: %1. Play (Eingabetaste) spielt den Song, Text > Bearbeiten ändert die Lyrics.",
              "Opened: %1. Play (Enter) plays the song, Text > Edit changes the lyrics.")
                .arg(QFileInfo(fileToOpen).fileName())
          : T("Geöffnet: %1 (ohne Lyrics).", "Opened: %1 (no lyrics).").arg(QFileInfo(fileToOpen).fileName()));
  // Said now, in passing: the user has not asked for sound yet.
  if (const QString note = NoAudioDeviceNote(); !note.isEmpty()) Say(status_->LastMessage() + QStringLiteral("  ") + note);
  emit SongOpened();
  return true;
}

void TMainForm::RememberRecentFile(const QString& fileName) {
  AddRecentFile(settings_.LastMidifilesList, fileName);
  store_->WriteStrToReg(QStringLiteral("LastMidifilesList"), JoinRecentFiles(settings_.LastMidifilesList));
  RefreshRecentMenu();
}

void TMainForm::RefreshRecentMenu() {
  const QStringList& list = settings_.LastMidifilesList;
  // Always there, only greyed when empty: no File item moves when the first song is opened.
  mmfHistory_->menuAction()->setEnabled(!list.isEmpty());
  for (int k = 0; k < recentItems_.size(); ++k) {
    QAction* item = recentItems_[k];
    if (k < list.size()) {
      // "&" in a file name is text, not a mnemonic.
      item->setText(QString(list[k]).replace(QLatin1Char('&'), QStringLiteral("&&")));
      item->setVisible(true);
    } else {
      item->setVisible(false);
    }
  }
}

void TMainForm::UpdateLastMidiPath(const QString& fileName, bool saveAll) {
  const QString folder = QDir::toNativeSeparators(QFileInfo(fileName).absolutePath());
  const QString current = QString::fromStdString(settings_.Configuration.LastMidiPathSource);
  if (SameFolder(folder, current)) return;
  settings_.Configuration.LastMidiPathSource = folder.toStdString();
  if (saveAll)
    SaveConfiguration();
  else
    store_->WriteStrToReg(QStringLiteral("LastMidiPathSource"), folder);
}

void TMainForm::MainMenu_DateiOeffnenClick() {
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  if (!MaySongGo()) return;
  const QString file = hooks_.ChooseOpenFile(
      T(" Datei laden", " Open song"), QString::fromStdString(settings_.Configuration.LastMidiPathSource),
      T("Midi Dateien (*.mid *.kar)", "Midi files (*.mid *.kar)") + QStringLiteral(";;") +
          T("Alle Dateien (*)", "All files (*)"));
  if (file.isEmpty()) return;
  UpdateLastMidiPath(file, true);
  DateiOeffnen(file);
}

void TMainForm::MMF_MidifileClick(int tag) {
  const QStringList& list = settings_.LastMidifilesList;
  if (tag < 0 || tag >= list.size()) return;
  const QString file = list[tag];
  if (!QFileInfo(file).isFile()) {
    ShowError(T("Die Datei \"%1\" gibt es nicht mehr.", "The file \"%1\" no longer exists.").arg(file));
    return;
  }
  if (!MaySongGo()) return;
  UpdateLastMidiPath(file, false);
  DateiOeffnen(file);
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
  QStringList files;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) files << url.toLocalFile();
  event->acceptProposedAction();
  HandleDroppedFiles(files);
}

void TMainForm::HandleDroppedFiles(const QStringList& files) {
  if (files.isEmpty()) return;
  raise();
  activateWindow();
  const QString file = files.front();
  if (!QFileInfo(file).isFile()) return;
  if (IsMidiFile(file)) {
    if (!MaySongGo()) return;
    UpdateLastMidiPath(file, true);
    if (song_.Player && song_.Player->Playing()) Btn_StopClick();
    if (DateiOeffnen(file)) {
      const QScopedValueRollback automatic(automaticPlay_, true);
      Btn_PlayClick();
    }
  } else if (IsLyricTextFile(file)) {
    if (song_.Player && song_.Player->Playing()) Btn_StopClick();
    LoadLyricTextFile(file);
  } else {
    ShowInfo(T("Dies ist kein unterstützter Dateityp!", "This is no supported file type!"));
  }
}

void TMainForm::HandleHandOver(const QString& text) {
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  for (const QString& line : lines.split(QLatin1Char('\n'))) {
    const QString file = line.trimmed();
    if (file.isEmpty() || !IsMidiFile(file)) continue;
    if (isMinimized()) showNormal();
    raise();
    if (MaySongGo()) DateiOeffnen(file);
    break;
  }
  if (isMinimized()) showNormal();
  show();
  raise();
  activateWindow();
}

void TMainForm::OpenFromArguments(const QStringList& arguments) {
  for (int i = 1; i < arguments.size(); ++i)
    if (IsMidiFile(arguments[i])) {
      DateiOeffnen(arguments[i]);
      return;
    }
}

// ---------------------------------------------------------------- saving

void TMainForm::MainMenu_DateiSpeichernClick() {
  SaveSong();
  RefreshTitle();
}

bool TMainForm::SaveSong() {
  if (session_.Save()) {
    SaidSaved(QString::fromStdString(song_.MidiFileName), session_.SaveFormat());
    return true;
  }
  // A write-protected file is never replaced, and a write-protected folder takes no new file: the
  // user picks another name or folder instead.
  const QString folder = QFileInfo(QString::fromStdString(song_.MidiFileName)).absolutePath();
  if (cv::WritableByMode(song_.MidiFileName) && QFileInfo(folder).isWritable()) return false;
  MainMenu_DateiSpeichernUnterClick();
  return !session_.Modified();
}

void TMainForm::MainMenu_DateiSpeichernUnterClick() {
  if (!song_.MidiFileLoaded) return;
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  const QString current = QString::fromStdString(song_.MidiFileName);
  QString fileName = current;
  int filterIndex = session_.SaveFormat() + 1;
  // The format is the file type chosen in the dialog, named by what it means.
  const bool chosen = hooks_.ChooseSaveFile(
      T(" Datei speichern", " Save song as"), QFileInfo(current).absolutePath(),
      T("MIDI-Format 0, alle Spuren in einer (*.mid *.kar);;MIDI-Format 1, eine Spur je Part (*.mid *.kar);;"
        "Karaoke-Datei für Karaoke-Player am Computer (*.kar)",
        "MIDI format 0, all tracks in one (*.mid *.kar);;MIDI format 1, one track per part (*.mid *.kar);;"
        "Karaoke file for karaoke players on computers (*.kar)"),
      fileName, filterIndex);
  if (!chosen || fileName.isEmpty()) return;
  const int format = filterIndex == 3 ? cv::kKarFormat : filterIndex == 2 ? 1 : 0;
  if (QFileInfo(fileName).suffix().isEmpty())
    fileName += format == cv::kKarFormat ? QStringLiteral(".kar") : QStringLiteral(".mid");
  if (session_.SaveAs(fileName.toStdString(), format)) {
    ShowSongTitle(fileName);
    RememberRecentFile(fileName);
    SaidSaved(fileName, format);
  }
  UpdateActions();
}

void TMainForm::SaidSaved(const QString& fileName, int format) {
  if (format == cv::kKarFormat)
    Say(T("Gespeichert: %1 (Karaoke-Datei).", "Saved: %1 (karaoke file).").arg(fileName));
  else
    Say(T("Gespeichert: %1 (MIDI-Format %2).", "Saved: %1 (MIDI format %2).").arg(fileName).arg(format));
}

QString TMainForm::SongTitle(const QString& fileName) const {
  const QString encoding = QString::fromStdString(cv::EncodingName(song_.Encoding));
  for (QAction* item : Menu(QStringLiteral("MainMenu_DateiKodierung"))->actions())
    item->setChecked(cv::FindTextEncoding(item->text().toStdString()) == song_.Encoding);
  const QString changed = session_.Modified() ? QStringLiteral("*") : QString();
  return kTitle + QStringLiteral(" - ") + fileName + changed + QStringLiteral(" [") + encoding + QStringLiteral("]");
}

void TMainForm::ShowSongTitle(const QString& fileName) {
  titleFile_ = fileName;
  setWindowTitle(SongTitle(fileName));
}

void TMainForm::RefreshTitle() {
  if (song_.MidiFileLoaded && !titleFile_.isEmpty()) setWindowTitle(SongTitle(titleFile_));
}

bool TMainForm::MaySongGo() {
  if (!song_.MidiFileLoaded || !session_.Modified()) return true;
  const QString name = QFileInfo(QString::fromStdString(song_.MidiFileName)).fileName();
  switch (hooks_.AskSaveChanges(kTitle, T("Änderungen an \"%1\" speichern?", "Save changes to \"%1\"?").arg(name))) {
    case QMessageBox::Save: {
      const bool saved = SaveSong();
      UpdateActions();
      return saved;
    }
    case QMessageBox::Discard:
      return true;
    default:
      return false;
  }
}

void TMainForm::ShowSyllables() {
  QString display;
  for (int i = 0; i < song_.HyphenArrayElements && i < static_cast<int>(song_.HyphenArray.size()); ++i)
    display += QString::fromStdU16String(song_.HyphenArray[i].Text);
  display.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  myMemo_->setPlainText(display);
  ApplyViewFont();
  QTextCursor start(myMemo_->document());
  myMemo_->setTextCursor(start);
  myMemo_->setProperty("popup", true);
  myMemo_->show();
  nextHyphenIsEndOfLine_ = false;
  SelectHyphen(song_.CurrentHyphen);
}

void TMainForm::ChooseEncoding(const QString& name) {
  const std::optional<cv::TextEncoding> encoding = cv::FindTextEncoding(name.toStdString());
  if (!song_.MidiFileLoaded || !encoding) return;
  // Only the reading of the text changes: an open editor keeps its text.
  if (session_.ChangeEncoding(*encoding) && session_.EditorMode() == cv::TEditorMode::Viewing) ShowSyllables();
  ShowSongTitle(QString::fromStdString(song_.MidiFileName));
  UpdateActions();
}

void TMainForm::MainMenu_DateiExportLrcClick() {
  if (!song_.MidiFileLoaded) return;
  const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
  const QFileInfo song(QString::fromStdString(song_.MidiFileName));
  QString fileName = song.absolutePath() + QLatin1Char('/') + song.completeBaseName() + QStringLiteral(".lrc");
  int filterIndex = 1;
  if (!hooks_.ChooseSaveFile(T(" LRC exportieren", " Export LRC"), song.absolutePath(), QStringLiteral("LRC (*.lrc)"),
                             fileName, filterIndex) ||
      fileName.isEmpty())
    return;
  if (QFileInfo(fileName).suffix().isEmpty()) fileName += QStringLiteral(".lrc");
  session_.ExportLrc(fileName.toStdString());
}

// ---------------------------------------------------------------- display

QString TMainForm::DisplayText() const { return myMemo_->toPlainText(); }

void TMainForm::SelectHyphen(int hyphenToDraw) {
  THighlight h;
  if (!ComputeHighlight(song_.HyphenArray, song_.HyphenArrayElements, hyphenToDraw, h)) return;
  song_.CurrentHyphen = hyphenToDraw;
  song_.HyphenArrayCounter = hyphenToDraw;
  if (timeline_) timeline_->View()->update();
  nextHyphenIsEndOfLine_ = h.EndOfLine;
  const int length = std::max(0, myMemo_->document()->characterCount() - 1);
  QTextCursor cursor(myMemo_->document());
  cursor.setPosition(std::clamp(h.Caret, 0, length));
  myMemo_->setTextCursor(cursor);
  myMemo_->ensureCursorVisible();
  cursor.setPosition(std::clamp(h.SelStart, 0, length));
  cursor.setPosition(std::clamp(h.SelEnd, 0, length), QTextCursor::KeepAnchor);
  myMemo_->setTextCursor(cursor);
  if (h.EndOfLine) nextHyphenIsEndOfLine_ = false;
}

}  // namespace cvapp
