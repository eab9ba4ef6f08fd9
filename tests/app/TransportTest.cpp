// The transport strip on a real player: play, the display following it, stop twice.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSettings>
#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include "AppFixture.h"
#include "app/CV_Options.h"
#include "app/MainStatus.h"
#include "platform/Devices.h"
#include "support/PrivateJack.h"
#include "song/SyllableTimes.h"

using namespace cvapptest;

TEST(Transport, PlayFollowsTheSongAndStopRewinds) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(Q(cvtest::CorpusFile("kar/twinkle.kar")));
  ASSERT_TRUE(w->MidiFileLoaded());
  w->Btn_PlayClick();
  if (!w->Playing()) {
    GTEST_SKIP() << "no output to play through: "
                 << (w.messages.empty() ? std::string("none") : w.messages.back().Text.toStdString());
  }
  auto* slider = w->findChild<QSlider*>(QStringLiteral("PosSlider"));
  auto* position = w->findChild<QLabel*>(QStringLiteral("L_SongPosition"));
  EXPECT_TRUE(w->findChild<QLabel*>(QStringLiteral("PlayLED"))->property("on").toBool());
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Datei"))->menuAction()->isEnabled());
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Edit"))->menuAction()->isEnabled());
  // The output in use is shown: a port's name, or the synthesizer and where its sound goes.
  EXPECT_FALSE(w->OutputText().isEmpty());
  EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("L_Output"))->text(), w->OutputText());
  QElapsedTimer clock;
  clock.start();
  while (slider->value() < 300 && clock.elapsed() < 5000) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  EXPECT_GE(slider->value(), 300);
  EXPECT_TRUE(position->text().contains(QLatin1Char(':'))) << position->text().toStdString();

  w->Btn_StopClick();  // playing: stops where it is
  EXPECT_FALSE(w->Playing());
  EXPECT_GE(slider->value(), 300);
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Datei"))->menuAction()->isEnabled());
  EXPECT_FALSE(w->findChild<QLabel*>(QStringLiteral("PlayLED"))->property("on").toBool());
  w->Btn_StopClick();  // stopped: back to the start
  EXPECT_EQ(slider->value(), 0);
  EXPECT_EQ(position->text(), QStringLiteral("1:01"));
  EXPECT_EQ(w->CurrentSong().CurrentHyphen, 0);
}

TEST(Transport, TapRecordingStampsTheHighlightedSyllable) {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "Hel", "lo ", "world\r", "how ", "are ", "you\r"};
  for (int i = 0; i < 8; ++i) t.Lyric(i * 480, words[i]).NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(Q(b.WriteTemp("tap.mid")));
  ASSERT_GE(w->CurrentSong().HyphenArrayElements, 8);

  // Not while a lyrics editor holds the view.
  w->MainMenu_TextEditClick();
  w->Btn_RecClick();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages.front().Text, QStringLiteral("Please exit edit mode first!"));
  w->MainMenu_TextEditClick();
  ASSERT_FALSE(w->EditingText());

  w->Btn_RecClick();
  if (!w->Playing()) GTEST_SKIP() << "no output to play through";
  EXPECT_TRUE(w->RecordingTiming);
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Edit"))->menuAction()->isEnabled());
  QElapsedTimer clock;
  clock.start();
  while (w->CurrentSong().SongPositionTicks < 400 && clock.elapsed() < 5000) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
  w->KeyHookAppKeyDown(Qt::Key_Space, Qt::NoModifier, /*repeated=*/false);
  w->KeyHookAppKeyDown(Qt::Key_Space, Qt::NoModifier, /*repeated=*/true);  // auto-repeat: no tap
  const cv::Song& song = w->CurrentSong();
  EXPECT_TRUE(song.TextChanged);
  EXPECT_EQ(song.HyphenArray[0].SongPosition, 108);
  EXPECT_EQ(song.HyphenArray[1].SongPosition, 112);
  // Header lines are never tapped: the first tap is the first sung syllable's; the artist follows it.
  const int tapped = song.CurrentHyphen - 1;
  ASSERT_EQ(tapped, 4);
  EXPECT_EQ(song.HyphenArray[tapped].Text, u"Hel");
  EXPECT_EQ(song.HyphenArray[2].SongPosition, song.HyphenArray[tapped].SongPosition - 8);
  EXPECT_GE(song.HyphenArray[tapped].SongPosition, 400);
  EXPECT_LT(song.HyphenArray[tapped].SongPosition, 2000);
  EXPECT_FALSE(song.HyphenArray[tapped].MTC.empty());

  w->KeyHookAppKeyDown(Qt::Key_S, Qt::NoModifier, false);  // stop: recording ends, events rebuilt
  EXPECT_FALSE(w->Playing());
  EXPECT_FALSE(w->RecordingTiming);
  EXPECT_FALSE(w->CurrentSong().TextChanged);
}

