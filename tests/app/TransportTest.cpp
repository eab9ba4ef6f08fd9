// The transport strip on a real player: play, the display following it, stop twice.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMenu>
#include <QSlider>
#include <QThread>

#include "AppFixture.h"

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
  EXPECT_EQ(position->text(), QStringLiteral("1.01"));
  EXPECT_EQ(w->CurrentSong().CurrentHyphen, 0);
}
