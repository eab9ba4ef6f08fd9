// Calibrating the tap delay: eight clicks from the current output, the person taps along (Space or
// the button), and the median offset is proposed.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "session/TapCalibration.h"

class QLabel;
class QPushButton;
class QTimer;

namespace cv {
struct Song;
}

namespace cvapp {

struct TCalibrationHooks {
  // Plays the click song through the current output (null: playback goes back to the song);
  // false when no output plays.
  std::function<bool(cv::Song*)> PlayClicks;
  // The player's time of the click song, ms.
  std::function<int32_t()> Now;
};

class TTapCalibrationForm : public QDialog {
  Q_OBJECT
 public:
  TTapCalibrationForm(TCalibrationHooks hooks, QWidget* parent = nullptr);
  ~TTapCalibrationForm() override;
  // Starts the clicks; false when they cannot play (the form says why).
  bool Start();
  // One tap at the player's current time.
  void Tap();
  // The clicks are over: the median is proposed (or the form asks for another go).
  void Finish();
  std::optional<int32_t> Proposal() const { return proposal_; }
  const std::vector<int32_t>& Taps() const { return taps_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  TCalibrationHooks hooks_;
  cv::TTapCalibration calibration_;
  std::unique_ptr<cv::Song> clicks_;
  std::vector<int32_t> taps_;
  std::optional<int32_t> proposal_;
  bool running_ = false;
  QLabel* text_ = nullptr;
  QLabel* result_ = nullptr;
  QPushButton *start_ = nullptr, *tap_ = nullptr, *use_ = nullptr;
  QTimer* end_ = nullptr;
};

}  // namespace cvapp
