// Opening songs through every entry point, the recent-files list, and saving.
#include <gtest/gtest.h>

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>
#include <QTextEdit>

#include "AppFixture.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString Twinkle() { return Q(cvtest::CorpusFile("kar/twinkle.kar")); }

QString TooShortFile(const char* name) {
  return Q(cvtest::WriteTempFile(name, std::vector<uint8_t>(23, 'M')));
}

QString NoLyricsSong(const char* name) {
  cvtest::SmfBuilder b(0);
  b.AddTrack().Bpm(0, 100).NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60).NoteOn(480, 0, 62, 90).NoteOff(960, 0, 62);
  return Q(b.WriteTemp(name));
}

QString LyricSong(const std::string& name) {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Hel", "lo ", "world\r", "how ", "are ", "you\r"};
  int tick = 0;
  for (const char* w : words) {
    t.Lyric(tick, w).NoteOn(tick, 0, 60, 90).NoteOff(tick + 400, 0, 60);
    tick += 480;
  }
  return Q(b.WriteTemp(name));
}

std::string Utf8(const QString& s) { return s.toStdString(); }

}  // namespace

TEST(Open, SongWithoutLyricsOpensInEditingMode) {
  AppWindow w(TempSettingsFile(), QStringLiteral("Deutsch"));
  w->DateiOeffnen(NoLyricsSong("plain.mid"));
  EXPECT_TRUE(w->EditingText());
  EXPECT_FALSE(w->MyMemo()->isReadOnly());
  EXPECT_TRUE(w.Enabled("MainMenu_TextHyphenate"));
  EXPECT_TRUE(w.Enabled("PopupMenu_TextHyphenate"));
  EXPECT_FALSE(w.Enabled("MainMenu_TextAssign"));
  EXPECT_FALSE(w.Enabled("MainMenu_TextSpeichern"));
  EXPECT_EQ(w.Text("MainMenu_TextEdit"), QStringLiteral("Bearbeiten beenden"));
  EXPECT_EQ(w.Text("PopupMenu_TextEdit"), QStringLiteral("Bearbeiten beenden"));
}

// Every entry point tells the user why a file did not open, and leaves no song loaded.
TEST(Open, BrokenFilesThroughEveryEntryPoint) {
  const QString shortFile = TooShortFile("short.mid");
  const QString notMidi = Q(cvtest::WriteTempFile("noise.kar", std::vector<uint8_t>(200, 'x')));
  for (const QString& bad : {shortFile, notMidi}) {
    AppWindow w(TempSettingsFile());
    w->DateiOeffnen(Twinkle());
    const QStringList recentBefore = w->Settings().LastMidifilesList;

    w.nextOpenFile = bad;
    w->MainMenu_DateiOeffnenClick();
    w->HandleDroppedFiles({bad});
    w->HandleHandOver(bad + QStringLiteral("\r\n"));
    // A recent entry that no longer opens.
    w->Settings().LastMidifilesList.prepend(bad);
    w->MMF_MidifileClick(0);

    ASSERT_EQ(w.messages.size(), 4u) << Utf8(bad);
    for (const ShownMessage& m : w.messages) {
      EXPECT_EQ(m.Icon, QMessageBox::Critical);
      EXPECT_EQ(m.Caption, QStringLiteral(" Cantovex 3"));
    }
    if (bad == shortFile) {
      EXPECT_EQ(w.messages.front().Text, QStringLiteral("Error: midi file too short!"));
    }
    EXPECT_FALSE(w->MidiFileLoaded());
    EXPECT_FALSE(w->MyMemo()->isVisible());
    w->Settings().LastMidifilesList.removeFirst();
    EXPECT_EQ(w->Settings().LastMidifilesList, recentBefore);
  }
}

TEST(Open, DropsByFileType) {
  AppWindow w(TempSettingsFile(), QStringLiteral("Deutsch"));
  // Upper-case extensions count; .kar is a MIDI file as well.
  const QString upper = LyricSong("LOUD.MID");
  w->HandleDroppedFiles({upper, Twinkle()});
  EXPECT_TRUE(w->MidiFileLoaded());
  EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), upper);
  w->HandleDroppedFiles({Twinkle()});
  EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), Twinkle());
  EXPECT_TRUE(w.messages.empty());

  w->HandleDroppedFiles({Q(cvtest::WriteTempFile("sound.wav", {1, 2, 3}))});
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages.back().Text, QStringLiteral("Dies ist kein unterstützter Dateityp!"));
  EXPECT_EQ(w.messages.back().Icon, QMessageBox::Information);
  w->HandleDroppedFiles({});
  EXPECT_EQ(w.messages.size(), 1u);
}

TEST(Open, RecentListKeepsNineMostRecentFirst) {
  AppWindow w(TempSettingsFile());
  QStringList files;
  for (int i = 1; i <= 10; ++i) files << LyricSong("song" + std::to_string(i) + ".mid");
  for (const QString& f : files) w->DateiOeffnen(f);
  ASSERT_EQ(w->Settings().LastMidifilesList.size(), 9);
  EXPECT_EQ(w.Text("MMF_Midifile1"), files[9]);
  EXPECT_EQ(w.Text("MMF_Midifile9"), files[1]);
  // Opening an entry again moves it to the top without a duplicate.
  w->MMF_MidifileClick(4);
  EXPECT_TRUE(w.messages.empty());
  EXPECT_EQ(w->Settings().LastMidifilesList.front(), files[5]);
  EXPECT_EQ(w->Settings().LastMidifilesList.count(files[5]), 1);
  EXPECT_EQ(w->Settings().LastMidifilesList.size(), 9);
  QSettings stored(w.store->Location(), QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("LastMidifilesList")).toString(),
            w->Settings().LastMidifilesList.join(QLatin1Char('\t')));
  // A file that has gone away says so and stays listed.
  QFile::remove(files[9]);
  w->MMF_MidifileClick(1);
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_TRUE(w.messages.front().Text.contains(files[9]));
  EXPECT_EQ(w->Settings().LastMidifilesList.size(), 9);
}
