// The main window: start-up with empty and filled stores, menus, styles, closing, manual.
#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QSlider>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QMenu>
#include <QSettings>
#include <QTextBrowser>
#include <QTextEdit>

#include <sys/stat.h>

#include "AppFixture.h"
#include "app/ManualViewer.h"
#include "app/WindowGeometry.h"
#include "app/Styles.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

void WriteIni(const QString& file, const QString& body) {
  QFile f(file);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(("[General]\n" + body).toUtf8());
}

QString SomeMidiFile(const QString& name) {
  cvtest::SmfBuilder b;
  b.AddTrack().Bpm(0, 120).NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  return Q(b.WriteTemp(name.toStdString()));
}

}  // namespace

TEST(Window, StartsWithAnEmptyStoreInTheSystemLanguageAndWritesNothing) {
  const QString file = TempSettingsFile();
  AppWindow w(file, QStringLiteral("Deutsch"));
  EXPECT_EQ(cv::CurrLanguage(), cv::TLanguage::Deutsch);
  EXPECT_EQ(w->windowTitle(), QStringLiteral(" Cantovex 3"));
  EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_Datei"))->title(), QStringLiteral(" Datei "));
  EXPECT_EQ(w.Text("MainMenu_DateiOeffnen"), QStringLiteral("Öffnen…"));
  EXPECT_EQ(w.Text("MainMenu_HelpInfo"), QStringLiteral("Info über Cantovex 3"));
  // Enabled states before a song is open.
  EXPECT_TRUE(w.Enabled("MainMenu_DateiOeffnen"));
  EXPECT_TRUE(w.Enabled("MainMenu_DateiMultiOeffnen"));
  EXPECT_FALSE(w.Enabled("MainMenu_DateiSpeichern"));
  EXPECT_FALSE(w.Enabled("MainMenu_DateiSpeichernUnter"));
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Text"))->menuAction()->isEnabled());
  EXPECT_FALSE(w->Menu(QStringLiteral("MainMenu_Edit"))->menuAction()->isEnabled());
  EXPECT_TRUE(w.Enabled("MainMenu_TextSchriftAuswahl"));
  // The recent-files entry is there but grey, so Save keeps its place once a song is opened.
  EXPECT_TRUE(w->Menu(QStringLiteral("MMF_History"))->menuAction()->isVisible());
  EXPECT_FALSE(w->Menu(QStringLiteral("MMF_History"))->menuAction()->isEnabled());
  EXPECT_FALSE(w->MyMemo()->isVisible());
  EXPECT_TRUE(w->MyMemo()->isReadOnly());
  EXPECT_FALSE(w->HiddenMode());
  // Never placed: a size that fits the screen, and no value was written at start.
  EXPECT_EQ(w->size(), cvapp::DefaultWindowSize(cvapp::ScreenAreaAt(0, 0)));
  EXPECT_TRUE(QSettings(file, QSettings::IniFormat).allKeys().isEmpty());
}

TEST(Window, StoredLanguageWinsOverTheSystem) {
  struct Case {
    const char* lang;
    const char* system;
    const char* file;
    const char* open;
    const char* about;
  };
  const Case cases[] = {
      {"de", "English", " Datei ", "Öffnen…", "Info über Cantovex 3"},
      {"en", "Deutsch", "File", "Open…", "About Cantovex 3"},
      {"fr", "Deutsch", "File", "Open…", "About Cantovex 3"},
  };
  for (const Case& c : cases) {
    const QString file = TempSettingsFile();
    WriteIni(file, QStringLiteral("Lang=%1\n").arg(QLatin1String(c.lang)));
    AppWindow w(file, QLatin1String(c.system));
    EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_Datei"))->title(), QString::fromUtf8(c.file)) << c.lang;
    EXPECT_EQ(w.Text("MainMenu_DateiOeffnen"), QString::fromUtf8(c.open)) << c.lang;
    EXPECT_EQ(w.Text("MainMenu_HelpInfo"), QString::fromUtf8(c.about)) << c.lang;
  }
  // An item that asks for more before it acts (a dialog or a window of its own) ends in "…".
  for (const char* lang : {"de", "en"}) {
    const QString file = TempSettingsFile();
    WriteIni(file, QStringLiteral("Lang=%1\n").arg(QLatin1String(lang)));
    AppWindow w(file, QStringLiteral("English"));
    for (const char* name :
         {"MainMenu_DateiOeffnen", "MainMenu_DateiSpeichernUnter", "MainMenu_DateiMultiOeffnen", "MainMenu_DateiExportLrc",
          "MainMenu_TextLaden", "MainMenu_TextSpeichernUnter", "MainMenu_TextHyphenate", "MainMenu_TextOffset",
          "MainMenu_TextSchriftAuswahl", "MainMenu_EditTempo", "MainMenu_EditTranspose", "MainMenu_EditLeadIn",
          "PopupMenu_TextHyphenate"})
      EXPECT_TRUE(w.Text(name).endsWith(QChar(0x2026))) << lang << " " << name << ": " << w.Text(name).toStdString();
    for (const char* name : {"MainMenu_DateiSpeichern", "MainMenu_TextAssign", "MainMenu_TextQuantize",
                             "MainMenu_TextHideNote", "MainMenu_TextRetap", "MainMenu_EditUndo"})
      EXPECT_FALSE(w.Text(name).contains(QChar(0x2026))) << lang << " " << name;
  }
}

