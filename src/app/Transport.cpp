// The transport strip: play, stop, seeking, the position display and the highlight while playing.
#include <QAction>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPointer>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTextEdit>
#include <QTimer>
#include <cmath>
#include <utility>

#include "app/CV_Main.h"
#include "app/MainStatus.h"
#include "app/MyRegistry.h"
#include "app/OutputOffer.h"
#include "app/PrompterForm.h"
#include "app/SelectHyphen.h"
#include "app/WaitForm.h"
#include "platform/Devices.h"
#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"
#include "song/SyllableTimes.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cvapp {

void SetLed(QLabel* led, bool on, const char* colour);

struct TMainForm::TPlayback {
  cv::SteadyPlayerClock Clock;
  std::unique_ptr<cv::MidiPortDevice> Port;
  std::unique_ptr<cv::SynthDevice> Synth;
  // Last: stops its thread before the outputs go.
  std::unique_ptr<cv::TMidiPlayer> Player;
};

void TMainForm::TPlaybackDeleter::operator()(TPlayback* p) const { delete p; }

namespace {
QString T(const char* de, const char* en) { return QString::fromUtf8(cv::Tr(de, en)); }
const char* kGreen = "#2ecc40";
const char* kRed = "#ff4136";
}  // namespace

bool TMainForm::EnsurePlayer() {
  if (playback_) return true;
  std::unique_ptr<TPlayback, TPlaybackDeleter> p(new TPlayback);
  p->Player = std::make_unique<cv::TMidiPlayer>(p->Clock);
  QPointer<TMainForm> self(this);
  p->Player->OnMessage = [self](const std::string& text) {
    // From the playback thread: shown on the window's own thread.
    const QString message = QString::fromStdString(text);
    QMetaObject::invokeMethod(self, [self, message] { if (self) self->SaySoundProblem(message); }, Qt::QueuedConnection);
  };
  p->Player->OnDeviceLost = [self](const std::string& text) {
    const QString message = QString::fromStdString(text);
    QMetaObject::invokeMethod(self, [self, message] { if (self) self->OutputLost(message); }, Qt::QueuedConnection);
  };
  p->Port = cv::MakeMidiPort();
  cv::TOutputRequest request = OutputRequestFor(settings_, *p->Port);
  cv::TOutputChoice choice = session_.ChooseOutput(request);
  if (choice.Output == cv::TOutputChoice::Kind::Synth) {
    cv::SynthOptions options;
    options.AudioOutDeviceName = settings_.AudioOutDeviceName.toStdString();
    options.VolumeValue = settings_.VolumeValue;
    // Loading the SoundFont and opening the audio device take a while: the window keeps drawing.
    {
      const TPlayerCommandsIgnored ignored(IgnorePlayerCommands);
      TWaitForm wait(T(" %1 wird geladen ....", " ... loading %1").arg(QLatin1String(cv::SynthDevice::OutputName)),
                     std::max(1.0, std::floor(DpiFactor())), this);
      wait.Run([&p, &options] { p->Synth = cv::MakeSynthesizer(options); });
    }
    SaySynthesizerProblems(*p->Synth);
    if (p->Synth->isOK()) {
      p->Player->SetInstrument(p->Synth.get());
      p->Player->SetUseVSTi(true);
      SetOutputText(QString::fromLatin1(cv::SynthDevice::OutputName) + QStringLiteral(" → ") +
                    QString::fromStdString(p->Synth->SinkDescription()));
    } else {
      // The synthesizer does not load: a port plays if there is one.
      p->Synth.reset();
      request.SynthAllowed = false;
      choice = session_.ChooseOutput(request);
    }
  }
  if (choice.Output == cv::TOutputChoice::Kind::Port || choice.Output == cv::TOutputChoice::Kind::VirtualPort) {
    p->Port->SetDeviceID(choice.Output == cv::TOutputChoice::Kind::VirtualPort ? cv::MidiPortDevice::VirtualPortID
                                                                            : choice.PortIndex);
    p->Player->SetPort(p->Port.get());
    p->Player->SetUseVSTi(false);
    SetOutputText(QString::fromStdString(choice.Name));
  }
  if (choice.Output == cv::TOutputChoice::Kind::None) return false;
  playback_ = std::move(p);
  TapPlayerForPrompter();
  return true;
}

