// Opening songs through every entry point, the recent-files list, and saving.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
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

TEST(Open, FileMenuOpensASongInViewingMode) {
  AppWindow w(TempSettingsFile());
  w.nextOpenFile = Twinkle();
  w->MainMenu_DateiOeffnenClick();
  ASSERT_TRUE(w.messages.empty()) << Utf8(w.messages.front().Text);
  EXPECT_EQ(w.dialogTitles, QStringList{QStringLiteral(" Open song")});
  ASSERT_TRUE(w->MidiFileLoaded());
  EXPECT_EQ(w->windowTitle(), QStringLiteral(" Cantovex 3 - ") + Twinkle() + QStringLiteral(" [Windows-1252]"));
  EXPECT_TRUE(w->DisplayText().contains(QLatin1String("Twin")));
  EXPECT_TRUE(w->MyMemo()->isReadOnly());
  EXPECT_FALSE(w->EditingText());
  // Viewing mode menu states.
  for (const char* on : {"MainMenu_DateiSpeichern", "MainMenu_DateiSpeichernUnter", "MainMenu_TextEdit",
                         "MainMenu_TextAssign", "MainMenu_TextQuantize", "MainMenu_TextEditMTC",
                         "PopupMenu_TextAssign", "MainMenu_TextLaden"})
    EXPECT_TRUE(w.Enabled(on)) << on;
  for (const char* off : {"MainMenu_TextHyphenate", "PopupMenu_TextHyphenate", "MainMenu_EditUndo",
                          "MainMenu_EditRedo"})
    EXPECT_FALSE(w.Enabled(off)) << off;
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
  EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Edit"))->menuAction()->isEnabled());
  EXPECT_EQ(w.Text("MainMenu_TextEdit"), QStringLiteral("Edit"));
  // The folder and the whole configuration were saved; the recent list at once.
  QSettings stored(w.store->Location(), QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("LastMidiPathSource")).toString(), QFileInfo(Twinkle()).absolutePath());
  EXPECT_TRUE(stored.contains(QStringLiteral("FontName")));
  EXPECT_EQ(stored.value(QStringLiteral("LastMidifilesList")).toString(), Twinkle());
  EXPECT_EQ(w.Text("MMF_Midifile1"), Twinkle());
}

TEST(Open, DisplayTextAndHighlightFollowTheSyllables) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(LyricSong("hello.mid"));
  ASSERT_TRUE(w->MidiFileLoaded());
  const cv::Song& song = w->CurrentSong();
  // Every line break element is one character of the view.
  QString joined;
  for (int i = 0; i < song.HyphenArrayElements; ++i) joined += QString::fromStdU16String(song.HyphenArray[i].Text);
  EXPECT_EQ(w->DisplayText(), joined.replace(QLatin1Char('\r'), QLatin1Char('\n')));
  // Highlight a syllable of the second lyric line: from the line start up to and with it.
  int target = -1;
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    if (song.HyphenArray[i].Text == u"are ") target = i;
  ASSERT_GE(target, 0);
  w->SelectHyphen(target);
  EXPECT_EQ(w->CurrentSong().CurrentHyphen, target);
  EXPECT_EQ(w->MyMemo()->textCursor().selectedText(), QStringLiteral("how are "));
  w->SelectHyphen(song.HyphenArrayElements);  // outside: nothing changes
  EXPECT_EQ(w->CurrentSong().CurrentHyphen, target);
}

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

