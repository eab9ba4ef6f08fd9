// The timeline panel below the lyrics: the view with its scroll bar, its menu (View > Timeline)
// and its settings (shown or not, height, follow playback, other channels).
#pragma once

#include <QWidget>

class QAction;
class QMenu;
class QScrollBar;
class QTimer;

namespace cv {
class SongSession;
}

namespace cvapp {

class TMyRegistry;
class TTimelineView;

class TTimelinePanel : public QWidget {
  Q_OBJECT
 public:
  TTimelinePanel(cv::SongSession& session, TMyRegistry& store, QWidget* parent = nullptr);

  TTimelineView* View() const { return view_; }
  QMenu* Menu() const { return menu_; }
  QAction* ShowAction() const { return show_; }
  // After every command: the song, the playback state and the language may have changed.
  void Refresh(bool playing, bool recording);
  // The stored height (pixels) the panel asks for, and storing a new one.
  int StoredHeight() const;
  void StoreHeight(int height);

 private:
  void ApplyCaptions();
  QAction* MakeAction(const char* name, const QKeySequence& keys, bool checkable = false);

  cv::SongSession& session_;
  TMyRegistry& store_;
  TTimelineView* view_ = nullptr;
  QScrollBar* scroll_ = nullptr;
  QMenu* menu_ = nullptr;
  QAction *show_ = nullptr, *zoomIn_ = nullptr, *zoomOut_ = nullptr, *whole_ = nullptr, *follow_ = nullptr,
          *others_ = nullptr, *snap_ = nullptr, *editText_ = nullptr;
  QTimer* playTimer_ = nullptr;
  int language_ = -1;
  bool recording_ = false;
  int frames_ = 0;
};

}  // namespace cvapp