void TMainForm::SaySoundProblem(const QString& text) {
  // Each problem is said once; the next Play does not repeat it.
  if (text.isEmpty() || soundProblemsSaid_.contains(text)) return;
  // A play the user did not ask for (a dropped song starts by itself) says it in the status bar
  // only; the user's own Play says it with what to do.
  if (automaticPlay_) {
    Say(text.section(QLatin1Char('\n'), 0, 0));
    pendingSoundProblem_ = text;
    return;
  }
  soundProblemsSaid_.insert(text);
  ui_.Report(cv::UserMessage(cv::TSeverity::Warning, text.toStdString()));
}

QString TMainForm::NoAudioDeviceNote() {
  const QString note = T("Kein Audiogerät: der Synthesizer spielt ohne Ausgabe.",
                         "No audio device: the synthesizer renders to nothing.");
  if (playback_) return playback_->Synth && playback_->Player->UseVSTi() && playback_->Synth->Sink() != cv::AudioSink::Device
                            ? note
                            : QString();
  if (!settings_.VSTiEnabled) return {};
  // Listing the devices takes a moment: once a run.
  if (audioDeviceCount_ < 0) audioDeviceCount_ = static_cast<int>(cv::AudioDevices().size());
  if (audioDeviceCount_ > 0) return {};
  const std::unique_ptr<cv::MidiPortDevice> port = cv::MakeMidiPort();
  return NextOutputName(OutputRequestFor(settings_, *port)) == QLatin1String(cv::SynthDevice::OutputName) ? note
                                                                                                           : QString();
}

void TMainForm::SaySynthesizerProblems(const cv::SynthDevice& synth) {
  QStringList lines;
  for (const std::string& m : synth.Messages()) lines << QString::fromStdString(m);
  if (!synth.isOK())
    lines << T("Installieren Sie eine General-MIDI-SoundFont (Paket timgm6mb-soundfont oder fluid-soundfont-gm). Bis "
               "dahin spielt der Song über einen MIDI-Ausgang, wenn es einen gibt.",
               "Install a General MIDI SoundFont (package timgm6mb-soundfont or fluid-soundfont-gm). Until then the "
               "song plays through a MIDI output if there is one.");
  else if (synth.Sink() != cv::AudioSink::Device)
    lines << T("Starten Sie den Soundserver (PipeWire, PulseAudio oder JACK) oder schließen Sie ein Audiogerät an und "
               "wählen Sie es unter Einstellungen, oder wählen Sie dort einen MIDI-Ausgang.",
               "Start the sound server (PipeWire, PulseAudio or JACK) or connect an audio device and choose it in "
               "Options, or choose a MIDI output there.");
  else
    return;
  SaySoundProblem(lines.join(QLatin1Char('\n')));
}

void TMainForm::SetOutputText(const QString& text) {
  outputText_ = text;
  lOutput_->setText(text);
  lOutput_->setToolTip(T("Ausgabe: ", "Output: ") + text);
  emit OutputChanged(text);
}

void TMainForm::TapPlayerForPrompter() {
  if (!playback_ || !prompterForm_) return;
  cv::TPrompterStream* stream = &prompterForm_->Stream();
  playback_->Player->SetEventTap([stream](const cv::TypMidiEvent& e) { stream->Take(e); });
}

void TMainForm::ReleasePlayer() {
  if (!playback_) return;
  if (playback_->Player->Playing()) playback_->Player->Stop();
  song_.Player = nullptr;
  playback_.reset();
}

bool TMainForm::Playing() const { return playback_ && playback_->Player->Playing(); }

bool TMainForm::StartPlayer() {
  if (!EnsurePlayer()) return false;
  if (!displayTimer_) {
    displayTimer_ = new QTimer(this);
    displayTimer_->setInterval(30);
    connect(displayTimer_, &QTimer::timeout, this, &TMainForm::DisplayTimerTimer);
  }
  // A new player, or a song re-read since the player last saw it: it starts where the slider is.
  if (song_.Player != playback_->Player.get()) {
    playback_->Player->SetSong(&song_);
    playback_->Player->MoveToPosition(posSlider_->value());
  }
  if (!playback_->Player->Playing()) playback_->Player->Play();
  return playback_->Player->Playing();  // false: the output refused; its message is on the way
}