// Every entry point tells the user why a file did not open, and leaves the song shown before as it
// was: its file, its view, its title and its menus.
TEST(Open, BrokenFilesThroughEveryEntryPoint) {
  const QString shortFile = TooShortFile("short.mid");
  const QString notMidi = Q(cvtest::WriteTempFile("noise.kar", std::vector<uint8_t>(200, 'x')));
  for (const QString& bad : {shortFile, notMidi}) {
    AppWindow w(TempSettingsFile());
    w->DateiOeffnen(Twinkle());
    const QStringList recentBefore = w->Settings().LastMidifilesList;
    const QString titleBefore = w->windowTitle(), viewBefore = w->DisplayText();
    const std::string fileBefore = w->CurrentSong().MidiFileName;
    const bool saveBefore = w.Enabled("MainMenu_DateiSpeichern");

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
      EXPECT_EQ(w.messages.front().Text, QStringLiteral("The file is only 23 bytes long, too short for a song: it "
                                                        "is empty, damaged or incomplete."));
    }
    EXPECT_TRUE(w->MidiFileLoaded());
    EXPECT_EQ(w->CurrentSong().MidiFileName, fileBefore);
    EXPECT_EQ(w->windowTitle(), titleBefore);
    EXPECT_EQ(w->DisplayText(), viewBefore);
    EXPECT_FALSE(viewBefore.isEmpty());
    EXPECT_EQ(w.Enabled("MainMenu_DateiSpeichern"), saveBefore);
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

TEST(Save, SaveAsWritesEachFormatAndReopens) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(LyricSong("source.mid"));
  ASSERT_TRUE(w->MidiFileLoaded());
  const QString shown = w->DisplayText();
  const QString folder = Q(cvtest::TempDir());
  struct Case {
    int filter;
    uint8_t format;
    const char* extension;
  };
  for (const Case c : {Case{1, 0, ".mid"}, Case{2, 1, ".mid"}, Case{3, 1, ".kar"}}) {
    w.nextSaveFile = folder + QStringLiteral("/saved%1").arg(c.filter);  // the extension is added
    w.nextSaveFilter = c.filter;
    w->MainMenu_DateiSpeichernUnterClick();
    ASSERT_TRUE(w.messages.empty()) << Utf8(w.messages.front().Text);
    const QString written = w.nextSaveFile + QString::fromLatin1(c.extension);
    const std::vector<uint8_t> bytes = cvtest::ReadFileBytes(Utf8(written));
    ASSERT_GE(bytes.size(), 14u);
    EXPECT_EQ(bytes[9], c.format) << c.filter;
    // Save goes to the new file from now on.
    EXPECT_EQ(w->windowTitle(), QStringLiteral(" Cantovex 3 - ") + written + QStringLiteral(" [Windows-1252]"));
    AppWindow again(TempSettingsFile());
    again->DateiOeffnen(written);
    EXPECT_EQ(again->DisplayText(), shown) << c.filter;
  }
  EXPECT_EQ(w.saveFilter, QStringLiteral("MIDI format 0, all tracks in one (*.mid *.kar);;MIDI format 1, one track per part (*.mid *.kar);;"
                                        "Karaoke file for karaoke players on computers (*.kar)"));
  EXPECT_EQ(w.dialogTitles.back(), QStringLiteral(" Save song as"));
}

TEST(Save, SaveKeepsTheFileAndItsOwnFormat) {
  // A karaoke file of format 1 stays a .kar of format 1; a format 0 file stays format 0.
  const std::string folder = cvtest::TempDir();
  const std::string kar = folder + "/copy.kar";
  ASSERT_TRUE(QFile::copy(Twinkle(), Q(kar))) << "cannot copy the test song " << Utf8(Twinkle());
  cvtest::SmfBuilder zero(0);
  zero.AddTrack().Bpm(0, 100).Lyric(0, "La ").NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60).Lyric(480, "la\r");
  const std::string mid0 = zero.WriteTemp("zero.mid");
  for (const std::string& file : {kar, mid0}) {
    const int format = cvtest::SmfFormatOf(file);
    ASSERT_GE(format, 0) << file;
    AppWindow w(TempSettingsFile());
    w->DateiOeffnen(Q(file));
    const QString shown = w->DisplayText();
    w->MainMenu_DateiSpeichernClick();
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(cvtest::SmfFormatOf(file), format == 2 ? 1 : format) << file;
    AppWindow again(TempSettingsFile());
    again->DateiOeffnen(Q(file));
    EXPECT_EQ(again->DisplayText(), shown) << file;
  }
}

TEST(Save, WriterFailureIsShownWithItsCaption) {
  AppWindow w(TempSettingsFile(), QStringLiteral("Deutsch"));
  w->DateiOeffnen(LyricSong("fail.mid"));
  w.nextSaveFile = Q(cvtest::TempDir()) + QStringLiteral("/no/such/folder/out.mid");
  w.nextSaveFilter = 2;
  w->MainMenu_DateiSpeichernUnterClick();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_EQ(w.messages.front().Caption, QStringLiteral("Achtung"));
  EXPECT_TRUE(w.messages.front().Text.contains(QLatin1String("no/such/folder"))) << Utf8(w.messages.front().Text);
  // The song still belongs to the file it came from.
  EXPECT_TRUE(QString::fromStdString(w->CurrentSong().MidiFileName).endsWith(QLatin1String("fail.mid")));
}
