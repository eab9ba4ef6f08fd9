// The song's encoding in the window: shown in the title, chosen in File > Encoding; timed lyrics
// exported with File > Export > LRC and loaded with Text > Load.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>

#include "AppFixture.h"
#include "app/MainStatus.h"
#include "platform/Devices.h"
#include "song/Language.h"
#include "TestPaths.h"

using namespace cvapptest;

namespace {
QString EncodedSong(const char* name) { return Q(std::string(CANTOVEX_TEST_DATA_DIR) + "/encodings/" + name); }
}  // namespace

TEST(Encoding, TitleShowsItAndTheMenuReadsTheSongAgain) {
  AppWindow w(TempSettingsFile());
  w.nextOpenFile = EncodedSong("zh_gbk.mid");
  w->MainMenu_DateiOeffnenClick();
  ASSERT_TRUE(w->MidiFileLoaded());
  EXPECT_TRUE(w->windowTitle().endsWith(QStringLiteral(" [GBK]"))) << w->windowTitle().toStdString();
  const QString chinese = QStringLiteral("月亮代表我的心");
  EXPECT_TRUE(w->DisplayText().contains(chinese)) << w->DisplayText().toStdString();
  const int syllables = w->CurrentSong().HyphenArrayElements;

  w->Action(QStringLiteral("Encoding_Windows-1252"))->trigger();
  EXPECT_TRUE(w->windowTitle().endsWith(QStringLiteral(" [Windows-1252]")));
  EXPECT_FALSE(w->DisplayText().contains(chinese));
  EXPECT_TRUE(w->Action(QStringLiteral("Encoding_Windows-1252"))->isChecked());

  w->Action(QStringLiteral("Encoding_GBK"))->trigger();
  EXPECT_TRUE(w->DisplayText().contains(chinese));
  EXPECT_EQ(w->CurrentSong().HyphenArrayElements, syllables);
  EXPECT_TRUE(w.messages.empty());
}

TEST(Encoding, LrcGoesOutThroughExportAndComesBackThroughTextLoad) {
  AppWindow w(TempSettingsFile());
  w.nextOpenFile = EncodedSong("ko_euc_kr.mid");
  w->MainMenu_DateiOeffnenClick();
  ASSERT_TRUE(w->MidiFileLoaded());
  const QString lrc = Q(cvtest::TempDir()) + QStringLiteral("/song.lrc");
  w.nextSaveFile = lrc;
  w->Action(QStringLiteral("MainMenu_DateiExportLrc"))->trigger();
  QFile file(lrc);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(file.readAll());
  EXPECT_TRUE(text.contains(QStringLiteral(">아<"))) << text.toStdString();

  w->LoadLyricTextFile(lrc);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_TRUE(w->DisplayText().contains(QStringLiteral("아리랑")));
  EXPECT_FALSE(w->EditingText());
}

TEST(Encoding, KaraokeFileThroughSaveAsAndKaraokeGameThroughExport) {
  AppWindow w(TempSettingsFile());
  w.nextOpenFile = OneLyricPerNoteSong("game.mid", {"Hel", "lo ", "world", "\r", "and ", "more"});
  w->MainMenu_DateiOeffnenClick();
  ASSERT_TRUE(w->MidiFileLoaded());
  const QString dir = Q(cvtest::TempDir());
  w.nextSaveFile = dir + QStringLiteral("/song");
  w.nextSaveFilter = 3;
  w->MainMenu_DateiSpeichernUnterClick();
  EXPECT_TRUE(w.saveFilter.endsWith(QStringLiteral(";;Karaoke file for karaoke players on computers (*.kar)")));
  QFile kar(dir + QStringLiteral("/song.kar"));
  ASSERT_TRUE(kar.open(QIODevice::ReadOnly));
  EXPECT_TRUE(kar.readAll().contains("@KMIDI KARAOKE FILE"));
  EXPECT_EQ(w->Status().LastMessage(), QStringLiteral("Saved: %1/song.kar (karaoke file).").arg(dir));

  w.nextFolder = dir;
  w->Action(QStringLiteral("MainMenu_DateiExportGame"))->trigger();
  const QString song = dir + QStringLiteral("/Unknown - song/Unknown - song");  // named after the file saved last
  EXPECT_TRUE(QFile::exists(song + QStringLiteral(".txt")));
  // The backing track as Ogg Vorbis where the system writes it, else WAV.
  const QString audio = song + (cv::OggVorbisAvailable() ? QStringLiteral(".ogg") : QStringLiteral(".wav"));
  EXPECT_TRUE(QFile::exists(audio)) << audio.toStdString();
  EXPECT_TRUE(w->Status().LastMessage().startsWith(QStringLiteral("Karaoke game written: ") + song))
      << w->Status().LastMessage().toStdString();
  EXPECT_TRUE(w->Status().LastMessage().contains(QStringLiteral("(backing without the melody)")));
  ASSERT_FALSE(w.questions.empty());
  EXPECT_TRUE(w.questions.back().startsWith(QStringLiteral("Record the backing track without the melody?")));
  // No: the melody plays along.
  w.answerYes = false;
  w->Action(QStringLiteral("MainMenu_DateiExportGame"))->trigger();
  EXPECT_TRUE(w->Status().LastMessage().contains(QStringLiteral("(with the melody)")))
      << w->Status().LastMessage().toStdString();
  EXPECT_TRUE(w.messages.empty());
}