// Playing works in every mode: an open editor only keeps its caret (no highlight).
void TMainForm::Btn_PlayClick() {
  if (!song_.MidiFileLoaded) return;
  if (!StartPlayer()) return;
  if (!automaticPlay_ && !pendingSoundProblem_.isEmpty()) SaySoundProblem(std::exchange(pendingSoundProblem_, {}));
  SetLed(playLED_, true, kGreen);
  SetLed(recLED_, false, kRed);
  RecordingTiming = false;
  UpdateActions();
  displayTimer_->start();
}

void TMainForm::Btn_RecClick() { StartTapRecording(-1); }

void TMainForm::MainMenu_TextRetapClick() {
  // The syllable highlighted (under the playhead) while the highlight stands; else the one the user
  // put the caret in. The highlight's own cursor ends behind its syllable, so it does not count.
  const QTextCursor cursor = myMemo_->textCursor();
  THighlight shown;
  const bool highlighted =
      cursor.hasSelection() && ComputeHighlight(song_.HyphenArray, song_.HyphenArrayElements, song_.CurrentHyphen, shown) &&
      cursor.selectionStart() == shown.SelStart && cursor.selectionEnd() == shown.SelEnd;
  const int caret = cursor.selectionStart();
  int at = 0, syllable = song_.CurrentHyphen;
  for (int i = 0; !highlighted && i < song_.HyphenArrayElements && i < static_cast<int>(song_.HyphenArray.size()); ++i) {
    at += static_cast<int>(song_.HyphenArray[i].Text.size());
    if (caret < at) {
      syllable = i;
      break;
    }
  }
  StartTapRecording(std::max(syllable, 0));
}

void TMainForm::StartTapRecording(int from) {
  if (song_.EditingText) {
    ShowInfo(T("Bitte erst den Bearbeitungsmodus verlassen!", "Please exit edit mode first!"));
    return;
  }
  if (song_.MidiFileLoaded && song_.HyphenArrayElements > 0) {
    if (from >= 0 && from < static_cast<int>(song_.HyphenArray.size()) && !song_.TimeZone.empty()) {
      // A re-tap counts in from a bar before its first syllable.
      if (Playing()) Btn_StopClick();
      const int64_t ticks = std::max(0, song_.HyphenArray[from].SongPosition);
      const cv::TTimeZone& z = song_.TimeZone[cv::ZoneOfPosition(song_, ticks)];
      const int64_t bar = int64_t{std::max<int>(1, z.TS_Numerator)} * song_.SourceTimeBase * 4 / std::max<int>(1, z.TS_Denominator);
      const int32_t start =
          static_cast<int32_t>(std::clamp<int64_t>(cv::PositionToTime(song_, ticks - bar), 0, song_.SongLength));
      {
        const QSignalBlocker block(posSlider_);
        posSlider_->setValue(start);
      }
      if (playback_) playback_->Player->MoveToPosition(start);
    }
    if (!StartPlayer()) return;
    RecordingTiming = true;
    SetLed(playLED_, true, kGreen);
    SetLed(recLED_, true, kRed);
    UpdateActions();
    session_.SetTapDelay(settings_.TapDelay);
    const int first = session_.StartRecording(from);
    if (from >= 0) {
      SelectHyphen(first);
      song_.CurrentHyphen = first;
    } else if (first == cv::HeaderElementCount(song_)) {
      SelectHyphen(first);  // from the start: the first sung syllable
    }
    displayTimer_->start();
  }
  posSlider_->setFocus();
}

void TMainForm::Tap() {
  if (!RecordingTiming || !playback_) return;
  const cv::TTapResult r = session_.Tap(playback_->Player->TimePosition());
  if (r.Select >= 0) {
    // The highlight shows the tapped syllable; the recording goes on from the next one.
    const int32_t next = song_.CurrentHyphen;
    SelectHyphen(r.Select);
    song_.CurrentHyphen = next;
  }
  // The last syllable has its time: playback goes on without recording.
  if (r.Finished) Btn_PlayClick();
}

