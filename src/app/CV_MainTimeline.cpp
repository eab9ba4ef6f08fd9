// The window's side of the timeline: where it sits, and what it may ask of playback and the view.
#include <QBoxLayout>
#include <QMenu>
#include <QSlider>
#include <QSplitter>
#include <QTextEdit>

#include "app/CV_Main.h"
#include "app/TimelinePanel.h"
#include "app/TimelineView.h"

namespace cvapp {

void TMainForm::CreateTimeline(QBoxLayout* column) {
  auto* split = new QSplitter(Qt::Vertical, myMemo_->parentWidget());
  split->setObjectName(QStringLiteral("TimelineSplitter"));
  split->setChildrenCollapsible(false);
  split->addWidget(myMemo_);
  timeline_ = new TTimelinePanel(session_, *store_, split);
  split->addWidget(timeline_);
  split->setStretchFactor(0, 1);
  split->setStretchFactor(1, 0);
  split->setSizes({400, timeline_->StoredHeight()});
  connect(split, &QSplitter::splitterMoved, this, [this] { timeline_->StoreHeight(timeline_->height()); });
  column->addWidget(split, 1);
  QMenu* view = Menu(QStringLiteral("MainMenu_View"));
  view->addMenu(timeline_->Menu());
  // The item that shows the panel sits in the View menu itself, its commands in the submenu.
  view->insertAction(timeline_->Menu()->menuAction(), timeline_->ShowAction());

  TTimelineView* t = timeline_->View();
  t->PlayheadMs = [this] { return Playing() ? HeardTimeMs() : posSlider_->value(); };
  t->OnSeek = [this](int32_t timeMs) { SeekTo(timeMs); };
  t->OnSongChanged = [this] {
    ShowSongText();
    UpdateActions();
  };
  t->OnSelect = [this](int element) {
    if (!Playing() && !song_.EditingText) SelectHyphen(element);
  };
}

}  // namespace cvapp
