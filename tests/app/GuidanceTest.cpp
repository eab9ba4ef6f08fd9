// What the window tells a user: the next step in each state, what a command did, where the song
// stands, and the texts of both languages.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSettings>
#include <QTabWidget>
#include <QTextEdit>

#include "AppFixture.h"
#include "app/CV_Options.h"
#include "app/MainStatus.h"
#include "app/WindowGeometry.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString NoLyricsSong() {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 100).TimeSig(0, 3, 2).KeySig(0, 1, 0);
  b.AddTrack().Program(960, 0, 5).NoteOn(960, 0, 60, 90).NoteOff(1400, 0, 60).NoteOn(1440, 0, 62, 90).NoteOff(1900, 0, 62);
  return Q(b.WriteTemp("no-lyrics.mid"));
}

QLabel* Idle(AppWindow& w) { return w->findChild<QLabel*>(QStringLiteral("IdleArea")); }

// The controller events of the song's first source track with the controller number, as (tick, value).
std::vector<std::pair<int, int>> Controllers(const cv::Song& song, int controller) {
  std::vector<std::pair<int, int>> out;
  for (int t = 0; t < song.NumberOfSourceTracks; ++t)
    for (cv::PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent)
      if (e->DType == cv::DTypeChannel && (e->Command & 0xF0) == 0xB0 && e->Value[0] == controller)
        out.emplace_back(e->Position, e->Value[1]);
  return out;
}

void ClickOk(cvapp::TOptionsForm* form) { form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click(); }

}  // namespace

TEST(Guidance, EachStateSaysWhatToDoNextInBothLanguages) {
  struct Case {
    const char* system;
    const char* openHint, *noLyricsHint, *hyphenateReason, *opened;
  };
  const Case cases[] = {
      {"English", "File > Open", "Text > Load", "choose Text > Edit first", "Opened: "},
      {"Deutsch", "Datei > Öffnen", "Text > Laden", "erst Text > Bearbeiten wählen", "Geöffnet: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    AppWindow w(TempSettingsFile(), QLatin1String(c.system));
    // Empty window: how to get a song; no place in the status bar.
    EXPECT_FALSE(Idle(w)->isHidden());
    EXPECT_TRUE(Idle(w)->text().contains(QString::fromUtf8(c.openHint))) << Idle(w)->text().toStdString();
    EXPECT_FALSE(w->findChild<QLabel*>(QStringLiteral("SB_Position"))->isVisibleTo(w.window.get()));

    // A song without lyrics: the edit text says how to get them in, and Hyphenate is there.
    ASSERT_TRUE(w->DateiOeffnen(NoLyricsSong()));
    EXPECT_TRUE(Idle(w)->isHidden());
    EXPECT_TRUE(w->MyMemo()->placeholderText().contains(QString::fromUtf8(c.noLyricsHint)));
    EXPECT_FALSE(w->MyMemo()->isReadOnly());
    EXPECT_TRUE(w.Enabled("MainMenu_TextHyphenate"));
    EXPECT_FALSE(w->Action(QStringLiteral("MainMenu_TextHyphenate"))->toolTip().contains(QString::fromUtf8(c.hyphenateReason)));
    EXPECT_TRUE(w->Status().LastMessage().startsWith(QString::fromUtf8(c.opened)));

    // A song with lyrics: a read-only view without a caret, and a grey Hyphenate says why.
    ASSERT_TRUE(w->DateiOeffnen(OneLyricPerNoteSong("guided.mid", {"Title\r", "Artist\r", "one ", "two ", "three\r"})));
    EXPECT_TRUE(w->MyMemo()->isReadOnly());
    EXPECT_EQ(w->MyMemo()->textInteractionFlags(), Qt::TextSelectableByMouse);
    EXPECT_TRUE(w->MyMemo()->placeholderText().isEmpty());
    EXPECT_FALSE(w.Enabled("MainMenu_TextHyphenate"));
    EXPECT_TRUE(w->Action(QStringLiteral("MainMenu_TextHyphenate"))->toolTip().contains(QString::fromUtf8(c.hyphenateReason)));
    EXPECT_TRUE(w->Menu(QStringLiteral("MainMenu_Text"))->toolTipsVisible());
    // Editing: the hint says how to finish; the grey Assign says to finish first.
    w->MainMenu_TextEditClick();
    EXPECT_FALSE(w.Enabled("MainMenu_TextAssign"));
    EXPECT_NE(w->Action(QStringLiteral("MainMenu_TextAssign"))->toolTip(), w.Text("MainMenu_TextAssign"));
    EXPECT_FALSE(w->Status().LastMessage().isEmpty());
    w->MainMenu_TextEditClick();
    EXPECT_EQ(w->Action(QStringLiteral("MainMenu_TextAssign"))->toolTip(), w.Text("MainMenu_TextAssign"));
  }
}

TEST(Guidance, CommandsSayWhatTheyDidAndTheStatusBarShowsTheSongsPlace) {
  const std::string folder = cvtest::TempDir();
  AppWindow w(TempSettingsFile(), QStringLiteral("English"));
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 100).TimeSig(0, 3, 2).KeySig(0, -3, 1);
  cvtest::SmfTrack& t = b.AddTrack();
  const char* words[] = {"Title\r", "Artist\r", "one ", "two ", "three\r"};
  for (int i = 0; i < 5; ++i) t.NoteOn(i * 480, 0, 60, 90).Lyric(i * 480 + 7, words[i]).NoteOff(i * 480 + 400, 0, 60);
  ASSERT_TRUE(w->DateiOeffnen(Q(b.WriteTemp("status.mid"))));
  // One position format in the strip and the status bar: bar:beat.
  EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("L_SongPosition"))->text(), QStringLiteral("1:01"));
  EXPECT_EQ(w->Status().Place(), QStringLiteral("Bar 1:01 | 100 bpm | Key: C minor"));
  w->PosSliderChange(1900);  // past the third beat of the first 3/4 bar
  EXPECT_EQ(w->Status().Place(), QStringLiteral("Bar 2:01 | 100 bpm | Key: C minor"));

  struct Step {
    void (cvapp::TMainForm::*command)();
    const char* said;
  };
  const Step steps[] = {
      {&cvapp::TMainForm::MainMenu_TextAssignClick, "The syllables are assigned"},
      {&cvapp::TMainForm::MainMenu_TextQuantizeClick, "The lyric times are quantized"},
      {&cvapp::TMainForm::MainMenu_EditUndoClick, "Undone: Quantize lyrics"},
      {&cvapp::TMainForm::MainMenu_DateiSpeichernClick, "Saved: "},
      {&cvapp::TMainForm::MainMenu_TextDeleteClick, "The lyrics are deleted"},
  };
  for (const Step& s : steps) {
    (w.window.get()->*s.command)();
    EXPECT_TRUE(w->Status().LastMessage().startsWith(QLatin1String(s.said))) << s.said << " / "
                                                                            << w->Status().LastMessage().toStdString();
  }

  // Save as: the format is a named choice, and the new file joins the recent list.
  w.answerYes = true;
  w->DateiOeffnen(Q(b.WriteTemp("status2.mid")));
  w.nextSaveFile = Q(folder + "/saved-as.mid");
  w.nextSaveFilter = 1;
  w->MainMenu_DateiSpeichernUnterClick();
  EXPECT_TRUE(w.saveFilter.contains(QLatin1String("format 0, all tracks in one")));
  EXPECT_TRUE(w.saveFilter.contains(QLatin1String("format 1, one track per part")));
  EXPECT_EQ(w->Settings().LastMidifilesList.front(), w.nextSaveFile);
  EXPECT_EQ(w->Action(QStringLiteral("MMF_Midifile1"))->text(), w.nextSaveFile);
  EXPECT_TRUE(w->Status().LastMessage().contains(QLatin1String("(MIDI format 0)")));
}

