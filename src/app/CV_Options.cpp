#include "app/CV_Options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "platform/Devices.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"

namespace cvapp {

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }

QComboBox* MakeCombo(QWidget* parent, const char* name, const QStringList& items) {
  auto* c = new QComboBox(parent);
  c->setObjectName(QLatin1String(name));
  c->addItems(items);
  return c;
}

QCheckBox* MakeCheck(QWidget* parent, const char* name, const QString& text) {
  auto* c = new QCheckBox(text, parent);
  c->setObjectName(QLatin1String(name));
  return c;
}

QStringList Numbers(int from, int to) {
  QStringList out;
  for (int i = from; i <= to; ++i) out << QString::number(i);
  return out;
}
}  // namespace

TOptionsForm::TOptionsForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("OptionsForm"));
  setWindowTitle(T(" Einstellungen", "Options"));
  auto* layout = new QVBoxLayout(this);
  tabs_ = new QTabWidget(this);
  layout->addWidget(tabs_);

  auto* general = new QWidget(tabs_);
  general->setObjectName(QStringLiteral("TS_Allgemein"));
  auto* form = new QFormLayout(general);
  auto* copyright = new QLineEdit(general);
  copyright->setObjectName(QStringLiteral("E_CopyrightString"));
  form->addRow(QStringLiteral("Copyright"), copyright);
  form->addRow(T("Melodie", "Melody"), MakeCombo(general, "CB_Melody", QStringList()));
  form->addRow(T("Quantisierung", "Quantize window"),
               MakeCombo(general, "CB_QuantizeFactor",
                     cv::CurrLanguage() == cv::TLanguage::Deutsch
                         ? QStringList{QStringLiteral("Viertel"), QStringLiteral("Achtel"), QStringLiteral("Achteltriole"),
                                       QStringLiteral("Sechzehntel")}
                         : QStringList{QStringLiteral("quarter"), QStringLiteral("eighth"),
                                       QStringLiteral("eighth triplet"), QStringLiteral("sixteenth")}));
  form->addRow(T("PLAY-Tempo", "Playback speed"),
               MakeCombo(general, "CB_PlaybackSpeed",
                         QStringList{QStringLiteral("100%"), QStringLiteral("90%"), QStringLiteral("80%"),
                                     QStringLiteral("70%"), QStringLiteral("60%"), QStringLiteral("50%")}));
  {
    // How late taps land; the calibration measures it against clicks from the output.
    auto* row = new QHBoxLayout;
    auto* delay = new QSpinBox(general);
    delay->setObjectName(QStringLiteral("SE_TapDelay"));
    delay->setRange(-500, 1000);
    delay->setSuffix(QStringLiteral(" ms"));
    delay->setToolTip(T("So viel früher als getippt landen die Silben beim Aufnehmen (Latenz der Ausgabe und "
                        "Reaktion)",
                        "Syllables land this much earlier than tapped when recording (the output's latency and "
                        "your reaction)"));
    auto* calibrate = new QPushButton(T("Einmessen…", "Calibrate…"), general);
    calibrate->setObjectName(QStringLiteral("Btn_CalibrateTapDelay"));
    calibrate->setToolTip(T("Acht Klicks mittippen; der Median der Abweichungen wird vorgeschlagen",
                            "Tap along with eight clicks; the median offset is proposed"));
    connect(calibrate, &QPushButton::clicked, this, [this, delay] {
      if (!OnCalibrate) return;
      if (const std::optional<int> measured = OnCalibrate()) delay->setValue(*measured);
    });
    row->addWidget(delay, 1);
    row->addWidget(calibrate);
    form->addRow(T("Tap-Verzögerung", "Tap delay"), row);
  }
  auto* output = new QGroupBox(T("MIDI-Ausgabe", "MIDI output"), general);
  output->setObjectName(QStringLiteral("GB_MidiOutput"));
  auto* outputRow = new QFormLayout(output);
  outputRow->addRow(QStringLiteral("Port"), MakeCombo(output, "CB_MidiOutput", QStringList()));
  outputRow->addRow(T("Audiogerät", "Audio device"), MakeCombo(output, "CB_AudioOutput", QStringList()));
  form->addRow(output);
  form->addRow(MakeCheck(general, "CB_MakeBackup",
                         T("Vor dem ersten Speichern eine Sicherungskopie anlegen (Song.mid~)",
                           "Keep a backup before the first save (song.mid~)")));
  form->addRow(MakeCheck(general, "CB_ReplaceBackup",
                         T("Eine ältere Sicherungskopie ersetzen (sonst bleibt das Original erhalten)",
                           "Replace an older backup (otherwise the original is kept)")));
  form->addRow(MakeBankSelectGroup(general));
  form->addRow(MakeCheck(general, "CB_XFDeleteChordHelper", T("XF Akkord-Helfer löschen", "Delete XF chord helper")));
  // Our instrument is the built-in synthesizer.
  form->addRow(MakeCheck(general, "CB_VSTiEnabled", T("Synthesizer (FluidSynth) verwenden", "Use the synthesizer (FluidSynth)")));
  form->addRow(MakeCheck(general, "CB_SwitchToEnglish", T("Menüs und Texte in Englisch", "Menus and texts in English")));
  tabs_->addTab(general, T(" Allgemein ", "General"));

  auto* prompta = new QWidget(tabs_);
  prompta->setObjectName(QStringLiteral("TS_Options"));
  auto* pform = new QFormLayout(prompta);
  pform->addRow(MakeCheck(prompta, "CB_PromptaEnabled", T("Prompta-Daten einfügen", "Insert Prompta data")));
  pform->addRow(MakeCheck(prompta, "CB_VirtualPrompta", QStringLiteral("Virtual Prompta")));
  pform->addRow(T("Cmd-Controller", "Command controller"), MakeCombo(prompta, "CB_PromptaCmdController", Numbers(0, 119)));
  pform->addRow(T("MIDI-Kanal", "MIDI channel"), MakeCombo(prompta, "CB_PromptaMidiChannel", Numbers(1, 16)));
  pform->addRow(T("Schriftart", "Font style"), MakeCombo(prompta, "CB_PromptaFont", Numbers(1, 6)));
  pform->addRow(T("Schriftgröße", "Font height"), MakeCombo(prompta, "CB_PromptaFontHeight", Numbers(1, 6)));
  auto* offset = new QLineEdit(prompta);
  offset->setObjectName(QStringLiteral("E_PromptaTimeOffset"));
  pform->addRow(QStringLiteral("Offset (ms)"), offset);
  pform->addRow(MakeCheck(prompta, "CB_PromptaInversVideo", T("Invers", "Inverse video")));
  pform->addRow(MakeCheck(prompta, "CB_PromptaForYamaha", QStringLiteral("Yamaha:")));
  tabs_->addTab(prompta, QStringLiteral(" Prompta "));

  connect(Check("CB_PromptaEnabled"), &QCheckBox::toggled, this, &TOptionsForm::PromptaEnabledClick);
  connect(offset, &QLineEdit::textEdited, this, [this, offset](const QString& text) {
    if (text.isEmpty()) {
      offset->setText(QStringLiteral("0"));
      lastTimeOffset_ = 0;
      return;
    }
    bool ok = false;
    const int v = text.toInt(&ok);
    if (ok && v >= 0 && v <= 255)
      lastTimeOffset_ = v;
    else
      offset->setText(QString::number(lastTimeOffset_));  // an unusable text gives way to the last good one
  });
  connect(Check("CB_VSTiEnabled"), &QCheckBox::clicked, this, &TOptionsForm::SynthesizerTicked);
  connect(Combo("CB_MidiOutput"), &QComboBox::currentIndexChanged, this, &TOptionsForm::OutputChosen);
  connect(Check("CB_SwitchToEnglish"), &QCheckBox::clicked, this, [this](bool on) {
    QMessageBox::information(this, QStringLiteral(" Cantovex 3"),
                             on ? QStringLiteral("Mit OK wechseln die Menüs und Meldungen zu Englisch,\n"
                                                 "die übrigen Fenster nach einem Neustart von Cantovex.")
                                : QStringLiteral("With OK the menus and messages switch to German,\n"
                                                 "the other windows after a restart of Cantovex."));
  });

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  auto* ok = new QPushButton(QStringLiteral("OK"), this);
  ok->setObjectName(QStringLiteral("Btn_Close"));
  auto* cancel = new QPushButton(T("Abbrechen", "Cancel"), this);
  cancel->setObjectName(QStringLiteral("Btn_Cancel"));
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, [this] {
    hide();
    if (OnOk) OnOk();
  });
  connect(cancel, &QPushButton::clicked, this, &QWidget::hide);
}