namespace {

void RunFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QCoreApplication::processEvents();
    QThread::msleep(10);
  }
}

// 30 s of quarter notes at 120 bpm, for the slider.
QString ThirtySecondSong(const std::string& name) {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  for (int i = 0; i < 60; ++i) t.NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
  return Q(b.WriteTemp(name));
}

}  // namespace

// Listening while typing: Play works with an editor open, the player never moves the caret, and
// leaving the editor stops, applies the text and offers to play on from the same place.
TEST(Transport, PlaysWhileAnEditorIsOpenAndPlaysOnAfterLeavingIt) {
  struct Case {
    const char* name;
    bool lyrics;  // false: the song opens in the edit text
  };
  for (const Case& c : {Case{"no lyrics", false}, Case{"MTC editor", true}}) {
    SCOPED_TRACE(c.name);
    cvtest::SmfBuilder b(1);
    b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
    cvtest::SmfTrack& t = b.AddTrack();
    for (int i = 0; i < 16; ++i) {
      if (c.lyrics) t.Lyric(i * 480, i % 4 == 3 ? "la\r" : "la ");
      t.NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
    }
    AppWindow w(TempSettingsFile());
    w->show();
    QApplication::setActiveWindow(w.window.get());
    w->DateiOeffnen(Q(b.WriteTemp("editing.mid")));
    if (c.lyrics) w->MainMenu_TextEditMTCClick();
    ASSERT_TRUE(w->EditingText());
    QTextEdit* memo = w->MyMemo();
    memo->setFocus();
    if (!c.lyrics) memo->setPlainText(QStringLiteral("Title\nSinger\nla la la la\nla la la la"));
    QTextCursor caret = memo->textCursor();
    caret.setPosition(3);
    memo->setTextCursor(caret);

    w->KeyHookAppKeyDown(Qt::Key_P, Qt::NoModifier, false);  // typed into the text
    EXPECT_FALSE(w->Playing());
    w->Btn_PlayClick();
    if (!w->Playing()) GTEST_SKIP() << "no output to play through";
    const char* leave = c.lyrics ? "MainMenu_TextEditMTC" : "MainMenu_TextEdit";
    EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
    EXPECT_TRUE(w.Enabled(leave));
    EXPECT_FALSE(w.Enabled("MainMenu_TextLaden"));
    EXPECT_FALSE(w.Enabled("MainMenu_TextHyphenate"));
    EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Datei"))->menuAction()->isEnabled());
    RunFor(700);
    EXPECT_EQ(memo->textCursor().position(), 3);
    EXPECT_FALSE(memo->textCursor().hasSelection());
    const int heard = w->findChild<QSlider*>(QStringLiteral("PosSlider"))->value();
    EXPECT_GE(heard, 500);

    w.answerYes = true;
    w->Action(QLatin1String(leave))->trigger();
    EXPECT_FALSE(w->EditingText());
    ASSERT_FALSE(w.questions.isEmpty());
    EXPECT_EQ(w.questions.back(), QStringLiteral("Play on from the same place?"));
    EXPECT_TRUE(w->Playing());
    EXPECT_GE(w->CurrentSong().Player->TimePosition(), heard - 50);
    EXPECT_GE(w->CurrentSong().HyphenArrayElements, 10);
    w->Btn_StopClick();
  }
}

