// A modified song is never replaced or closed without the question "Save changes to …?".
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QSettings>
#include <functional>
#include <string_view>

#include "AppFixture.h"
#include "app/CV_Options.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString WordsSong(const std::string& name) {
  return OneLyricPerNoteSong(name, {"Hel", "lo ", "world\r", "how ", "are ", "you\r"});
}

}  // namespace

// Every way a song can go, with each answer: Cancel keeps the modified song, Discard lets it go
// unsaved, Save writes it first.
TEST(UnsavedChanges, EveryWayASongGoesAsksFirst) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  struct Path {
    const char* name;
    std::function<bool(AppWindow&, const QString& next)> go;  // true: the window closed
  } paths[] = {
      {"open",
       [](AppWindow& w, const QString& next) {
         w.nextOpenFile = next;
         w->MainMenu_DateiOeffnenClick();
         return false;
       }},
      {"drop",
       [](AppWindow& w, const QString& next) {
         w->HandleDroppedFiles({next});
         return false;
       }},
      {"recent",
       [](AppWindow& w, const QString& next) {
         w->Settings().LastMidifilesList.prepend(next);
         w->MMF_MidifileClick(0);
         return false;
       }},
      {"hand-over",
       [](AppWindow& w, const QString& next) {
         w->HandleHandOver(next + QStringLiteral("\r\n"));
         return false;
       }},
      {"quit", [](AppWindow& w, const QString&) { return w->close(); }},
  };
  for (const Path& path : paths) {
    for (QMessageBox::StandardButton answer : {QMessageBox::Cancel, QMessageBox::Discard, QMessageBox::Save}) {
      SCOPED_TRACE(std::string(path.name) + " " + std::to_string(answer));
      AppWindow w(TempSettingsFile());
      const QString first = WordsSong("first.mid"), next = WordsSong("next.mid");
      const std::vector<uint8_t> before = cvtest::ReadFileBytes(first.toStdString());
      ASSERT_TRUE(w->DateiOeffnen(first));
      EXPECT_FALSE(w->windowTitle().contains(QLatin1Char('*')));
      w->MainMenu_TextUpperCaseClick();
      EXPECT_TRUE(w->windowTitle().contains(first + QStringLiteral("* [")));
      w.questions.clear();
      w.saveAnswer = answer;

      const bool closed = path.go(w, next);

      ASSERT_EQ(w.questions, QStringList{QStringLiteral("Save changes to \"first.mid\"?")});
      const bool saved = cvtest::ReadFileBytes(first.toStdString()) != before;
      EXPECT_EQ(saved, answer == QMessageBox::Save);
      const bool went = answer != QMessageBox::Cancel;
      if (std::string(path.name) == "quit") {
        EXPECT_EQ(closed, went);
        continue;
      }
      EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), went ? next : first);
      EXPECT_EQ(w->windowTitle().contains(QLatin1Char('*')), !went);
    }
  }
}

// An unmodified song goes without the question; quitting then asks the plain exit question.
TEST(UnsavedChanges, AnUnmodifiedSongGoesWithoutTheQuestion) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  const QString next = WordsSong("plain-next.mid");
  ASSERT_TRUE(w->DateiOeffnen(WordsSong("plain.mid")));
  w->Settings().LastMidifilesList.prepend(next);
  w->MMF_MidifileClick(0);
  EXPECT_TRUE(w.questions.isEmpty());
  EXPECT_EQ(QString::fromStdString(w->CurrentSong().MidiFileName), next);
  w.answerYes = false;
  EXPECT_FALSE(w->close());
  EXPECT_EQ(w.questions, QStringList{QStringLiteral("Do you want to exit Cantovex 3?")});
}

// Save on a write-protected file replaces nothing and offers Save as instead.
TEST(UnsavedChanges, AWriteProtectedSongIsSavedUnderAnotherName) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  AppWindow w(TempSettingsFile());
  const QString song = WordsSong("protected.mid");
  const std::vector<uint8_t> before = cvtest::ReadFileBytes(song.toStdString());
  QFile::setPermissions(song, QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
  ASSERT_TRUE(w->DateiOeffnen(song));
  w->MainMenu_TextUpperCaseClick();
  w.nextSaveFile = QFileInfo(song).absolutePath() + QStringLiteral("/copy.mid");
  w->MainMenu_DateiSpeichernClick();
  EXPECT_EQ(cvtest::ReadFileBytes(song.toStdString()), before);
  EXPECT_EQ(w.dialogTitles, QStringList{QStringLiteral(" Save song as")});
  EXPECT_TRUE(QFile::exists(w.nextSaveFile));
  EXPECT_FALSE(w->windowTitle().contains(QLatin1Char('*')));
  ASSERT_FALSE(w.messages.empty());
  EXPECT_TRUE(w.messages[0].Text.contains(QLatin1String("is write-protected and was not replaced")));
}

// The first Save since opening keeps the file as it was in "NAME~"; the options window turns that
// off, in both languages.
TEST(UnsavedChanges, TheFirstSaveKeepsABackupUnlessTheOptionsSayNo) {
  for (const char* language : {"English", "Deutsch"}) {
    const QString settings = TempSettingsFile();
    AppWindow w(settings, QString::fromLatin1(language));
    const QString song = WordsSong("backup.mid");
    const std::vector<uint8_t> before = cvtest::ReadFileBytes(song.toStdString());
    ASSERT_TRUE(w->DateiOeffnen(song));
    w->MainMenu_TextUpperCaseClick();
    w->MainMenu_DateiSpeichernClick();
    EXPECT_TRUE(w.messages.empty());
    EXPECT_EQ(cvtest::ReadFileBytes(song.toStdString() + "~"), before) << language;

    w->MainMenu_OptionsClick();
    QCheckBox* backup = w->OptionsForm()->Check("CB_MakeBackup");
    ASSERT_TRUE(backup);
    EXPECT_TRUE(backup->isChecked());
    EXPECT_TRUE(backup->text().contains(QLatin1String(std::string_view(language) == "English" ? "backup" : "Sicherungskopie")));
    backup->setChecked(false);
    w->OptionsForm()->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
    EXPECT_FALSE(QSettings(settings, QSettings::IniFormat).value(QStringLiteral("MakeBackup")).toBool());
    QFile::remove(song + QStringLiteral("~"));
    ASSERT_TRUE(w->DateiOeffnen(song));
    w->MainMenu_DateiSpeichernClick();
    EXPECT_FALSE(QFile::exists(song + QStringLiteral("~")));
  }
}
