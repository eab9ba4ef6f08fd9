#include "app/Guidance.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTextEdit>

#include "app/CV_Main.h"
#include "app/MainStatus.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

void Explain(QAction* item, const QString& reason) { item->setToolTip(item->isEnabled() ? QString() : reason); }
}  // namespace

QString NoSongHint() {
  return T("Kein Song geöffnet.\n\n"
           "Öffnen Sie einen MIDI-Song (.mid, .kar) mit Datei > Öffnen,\n"
           "ziehen Sie ihn in dieses Fenster oder wählen Sie ihn unter Datei > Zuletzt verwendet.",
           "No song open.\n\n"
           "Open a MIDI song (.mid, .kar) with File > Open,\n"
           "drop it onto this window or pick it from File > Recent files.");
}

QString NoLyricsHint() {
  return T("Dieser Song hat noch keine Lyrics.\n\n"
           "Tippen Sie den Text hier ein oder laden Sie ihn mit Text > Laden:\n"
           "erste Zeile = Songname, zweite Zeile = Interpret, ab der dritten Zeile der Text.\n\n"
           "Danach: Text > Silbentrennung, dann Text > Bearbeiten beenden\n"
           "und Text > Silben mit Noten verknüpfen.",
           "This song has no lyrics yet.\n\n"
           "Type the text here or load it with Text > Load:\n"
           "first line = song name, second line = artist, the lyrics from the third line on.\n\n"
           "Then: Text > Hyphenate, Text > Finish editing\n"
           "and Text > Assign syllables to notes.");
}

QString EditingHint() {
  return T("Bearbeiten: Silben mit \"-\" trennen, Text > Silbentrennung trennt ganze Zeilen. "
           "Fertig: Text > Bearbeiten beenden.",
           "Editing: split syllables with \"-\"; Text > Hyphenate splits whole lines. "
           "Done: Text > Finish editing.");
}

QString EditingTimesHint() {
  return T("Bearbeiten mit MTC: jede Zeile beginnt mit Takt.Schlag.Tick. Fertig: Text > Bearbeitung mit MTC beenden.",
           "Editing with MTC: each line starts with bar.beat.tick. Done: Text > Finish editing with MTC.");
}

void ExplainDisabledItems(const TMainActions& a, const TViewState& state) {
  using Mode = cv::TEditorMode;
  const bool editing = state.Editor == Mode::EditingText || state.Editor == Mode::EditingTimes;
  const QString finishFirst = T("Erst die Bearbeitung beenden (Text > Bearbeiten beenden).",
                                "Finish editing first (Text > Finish editing).");
  const QString hyphenate = state.Editor == Mode::EditingTimes
                                ? finishFirst
                                : T("Die Silbentrennung arbeitet im Bearbeitungsmodus: erst Text > Bearbeiten wählen.",
                                    "Hyphenation works on the edit text: choose Text > Edit first.");
  for (QAction* item : {a.TextHyphenate, a.PopupHyphenate}) Explain(item, hyphenate);
  for (QAction* item : {a.TextSave, a.TextSaveAs, a.TextRemovePunctuation, a.TextUpperCase, a.TextHideNote,
                        a.TextAssign, a.TextQuantize, a.TextOffset, a.TextDelete, a.TextCheck, a.PopupHideNote,
                        a.PopupAssign, a.Save, a.SaveAs})
    Explain(item, editing ? finishFirst : QString());
  Explain(a.EditUndo, T("Es gibt nichts rückgängig zu machen.", "There is nothing to undo."));
  Explain(a.EditRedo, T("Es gibt nichts wiederherzustellen.", "There is nothing to redo."));
  Explain(a.TextEditMtc, state.Editor == Mode::EditingText ? finishFirst : QString());
}

}  // namespace cvapp

namespace cvapp {

void TMainForm::Say(const QString& text) { status_->Say(text); }

void TMainForm::ShowGuidance() {
  using Mode = cv::TEditorMode;
  const TViewState v = ViewState();
  ExplainDisabledItems(actions_, v);
  idleArea_->setText(NoSongHint());
  idleArea_->setVisible(v.Editor == Mode::NoSong);
  // Shown by the edit text while it is empty: the song has no lyrics (yet).
  myMemo_->setPlaceholderText(v.Editor == Mode::EditingText ? NoLyricsHint() : QString());
  // No caret where nothing can be typed; the highlight still shows.
  if (myMemo_->isReadOnly()) myMemo_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  if (v.Editor == guidanceMode_) return;
  guidanceMode_ = v.Editor;
  if (v.Editor == Mode::EditingText) Say(song_.HyphenArrayElements > 0 ? EditingHint() : QString());
  if (v.Editor == Mode::EditingTimes) Say(EditingTimesHint());
  if (v.Editor == Mode::NoSong) status_->Clear();
}

}  // namespace cvapp