// A press beside the thumb runs the position towards the press while the button is held (and no
// further), seeks once on release, and the next Play starts there; a press on the thumb drags it.
TEST(Transport, SliderPressBesideTheThumbRunsTowardsItAndSeeksOnRelease) {
  AppWindow w(TempSettingsFile());
  w->resize(900, 500);
  w->show();
  w->DateiOeffnen(ThirtySecondSong("slider.mid"));
  auto* slider = w->findChild<QSlider*>(QStringLiteral("PosSlider"));
  ASSERT_GT(slider->maximum(), 25000);
  auto send = [&](QEvent::Type type, int x) {
    const QPointF at(x, slider->height() / 2);
    QMouseEvent e(type, at, slider->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(slider, &e);
  };
  const int thumb = slider->width() / 2;  // the thumb's place at half the song
  struct Case {
    int dx;
    bool down;
  };
  for (const Case& c : {Case{-100, true}, Case{+100, false}}) {
    slider->setValue(slider->maximum() / 2);
    const int before = slider->value();
    send(QEvent::MouseButtonPress, thumb + c.dx);
    RunFor(400);
    const int held = slider->value();
    EXPECT_TRUE(c.down ? held < before : held > before) << before << " -> " << held;
    EXPECT_EQ(std::abs(held - before) % 100, 0);  // whole steps of 100 ms
    RunFor(2500);  // long enough to pass the press: it stops there
    const int pressed = slider->value();
    EXPECT_NEAR(pressed, before + c.dx * slider->maximum() / slider->width(), slider->maximum() / 30);
    send(QEvent::MouseButtonRelease, thumb + c.dx);
    RunFor(200);
    EXPECT_EQ(slider->value(), pressed);
  }
  const int chosen = slider->value();
  w->Btn_PlayClick();
  if (!w->Playing()) GTEST_SKIP() << "no output to play through";
  EXPECT_GE(w->CurrentSong().Player->TimePosition(), chosen - 50);
  EXPECT_LT(w->CurrentSong().Player->TimePosition(), chosen + 1000);
  w->Btn_StopClick();
}

// A click in the groove (pressed and released at once, as a user clicks) moves the position to
// the place clicked, and playback starts there.
TEST(Transport, AClickInTheSliderGrooveGoesThere) {
  AppWindow w(TempSettingsFile());
  w->resize(900, 500);
  w->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
  w->DateiOeffnen(ThirtySecondSong("click.mid"));
  auto* slider = w->findChild<QSlider*>(QStringLiteral("PosSlider"));
  for (const double at : {0.75, 0.25}) {
    const int x = static_cast<int>(slider->width() * at);
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, slider->height() / 2));
    RunFor(150);
    EXPECT_NEAR(slider->value(), slider->maximum() * at, slider->maximum() / 30.0) << at;
  }
  const int chosen = slider->value();
  w->Btn_PlayClick();
  if (!w->Playing()) GTEST_SKIP() << "no output to play through";
  EXPECT_GE(w->CurrentSong().Player->TimePosition(), chosen - 50);
  EXPECT_LT(w->CurrentSong().Player->TimePosition(), chosen + 1000);
  w->Btn_StopClick();

  // The slider's own keys move the player along: Play starts where the slider shows.
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Home);
  ASSERT_EQ(slider->value(), 0);
  w->Btn_PlayClick();
  EXPECT_LT(w->CurrentSong().Player->TimePosition(), 1000);
  w->Btn_StopClick();
}

// The synthesizer and its SoundFont load on another thread behind the wait window: the window's
// own loop keeps running meanwhile.
TEST(Transport, TheSynthesizerLoadsBehindTheWaitWindow) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(OneLyricPerNoteSong("wait.mid", {"Ti\r", "Ar\r", "la ", "la\r"}));
  bool waitShown = false;
  QTimer::singleShot(0, [&] {
    auto* wait = w->findChild<QDialog*>(QStringLiteral("WaitForm"));
    waitShown = wait && wait->isVisible();
  });
  w->Btn_PlayClick();
  if (!w->OutputText().startsWith(QLatin1String(cv::SynthDevice::OutputName)))
    GTEST_SKIP() << "the synthesizer is not the output here: " << w->OutputText().toStdString();
  EXPECT_TRUE(waitShown);
  EXPECT_EQ(w->findChild<QDialog*>(QStringLiteral("WaitForm")), nullptr);
  EXPECT_TRUE(w->Playing());
  w->Btn_StopClick();
}

