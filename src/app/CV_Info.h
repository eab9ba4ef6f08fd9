// The about window: program, version and the system it runs on.
#pragma once

#include <QDialog>

namespace cvapp {

class TAboutForm : public QDialog {
  Q_OBJECT
 public:
  TAboutForm(const QString& caption, const QString& operatingSystem, double dpiFactor,
             QWidget* parent = nullptr);
  // "<year> - Version <version>", or the unknown-version text when the build carries none.
  static QString VersionText(const QString& version);
};

}  // namespace cvapp