QGroupBox* TOptionsForm::MakeBankSelectGroup(QWidget* parent) {
  auto* group = new QGroupBox(T("Bank-Select LSB (Controller 32) beim Öffnen eines Songs",
                                "Bank select LSB (controller 32) when a song is opened"),
                              parent);
  group->setObjectName(QStringLiteral("GB_Controller32"));
  auto* grid = new QGridLayout(group);
  QCheckBox* insert = MakeCheck(group, "CB_InsertController32", T("Controller 32 einfügen", "Insert controller 32"));
  auto* valueLabel = new QLabel(T("Wert:", "Value:"), group);
  valueLabel->setObjectName(QStringLiteral("L_Controller32Value"));
  QComboBox* value = MakeCombo(group, "CB_Controller32Value", Numbers(0, 127));
  valueLabel->setBuddy(value);
  QCheckBox* keep = MakeCheck(group, "CB_DoNotChangeController32",
                              T("Vorhandene Controller 32 belassen", "Leave the controller 32 already there unchanged"));
  QCheckBox* remove = MakeCheck(group, "CB_DeleteController32", T("Controller 32 löschen", "Delete controller 32"));
  grid->addWidget(insert, 0, 0);
  grid->addWidget(valueLabel, 0, 1, Qt::AlignRight);
  grid->addWidget(value, 0, 2);
  grid->addWidget(keep, 1, 0, 1, 3);
  grid->addWidget(remove, 2, 0, 1, 3);
  // Inserting and deleting exclude each other; the value belongs to inserting.
  connect(remove, &QCheckBox::toggled, this, [this, insert, keep](bool on) {
    if (on && insert->isChecked()) {
      keep->setChecked(false);
      insert->setChecked(false);
    }
    Controller32Enabling();
  });
  connect(insert, &QCheckBox::toggled, this, [this, remove](bool on) {
    if (on && remove->isChecked()) remove->setChecked(false);
    Controller32Enabling();
  });
  return group;
}