bool TMainForm::TypingInText() const {
  QWidget* focus = QApplication::focusWidget();
  if (auto* text = qobject_cast<QTextEdit*>(focus)) return !text->isReadOnly();
  if (auto* text = qobject_cast<QPlainTextEdit*>(focus)) return !text->isReadOnly();
  if (auto* line = qobject_cast<QLineEdit*>(focus)) return !line->isReadOnly();
  return qobject_cast<QAbstractSpinBox*>(focus) != nullptr;
}

void TMainForm::KeyHookAppKeyDown(int key, Qt::KeyboardModifiers modifiers, bool repeated) {
  // The keys belong to the text while the user types.
  if (TypingInText() || IgnorePlayerCommands || repeated || QApplication::activeModalWidget()) return;
  // Ctrl+S and the like are the menus' keys, never a transport command.
  if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return;
  const bool keypad = modifiers & Qt::KeypadModifier;
  const bool forward = key == Qt::Key_PageUp || (keypad && key == Qt::Key_Plus);
  const bool rewind = key == Qt::Key_PageDown || (keypad && key == Qt::Key_Minus);
  if (RecordingTiming) {
    if (key == Qt::Key_Space) Tap();
    else if (rewind) TransportPress(-1, false);
    else if (key == Qt::Key_P) Btn_PlayClick();
    else if (key == Qt::Key_S || (keypad && key == Qt::Key_0)) Btn_StopClick();
    else if (keypad && key == Qt::Key_Asterisk) Btn_RecClick();
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_P) Btn_PlayClick();
  else if (forward) TransportPress(+1, false);
  else if (rewind) TransportPress(-1, false);
  else if (key == Qt::Key_S || (keypad && key == Qt::Key_0)) Btn_StopClick();
  else if (keypad && key == Qt::Key_Asterisk) Btn_RecClick();
}

void TMainForm::KeyHookAppKeyUp(int key, Qt::KeyboardModifiers modifiers) {
  const bool keypad = modifiers & Qt::KeypadModifier;
  if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || (keypad && (key == Qt::Key_Plus || key == Qt::Key_Minus)))
    if (transportTimer_ && transportTimer_->isActive()) TransportRelease();
}

void TMainForm::Btn_StopClick() {
  if (!song_.MidiFileLoaded) return;
  if (displayTimer_) displayTimer_->stop();
  const QString tempo = song_.TempoArray.empty() ? QString()
                                                 : QStringLiteral("Tempo: %1").arg(song_.TempoArray.front().Tempo);
  if (Playing()) {
    playback_->Player->Stop();
    lSongPosition_->setToolTip(tempo);
    ShowStopped();
    return;
  }
  // Stopped already: back to the start.
  if (playback_) {
    playback_->Player->Stop();
    playback_->Player->MoveToPosition(0);
  }
  RecordingTiming = false;
  ShowPlaceAtStart();
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setValue(0);
  }
  posSlider_->setToolTip(QStringLiteral("0 ms"));
  lSongPosition_->setToolTip(tempo);
  song_.CurrentHyphen = 0;
  if (!song_.EditingText) SelectHyphen(0);
}

TMainForm::TPlayOn TMainForm::StopForChange() {
  TPlayOn at;
  if (!Playing()) return at;
  at.Playing = true;
  // The place in the song, in ticks: a change of the tempos moves its time, not the bar.
  at.Ticks = cv::TimeToPosition(song_, playback_->Player->TimePosition());
  Btn_StopClick();
  return at;
}

void TMainForm::OfferPlayOn(const TPlayOn& at, bool ask) {
  if (!at.Playing || !song_.MidiFileLoaded || Playing()) return;
  if (ask && !ui_.AskYesNo(cv::Tr("Ab derselben Stelle weiterspielen?", "Play on from the same place?"))) return;
  const int32_t timeMs = static_cast<int32_t>(std::clamp<int64_t>(cv::PositionToTime(song_, at.Ticks), 0, song_.SongLength));
  if (playback_) playback_->Player->MoveToPosition(timeMs);
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setValue(timeMs);
  }
  Btn_PlayClick();
}

