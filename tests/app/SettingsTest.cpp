// The settings store: defaults, the round trip, and bad stored values.
#include <gtest/gtest.h>

#include <QFile>
#include <QSettings>

#include "AppFixture.h"
#include "app/AppSettings.h"
#include "app/MyRegistry.h"

using namespace cvapp;
using cvapptest::Q;
using cvapptest::TempSettingsFile;

namespace {

void WriteIni(const QString& file, const QString& body) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(("[General]\n" + body).toUtf8());
}

}  // namespace

TEST(Settings, EmptyStoreGivesEveryDefault) {
  TMyRegistry store(TempSettingsFile());
  const TStoredSettings s = LoadConfiguration(store);
  const cv::TConfiguration& c = s.Configuration;
  EXPECT_EQ(c.Controller32Value, 0);
  EXPECT_TRUE(c.CopyrightString.empty());
  EXPECT_TRUE(c.FontBold);
  EXPECT_EQ(c.FontHeight, -16);
  EXPECT_EQ(c.FontName, "Courier");
  EXPECT_EQ(c.FontSize, 12);
  EXPECT_EQ(Q(c.LastMidiPathSource), DefaultDataFolder());
  EXPECT_EQ(Q(c.LastTextPath), DefaultDataFolder());
  EXPECT_FLOAT_EQ(c.MainFormHeight, 480.0f);
  EXPECT_FLOAT_EQ(c.MainFormWidth, 640.0f);
  EXPECT_EQ(c.PrevCommandMode, 1);
  EXPECT_EQ(c.QuantizeFactor, 1);
  EXPECT_EQ(c.PromptaCmdController, 98);
  EXPECT_EQ(c.PromptaFont, 1);
  EXPECT_EQ(c.PromptaFontHeight, 1);
  EXPECT_EQ(c.PromptaMidiChannel, 15);
  EXPECT_EQ(s.VolumeValue, 100);
  EXPECT_TRUE(s.VSTiEnabled);
  EXPECT_EQ(s.LyricsOffsetFormLeft, -9999);
  EXPECT_EQ(s.LyricsOffsetFormTop, -9999);
  EXPECT_FLOAT_EQ(s.LyricsOffsetFormWidth, 720.0f);
  EXPECT_FLOAT_EQ(s.LyricsOffsetFormHeight, 70.0f);
  EXPECT_TRUE(s.LastMidifilesList.isEmpty());
  EXPECT_TRUE(s.DefaultedValues.isEmpty());
}

// The dialogs start among the user's songs, never in the program's folder.
TEST(Settings, FolderDefaultIsTheMusicFolderElseHome) {
  const QString home = Q(cvtest::TempDir());
  const QByteArray oldHome = qgetenv("HOME"), oldMusic = qgetenv("XDG_MUSIC_DIR");
  qputenv("HOME", home.toLocal8Bit());
  qunsetenv("XDG_MUSIC_DIR");
  EXPECT_EQ(DefaultDataFolder(), QDir::toNativeSeparators(home));
  QDir(home).mkpath(QStringLiteral("Music"));
  EXPECT_EQ(DefaultDataFolder(), QDir::toNativeSeparators(home + QStringLiteral("/Music")));
  qputenv("HOME", oldHome);
  if (!oldMusic.isNull()) qputenv("XDG_MUSIC_DIR", oldMusic);
}

TEST(Settings, BulkSaveAndLoadRoundTrip) {
  const QString file = TempSettingsFile();
  TStoredSettings s;
  cv::TConfiguration& c = s.Configuration;
  c.Controller32Value = 5;
  c.CopyrightString = "© Maravelt";
  c.DeleteController32 = true;
  c.FontBold = false;
  c.FontName = "DejaVu Sans Mono";
  c.FontSize = 17;
  c.InsertController32 = true;
  c.LastMidiPathSource = "/music/songs";
  c.MainFormLeft = 33;
  c.MainFormTop = 44;
  c.Melody = cv::MelodySetting::OfChannel(9);
  c.PlaybackSpeed = 3;
  c.PromptaCmdController = 119;
  c.PromptaMidiChannel = 2;
  c.PromptaTimeOffset = 200;
  c.VirtualPrompta = true;
  s.VSTiEnabled = false;
  {
    TMyRegistry store(file);
    UpdateConfiguration(store, s, QSizeF(800.5, 600), false);
  }
  TMyRegistry store(file);
  const TStoredSettings r = LoadConfiguration(store);
  EXPECT_EQ(r.Configuration.Controller32Value, 5);
  EXPECT_EQ(r.Configuration.CopyrightString, "© Maravelt");
  EXPECT_TRUE(r.Configuration.DeleteController32);
  EXPECT_FALSE(r.Configuration.FontBold);
  EXPECT_EQ(r.Configuration.FontName, "DejaVu Sans Mono");
  EXPECT_EQ(r.Configuration.FontSize, 17);
  EXPECT_TRUE(r.Configuration.InsertController32);
  EXPECT_EQ(r.Configuration.LastMidiPathSource, "/music/songs");
  EXPECT_EQ(r.Configuration.MainFormLeft, 33);
  EXPECT_EQ(r.Configuration.MainFormTop, 44);
  EXPECT_FLOAT_EQ(r.Configuration.MainFormHeight, 600.0f);
  EXPECT_FLOAT_EQ(r.Configuration.MainFormWidth, 800.5f);
  EXPECT_EQ(r.Configuration.Melody, cv::MelodySetting::OfChannel(9));
  EXPECT_EQ(r.Configuration.PlaybackSpeed, 3);
  EXPECT_EQ(r.Configuration.PromptaCmdController, 119);
  EXPECT_EQ(r.Configuration.PromptaMidiChannel, 2);
  EXPECT_EQ(r.Configuration.PromptaTimeOffset, 200);
  EXPECT_TRUE(r.Configuration.VirtualPrompta);
  EXPECT_FALSE(r.VSTiEnabled);
  // Values with writers of their own are left alone by the bulk save.
  for (const char* own : {"AudioOutDeviceName", "LastMidifilesList", "Lang", "VolumeValue",
                          "StyleDarkToLoad", "PrevCommandMode", "LyricsOffsetFormLeft"})
    EXPECT_FALSE(store.KeyInReg(QLatin1String(own))) << own;
}