void TOptionsForm::Controller32Enabling() {
  const bool insert = Check("CB_InsertController32")->isChecked();
  for (const char* name : {"CB_Controller32Value", "L_Controller32Value", "CB_DoNotChangeController32"})
    findChild<QWidget*>(QLatin1String(name))->setEnabled(insert);
}

QComboBox* TOptionsForm::Combo(const char* name) const { return findChild<QComboBox*>(QLatin1String(name)); }
QCheckBox* TOptionsForm::Check(const char* name) const { return findChild<QCheckBox*>(QLatin1String(name)); }
QLineEdit* TOptionsForm::Edit(const char* name) const { return findChild<QLineEdit*>(QLatin1String(name)); }

void TOptionsForm::PromptaEnabledClick() {
  const bool on = Check("CB_PromptaEnabled")->isChecked();
  for (const char* name : {"CB_VirtualPrompta", "CB_PromptaCmdController", "CB_PromptaMidiChannel", "CB_PromptaFont",
                           "CB_PromptaFontHeight", "E_PromptaTimeOffset", "CB_PromptaInversVideo",
                           "CB_PromptaForYamaha"})
    if (QWidget* w = findChild<QWidget*>(QLatin1String(name))) w->setEnabled(on);
}

void TOptionsForm::OutputChosen() {
  const bool synth = Combo("CB_MidiOutput")->currentText() == QLatin1String(cv::SynthDevice::OutputName);
  if (!synth && Combo("CB_MidiOutput")->currentIndex() >= 0) lastPort_ = Combo("CB_MidiOutput")->currentText();
  Check("CB_VSTiEnabled")->setChecked(synth);
  if (auto* form = qobject_cast<QFormLayout*>(Combo("CB_AudioOutput")->parentWidget()->layout()))
    form->setRowVisible(Combo("CB_AudioOutput"), synth);
}