// The port's JACK server ends while the song plays: playback stops where it was, the window says
// why and offers to choose another output; the next Play chooses its output afresh.
TEST(Transport, AnOutputThatGoesAwayStopsPlaybackAndOffersAnother) {
  cvtest::PrivateJackServer jack;
  if (!jack.Running()) GTEST_SKIP() << jack.Reason();
  jack.StartClient({"jack_midi_dump"}, "midi-monitor:input");
  jack.Use();
  cvtest::SmfBuilder b(1);
  cvtest::SmfTrack& t = b.AddTrack().Bpm(0, 120);
  for (int i = 0; i < 40; ++i) t.NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
  AppWindow w(TempSettingsFile());
  w->Settings().VSTiEnabled = false;
  w->Settings().Configuration.MidiOutputDeviceName = "midi-monitor:input";
  w->DateiOeffnen(Q(b.WriteTemp("lost.mid")));
  w->Btn_PlayClick();
  ASSERT_TRUE(w->Playing()) << (w.messages.empty() ? std::string() : w.messages.back().Text.toStdString());
  EXPECT_EQ(w->OutputText(), QStringLiteral("midi-monitor:input"));
  RunFor(600);
  w.answerYes = false;
  jack.Kill();
  QElapsedTimer clock;
  clock.start();
  while ((w->Playing() || w.questions.isEmpty()) && clock.elapsed() < 5000) RunFor(20);
  EXPECT_FALSE(w->Playing());
  ASSERT_EQ(w.questions.size(), 1);
  EXPECT_TRUE(w.questions.front().contains(QLatin1String("midi-monitor:input\" has gone away")));
  EXPECT_TRUE(w.questions.front().endsWith(QLatin1String("Choose another output now?")));
  EXPECT_FALSE(w->findChild<QLabel*>(QStringLiteral("PlayLED"))->property("on").toBool());
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Datei"))->menuAction()->isEnabled());
  EXPECT_GE(w->findChild<QSlider*>(QStringLiteral("PosSlider"))->value(), 500);  // stays where it stopped
  EXPECT_TRUE(w->OutputText().isEmpty());
}

// No audio device: opening a song (or dropping one, which starts playing by itself) says so in the
// status bar only; the user's first Play says it once as a message, with what to do.
TEST(Transport, ASoundProblemIsSaidOnceWithWhatToDo) {
  ::setenv("JACK_DEFAULT_SERVER", ("cantovex-no-server-" + std::to_string(::getpid())).c_str(), 1);
  struct Restore {
    ~Restore() { ::unsetenv("JACK_DEFAULT_SERVER"); }
  } restore;
  if (!cv::AudioDevices().empty()) GTEST_SKIP() << "this machine has an audio device besides JACK";
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(OneLyricPerNoteSong("quiet.mid", {"Ti\r", "Ar\r", "la ", "la\r"}));
  EXPECT_TRUE(w->Status().LastMessage().contains(QLatin1String("No audio device"))) << w->Status().LastMessage().toStdString();
  w->HandleDroppedFiles({QString::fromStdString(w->CurrentSong().MidiFileName)});
  EXPECT_TRUE(w.messages.empty());
  w->Btn_StopClick();
  for (int i = 0; i < 2; ++i) {
    w->Btn_PlayClick();
    if (!w->OutputText().startsWith(QLatin1String(cv::SynthDevice::OutputName)))
      GTEST_SKIP() << "the synthesizer is not the output here: " << w->OutputText().toStdString();
    w->Btn_StopClick();
  }
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages[0].Icon, QMessageBox::Warning);
  EXPECT_TRUE(w.messages[0].Text.startsWith(QLatin1String("No audio device"))) << w.messages[0].Text.toStdString();
  EXPECT_TRUE(w.messages[0].Text.contains(QLatin1String("choose it in Options")));
  EXPECT_TRUE(w->OutputText().endsWith(QLatin1String("nothing")));
}

// The options offer the audio devices and the MIDI ports with our own virtual port; a new output
// is taken up at once, and playback goes on from the shown position.
TEST(Transport, OptionsChooseAnyOutputAndPlaybackGoesOnWhereItWas) {
  cvtest::PrivateJackServer jack(256);
  if (!jack.Running()) GTEST_SKIP() << jack.Reason();
  jack.Use();
  cvtest::SmfBuilder b(1);
  cvtest::SmfTrack& t = b.AddTrack().Bpm(0, 120);
  for (int i = 0; i < 40; ++i) t.NoteOn(i * 480, 0, 60, 90).NoteOff(i * 480 + 400, 0, 60);
  const QString settings = TempSettingsFile();
  AppWindow w(settings);
  w->DateiOeffnen(Q(b.WriteTemp("outputs.mid")));
  w->Btn_PlayClick();
  ASSERT_TRUE(w->Playing());
  RunFor(600);
  w->Btn_StopClick();
  const int shown = w->findChild<QSlider*>(QStringLiteral("PosSlider"))->value();
  ASSERT_GE(shown, 500);

  w->MainMenu_OptionsClick();
  cvapp::TOptionsForm* form = w->OptionsForm();
  QComboBox* ports = form->Combo("CB_MidiOutput");
  const int virtualPort = ports->findText(QStringLiteral("Cantovex 3 (virtual port)"));
  ASSERT_GE(virtualPort, 0);
  QComboBox* audio = form->Combo("CB_AudioOutput");
  ASSERT_GE(audio->count(), 1);  // the server's own device
  // The options show the output that plays; OK alone keeps it.
  const QString playing = w->OutputText();
  EXPECT_TRUE(playing.startsWith(ports->currentText())) << playing.toStdString();
  form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
  EXPECT_EQ(w->OutputText(), playing);
  w->MainMenu_OptionsClick();
  ports->setCurrentIndex(virtualPort);
  EXPECT_FALSE(form->Check("CB_VSTiEnabled")->isChecked());  // the port is not the synthesizer
  form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
  EXPECT_TRUE(w->OutputText().isEmpty());  // the old output is let go at once
  EXPECT_EQ(QSettings(settings, QSettings::IniFormat).value(QStringLiteral("MidiOutputDeviceName")).toString(),
            QStringLiteral("Cantovex 3 (virtual port)"));

  w->Btn_PlayClick();
  ASSERT_TRUE(w->Playing());
  EXPECT_EQ(w->OutputText(), QStringLiteral("Cantovex 3 (virtual port)"));
  EXPECT_GE(w->CurrentSong().Player->TimePosition(), shown - 50);
  EXPECT_LT(w->CurrentSong().Player->TimePosition(), shown + 1000);
  w->Btn_StopClick();
}

