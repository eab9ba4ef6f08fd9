// View > Prompter: the song as the lyrics display on stage shows it while it plays.
#pragma once

#include <QElapsedTimer>
#include <QWidget>
#include <functional>

#include "output/PrompterView.h"

class QLabel;
class QPushButton;
class QScreen;
class QTextEdit;
class QTimer;

namespace cvapp {

class TPrompterForm : public QWidget {
  Q_OBJECT
 public:
  explicit TPrompterForm(QWidget* parent = nullptr);

  // Playback time as the listener hears it (the output's latency taken off), ms.
  std::function<int32_t()> Now;
  // True while the player plays: the window shows what the player sent (Stream), else a preview
  // of the song at the player's position.
  std::function<bool()> Playing;
  // The song's display as it is now; the window follows it whatever command changed the song.
  std::function<cv::TPrompterScript()> Source;
  void FollowSong();
  // The player's event tap feeds this (from its thread).
  cv::TPrompterStream& Stream() { return stream_; }
  // Takes the song's display anew (after editing, a settings change); a new song also clears what
  // the device held.
  void SetScript(cv::TPrompterScript script, bool newSong = false);
  const cv::TPrompterScript& Script() const { return script_; }
  void ApplyCaptions();
  // Applies what was heard by Now() and shows it while visible; the window's timer calls it.
  void Refresh();
  // Full screen on the stage screen, or back.
  void ToggleFullScreen();
  // A size that fits the area (the main window's screen), centred on it.
  void FitInto(const QRect& area);
  // A screen other than the main window's when there is one (the last such), else its own.
  QScreen* StageScreen() const;

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
  cv::TPrompterStream stream_;
  cv::TPrompterMoment moment_;
  bool live_ = false;
  QString shownState_;
  QElapsedTimer followed_;  // what the widgets show, to skip unchanged refreshes
  QTextEdit* display_ = nullptr;
  QLabel* source_ = nullptr;
  QLabel* countIn_ = nullptr;
  QLabel* current_ = nullptr;
  QLabel* next_ = nullptr;
  QPushButton* fullScreen_ = nullptr;
  QRect windowGeometry_;  // before full screen, to come back to
  QTimer* timer_ = nullptr;
};

}  // namespace cvapp
