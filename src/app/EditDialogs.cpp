// The main window's side of the transpose and lyric-offset windows.
#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QMenu>

#include "app/CV_Main.h"
#include "app/MainStatus.h"
#include "app/EditTempoForm.h"
#include "app/EditTransposeForm.h"
#include "app/LyricsOffsetForm.h"
#include "app/WindowGeometry.h"
#include "lyrics/LeadIn.h"
#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"

namespace cvapp {

void TMainForm::CreateDialogs() {
  transposeForm_ = new TEditTransposeForm(this);
  transposeForm_->OnTranspose = [this](int amount, const cv::TTransposeOptions& options, bool ok) {
    if (!song_.MidiFileLoaded) return;
    if (ok && song_.HyphenArrayElements == 0) return;
    const bool wasPlaying = Playing();
    if (wasPlaying) song_.Player->Stop();
    session_.Transpose(amount, options);
    status_->ShowKey(KeyAt(song_, song_.SongPositionTicks));
    if (wasPlaying) Btn_PlayClick();
    UpdateActions();
  };
  transposeForm_->OnClosed = [this] {
    // The window's steps were one change.
    session_.FinishTranspose();
    transposeWindowOpen_ = false;
    UpdateActions();
  };

  tempoForm_ = new TEditTempoForm(this);
  tempoForm_->OnClosed = [this] {
    tempoWindowOpen_ = false;
    UpdateActions();
  };
  tempoForm_->OnOk = [this](int diff) {
    if (!song_.MidiFileLoaded) return;
    const TPlayOn at = StopForChange();
    if (session_.ApplyTempoDiff(diff)) {
      RefreshAfterTempoChange();
      Say(QString::fromUtf8(cv::Tr("Das Tempo ist um %1 bpm geändert.", "The tempo is changed by %1 bpm.")).arg(diff));
    }
    UpdateActions();
    OfferPlayOn(at);
  };

  lyricsOffsetForm_ = new TLyricsOffsetForm(this);
  lyricsOffsetForm_->OnPreview = [this](int ms) { session_.PreviewLyricsOffset(ms); };
  lyricsOffsetForm_->OnMove = [this](int ms) {
    if (!song_.MidiFileLoaded) return;
    // A fault abandons the move (and is shown); the slider goes back to 0 all the same.
    const TPlayOn at = StopForChange();
    if (session_.MoveLyrics(ms))
      Say(QString::fromUtf8(cv::Tr("Die Lyrics sind um %1 ms verschoben.", "The lyrics are moved by %1 ms.")).arg(ms));
    SelectHyphen(song_.CurrentHyphen);
    UpdateActions();
    OfferPlayOn(at);
  };
}

void TMainForm::MainMenu_EditTransposeClick() {
  transposeWindowOpen_ = true;
  UpdateActions();
  transposeForm_->Open();
  transposeForm_->resize(static_cast<int>(180 * DpiFactor()), static_cast<int>(175 * DpiFactor()));
  transposeForm_->show();
  transposeForm_->raise();
}

void TMainForm::MainMenu_EditTempoClick() {
  if (!song_.MidiFileLoaded) return;
  tempoWindowOpen_ = true;
  UpdateActions();
  tempoForm_->Open(cv::FirstTempoAsRead(song_));
  tempoForm_->resize(static_cast<int>(180 * DpiFactor()), static_cast<int>(80 * DpiFactor()));
  tempoForm_->show();
  tempoForm_->raise();
}

void TMainForm::MainMenu_EditLeadInClick() {
  if (!song_.MidiFileLoaded || song_.EditingText) return;
  int bars = 1;
  bool chosen;
  {
    const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
    chosen = hooks_.AskNumber(QString::fromUtf8(cv::Tr(" Vorlauf einfügen", " Insert lead-in")),
                              QString::fromUtf8(cv::Tr("Takte Stille vor dem Song:", "Bars of silence before the song:")),
                              cv::kMinLeadInBars, cv::kMaxLeadInBars, bars);
  }
  if (!chosen) return;
  const TPlayOn at = StopForChange();
  if (session_.InsertLeadIn(bars)) RefreshAfterTempoChange();
  UpdateActions();
  OfferPlayOn(at);
}

void TMainForm::RefreshAfterTempoChange() {
  if (song_.Player) song_.Player->MoveToPosition(0);
  song_.CurrentHyphen = 0;
  SelectHyphen(0);
  ShowPlaceAtStart();
  if (!song_.TimeZone.empty()) lSongPosition_->setToolTip(QStringLiteral("Tempo: %1").arg(song_.TimeZone.front().Tempo));
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setMaximum(std::max(0, song_.SongLength));
    posSlider_->setValue(0);
  }
  posSlider_->setToolTip(QStringLiteral("0 ms"));
}

void TMainForm::MainMenu_TextOffsetClick() {
  if (!song_.MidiFileLoaded || song_.EditingText) return;
  lyricsOffsetForm_->Reset();
  const int width = static_cast<int>(settings_.LyricsOffsetFormWidth * DpiFactor());
  const int height = static_cast<int>(60 * DpiFactor());
  if (!lyricsOffsetShown_) {
    TWindowGeometry g{settings_.LyricsOffsetFormLeft, settings_.LyricsOffsetFormTop, static_cast<double>(height),
                      static_cast<double>(width)};
    g = ClampWindowGeometry(g, ScreenAreaAt(g.Left, g.Top));
    lyricsOffsetForm_->resize(std::max(300, static_cast<int>(g.Width)), height);
    if (g.Left >= -9998 && g.Top >= -9998) lyricsOffsetForm_->move(g.Left, g.Top);
  } else {
    lyricsOffsetForm_->resize(std::max(300, width), height);
  }
  lyricsOffsetShown_ = true;
  lyricsOffsetForm_->show();
  lyricsOffsetForm_->raise();
}

}  // namespace cvapp