void TMainForm::ShowStopped() {
  if (displayTimer_) displayTimer_->stop();
  SetLed(playLED_, false, kGreen);
  SetLed(recLED_, false, kRed);
  RecordingTiming = false;
  session_.PlaybackStopped();  // a recording becomes an undo step: the menus follow after it
  UpdateActions();
}

void TMainForm::OutputLost(const QString& text) {
  ShowStopped();
  // The next Play chooses its output afresh and starts where the song stopped.
  ReleasePlayer();
  SetOutputText(QString());
  if (ui_.AskYesNo(text.toStdString() + "\n\n" + cv::Tr("Jetzt einen anderen Ausgang wählen?", "Choose another output now?")))
    MainMenu_OptionsClick();
}

void TMainForm::UpdatePosSliderHint() {
  const int p = posSlider_->value();
  const int ms = p % 1000, s = (p % 60000) / 1000, m = std::min(p / 60000, 255);
  const QString mmm = QStringLiteral("%1").arg(ms, 3, 10, QLatin1Char('0'));
  QString hint;
  if (m > 0)
    hint = QStringLiteral("%1:%2.%3").arg(m).arg(s, 2, 10, QLatin1Char('0')).arg(mmm);
  else if (s > 0)
    hint = QStringLiteral("%1.%2 s").arg(s).arg(mmm);
  else
    hint = QStringLiteral("%1 ms").arg(ms);
  posSlider_->setToolTip(hint);
}

void TMainForm::ShowSongPosition(int32_t timeMs) {
  if (song_.TimeZone.empty()) return;
  int zone = static_cast<int>(song_.TimeZone.size()) - 1;
  for (int i = 0; i + 1 < static_cast<int>(song_.TimeZone.size()); ++i)
    if (song_.TimeZone[i].Time <= timeMs && timeMs < song_.TimeZone[i + 1].Time) {
      zone = i;
      break;
    }
  const cv::TTimeZone& z = song_.TimeZone[zone];
  song_.SongPositionTicks =
      z.SongPosition + (z.TempoComp > 0 ? static_cast<int32_t>(std::nearbyint((timeMs - z.Time) / z.TempoComp)) : 0);
  if (zone != song_.CurrentTimeZone) {
    song_.CurrentTimeZone = zone;
    song_.CurrentTempo = z.Tempo;
    lSongPosition_->setToolTip(QStringLiteral("Tempo: %1").arg(z.Tempo));
  }
  const int numerator = std::max<int>(1, z.TS_Numerator);
  const int denominator = std::max<int>(1, z.TS_Denominator);
  const double f = z.Ticks / (denominator == 8 ? std::max(1, song_.SourceTimeBase / 2) : std::max<int>(1, song_.SourceTimeBase));
  const double b = static_cast<double>(z.TempoLongInt) * 4.0 / denominator;
  if (b <= 0) return;
  const float x = static_cast<float>((timeMs - z.Time) * 1000.0 / b + f);
  int beat = static_cast<int>(std::trunc(x)) % numerator + z.Beat;
  int measure = static_cast<int>(std::trunc(x / numerator)) + z.Measure;
  if (beat > numerator) {
    measure += beat / numerator;
    beat %= numerator;
  }
  if (beat != prevBeat_ || measure != prevMeasure_) {
    prevBeat_ = beat;
    prevMeasure_ = measure;
    lSongPosition_->setText(PositionText(measure, beat));
    status_->ShowPlace(measure, beat, z.Tempo, KeyAt(song_, song_.SongPositionTicks));
  }
}

void TMainForm::ShowPlaceAtStart() {
  prevMeasure_ = prevBeat_ = -1;
  lSongPosition_->setText(PositionText(1, 1));
  status_->ShowPlace(1, 1, song_.TempoArray.empty() ? 0 : song_.TempoArray.front().Tempo, KeyAt(song_, 0));
}