// Re-tap from the syllable with the caret: the song counts in from a bar before it, the taps
// stamp it and the syllables after it, and every syllable before it keeps its time.
TEST(Transport, RetapFromASyllableKeepsTheEarlierTimes) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(OneLyricPerNoteSong("retap.mid", {"Title\r", "Artist\r", "Hel", "lo ", "world\r", "how ", "are ", "you\r"}));
  const cv::Song& song = w->CurrentSong();
  ASSERT_GE(song.HyphenArrayElements, 8);
  int from = -1, offset = 0;
  for (int i = 0; i < song.HyphenArrayElements; ++i) {
    if (song.HyphenArray[i].Text == u"how ") {
      from = i;
      break;
    }
    offset += static_cast<int>(song.HyphenArray[i].Text.size());
  }
  ASSERT_GT(from, 3);
  std::vector<int32_t> before;
  for (int i = 0; i < from; ++i) before.push_back(song.HyphenArray[i].SongPosition);
  const int32_t target = song.HyphenArray[from].SongPosition;
  QTextCursor caret = w->MyMemo()->textCursor();
  caret.setPosition(offset + 1);
  w->MyMemo()->setTextCursor(caret);

  w->Action(QStringLiteral("MainMenu_TextRetap"))->trigger();
  if (!w->Playing()) GTEST_SKIP() << "no output to play through";
  EXPECT_TRUE(w->RecordingTiming);
  EXPECT_EQ(song.CurrentHyphen, from);
  // One 4/4 bar at 120 bpm before the syllable: 2 s earlier.
  EXPECT_NEAR(song.Player->TimePosition(), cv::PositionToTime(song, target) - 2000, 150);
  QElapsedTimer clock;
  clock.start();
  while (song.SongPositionTicks < target + 100 && clock.elapsed() < 5000) RunFor(10);
  w->KeyHookAppKeyDown(Qt::Key_Space, Qt::NoModifier, false);
  w->Btn_StopClick();
  for (int i = 0; i < from; ++i) EXPECT_EQ(song.HyphenArray[i].SongPosition, before[i]) << i;
  EXPECT_GE(song.HyphenArray[from].SongPosition, target + 100);
  EXPECT_LT(song.HyphenArray[from].SongPosition, target + 480);
  EXPECT_FALSE(song.TextChanged);  // written into the lyric events at the stop

  // The whole re-tap is one step of the undo history.
  const int32_t retapped = song.HyphenArray[from].SongPosition;
  ASSERT_TRUE(w.Enabled("MainMenu_EditUndo"));
  w->Action(QStringLiteral("MainMenu_EditUndo"))->trigger();
  const cv::Song& undone = w->CurrentSong();
  EXPECT_EQ(undone.HyphenArray[from].SongPosition, target);
  EXPECT_NE(retapped, target);
  EXPECT_FALSE(w->Session().CanUndo());

  // Without a caret put in by hand, the highlighted syllable is the one (not the one after it).
  w->SelectHyphen(from);
  w->Action(QStringLiteral("MainMenu_TextRetap"))->trigger();
  EXPECT_EQ(song.CurrentHyphen, from);
  w->Btn_StopClick();
}
