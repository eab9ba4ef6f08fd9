// The transpose window: an amount from -9 to +9 semitones, plain or "intelligent" with four modes.
// Every change transposes the song at once, so the user hears it while it plays.
#pragma once

#include <QDialog>
#include <functional>

#include "output/CV_EditTranspose.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QSpinBox;

namespace cvapp {

class TEditTransposeForm : public QDialog {
  Q_OBJECT
 public:
  explicit TEditTransposeForm(QWidget* parent = nullptr);
  // Resets the options as the window opens; the amount keeps its position.
  void Open();
  int Amount() const;
  void SetAmount(int amount);
  // Shows an amount without transposing (a new song is read as it is; an undo restored one).
  void SetAmountQuietly(int amount);
  cv::TTransposeOptions Options() const;
  void SetIntelligent(bool on);
  void SetMode(int mode);
  void Btn_OKClick();
  void Btn_CancelClick();
  // Transposes the song by (amount, options); OK tells whether it is the final OK.
  std::function<void(int, const cv::TTransposeOptions&, bool ok)> OnTranspose;
  std::function<void()> OnClosed;
  // Esc and the title bar's close button cancel like the Cancel button.
  void reject() override { Btn_CancelClick(); }

 private:
  void E_TransposeChange();
  QSpinBox* upDown_ = nullptr;
  QCheckBox* intelligent_ = nullptr;
  QRadioButton* modes_[4] = {};
};

}  // namespace cvapp
