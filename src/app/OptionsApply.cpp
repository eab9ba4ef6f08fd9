// Opening the options window and applying what it changed.
#include <QAction>
#include <QLabel>
#include <QMenu>

#include "app/CV_Main.h"
#include "app/CV_Options.h"
#include "app/MainStatus.h"
#include "app/MultiModeForm.h"
#include "app/MyRegistry.h"
#include "app/OutputOffer.h"
#include "lyrics/CV_Hyphen.h"
#include "platform/Devices.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/TimeMap.h"

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
}  // namespace

namespace cvapp {

QStringList TMainForm::OutputNames() const {
  const std::unique_ptr<cv::MidiPortDevice> port = cv::MakeMidiPort();
  return OfferedOutputs(OutputRequestFor(settings_, *port));
}

QStringList TMainForm::AudioDeviceNames() const {
  QStringList names;
  for (const cv::TAudioDevice& d : cv::AudioDevices()) names << QString::fromStdString(d.Name);
  return names;
}

void TMainForm::MainMenu_DateiMultiOeffnenClick() {
  if (!multiModeForm_) {
    multiModeForm_ = new TMultiModeForm(this);
    multiModeForm_->SetFolder(QString::fromStdString(settings_.Configuration.LastMidiPathSource));
  }
  multiModeForm_->SetConfiguration(settings_.Configuration);
  multiModeForm_->SetLanguageTag(cv::KaraokeLanguageTag(session_.SongLanguage()));
  multiModeForm_->show();
  multiModeForm_->raise();
}

void TMainForm::MainMenu_OptionsClick() {
  if (!optionsForm_) {
    optionsForm_ = new TOptionsForm(this);
    optionsForm_->OnOk = [this] { ApplyOptions(); };
    optionsForm_->OnCalibrate = [this] { return CalibrateTapDelay(); };
  }
  if (optionsForm_->isVisible()) {
    optionsForm_->raise();
    return;
  }
  QStringList tracks;
  if (song_.MidiFileLoaded)
    for (int t = 0; t < song_.NumberOfSourceTracks; ++t) tracks << QString::fromStdString(cv::TrackName(song_, t));
  optionsForm_->SetSongTracks(tracks);
  const std::unique_ptr<cv::MidiPortDevice> port = cv::MakeMidiPort();
  const cv::TOutputRequest request = OutputRequestFor(settings_, *port);
  // The output shown is the one playing, else the one the next Play takes.
  const QString synth = QString::fromLatin1(cv::SynthDevice::OutputName);
  const QString inUse = outputText_.isEmpty()             ? NextOutputName(request)
                        : outputText_.startsWith(synth) ? synth
                                                          : outputText_;
  optionsForm_->Fill(settings_, OfferedOutputs(request), inUse, AudioDeviceNames(),
                     cv::CurrLanguage() != cv::TLanguage::Deutsch);
  optionsForm_->resize(static_cast<int>(455 * DpiFactor()), static_cast<int>(265 * DpiFactor()));
  optionsForm_->show();
  optionsForm_->raise();
}

void TMainForm::ApplyOptions() {
  TStoredSettings chosen = settings_;
  bool english = false;
  optionsForm_->Read(chosen, english);
  // The language is stored at once and alone; the window switches after the other settings.
  const bool switchLanguage = english != (cv::CurrLanguage() != cv::TLanguage::Deutsch);
  if (switchLanguage)
    store_->WriteStrToReg(QStringLiteral("Lang"), english ? QStringLiteral("en") : QStringLiteral("de"));

  cv::TConfiguration& now = settings_.Configuration;
  const cv::TConfiguration& c = chosen.Configuration;
  const bool changed =
      c.CopyrightString != now.CopyrightString || c.Melody != now.Melody ||
      c.QuantizeFactor != now.QuantizeFactor || c.PlaybackSpeed != now.PlaybackSpeed ||
      c.MidiOutputDeviceName != now.MidiOutputDeviceName || chosen.AudioOutDeviceName != settings_.AudioOutDeviceName ||
      c.XF_DeleteChordHelper != now.XF_DeleteChordHelper ||
      c.MakeBackup != now.MakeBackup || c.ReplaceBackup != now.ReplaceBackup ||
      c.VirtualPrompta != now.VirtualPrompta || chosen.VSTiEnabled != settings_.VSTiEnabled ||
      c.PromptaCmdController != now.PromptaCmdController || c.PromptaEnabled != now.PromptaEnabled ||
      c.PromptaFont != now.PromptaFont || c.PromptaFontHeight != now.PromptaFontHeight ||
      c.PromptaForYamaha != now.PromptaForYamaha || c.PromptaInversVideo != now.PromptaInversVideo ||
      c.PromptaMidiChannel != now.PromptaMidiChannel || c.PromptaTimeOffset != now.PromptaTimeOffset ||
      c.InsertController32 != now.InsertController32 || c.DeleteController32 != now.DeleteController32 ||
      c.Controller32Value != now.Controller32Value || c.DoNotChangeCtrl32 != now.DoNotChangeCtrl32 ||
      chosen.TapDelay != settings_.TapDelay;
  if (changed) {
    const bool speedChanged = c.PlaybackSpeed != now.PlaybackSpeed;
    const bool outputChanged = c.MidiOutputDeviceName != now.MidiOutputDeviceName ||
                               chosen.AudioOutDeviceName != settings_.AudioOutDeviceName ||
                               chosen.VSTiEnabled != settings_.VSTiEnabled;
    // The audio device has a writer of its own, like the volume.
    if (chosen.AudioOutDeviceName != settings_.AudioOutDeviceName)
      store_->WriteStrToReg(QStringLiteral("AudioOutDeviceName"), chosen.AudioOutDeviceName);
    settings_ = chosen;
    lVolume_->setVisible(settings_.VSTiEnabled);
    // A new output is taken up at once: the next Play makes it and starts where the slider is.
    if (outputChanged && !Playing()) {
      ReleasePlayer();
      SetOutputText(QString());
    }
    const int32_t time = song_.Player ? song_.Player->TimePosition() : 0;
    session_.ApplyConfiguration(settings_.Configuration, time);
    status_->SetSpeedPercent(cv::PracticePercent(settings_.Configuration.PlaybackSpeed));
    status_->ShowMelody(&song_);
    if (speedChanged && song_.MidiFileLoaded) RefreshAfterTempoChange();
    SaveConfiguration();
  }
  if (switchLanguage) SwitchLanguage(english);
  UpdateActions();
  if (changed) Say(T("Die Einstellungen sind übernommen.", "The options are applied."));
}

void TMainForm::UseFoundMelody() {
  settings_.Configuration.Melody = cv::MelodySetting::Automatic();
  session_.ApplyConfiguration(settings_.Configuration, song_.Player ? song_.Player->TimePosition() : 0);
  SaveConfiguration();
  status_->ShowMelody(&song_);
  Say(T("Die Melodie wird jetzt selbst gefunden: %1. Text > Silben mit Noten verknüpfen legt die Silben auf ihre Noten.",
        "The melody is now found by itself: %1. Text > Assign syllables to notes puts the syllables on its notes.")
          .arg(QString::fromStdString(song_.Melody.Reason)));
}

}  // namespace cvapp
