// The lyric-offset window: a slider previews the lyrics earlier or later against the music;
// "Move lyrics" then moves every syllable by that time.
#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QSlider;

namespace cvapp {

class TLyricsOffsetForm : public QDialog {
  Q_OBJECT
 public:
  explicit TLyricsOffsetForm(QWidget* parent = nullptr);
  // Slider to 0 and the range of +-1000 ms, as every opening starts.
  void Reset();
  void CB_RangeChange(int index);
  void SetOffset(int ms);
  int Offset() const;
  int RangeLimit() const;
  void Btn_OKClick();
  void Btn_CloseClick();
  std::function<void(int)> OnPreview;  // the display shift while the slider moves
  std::function<void(int)> OnMove;     // Move lyrics by this many ms

 protected:
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void ShowOffsetInTitle(int ms);
  QSlider* slider_ = nullptr;
  QComboBox* range_ = nullptr;
};

}  // namespace cvapp
