// The tempo window: moves every tempo of the song by up to 40 beats per minute.
#pragma once

#include <QDialog>
#include <functional>

class QLineEdit;
class QSpinBox;

namespace cvapp {

class TEditTempoForm : public QDialog {
  Q_OBJECT
 public:
  explicit TEditTempoForm(QWidget* parent = nullptr);
  // Shows the song's first tempo as read; the difference keeps its position.
  void Open(int firstTempoBpm);
  int TempoDiff() const;
  void SetTempoDiff(int diff);
  void Btn_OKClick();
  void Btn_CancelClick();
  std::function<void(int)> OnOk;  // the difference chosen
  std::function<void()> OnClosed;
  // Esc and the title bar's close button cancel like the Cancel button.
  void reject() override { Btn_CancelClick(); }

 private:
  QLineEdit* tempo_ = nullptr;
  QSpinBox* upDown_ = nullptr;
};

}  // namespace cvapp
