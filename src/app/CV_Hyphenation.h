// The hyphenation dialog: pick the song's language, then every line of the edit text gets its
// break points.
#pragma once

#include <QDialog>
#include <functional>

#include "lyrics/CV_Hyphen.h"

class QRadioButton;

namespace cvapp {

class THyphenationForm : public QDialog {
  Q_OBJECT
 public:
  explicit THyphenationForm(QWidget* parent = nullptr);
  void SetLanguage(cv::THyphenLanguage language);
  // Title and language names in the current language.
  void Retranslate();
  cv::THyphenLanguage Language() const;
  // Runs on OK with the chosen language.
  std::function<void(cv::THyphenLanguage)> OnHyphenate;
  void Btn_OkClick();

 private:
  QRadioButton* buttons_[5] = {};
};

}  // namespace cvapp
