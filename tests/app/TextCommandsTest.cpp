// The Text menu on a real window: the two editors, lyric text files, assign, delete.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <string>

#include "AppFixture.h"
#include "app/CV_Hyphenation.h"

using namespace cvapptest;

namespace {

// Two tracks: tempo, and a melody whose lyric lines are a title, an artist and two lines of words.
QString LyricSong(const std::string& name) {
  return OneLyricPerNoteSong(name, {"Title\r", "Artist\r", "Hel", "lo ", "world\r", "how ", "are ", "you\r"});
}

// A melody of six notes and no lyrics.
QString Melody(const std::string& name) {
  cvtest::SmfBuilder b(0);
  cvtest::SmfTrack& t = b.AddTrack().Bpm(0, 120);
  for (int i = 1; i <= 6; ++i) t.NoteOn(i * 480, 0, 60 + i, 90).NoteOff(i * 480 + 400, 0, 60 + i);
  return Q(b.WriteTemp(name));
}

std::vector<std::u16string> Texts(const cv::Song& song) {
  std::vector<std::u16string> out;
  for (int i = 0; i < song.HyphenArrayElements; ++i) out.push_back(song.HyphenArray[i].Text);
  return out;
}

}  // namespace

TEST(TextCommands, EditTextRoundTripAsksForTheRulesOnce) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(LyricSong("edit.mid"));
  ASSERT_FALSE(w->EditingText());
  w->MainMenu_TextEditClick();
  ASSERT_TRUE(w->EditingText());
  EXPECT_FALSE(w->MyMemo()->isReadOnly());
  EXPECT_FALSE(w.Enabled("MainMenu_DateiSpeichern"));
  EXPECT_FALSE(w.Enabled("MainMenu_TextAssign"));
  EXPECT_TRUE(w.Enabled("MainMenu_TextHyphenate"));
  EXPECT_EQ(w.Text("MainMenu_TextEdit"), QStringLiteral("Finish editing"));
  const QString edit = w->MyMemo()->toPlainText();
  ASSERT_TRUE(edit.contains(QLatin1String("Hel-lo world"))) << edit.toStdString();

  w->MyMemo()->setPlainText(QString(edit).replace(QLatin1String("world"), QLatin1String("earth")));
  w.answerYes = false;  // the rules are not confirmed: the editor stays open
  w->MainMenu_TextEditClick();
  EXPECT_TRUE(w->EditingText());
  w.answerYes = true;
  w->MainMenu_TextEditClick();
  EXPECT_FALSE(w->EditingText());
  EXPECT_EQ(w.questions.size(), 2);
  EXPECT_EQ(w.yesFirsts, (QList<bool>{true, true}));  // Enter confirms: the user just wrote the text
  EXPECT_TRUE(w->MyMemo()->isReadOnly());
  EXPECT_TRUE(w->DisplayText().contains(QLatin1String("Hello earth")));
  EXPECT_TRUE(w.Enabled("MainMenu_DateiSpeichern"));
  EXPECT_TRUE(w.Enabled("MainMenu_TextAssign"));
  EXPECT_FALSE(w.Enabled("MainMenu_TextHyphenate"));
  EXPECT_EQ(w.Text("MainMenu_TextEdit"), QStringLiteral("Edit"));

  // Once confirmed the rules are not asked again, for this song or the next one.
  w->MainMenu_TextEditClick();
  w->MainMenu_TextEditClick();
  w->DateiOeffnen(LyricSong("next.mid"));
  w->MainMenu_TextEditClick();
  w->MainMenu_TextEditClick();
  EXPECT_EQ(w.questions.size(), 2);
  EXPECT_FALSE(w->EditingText());
}

TEST(TextCommands, PositionEditorExcludesTheTextEditor) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(LyricSong("mtc.mid"));
  w->MainMenu_TextEditMTCClick();
  ASSERT_TRUE(w->EditingText());
  EXPECT_EQ(w.Text("MainMenu_TextEditMTC"), QStringLiteral("Finish editing with MTC"));
  EXPECT_FALSE(w.Enabled("MainMenu_TextEdit"));
  EXPECT_FALSE(w.Enabled("MainMenu_DateiSpeichernUnter"));
  EXPECT_TRUE(w->MyMemo()->toPlainText().contains(QLatin1String("001.01.")));
  w->MainMenu_TextEditClick();  // the other editor does nothing meanwhile
  EXPECT_EQ(w.Text("MainMenu_TextEditMTC"), QStringLiteral("Finish editing with MTC"));
  w->MainMenu_TextEditMTCClick();
  EXPECT_FALSE(w->EditingText());
  EXPECT_TRUE(w->DisplayText().contains(QLatin1String("how are you")));
  EXPECT_EQ(w.Text("MainMenu_TextEditMTC"), QStringLiteral("Edit with MTC"));
}