TEST(Window, StartsWithAFilledStore) {
  const QString a = SomeMidiFile(QStringLiteral("a.mid"));
  const QString b = SomeMidiFile(QStringLiteral("b.kar"));
  const QString file = TempSettingsFile();
  WriteIni(file, QStringLiteral("LastMidifilesList=\"%1\\t/gone/away.mid\\t%2\"\nMainFormWidth=700\n"
                                "MainFormHeight=500.5\nMainFormLeft=40\nMainFormTop=30\nFontName=DejaVu Sans Mono\n"
                                "FontSize=15\nFontBold=0\nVolumeValue=30\n")
                     .arg(a, b));
  AppWindow w(file, QStringLiteral("English"), {QStringLiteral("cantovex"), QStringLiteral("QORVELINTABU")});
  EXPECT_TRUE(w->HiddenMode());
  // The missing file is dropped; the others show in order.
  EXPECT_EQ(w->Settings().LastMidifilesList, (QStringList{a, b}));
  EXPECT_TRUE(w->Menu(QStringLiteral("MMF_History"))->menuAction()->isEnabled());
  EXPECT_EQ(w.Text("MMF_Midifile1"), a);
  EXPECT_EQ(w.Text("MMF_Midifile2"), b);
  EXPECT_TRUE(w->Action(QStringLiteral("MMF_Midifile2"))->isVisible());
  EXPECT_FALSE(w->Action(QStringLiteral("MMF_Midifile3"))->isVisible());
  EXPECT_EQ(w->size(), QSize(700, 501));
  EXPECT_EQ(w->MyMemo()->font().family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_EQ(w->MyMemo()->font().pointSize(), 15);
  EXPECT_FALSE(w->MyMemo()->font().bold());
  EXPECT_EQ(w->findChild<QSlider*>(QStringLiteral("VolSlider"))->value(), 100);
}

TEST(Window, StoredPlacementOffTheScreensIsPulledBackAndStoredSo) {
  const QString file = TempSettingsFile();
  WriteIni(file, QStringLiteral("MainFormWidth=32767\nMainFormHeight=32767\nMainFormLeft=30000\nMainFormTop=-30000\n"));
  {
    AppWindow w(file);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(w->geometry())) << w->geometry().width() << "x" << w->geometry().height();
  }
  QSettings stored(file, QSettings::IniFormat);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(stored.value(QStringLiteral("MainFormWidth")).toDouble(), screen.width());
  EXPECT_LE(stored.value(QStringLiteral("MainFormHeight")).toDouble(), screen.height());
  EXPECT_GE(stored.value(QStringLiteral("MainFormTop")).toInt(), screen.top());
  EXPECT_LE(stored.value(QStringLiteral("MainFormLeft")).toInt(), screen.right());
}

// A damaged store file is copied aside and written afresh: one message, at one start.
TEST(Window, DamagedSettingsFileIsKeptAsideAndReportedOnce) {
  const QString file = TempSettingsFile();
  const QByteArray damaged("[General]\nFontSize=15\n[Bro\nVolumeValue=30\n\xff\xfe=3\n");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(damaged);
  }
  {
    AppWindow w(file, QStringLiteral("Deutsch"));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(w.messages[0].Text.contains(QStringLiteral("beschädigt"))) << w.messages[0].Text.toStdString();
    EXPECT_TRUE(w.messages[0].Text.contains(file + QStringLiteral(".damaged"))) << w.messages[0].Text.toStdString();
    // What could be read is used.
    EXPECT_EQ(w->MyMemo()->font().pointSize(), 15);
  }
  QFile copy(file + QStringLiteral(".damaged"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), damaged);
  AppWindow again(file);
  QCoreApplication::processEvents();
  EXPECT_TRUE(again.messages.empty());
  EXPECT_EQ(again->MyMemo()->font().pointSize(), 15);
}