TEST(Settings, EmptyCopyrightDeletesTheValueAndHiddenModeKeepsController32) {
  const QString file = TempSettingsFile();
  WriteIni(file, "CopyrightString=old\nInsertController32=1\n");
  TStoredSettings s;
  s.Configuration.InsertController32 = false;
  {
    TMyRegistry store(file);
    UpdateConfiguration(store, s, QSizeF(640, 480), /*hiddenMode=*/true);
  }
  TMyRegistry store(file);
  EXPECT_FALSE(store.KeyInReg(QStringLiteral("CopyrightString")));
  EXPECT_TRUE(store.ReadBoolFromReg(QStringLiteral("InsertController32"), false));
}

// One bad value takes its default; every value after it is still read.
TEST(Settings, BadOrOutOfRangeValuesTakeTheirDefaultAndTheLoadGoesOn) {
  struct Case {
    const char* line;
    const char* name;
  };
  const Case cases[] = {
      {"MelodyTrack=300", "MelodyTrack"},           {"MelodyTrack=16", "MelodyTrack"},
      {"Melody=channel 4", "Melody"},               {"Melody=17", "Melody"},
      {"FontSize=big", "FontSize"},                 {"MainFormHeight=480x8", "MainFormHeight"},
      {"Controller32Value=128", "Controller32Value"}, {"PromptaCmdController=120", "PromptaCmdController"},
      {"PromptaMidiChannel=16", "PromptaMidiChannel"}, {"PromptaFont=7", "PromptaFont"},
      {"PromptaFontHeight=0", "PromptaFontHeight"}, {"QuantizeFactor=9", "QuantizeFactor"},
      {"VolumeValue=-1", "VolumeValue"},            {"FontBold=maybe", "FontBold"},
  };
  for (const Case& k : cases) {
    const QString file = TempSettingsFile();
    // The bad value sits among good ones before and after it in the load order.
    WriteIni(file, QStringLiteral("AudioOutDeviceName=Out A\n%1\nPromptaTimeOffset=77\nVSTiEnabled=0\n"
                                  "MidiOutputDeviceName=Port 2\n")
                       .arg(QLatin1String(k.line)));
    TMyRegistry store(file);
    const TStoredSettings s = LoadConfiguration(store);
    const cv::TConfiguration d;
    EXPECT_EQ(s.DefaultedValues, QStringList{QLatin1String(k.name)}) << k.line;
    EXPECT_EQ(s.AudioOutDeviceName, QStringLiteral("Out A")) << k.line;
    EXPECT_EQ(s.Configuration.PromptaTimeOffset, 77) << k.line;
    EXPECT_FALSE(s.VSTiEnabled) << k.line;
    EXPECT_EQ(s.Configuration.MidiOutputDeviceName, "Port 2") << k.line;
    EXPECT_EQ(s.Configuration.Melody, d.Melody) << k.line;
    EXPECT_EQ(s.Configuration.FontSize, d.FontSize) << k.line;
    EXPECT_EQ(s.Configuration.PromptaCmdController, d.PromptaCmdController) << k.line;
    EXPECT_EQ(s.Configuration.PromptaMidiChannel, d.PromptaMidiChannel) << k.line;
    EXPECT_EQ(s.VolumeValue, 100) << k.line;
  }
}

