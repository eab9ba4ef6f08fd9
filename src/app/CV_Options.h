// The options window: the settings of the general page and the Prompta page, applied on OK.
#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <optional>

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
  // Fills every control from the settings (outputs: the names offered for MIDI output, inUse:
  // the one that plays; audio: the audio devices offered to the synthesizer).
  void Fill(const TStoredSettings& settings, const QStringList& outputs, const QString& inUse,
            const QStringList& audio, bool english);
  // Names of the open song's file tracks, offered as the melody (empty: no song).
  void SetSongTracks(const QStringList& names);
  // The settings as the controls show them; language: whether English is ticked. An output or
  // audio device the user did not change keeps its stored setting.
  void Read(TStoredSettings& settings, bool& english) const;
  // Widgets by name, for tests.
  QComboBox* Combo(const char* name) const;
  QCheckBox* Check(const char* name) const;
  QLineEdit* Edit(const char* name) const;
  std::function<void()> OnOk;
  // The calibration of the tap delay: the measured delay when the user took it.
  std::function<std::optional<int>()> OnCalibrate;

 private:
  void PromptaEnabledClick();
  void FillMelody(const cv::MelodySetting& setting);
  QGroupBox* MakeBankSelectGroup(QWidget* parent);
  void Controller32Enabling();
  // "Use the synthesizer" and the output list say the same; the audio device belongs to the
  // synthesizer alone.
  void OutputChosen();
  void SynthesizerTicked(bool on);
  QTabWidget* tabs_ = nullptr;
  QString shownOutput_, shownAudio_, lastPort_;
  bool shownSynth_ = false;
  int lastTimeOffset_ = 0;
  QStringList songTracks_;
};

}  // namespace cvapp
