// The menus' states and captions, derived in one place from the view state.
#include <QAction>
#include <QMenu>
#include <QTextEdit>

#include "app/CV_Main.h"
#include "app/TimelinePanel.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

QAction* TMainForm::Action(const QString& objectName) const { return findChild<QAction*>(objectName); }

QMenu* TMainForm::Menu(const QString& objectName) const { return findChild<QMenu*>(objectName); }

TViewState TMainForm::ViewState() const {
  TViewState v;
  v.Editor = session_.EditorMode();
  if (Playing()) v.Transport = RecordingTiming ? TTransportState::Recording : TTransportState::Playing;
  return v;
}

void TMainForm::UpdateActions() {
  using Mode = cv::TEditorMode;
  const TViewState v = ViewState();
  const bool loaded = v.Editor != Mode::NoSong;
  const bool viewing = v.Editor == Mode::Viewing;
  RefreshTitle();
  const bool editingText = v.Editor == Mode::EditingText;
  const bool editingTimes = v.Editor == Mode::EditingTimes;
  const bool stopped = v.Transport == TTransportState::Stopped;
  TMainActions& a = actions_;

  const bool editing = editingText || editingTimes;
  a.File->menuAction()->setEnabled(stopped);
  a.Text->menuAction()->setEnabled(loaded && (stopped || (editing && v.Transport == TTransportState::Playing)));
  a.Edit->menuAction()->setEnabled(loaded && v.Transport != TTransportState::Recording);
  a.Options->setEnabled(stopped);
  a.EditTempo->setEnabled(loaded && stopped && !transposeWindowOpen_);
  a.EditTranspose->setEnabled(loaded && !tempoWindowOpen_);
  myMemo_->setProperty("popup", stopped || editing);

  // The File menu is grey while playing; its keys follow it.
  a.Open->setEnabled(stopped);
  a.Save->setEnabled(stopped && session_.CanSave());
  a.SaveAs->setEnabled(stopped && session_.CanSave());
  a.TextLoad->setEnabled(viewing || editingText);
  for (QAction* item : {a.TextEdit, a.PopupEdit}) item->setEnabled(viewing || editingText);
  for (QAction* item : {a.TextEditMtc, a.PopupEditMtc}) item->setEnabled(viewing || editingTimes);
  for (QAction* item : {a.TextHyphenate, a.PopupHyphenate}) item->setEnabled(editingText);
  for (QAction* item : {a.TextSave, a.TextSaveAs, a.TextRemovePunctuation, a.TextUpperCase, a.TextHideNote,
                        a.PopupHideNote, a.TextAssign, a.PopupAssign, a.TextQuantize, a.TextOffset, a.TextDelete})
    item->setEnabled(viewing);
  a.TextCheck->setEnabled(viewing);
  a.TextRetap->setEnabled(viewing && song_.HyphenArrayElements > 0);
  a.ViewPrompter->setEnabled(loaded);
  a.TextFont->setEnabled(true);  // the view's font, in every mode
  if (timeline_) timeline_->Refresh(!stopped, v.Transport == TTransportState::Recording);
  UpdateUndoActions();
  // While playing, only the item that leaves the open editor stays (leaving stops playback).
  if (!stopped) {
    const QList<QAction*> leave = {editingText ? a.TextEdit : nullptr, editingText ? a.PopupEdit : nullptr,
                                   editingTimes ? a.TextEditMtc : nullptr, editingTimes ? a.PopupEditMtc : nullptr};
    for (QAction* item : a.Text->actions() + popupMenu_Text_->actions())
      if (!leave.contains(item)) item->setEnabled(false);
  }

  // The item that opened an editor closes it.
  const QString finish = T("Bearbeiten beenden", "Finish editing");
  a.TextEdit->setText(editingText ? finish : T("Bearbeiten", "Edit"));
  a.PopupEdit->setText(editingText ? finish : T("&Bearbeiten", "Edit"));
  const QString finishMtc = T("Bearbeitung mit MTC beenden", "Finish editing with MTC");
  a.TextEditMtc->setText(editingTimes ? finishMtc : T("Bearbeiten mit MTC", "Edit with MTC"));
  a.PopupEditMtc->setText(editingTimes ? finishMtc : T("Bearbeiten mit &MTC", "Edit with MTC"));
  ShowGuidance();
}

}  // namespace cvapp