void TOptionsForm::SynthesizerTicked(bool on) {
  QComboBox* out = Combo("CB_MidiOutput");
  const int synth = out->findText(QLatin1String(cv::SynthDevice::OutputName));
  // Unticked: the port chosen last, else the first one.
  int port = lastPort_.isEmpty() ? -1 : out->findText(lastPort_);
  if (port < 0 || port == synth) port = synth == 0 ? 1 : 0;
  out->setCurrentIndex(on ? synth : (port < out->count() ? port : -1));
  OutputChosen();
}

void TOptionsForm::SetSongTracks(const QStringList& names) { songTracks_ = names; }

// Automatic, the sixteen channels, then the open song's tracks; each item carries the setting's
// text, so a stored track the song does not have stays choosable.
void TOptionsForm::FillMelody(const cv::MelodySetting& setting) {
  QComboBox* box = Combo("CB_Melody");
  box->clear();
  box->addItem(T("automatisch (selbst gefunden)", "automatic (found by itself)"), QStringLiteral("auto"));
  for (int i = 1; i <= 16; ++i)
    box->addItem(T("Kanal ", "channel ") + QString::number(i), QString::number(i));
  const auto addTrack = [&](int index, const QString& name) {
    QString label = T("Spur ", "track ") + QString::number(index + 1);
    if (!name.isEmpty()) label += QStringLiteral(": ") + name;
    box->addItem(label, QString::fromStdString(cv::MelodySettingText(cv::MelodySetting::OfTrack(index))));
  };
  for (int i = 0; i < songTracks_.size(); ++i) addTrack(i, songTracks_[i]);
  const QString stored = QString::fromStdString(cv::MelodySettingText(setting));
  if (box->findData(stored) < 0) addTrack(setting.Track, QString());
  box->setCurrentIndex(std::max(0, box->findData(stored)));
}

void TOptionsForm::Fill(const TStoredSettings& s, const QStringList& outputs, const QString& inUse,
                        const QStringList& audio, bool english) {
  const cv::TConfiguration& c = s.Configuration;
  Check("CB_SwitchToEnglish")->setChecked(english);
  Edit("E_CopyrightString")->setText(QString::fromStdString(c.CopyrightString));
  FillMelody(c.Melody);
  Combo("CB_QuantizeFactor")->setCurrentIndex(c.QuantizeFactor);
  Combo("CB_PlaybackSpeed")->setCurrentIndex(c.PlaybackSpeed);
  findChild<QSpinBox*>(QStringLiteral("SE_TapDelay"))->setValue(s.TapDelay);
  QComboBox* out = Combo("CB_MidiOutput");
  out->clear();
  out->addItems(outputs);
  const int chosen = static_cast<int>(outputs.lastIndexOf(inUse));
  out->setCurrentIndex(chosen >= 0 ? chosen : (outputs.isEmpty() ? -1 : 0));
  shownOutput_ = out->currentText();
  // The synthesizer plays on the stored device, else on the first one.
  QComboBox* device = Combo("CB_AudioOutput");
  device->clear();
  device->addItems(audio);
  const int stored = static_cast<int>(audio.lastIndexOf(s.AudioOutDeviceName));
  device->setCurrentIndex(stored >= 0 ? stored : (audio.isEmpty() ? -1 : 0));
  device->setEnabled(!audio.isEmpty());
  shownAudio_ = device->currentText();
  Check("CB_MakeBackup")->setChecked(c.MakeBackup);
  Check("CB_ReplaceBackup")->setChecked(c.ReplaceBackup);
  Check("CB_XFDeleteChordHelper")->setChecked(c.XF_DeleteChordHelper);
  Check("CB_VSTiEnabled")->setChecked(s.VSTiEnabled);
  OutputChosen();
  shownSynth_ = Check("CB_VSTiEnabled")->isChecked();
  Check("CB_PromptaEnabled")->setChecked(c.PromptaEnabled);
  Check("CB_VirtualPrompta")->setChecked(c.VirtualPrompta);
  Combo("CB_PromptaCmdController")->setCurrentIndex(c.PromptaCmdController);
  Combo("CB_PromptaMidiChannel")->setCurrentIndex(c.PromptaMidiChannel);
  Combo("CB_PromptaFont")->setCurrentIndex(c.PromptaFont - 1);
  Combo("CB_PromptaFontHeight")->setCurrentIndex(c.PromptaFontHeight - 1);
  lastTimeOffset_ = c.PromptaTimeOffset;
  Edit("E_PromptaTimeOffset")->setText(QString::number(c.PromptaTimeOffset));
  Check("CB_PromptaInversVideo")->setChecked(c.PromptaInversVideo);
  Check("CB_PromptaForYamaha")->setChecked(c.PromptaForYamaha);
  PromptaEnabledClick();
  {
    const QSignalBlocker insert(Check("CB_InsertController32")), remove(Check("CB_DeleteController32"));
    Check("CB_InsertController32")->setChecked(c.InsertController32);
    Check("CB_DeleteController32")->setChecked(c.DeleteController32);
  }
  Combo("CB_Controller32Value")->setCurrentIndex(c.Controller32Value);
  Check("CB_DoNotChangeController32")->setChecked(c.DoNotChangeCtrl32);
  Controller32Enabling();
  tabs_->setCurrentIndex(0);
}