TEST(TextCommands, DroppedTextIsHyphenatedByHandAndAssignedToTheMelody) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(Melody("melody.mid"));
  const std::string text = "Song\nSinger\nLa-la land\r\nsing a-long\n";
  const QString txt = Q(cvtest::WriteTempFile("words.txt", std::vector<uint8_t>(text.begin(), text.end())));
  w->HandleDroppedFiles({txt});
  ASSERT_TRUE(w.messages.empty()) << w.messages.front().Text.toStdString();
  ASSERT_TRUE(w->EditingText());
  EXPECT_EQ(w->MyMemo()->toPlainText(), QStringLiteral("Song\nSinger\nLa-la land\nsing a-long"));
  w->MainMenu_TextEditClick();  // leave: asks for the rules, builds the syllables
  ASSERT_FALSE(w->EditingText());
  w->MainMenu_TextAssignClick();
  const cv::Song& song = w->CurrentSong();
  std::vector<int32_t> syllableTicks;
  for (int i = 4; i < song.HyphenArrayElements; ++i)
    if (song.HyphenArray[i].Text != u"\r") syllableTicks.push_back(song.HyphenArray[i].SongPosition);
  EXPECT_EQ(syllableTicks, (std::vector<int32_t>{480, 960, 1440, 1920, 2400, 2880}));

  // The lyrics go out as a text file that reads back the same.
  const QString saved = Q(cvtest::TempDir()) + QStringLiteral("/out.txt");
  w.nextSaveFile = saved;
  w->MainMenu_TextSpeichernUnterClick();
  QFile f(saved);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(f.readAll()), QStringLiteral("Song\nSinger\nLa-la land\nsing a-long\n"));
}

TEST(TextCommands, UnreadableOrEmptyTextSaysSoAndDeleteAsksFirst) {
  AppWindow w(TempSettingsFile(), QStringLiteral("English"));
  w->DateiOeffnen(LyricSong("keep.mid"));
  const auto before = Texts(w->CurrentSong());
  w->HandleDroppedFiles({Q(cvtest::WriteTempFile("blank.txt", {' ', '\n', '\n'}))});
  w->HandleDroppedFiles({Q(cvtest::WriteTempFile("broken.docx", {'P', 'K', 3, 4, 0, 0}))});
  ASSERT_EQ(w.messages.size(), 2u);
  EXPECT_TRUE(w.messages[0].Text.contains(QLatin1String("blank.txt")));
  EXPECT_TRUE(w.messages[1].Text.contains(QLatin1String("broken.docx")));
  EXPECT_FALSE(w->EditingText());
  EXPECT_EQ(Texts(w->CurrentSong()), before);

  w.answerYes = false;
  w->MainMenu_TextDeleteClick();
  EXPECT_EQ(Texts(w->CurrentSong()), before);
  w.answerYes = true;
  w->MainMenu_TextDeleteClick();
  EXPECT_EQ(w->CurrentSong().HyphenArrayElements, 0);
  EXPECT_EQ(w.questions, (QStringList{QStringLiteral("Delete the lyrics?"), QStringLiteral("Delete the lyrics?")}));
  EXPECT_TRUE(w->EditingText());
  EXPECT_TRUE(w->MyMemo()->toPlainText().isEmpty());
}

// Text > Load of a file that holds no lyric text: one message that says what is wrong and what
// to do, in the user's language; the song and its view stay as they were.
TEST(TextCommands, BadTextFilesSayWhatIsWrongAndWhatToDo) {
  std::vector<uint8_t> junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<uint8_t>((i * 7919) % 256));
  const std::string folder = cvtest::TempDir() + "/folder.txt";
  std::filesystem::create_directory(folder);
  struct Case {
    QString file;
    const char *english, *german;
  } cases[] = {
      {Q(cvtest::WriteTempFile("junk.txt", junk)), "is not a lyric text: it holds binary data", "ist kein Liedtext"},
      {Q(cvtest::WriteTempFile("notes.md", {'l', 'a'})), "is not a supported type", "hat keinen unterstützten Typ"},
      {Q(cvtest::WriteTempFile("blank.txt", {' ', '\n'})), "holds no text. Choose a file",
       "enthält keinen Text. Wählen Sie"},
      {Q(folder), "it is a folder or a device, not a text file. Choose a .txt", "Das ist ein Ordner oder ein Gerät"},
  };
  for (const char* language : {"English", "Deutsch"}) {
    AppWindow w(TempSettingsFile(), QString::fromLatin1(language));
    w->DateiOeffnen(LyricSong("keep.mid"));
    const auto before = Texts(w->CurrentSong());
    const QString shown = w->MyMemo()->toPlainText();
    for (const Case& c : cases) {
      w.messages.clear();
      w.nextOpenFile = c.file;
      w->MainMenu_TextLadenClick();
      ASSERT_EQ(w.messages.size(), 1u) << c.file.toStdString();
      const QString text = w.messages[0].Text;
      EXPECT_TRUE(text.contains(QString::fromUtf8(language == std::string("English") ? c.english : c.german)))
          << text.toStdString();
      EXPECT_FALSE(text.contains(QLatin1Char('\r')));
      EXPECT_FALSE(w->EditingText());
      EXPECT_EQ(Texts(w->CurrentSong()), before);
      EXPECT_EQ(w->MyMemo()->toPlainText(), shown);
    }
  }
}