// A pipe in the settings file's place is never opened (the window would wait for ever): the
// defaults hold and the user is told. A UTF-16 or binary file is kept aside like a damaged one.
TEST(Window, ASettingsFileThatIsNoTextIsNeverTakenApart) {
  const QString fifo = TempSettingsFile();
  QFile::remove(fifo);
  ASSERT_EQ(mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
  {
    AppWindow w(fifo, QStringLiteral("English"));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(w.messages[0].Text.contains(QStringLiteral("is not an ordinary file"))) << w.messages[0].Text.toStdString();
    w->close();
  }
  EXPECT_TRUE(QFileInfo(fifo).isFile() == false && QFileInfo::exists(fifo));

  const QString utf16 = TempSettingsFile();
  QByteArray bytes("\xff\xfe");
  for (char c : std::string("[General]\nFontSize=15\n")) bytes.append(c).append('\0');
  {
    QFile f(utf16);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  {
    AppWindow w(utf16, QStringLiteral("English"));
    QCoreApplication::processEvents();
    ASSERT_EQ(w.messages.size(), 1u);
    EXPECT_TRUE(w.messages[0].Text.contains(utf16 + QStringLiteral(".damaged"))) << w.messages[0].Text.toStdString();
  }
  QFile copy(utf16 + QStringLiteral(".damaged"));
  ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
  EXPECT_EQ(copy.readAll(), bytes);
}

TEST(Window, StyleChoicePersistsWithOneCheckedItem) {
  const QString file = TempSettingsFile();
  {
    AppWindow w(file);
    w->MainMenu_StylesDarkClick(QStringLiteral("Obsidian"));
    w->MainMenu_StylesLightClick(QStringLiteral("Emerald"));
    int checked = 0;
    for (const char* menu : {"MainMenu_StylesDark", "MainMenu_StylesLight"})
      for (QAction* item : w->Menu(QLatin1String(menu))->actions()) checked += item->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_StylesDark"))->actions().size(), 31);
    EXPECT_EQ(w->Menu(QStringLiteral("MainMenu_StylesLight"))->actions().size(), 30);
  }
  QSettings stored(file, QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("StyleLightToLoad")).toString(), QStringLiteral("Emerald"));
  EXPECT_EQ(stored.value(QStringLiteral("StyleDarkToLoad")).toString(), QString());
  cvapp::ApplyStyle(cvapp::DefaultDarkStyle());
  AppWindow again(file);
  EXPECT_EQ(cvapp::ActiveStyle(), QStringLiteral("Emerald"));
  EXPECT_NE(cvapp::StylePalette(QStringLiteral("Emerald")).color(QPalette::Window),
            cvapp::StylePalette(QStringLiteral("Obsidian")).color(QPalette::Window));
}

TEST(Window, ClosingAsksOnlyWithASongAndStoresThePlacement) {
  const QString file = TempSettingsFile();
  {
    AppWindow w(file);
    w->move(120, 80);
    QCloseEvent close;
    QCoreApplication::sendEvent(w.window.get(), &close);
    EXPECT_TRUE(close.isAccepted());
    EXPECT_TRUE(w.questions.isEmpty());
  }
  QSettings stored(file, QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("MainFormWidth")).toInt(), cvapp::DefaultWindowSize(cvapp::ScreenAreaAt(0, 0)).width());
  EXPECT_TRUE(stored.contains(QStringLiteral("MainFormLeft")));
  EXPECT_EQ(stored.value(QStringLiteral("LyricsOffsetFormLeft")).toInt(), -9999);

  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(Q(cvtest::CorpusFile("kar/twinkle.kar")));
  w.answerYes = false;
  QCloseEvent refused;
  QCoreApplication::sendEvent(w.window.get(), &refused);
  EXPECT_FALSE(refused.isAccepted());
  EXPECT_EQ(w.questions, QStringList{QStringLiteral("Do you want to exit Cantovex 3?")});
  w.answerYes = true;
  QCloseEvent accepted;
  QCoreApplication::sendEvent(w.window.get(), &accepted);
  EXPECT_TRUE(accepted.isAccepted());
}

TEST(Window, ManualOpensInTheBrowserOrSaysWhatIsMissing) {
  AppWindow w(TempSettingsFile());
  w->MainMenu_HelpManualClick();
  ASSERT_EQ(w.openedUrls.size(), 1);
  EXPECT_TRUE(w.openedUrls.front().toLocalFile().endsWith(QLatin1String("OperatingManual.html")));
  EXPECT_TRUE(w.messages.empty());
  QFile html(w.openedUrls.front().toLocalFile());
  ASSERT_TRUE(html.open(QIODevice::ReadOnly));
  EXPECT_TRUE(html.readAll().contains("Quantize"));

  // Without a browser the manual shows in the program's own viewer, in the user's language.
  cv::SetCurrLanguage(cv::TLanguage::Deutsch);
  w->Hooks().OpenUrl = [](const QUrl&) { return false; };
  w->MainMenu_HelpManualClick();
  ASSERT_TRUE(w->ManualViewer());
  EXPECT_TRUE(w->ManualViewer()->isVisible());
  EXPECT_TRUE(w->ManualViewer()->Browser()->toPlainText().contains(QStringLiteral("Quantisier")));
  EXPECT_TRUE(w.messages.empty());
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
}