void TOptionsForm::Read(TStoredSettings& s, bool& english) const {
  cv::TConfiguration& c = s.Configuration;
  english = Check("CB_SwitchToEnglish")->isChecked();
  QString copyright = Edit("E_CopyrightString")->text();
  if (!copyright.isEmpty() && !copyright.endsWith(QLatin1Char(' '))) copyright += QLatin1Char(' ');
  c.CopyrightString = copyright.toStdString();
  c.Melody = cv::ParseMelodySetting(Combo("CB_Melody")->currentData().toString().toStdString())
                 .value_or(cv::MelodySetting::Automatic());
  c.QuantizeFactor = static_cast<uint8_t>(std::max(0, Combo("CB_QuantizeFactor")->currentIndex()));
  c.PlaybackSpeed = static_cast<uint8_t>(std::max(0, Combo("CB_PlaybackSpeed")->currentIndex()));
  s.TapDelay = findChild<QSpinBox*>(QStringLiteral("SE_TapDelay"))->value();
  // Only a choice the user changed is stored: OK alone changes nothing.
  if (Combo("CB_MidiOutput")->currentIndex() >= 0 && Combo("CB_MidiOutput")->currentText() != shownOutput_)
    c.MidiOutputDeviceName = Combo("CB_MidiOutput")->currentText().toStdString();
  if (Combo("CB_AudioOutput")->count() > 0 && Combo("CB_AudioOutput")->currentText() != shownAudio_)
    s.AudioOutDeviceName = Combo("CB_AudioOutput")->currentText();
  c.MakeBackup = Check("CB_MakeBackup")->isChecked();
  c.ReplaceBackup = Check("CB_ReplaceBackup")->isChecked();
  c.XF_DeleteChordHelper = Check("CB_XFDeleteChordHelper")->isChecked();
  if (Check("CB_VSTiEnabled")->isChecked() != shownSynth_) s.VSTiEnabled = Check("CB_VSTiEnabled")->isChecked();
  c.PromptaEnabled = Check("CB_PromptaEnabled")->isChecked();
  c.VirtualPrompta = Check("CB_VirtualPrompta")->isChecked();
  c.PromptaCmdController = static_cast<uint8_t>(std::max(0, Combo("CB_PromptaCmdController")->currentIndex()));
  c.PromptaMidiChannel = static_cast<uint8_t>(std::max(0, Combo("CB_PromptaMidiChannel")->currentIndex()));
  c.PromptaFont = static_cast<uint8_t>(std::max(0, Combo("CB_PromptaFont")->currentIndex()) + 1);
  c.PromptaFontHeight = static_cast<uint8_t>(std::max(0, Combo("CB_PromptaFontHeight")->currentIndex()) + 1);
  c.PromptaTimeOffset = lastTimeOffset_;
  c.PromptaInversVideo = Check("CB_PromptaInversVideo")->isChecked();
  c.PromptaForYamaha = Check("CB_PromptaForYamaha")->isChecked();
  c.InsertController32 = Check("CB_InsertController32")->isChecked();
  c.DeleteController32 = Check("CB_DeleteController32")->isChecked();
  c.Controller32Value = static_cast<uint8_t>(std::max(0, Combo("CB_Controller32Value")->currentIndex()));
  c.DoNotChangeCtrl32 = Check("CB_DoNotChangeController32")->isChecked();
}

}  // namespace cvapp