void TMainForm::DisplayTimerTimer() {
  if (!playback_) return;
  displayTimer_->stop();
  cv::TMidiPlayer& player = *playback_->Player;
  const int32_t now = player.TimePosition();
  if (!player.Playing() && now < song_.SongLength) {
    // Stopped before the end by itself: its output failed or went away (and has said so).
    ShowStopped();
    return;
  }
  if (now < song_.SongLength || player.Playing()) {
    if (!RecordingTiming && !song_.EditingText && song_.HyphenArrayElements > 0) {
      const int32_t t = now + 50 - song_.LyricsOffset;
      const std::vector<cv::THyphens>& h = song_.HyphenArray;
      if (t <= h[0].Time) {
        if (song_.CurrentHyphen != 0) SelectHyphen(0);
      } else {
        int i = 0;
        while (i < song_.HyphenArrayElements - 1 && !(h[i].Time <= t && t < h[i + 1].Time)) ++i;
        if (i != song_.CurrentHyphen) SelectHyphen(i);
      }
    }
    {
      const QSignalBlocker block(posSlider_);
      posSlider_->setValue(now);
    }
    UpdatePosSliderHint();
    ShowSongPosition(now);
    displayTimer_->start();
    return;
  }
  // The song ended by itself.
  player.Stop();
  player.MoveToPosition(0);
  song_.CurrentHyphen = 0;
  if (!song_.EditingText) SelectHyphen(0);
  RecordingTiming = false;
  session_.PlaybackStopped();
  SetLed(playLED_, false, kGreen);
  SetLed(recLED_, false, kRed);
  ShowPlaceAtStart();
  UpdateActions();
  {
    const QSignalBlocker block(posSlider_);
    posSlider_->setValue(0);
  }
  posSlider_->setToolTip(QStringLiteral("0 ms"));
}

void TMainForm::PosSliderChange(int position) {
  if (Playing()) return;
  UpdatePosSliderHint();
  if (!song_.MidiFileLoaded) return;
  // The slider moved by its own keys or the wheel: the player goes along, so the next Play (or a
  // re-tap's count-in) starts where the window shows. A run or a drag seeks once, on release.
  const bool seeking = posSlider_->isSliderDown() || (transportTimer_ && transportTimer_->isActive());
  if (!seeking && playback_ && song_.Player == playback_->Player.get()) playback_->Player->MoveToPosition(position);
  ShowSongPosition(position);
  if (song_.HyphenArrayElements < 1 || song_.EditingText || song_.TimeZone.empty()) return;
  const cv::TTimeZone& z = song_.TimeZone[std::clamp(song_.CurrentTimeZone, 0, static_cast<int>(song_.TimeZone.size()) - 1)];
  const int32_t ticks = z.SongPosition + (z.TempoComp > 0 ? static_cast<int32_t>(std::nearbyint((position - z.Time) / z.TempoComp)) : 0);
  const std::vector<cv::THyphens>& h = song_.HyphenArray;
  if (ticks >= h[0].SongPosition) {
    int i = 0;
    while (i < song_.HyphenArrayElements - 1 && !(h[i].SongPosition <= ticks && ticks < h[i + 1].SongPosition)) ++i;
    if (i != song_.CurrentHyphen) SelectHyphen(i);
  } else if (song_.CurrentHyphen != 0) {
    SelectHyphen(0);
  }
}

void TMainForm::TransportPress(int direction, bool resume) {
  if (!song_.MidiFileLoaded) return;
  SetLed(playLED_, false, kGreen);
  SetLed(recLED_, false, kRed);
  if (transportTimer_ && transportTimer_->isActive()) return;
  const bool wasPlaying = Playing();
  if (wasPlaying) Btn_StopClick();
  RecordingTiming = false;
  playBeforeSeek_ = resume && wasPlaying;
  transportDirection_ = direction;
  if (direction == 0) return;  // the slider thumb is dragged by hand
  if (!transportTimer_) {
    transportTimer_ = new QTimer(this);
    connect(transportTimer_, &QTimer::timeout, this, [this] {
      int next = std::clamp(posSlider_->value() + transportDirection_ * 100, 0, posSlider_->maximum());
      if (transportTarget_ >= 0)
        next = transportDirection_ < 0 ? std::max(next, transportTarget_) : std::min(next, transportTarget_);
      posSlider_->setValue(next);
      UpdatePosSliderHint();
      const Qt::KeyboardModifiers keys = QGuiApplication::queryKeyboardModifiers();
      transportTimer_->setInterval(keys & Qt::ControlModifier ? 5 : keys & Qt::ShiftModifier ? 20 : 50);
    });
  }
  transportTimer_->start(100);
}