TEST(Guidance, KeyNamesInBothLanguages) {
  struct Case {
    int sharps;
    bool minor;
    const char *en, *de;
  };
  const Case cases[] = {{0, false, "C major", "C-Dur"},   {-2, false, "Bb major", "B-Dur"}, {5, false, "B major", "H-Dur"},
                        {1, true, "E minor", "e-Moll"},   {-7, true, "Ab minor", "as-Moll"}, {7, false, "C# major", "Cis-Dur"}};
  for (const Case& c : cases) {
    cv::SetCurrLanguage(cv::TLanguage::Englisch);
    EXPECT_EQ(cvapp::KeyName(c.sharps, c.minor), QLatin1String(c.en));
    cv::SetCurrLanguage(cv::TLanguage::Deutsch);
    EXPECT_EQ(cvapp::KeyName(c.sharps, c.minor), QString::fromUtf8(c.de));
  }
  EXPECT_TRUE(cvapp::KeyName(8, false).isEmpty());
}

TEST(Options, BankSelectIsChosenInTheWindowAndAppliedOnOk) {
  const QString settings = TempSettingsFile();
  AppWindow w(settings, QStringLiteral("English"));
  ASSERT_TRUE(w->DateiOeffnen(NoLyricsSong()));
  w->MainMenu_OptionsClick();
  cvapp::TOptionsForm* form = w->OptionsForm();
  QCheckBox* insert = form->Check("CB_InsertController32");
  QCheckBox* remove = form->Check("CB_DeleteController32");
  ASSERT_TRUE(insert && remove);
  EXPECT_TRUE(insert->isVisibleTo(form));
  EXPECT_FALSE(form->Combo("CB_Controller32Value")->isEnabled());  // the value belongs to inserting
  insert->setChecked(true);
  EXPECT_TRUE(form->Combo("CB_Controller32Value")->isEnabled());
  form->Combo("CB_Controller32Value")->setCurrentIndex(5);
  ClickOk(form);
  // The program change at 960 gets bank select MSB 0 and LSB 5 just before it, with their times.
  EXPECT_EQ(Controllers(w->CurrentSong(), 0), (std::vector<std::pair<int, int>>{{958, 0}}));
  EXPECT_EQ(Controllers(w->CurrentSong(), 32), (std::vector<std::pair<int, int>>{{959, 5}}));
  EXPECT_TRUE(w->Session().Modified());
  EXPECT_TRUE(QSettings(settings, QSettings::IniFormat).value(QStringLiteral("InsertController32")).toBool());

  // Deleting excludes inserting; OK removes the events.
  w->MainMenu_OptionsClick();
  form = w->OptionsForm();
  EXPECT_TRUE(form->Check("CB_InsertController32")->isChecked());
  EXPECT_EQ(form->Combo("CB_Controller32Value")->currentIndex(), 5);
  form->Check("CB_DeleteController32")->setChecked(true);
  EXPECT_FALSE(form->Check("CB_InsertController32")->isChecked());
  EXPECT_FALSE(form->Combo("CB_Controller32Value")->isEnabled());
  ClickOk(form);
  EXPECT_TRUE(Controllers(w->CurrentSong(), 32).empty());
  QSettings stored(settings, QSettings::IniFormat);
  EXPECT_TRUE(stored.value(QStringLiteral("DeleteController32")).toBool());
  EXPECT_FALSE(stored.value(QStringLiteral("InsertController32")).toBool());
}

