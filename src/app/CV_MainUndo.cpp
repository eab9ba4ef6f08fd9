// Edit > Undo and Redo: the song's history, shown by name; while an editor holds text of its own
// they act on that text instead.
#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QSlider>
#include <QTextEdit>

#include "app/CV_Main.h"
#include "app/EditTempoForm.h"
#include "app/EditTransposeForm.h"
#include "app/MainStatus.h"
#include "song/Language.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

void TMainForm::CreateUndoActions() {
  TMainActions& a = actions_;
  a.EditUndo = AddAction(a.Edit, "MainMenu_EditUndo");
  a.EditUndo->setShortcut(QKeySequence::Undo);
  connect(a.EditUndo, &QAction::triggered, this, &TMainForm::MainMenu_EditUndoClick);
  a.EditRedo = AddAction(a.Edit, "MainMenu_EditRedo");
  a.EditRedo->setShortcut(QKeySequence::Redo);
  connect(a.EditRedo, &QAction::triggered, this, &TMainForm::MainMenu_EditRedoClick);
}

bool TMainForm::EditorTakesUndo() const {
  const cv::TEditorMode mode = session_.EditorMode();
  if (mode == cv::TEditorMode::EditingTimes) return true;
  if (mode != cv::TEditorMode::EditingText) return false;
  // The edit text of a song without lyrics: the song's history while nothing was typed.
  return !session_.CanUndo() || myMemo_->document()->isUndoAvailable() || myMemo_->document()->isRedoAvailable();
}

void TMainForm::UpdateUndoActions() {
  TMainActions& a = actions_;
  if (EditorTakesUndo()) {
    a.EditUndo->setText(T("Rückgängig", "Undo"));
    a.EditRedo->setText(T("Wiederherstellen", "Redo"));
    a.EditUndo->setEnabled(myMemo_->document()->isUndoAvailable());
    a.EditRedo->setEnabled(myMemo_->document()->isRedoAvailable());
    return;
  }
  const bool undo = session_.CanUndo(), redo = session_.CanRedo();
  a.EditUndo->setText(undo ? T("Rückgängig: ", "Undo ") + QString::fromStdString(session_.UndoName())
                           : T("Rückgängig", "Undo"));
  a.EditRedo->setText(redo ? T("Wiederherstellen: ", "Redo ") + QString::fromStdString(session_.RedoName())
                           : T("Wiederherstellen", "Redo"));
  a.EditUndo->setEnabled(undo);
  a.EditRedo->setEnabled(redo);
}

void TMainForm::MainMenu_EditUndoClick() { StepHistory(true); }

void TMainForm::MainMenu_EditRedoClick() { StepHistory(false); }

void TMainForm::StepHistory(bool back) {
  if (EditorTakesUndo()) {
    back ? myMemo_->undo() : myMemo_->redo();
    UpdateActions();
    return;
  }
  const QString name = QString::fromStdString(back ? session_.UndoName() : session_.RedoName());
  const TPlayOn at = StopForChange();
  if (!(back ? session_.Undo() : session_.Redo())) {
    OfferPlayOn(at, false);
    return;
  }
  transposeForm_->SetAmountQuietly(session_.TransposeAmount());
  status_->ShowKey(KeyAt(song_, song_.SongPositionTicks));
  tempoForm_->SetTempoDiff(session_.TempoDiff());
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setMaximum(std::max(0, song_.SongLength));
  }
  if (session_.EditorMode() == cv::TEditorMode::EditingText) {
    ShowEditorText(session_.DisplayText(), 0, 0);
  } else {
    myMemo_->setReadOnly(true);
    ShowSyllables();
  }
  UpdateActions();  // the title's "*" and the encoding follow
  Say((back ? T("Rückgängig gemacht: ", "Undone: ") : T("Wiederhergestellt: ", "Redone: ")) + name);
  OfferPlayOn(at);
}

}  // namespace cvapp
