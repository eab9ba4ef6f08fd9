// The options window: the settings of the general page and the Prompta page, applied on OK.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>

#include "app/AppSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QTabWidget;

namespace cvapp {

class TOptionsForm : public QDialog {
  Q_OBJECT
 public:
  explicit TOptionsForm(QWidget* parent = nullptr);
  // Fills every control from the settings (outputs: the names offered for MIDI output; audio:
  // the audio devices offered to the synthesizer).
  void Fill(const TStoredSettings& settings, const QStringList& outputs, const QStringList& audio, bool english);
  // The settings as the controls show them; language: whether English is ticked.
  void Read(TStoredSettings& settings, bool& english) const;
  // Widgets by name, for tests.
  QComboBox* Combo(const char* name) const;
  QCheckBox* Check(const char* name) const;
  QLineEdit* Edit(const char* name) const;
  std::function<void()> OnOk;

 private:
  void PromptaEnabledClick();
  QGroupBox* MakeBankSelectGroup(QWidget* parent);
  void Controller32Enabling();
  QTabWidget* tabs_ = nullptr;
  int lastTimeOffset_ = 0;
};

}  // namespace cvapp
