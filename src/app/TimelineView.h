// The timeline: the song's syllables as blocks over the melody's notes, with a ruler of bars and
// seconds and the playhead. It draws what the session's timeline model says and turns mouse and
// keys into the session's syllable edits; all decisions about the song are made below it.
#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "session/Timeline.h"

class QScrollBar;

namespace cv {
class SongSession;
}

namespace cvapp {

class TTimelineView : public QWidget {
  Q_OBJECT
 public:
  TTimelineView(cv::SongSession& session, QScrollBar* scroll, QWidget* parent = nullptr);

  // What the window supplies: the heard playback time (-1 while stopped), a seek, and the word
  // that the song changed (the window shows the text and the menus again).
  std::function<int32_t()> PlayheadMs;
  std::function<void(int32_t timeMs)> OnSeek;
  std::function<void()> OnSongChanged;
  std::function<void(int element)> OnSelect;

  // The song may have changed: the model follows when it did.
  void Refresh(bool force = false);
  const cv::TimelineModel& Model() const { return model_; }

  // Zoom in ticks per pixel, kept around x (-1: the middle).
  void SetTicksPerPixel(double ticksPerPixel, int anchorX = -1);
  double TicksPerPixel() const { return ticksPerPixel_; }
  void ZoomBy(double factor, int anchorX = -1);
  void ShowWholeSong();
  void SetFollowPlayback(bool on) { follow_ = on; }
  bool FollowPlayback() const { return follow_; }
  void SetShowOthers(bool on);
  bool ShowOthers() const { return showOthers_; }
  // Scrolls so that tick lies at x (clamped to the song).
  void ScrollTo(int32_t tick, int x = 0);
  int32_t FirstTick() const { return origin_; }

  int32_t TickAt(double x) const;
  double XOf(int64_t tick) const;
  // Areas of the widget: the ruler (bars over seconds), the syllable lane, the note strip.
  QRect RulerRect() const;
  QRect BlockLaneRect() const;
  QRect NoteStripRect() const;
  // The block of an element as drawn now (empty when not visible).
  QRect ElementRect(int element) const;
  int PitchY(int pitch) const;

  // Selected elements of the syllable list.
  const std::vector<int32_t>& Selection() const { return selection_; }
  void SetSelection(std::vector<int32_t> elements);
  void SnapSelectionToNotes();
  // Opens the in-place editor on a syllable; false when it cannot be edited now.
  bool EditText(int element);
  QLineEdit* TextEditor() const { return editor_; }
  // The frame is painted when the playhead moved far enough (called by the panel's timer).
  void PlaybackTick();

 signals:
  void ZoomChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct TColours;
  TColours Colours() const;
  void PaintRuler(QPainter& p, const TColours& c, int32_t from, int32_t to);
  void PaintNotes(QPainter& p, const TColours& c, const cv::TNoteLane& lane, bool faint, int32_t from, int32_t to);
  void PaintBlocks(QPainter& p, const TColours& c, int32_t from, int32_t to);
  int32_t LastTick() const;
  void UpdateScrollBar();
  bool Editable() const;
  // The sung block under a point, as an element index (-1: none).
  int SungElementAt(QPoint at) const;
  int32_t SnappedDelta(int32_t anchorTick, int32_t wantedTick, Qt::KeyboardModifiers keys) const;
  void Nudge(int32_t delta);
  void SelectOnly(int element);
  void SelectAlong(int direction);  // next / previous sung syllable
  void SelectLineEnd(bool end);
  void AfterEdit();
  QString ToolTipAt(QPoint at) const;
  bool IsSelected(int element) const;

  cv::SongSession& session_;
  QScrollBar* scroll_;
  cv::TimelineModel model_;
  uint64_t builtState_ = 0;
  const void* builtFor_ = nullptr;
  std::string builtFile_;
  double ticksPerPixel_ = 8.0;
  int32_t origin_ = 0;  // tick at x = 0
  bool follow_ = true;
  bool showOthers_ = false;
  std::vector<int32_t> selection_;
  int focus_ = -1;  // the syllable keys and Shift+click act from
  // Mouse state.
  enum class TDrag { None, Press, Move, Band } drag_ = TDrag::None;
  QPoint pressAt_;
  int pressElement_ = -1;
  Qt::KeyboardModifiers pressKeys_;
  int32_t dragDelta_ = 0;
  QRect band_;
  std::vector<int32_t> bandBase_;
  int32_t lastPlayheadX_ = -1;
  QPointer<QLineEdit> editor_;
  int editElement_ = -1;
};

}  // namespace cvapp