TEST(TextCommands, HyphenationDialogSplitsTheEditText) {
  AppWindow w(TempSettingsFile(), QStringLiteral("English"));
  w->DateiOeffnen(Melody("hyph.mid"));
  ASSERT_TRUE(w->EditingText());
  w->MyMemo()->setPlainText(QStringLiteral("Song\nSinger\nwonderful happiness"));
  w->MainMenu_TextHyphenateClick();
  ASSERT_TRUE(w->HyphenationForm()->isVisible());
  w->HyphenationForm()->SetLanguage(cv::THyphenLanguage::English);
  w->HyphenationForm()->Btn_OkClick();
  EXPECT_FALSE(w->HyphenationForm()->isVisible());
  ASSERT_TRUE(w.messages.empty()) << w.messages.front().Text.toStdString();
  const QStringList lines = w->MyMemo()->toPlainText().split(QLatin1Char('\n'));
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0], QStringLiteral("Song"));  // the header lines stay whole
  EXPECT_TRUE(lines[2].contains(QLatin1Char('-'))) << lines[2].toStdString();
  EXPECT_EQ(QString(lines[2]).remove(QLatin1Char('-')), QStringLiteral("wonderful happiness"));
}

TEST(TextCommands, AssignTellsASongThatStartsTooEarlyAndALeadInHelps) {
  // Sung from tick 0 on, under the title lines.
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& t = b.AddTrack();
  t.Lyric(0, "Title\r").Lyric(0, "Artist\r");
  int tick = 0;
  for (const char* word : {"Hel", "lo ", "world\r", "how ", "are ", "you\r"}) {
    t.Lyric(tick, word).NoteOn(tick, 0, 60, 90).NoteOff(tick + 400, 0, 60);
    tick += 480;
  }
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(Q(b.WriteTemp("leadin.mid")));
  w->MainMenu_TextAssignClick();
  ASSERT_EQ(w.messages.size(), 1u);
  EXPECT_TRUE(w.messages[0].Text.contains(QLatin1String("lead-in"))) << w.messages[0].Text.toStdString();

  w.nextNumber = -1;  // cancelled: nothing moves
  w->Action(QStringLiteral("MainMenu_EditLeadIn"))->trigger();
  EXPECT_EQ(w->CurrentSong().MelodyTrack.TrkFirstEvent->NextEvent->Position, 0);

  w.nextNumber = 1;
  w->Action(QStringLiteral("MainMenu_EditLeadIn"))->trigger();
  EXPECT_EQ(w.numberRange, (std::pair<int, int>{1, 8}));
  EXPECT_EQ(w.Text("MainMenu_EditLeadIn"), QStringLiteral("Insert lead-in…"));
  EXPECT_EQ(w->CurrentSong().MelodyTrack.TrkFirstEvent->NextEvent->Position, 1920);
  w->MainMenu_TextAssignClick();
  EXPECT_EQ(w.messages.size(), 1u);  // no second warning
  const cv::Song& song = w->CurrentSong();
  EXPECT_EQ(song.HyphenArray[4].Text, u"Hel");
  EXPECT_EQ(song.HyphenArray[4].SongPosition, 1920);  // the first note, now after the title lines
}

// The real save dialog: a name typed without an extension gets the one of the filter shown.
TEST(TextCommands, TextSaveAsGivesTheNameALyricTextExtension) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(LyricSong("ext.mid"));
  w->Hooks().ChooseSaveFile = cvapp::DefaultUiHooks(w.window.get()).ChooseSaveFile;
  const QString folder = Q(cvtest::TempDir());
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
    if (!name) {
      ADD_FAILURE() << "no save dialog with a name field";
      if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      return;
    }
    dialog->setDirectory(folder);
    name->setText(QStringLiteral("lyrics"));
    static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, through the public slot
  });
  w->MainMenu_TextSpeichernUnterClick();
  EXPECT_EQ(w->TextFileName(), folder + QStringLiteral("/lyrics.txt"));
  EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/lyrics.txt")));
}