TEST(Texts, EveryWindowTextInTheChosenLanguageAndSpelledRight) {
  struct Case {
    const char* system;
    const char *recent, *dark, *light, *openTitle, *eighth, *englishBox;
  };
  const Case cases[] = {
      {"English", "Recent files", "Dark", "Light", " Open song", "eighth", "Menus and texts in English"},
      {"Deutsch", "Zuletzt verwendet", "Dunkel", "Hell", " Datei laden", "Achtel", "Menüs und Texte in Englisch"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    AppWindow w(TempSettingsFile(), QLatin1String(c.system));
    EXPECT_EQ(w->Menu(QStringLiteral("MMF_History"))->title(), QString::fromUtf8(c.recent));
    EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_StylesDark"))->title(), QString::fromUtf8(c.dark));
    EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_StylesLight"))->title(), QString::fromUtf8(c.light));
    w->MainMenu_DateiOeffnenClick();
    EXPECT_EQ(w.dialogTitles.back(), QString::fromUtf8(c.openTitle));
    w->MainMenu_OptionsClick();
    cvapp::TOptionsForm* form = w->OptionsForm();
    EXPECT_EQ(form->Combo("CB_QuantizeFactor")->itemText(1), QString::fromUtf8(c.eighth));
    EXPECT_EQ(form->Check("CB_SwitchToEnglish")->text(), QString::fromUtf8(c.englishBox));
    auto* tabs = form->findChild<QTabWidget*>();
    EXPECT_EQ(tabs->tabText(1), QStringLiteral(" Prompta "));  // one name in both languages
    form->hide();
  }
}

TEST(Texts, QtsOwnButtonsFollowTheLanguageAndSwitchingActsAtOnce) {
  const QString settings = TempSettingsFile();
  AppWindow w(settings, QStringLiteral("Deutsch"));
  const QString cancel = QCoreApplication::translate("QPlatformTheme", "Cancel");
  if (cancel == QLatin1String("Cancel")) GTEST_SKIP() << "Qt's German translations (qt6-translations-l10n) are not installed";
  EXPECT_EQ(cancel, QStringLiteral("Abbrechen"));

  // English ticked and OK: the menus and Qt's texts switch at once, and the choice is stored.
  w->MainMenu_OptionsClick();
  w->OptionsForm()->Check("CB_SwitchToEnglish")->setChecked(true);
  ClickOk(w->OptionsForm());
  EXPECT_EQ(w.Text("MainMenu_DateiOeffnen"), QStringLiteral("Open…"));
  EXPECT_EQ(w->Menu(QStringLiteral("MMF_History"))->title(), QStringLiteral("Recent files"));
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
  EXPECT_EQ(QSettings(settings, QSettings::IniFormat).value(QStringLiteral("Lang")).toString(), QStringLiteral("en"));
  // The options window is made again in the new language.
  w->MainMenu_OptionsClick();
  EXPECT_EQ(w->OptionsForm()->Check("CB_SwitchToEnglish")->text(), QStringLiteral("Menus and texts in English"));
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
}

TEST(Window, DefaultSizeFitsTheScreen) {
  struct Case {
    QRect screen;
    QSize size;
  };
  const Case cases[] = {{QRect(0, 0, 1400, 900), QSize(1050, 750)},
                        {QRect(0, 0, 1920, 1080), QSize(1440, 900)},
                        {QRect(0, 0, 800, 600), QSize(800, 600)},
                        {QRect(0, 0, 640, 480), QSize(640, 480)}};
  for (const Case& c : cases) EXPECT_EQ(cvapp::DefaultWindowSize(c.screen), c.size) << c.screen.width();
}