// New settings find the melody by themselves; a store from before keeps its channel until the
// user picks another melody.
TEST(Settings, MelodySettingOfNewAndOlderStores) {
  struct Case {
    const char* ini;
    cv::MelodySetting expected;
  };
  const Case cases[] = {
      {"", cv::MelodySetting::Automatic()},
      {"MelodyTrack=0\n", cv::MelodySetting::OfChannel(0)},
      {"MelodyTrack=3\n", cv::MelodySetting::OfChannel(3)},
      {"MelodyTrack=3\nMelody=auto\n", cv::MelodySetting::Automatic()},
      {"Melody=16\n", cv::MelodySetting::OfChannel(15)},
      {"Melody=track 2\n", cv::MelodySetting::OfTrack(1)},
  };
  for (const Case& k : cases) {
    const QString file = TempSettingsFile();
    WriteIni(file, QLatin1String(k.ini));
    TStoredSettings s;
    {
      TMyRegistry store(file);
      s = LoadConfiguration(store);
      EXPECT_EQ(s.Configuration.Melody, k.expected) << k.ini;
      EXPECT_TRUE(s.DefaultedValues.isEmpty()) << k.ini;
      UpdateConfiguration(store, s, QSizeF(640, 480), false);
    }
    TMyRegistry again(file);
    EXPECT_EQ(LoadConfiguration(again).Configuration.Melody, k.expected) << k.ini;
  }
}

TEST(Settings, SizesAcceptThePointAndTheLocaleSeparator) {
  double v = 0;
  EXPECT_TRUE(TextToSize(QStringLiteral("480.8"), v));
  EXPECT_DOUBLE_EQ(v, 480.8);
  EXPECT_TRUE(TextToSize(SizeToText(1234.5), v));
  EXPECT_DOUBLE_EQ(v, 1234.5);
  EXPECT_FALSE(TextToSize(QStringLiteral("abc"), v));
  EXPECT_FALSE(TextToSize(QStringLiteral("inf"), v));
  EXPECT_EQ(SizeToText(480), QStringLiteral("480"));
}

TEST(Settings, RecentFilesListRules) {
  EXPECT_EQ(SplitRecentFiles(QStringLiteral("/a/x.mid\t/b/y.kar")),
            (QStringList{QStringLiteral("/a/x.mid"), QStringLiteral("/b/y.kar")}));
  EXPECT_TRUE(SplitRecentFiles(QString()).isEmpty());
  EXPECT_EQ(JoinRecentFiles({QStringLiteral("/a"), QStringLiteral("/b")}), QStringLiteral("/a\t/b"));

  QStringList list;
  for (int i = 1; i <= 10; ++i) AddRecentFile(list, QStringLiteral("/s/song%1.mid").arg(i));
  ASSERT_EQ(list.size(), 9);
  EXPECT_EQ(list.front(), QStringLiteral("/s/song10.mid"));
  EXPECT_EQ(list.back(), QStringLiteral("/s/song2.mid"));
  AddRecentFile(list, QStringLiteral("/S/SONG5.MID"));  // same file, other case: moves up
  EXPECT_EQ(list.size(), 9);
  EXPECT_EQ(list.front(), QStringLiteral("/S/SONG5.MID"));
  EXPECT_EQ(list.filter(QStringLiteral("song5"), Qt::CaseInsensitive).size(), 1);
}

TEST(Settings, OneValueOperations) {
  TMyRegistry store(TempSettingsFile());
  EXPECT_FALSE(store.KeyInReg(QStringLiteral("Lang")));
  store.WriteStrToReg(QStringLiteral("Lang"), QStringLiteral("en"));
  store.WriteIntToReg(QStringLiteral("VolumeValue"), 42);
  store.WriteBoolToReg(QStringLiteral("FontBold"), false);
  TMyRegistry again(store.Location());
  EXPECT_TRUE(again.KeyInReg(QStringLiteral("Lang")));
  EXPECT_EQ(again.ReadStrFromReg(QStringLiteral("Lang"), {}), QStringLiteral("en"));
  EXPECT_EQ(again.ReadIntFromReg(QStringLiteral("VolumeValue"), 0), 42);
  EXPECT_FALSE(again.ReadBoolFromReg(QStringLiteral("FontBold"), true));
  EXPECT_EQ(again.ReadIntFromReg(QStringLiteral("Lang"), -5), -5);  // wrong type: default
}

TEST(Settings, ClosingKeepsTheStoredSizeWithTheVirtualPrompter) {
  const QString file = TempSettingsFile();
  WriteIni(file, "MainFormHeight=300\nMainFormWidth=400\n");
  TMyRegistry store(file);
  TClosingGeometry g;
  g.MainLeft = 10;
  g.MainTop = 20;
  g.MainClient96 = QSizeF(999, 888);
  WriteClosingGeometry(store, g, /*virtualPrompta=*/true);
  EXPECT_EQ(store.ReadIntFromReg(QStringLiteral("MainFormLeft"), 0), 10);
  EXPECT_EQ(store.ReadStrFromReg(QStringLiteral("MainFormHeight"), {}), QStringLiteral("300"));
  WriteClosingGeometry(store, g, false);
  EXPECT_EQ(store.ReadStrFromReg(QStringLiteral("MainFormWidth"), {}), QStringLiteral("999"));
}
