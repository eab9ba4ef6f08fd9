// View > Prompter: the song as the lyrics display on stage shows it while it plays.
#pragma once

#include <QWidget>
#include <functional>

#include "output/PrompterView.h"

class QLabel;
class QPushButton;
class QTextEdit;
class QTimer;

namespace cvapp {

class TPrompterForm : public QWidget {
  Q_OBJECT
 public:
  explicit TPrompterForm(QWidget* parent = nullptr);

  // Playback time as the listener hears it (the output's latency taken off), ms.
  std::function<int32_t()> Now;
  // Takes the song's display anew (after opening, editing, a settings change).
  void SetScript(cv::TPrompterScript script);
  void ApplyCaptions();
  // Shows the state at the time Now() gives; the window's timer calls it while visible.
  void Refresh();
  // Full screen on the last screen (a second screen when there is one), or back.
  void ToggleFullScreen();

  const cv::TPrompterMoment& Moment() const { return moment_; }
  QString CurrentLineText() const;
  QString NextLineText() const;
  QString CountInText() const;
  QString DisplayHtml() const;

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  cv::TPrompterScript script_;
  cv::TPrompterMoment moment_;
  int shownLine_ = -2, shownColumn_ = -1, shownCount_ = -1;
  QTextEdit* display_ = nullptr;
  QLabel* source_ = nullptr;
  QLabel* countIn_ = nullptr;
  QLabel* current_ = nullptr;
  QLabel* next_ = nullptr;
  QPushButton* fullScreen_ = nullptr;
  QTimer* timer_ = nullptr;
};

}  // namespace cvapp