bool TMainForm::PosSliderMouse(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return false;
  const bool release = event->type() == QEvent::MouseButtonRelease;
  if (release) {
    if (transportTarget_ < 0) return false;  // the thumb was dragged: the slider ends that itself
    // A click, released before the run took its first step, goes to the place clicked; a held
    // press stops where the run has got to.
    if (posSlider_->value() == transportFrom_) posSlider_->setValue(transportTarget_);
    transportTarget_ = -1;
    TransportRelease();
    return true;
  }
  QStyleOptionSlider option;
  option.initFrom(posSlider_);
  option.orientation = Qt::Horizontal;
  option.minimum = posSlider_->minimum();
  option.maximum = posSlider_->maximum();
  option.sliderPosition = option.sliderValue = posSlider_->value();
  const QRect thumb = posSlider_->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, posSlider_);
  const int x = event->position().toPoint().x();
  if (!song_.MidiFileLoaded || (x >= thumb.left() && x <= thumb.right())) return false;
  const int groove = std::max(1, posSlider_->width() - thumb.width());
  transportTarget_ = QStyle::sliderValueFromPosition(option.minimum, option.maximum, x - thumb.width() / 2, groove);
  transportFrom_ = posSlider_->value();
  TransportPress(x < thumb.left() ? -1 : +1);
  return true;
}

void TMainForm::TransportRelease() {
  if (!song_.MidiFileLoaded) {
    posSlider_->setValue(0);
    return;
  }
  if (transportTimer_) transportTimer_->stop();
  if (playback_) playback_->Player->MoveToPosition(posSlider_->value());
  if (playBeforeSeek_) {
    playBeforeSeek_ = false;
    Btn_PlayClick();
  }
}

void TMainForm::SeekTo(int32_t timeMs) {
  if (!song_.MidiFileLoaded || RecordingTiming) return;
  const bool wasPlaying = Playing();
  if (wasPlaying) Btn_StopClick();
  timeMs = std::clamp(timeMs, 0, std::max(0, song_.SongLength));
  posSlider_->setValue(timeMs);
  if (playback_) playback_->Player->MoveToPosition(timeMs);
  if (wasPlaying) Btn_PlayClick();
}

TCalibrationHooks TMainForm::CalibrationHooks() {
  TCalibrationHooks hooks;
  hooks.PlayClicks = [this](cv::Song* clicks) {
    if (!clicks) {
      // Back to the song, where the slider stands.
      if (playback_) {
        playback_->Player->Stop();
        playback_->Player->SetSong(song_.MidiFileLoaded ? &song_ : nullptr);
        playback_->Player->MoveToPosition(posSlider_->value());
      }
      return true;
    }
    if (Playing()) Btn_StopClick();
    if (!EnsurePlayer()) return false;
    playback_->Player->SetSong(clicks);
    playback_->Player->MoveToPosition(0);
    playback_->Player->Play();
    return playback_->Player->Playing();
  };
  hooks.Now = [this] { return playback_ ? playback_->Player->TimePosition() : 0; };
  return hooks;
}

std::optional<int> TMainForm::CalibrateTapDelay() {
  QWidget* parent = QApplication::activeModalWidget();
  TTapCalibrationForm form(CalibrationHooks(), parent ? parent : this);
  if (form.exec() != QDialog::Accepted || !form.Proposal()) return std::nullopt;
  settings_.TapDelay = *form.Proposal();
  store_->WriteIntToReg(QStringLiteral("TapDelay"), *form.Proposal());
  return form.Proposal();
}

void TMainForm::VolSliderChange(int position) {
  settings_.VolumeValue = 130 - position;
  store_->WriteIntToReg(QStringLiteral("VolumeValue"), settings_.VolumeValue);
  if (playback_ && playback_->Synth) playback_->Synth->SetVolume(settings_.VolumeValue);
}

}  // namespace cvapp

namespace cvapp {

int32_t TMainForm::HeardTimeMs() const {
  if (!playback_) return 0;
  int32_t latency = 0;
  if (playback_->Player->UseVSTi() && playback_->Synth)
    latency = static_cast<int32_t>(playback_->Synth->AudioTotalLatencyTime());
  return playback_->Player->TimePosition() - latency;
}

}  // namespace cvapp
