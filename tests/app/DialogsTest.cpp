// The transpose and lyric-offset windows working on the open song.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QFile>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <utility>
#include <vector>

#include "AppFixture.h"
#include "app/CV_Options.h"
#include "app/EditTempoForm.h"
#include "app/MultiModeForm.h"
#include "app/EditTransposeForm.h"
#include "app/LyricsOffsetForm.h"
#include "app/MainStatus.h"
#include "app/PrompterForm.h"
#include "platform/Devices.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

QString NoteSong(const std::string& name) {
  return OneLyricPerNoteSong(name, {"Title\r", "Artist\r", "one ", "two ", "three\r"});
}

// Note numbers of every note-on in the song's chains.
std::vector<int> Notes(const cv::Song& song) {
  std::vector<int> out;
  for (const cv::TMyTrack& track : song.MidiTrack)
    for (cv::PtrMidiEvent e = track.TrkFirstEvent; e; e = e->NextEvent)
      if (e->DType == cv::DTypeChannel && (e->Command & 0xF0) == 0x90) out.push_back(e->Value[0]);
  return out;
}

}  // namespace

TEST(Dialogs, TransposeChangesAtOnceAndCancelRestores) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(NoteSong("transpose.mid"));
  const std::vector<int> asRead = Notes(w->CurrentSong());
  ASSERT_FALSE(asRead.empty());
  w->MainMenu_EditTransposeClick();
  cvapp::TEditTransposeForm* form = w->TransposeForm();
  ASSERT_TRUE(form->isVisible());
  EXPECT_FALSE(w.Enabled("MainMenu_EditTempo"));
  form->SetIntelligent(false);
  form->SetAmount(2);
  for (int n : Notes(w->CurrentSong())) EXPECT_EQ(n, 62);
  form->Btn_CancelClick();
  EXPECT_FALSE(form->isVisible());
  EXPECT_TRUE(w.Enabled("MainMenu_EditTempo"));
  EXPECT_EQ(Notes(w->CurrentSong()), asRead);

  // A new song is read as it is; the window starts from 0 again.
  w->MainMenu_EditTransposeClick();
  form->SetAmount(-3);
  w->DateiOeffnen(NoteSong("next.mid"));
  EXPECT_EQ(form->Amount(), 0);
  EXPECT_EQ(Notes(w->CurrentSong()), asRead);
}

TEST(Dialogs, LyricOffsetPreviewsThenMovesEverySyllable) {
  const QString settings = TempSettingsFile();
  AppWindow w(settings);
  w->DateiOeffnen(NoteSong("offset.mid"));
  std::vector<int32_t> before;
  for (int i = 0; i < w->CurrentSong().HyphenArrayElements; ++i)
    before.push_back(w->CurrentSong().HyphenArray[i].SongPosition);
  w->MainMenu_TextOffsetClick();
  cvapp::TLyricsOffsetForm* form = w->LyricsOffsetForm();
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(form->RangeLimit(), 1000);
  form->SetOffset(300);
  EXPECT_EQ(w->CurrentSong().LyricsOffset, 300);
  EXPECT_EQ(form->windowTitle(), QStringLiteral(" Lyrics offset: 300 ms"));
  form->CB_RangeChange(0);
  EXPECT_EQ(form->RangeLimit(), 100);
  form->CB_RangeChange(1);

  // 500 ms at 120 bpm is one quarter note: 480 ticks at this time base.
  form->SetOffset(500);
  form->Btn_OKClick();
  EXPECT_EQ(form->Offset(), 0);
  EXPECT_EQ(w->CurrentSong().LyricsOffset, 0);
  EXPECT_TRUE(form->isVisible());
  const cv::Song& song = w->CurrentSong();
  // The title and artist lines (elements 0-3) stay where they are; every sung syllable moves.
  for (int i = 4; i < song.HyphenArrayElements; ++i)
    if (before[i] >= 108) {
      EXPECT_EQ(song.HyphenArray[i].SongPosition, before[i] + 480) << i;
    }

  form->SetOffset(-200);
  form->Btn_CloseClick();
  EXPECT_FALSE(form->isVisible());
  EXPECT_EQ(w->CurrentSong().LyricsOffset, 0);  // closing ends the preview

  // Its place is kept for the next start.
  form->move(77, 66);
  w.answerYes = true;
  QCloseEvent close;
  QCoreApplication::sendEvent(w.window.get(), &close);
  QSettings stored(settings, QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("LyricsOffsetFormLeft")).toInt(), form->x());
  EXPECT_NE(stored.value(QStringLiteral("LyricsOffsetFormLeft")).toInt(), -9999);
}

TEST(Dialogs, TempoMovesEveryTempoByTheChangeSinceTheLastOk) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(NoteSong("tempo.mid"));
  const int32_t length = w->CurrentSong().SongLength;
  w->MainMenu_EditTempoClick();
  cvapp::TEditTempoForm* form = w->TempoForm();
  ASSERT_TRUE(form->isVisible());
  EXPECT_FALSE(w.Enabled("MainMenu_EditTranspose"));
  form->SetTempoDiff(5);
  form->Btn_OKClick();
  EXPECT_TRUE(w.Enabled("MainMenu_EditTranspose"));
  EXPECT_EQ(w->CurrentSong().TempoArray[0].Tempo, 125);
  EXPECT_EQ(w->CurrentSong().TempoArray[0].TempoLongInt, 480000);
  EXPECT_LT(w->CurrentSong().SongLength, length);
  w->MainMenu_EditTempoClick();
  form->SetTempoDiff(8);  // three more
  form->Btn_OKClick();
  EXPECT_EQ(w->CurrentSong().TempoArray[0].Tempo, 128);

  // As the user changes it: the focus is on the difference, typed values count, an arrow is one.
  w->MainMenu_EditTempoClick();
  EXPECT_EQ(form->windowTitle(), QStringLiteral(" Change tempo"));
  auto* field = form->findChild<QSpinBox*>(QStringLiteral("Tempo_UpDown"));
  EXPECT_EQ(form->focusWidget(), field);
  struct Typed {
    const char* keys;
    int diff;
  } typed[] = {{"5", 5}, {"+12", 12}, {"-7", -7}, {"x", -7}};  // a stray letter keeps the value shown
  for (const Typed& t : typed) {
    field->selectAll();
    QTest::keyClicks(field, QLatin1String(t.keys));
    EXPECT_EQ(form->TempoDiff(), t.diff) << t.keys;
  }
  for (int i = 0; i < 10; ++i) QTest::keyClick(field, Qt::Key_Up);
  EXPECT_EQ(form->TempoDiff(), 3);
  form->Btn_CancelClick();
  // Another song starts from no difference.
  w->DateiOeffnen(NoteSong("tempo2.mid"));
  EXPECT_EQ(form->TempoDiff(), 0);
  EXPECT_EQ(w->CurrentSong().TempoArray[0].Tempo, 120);
}

TEST(Dialogs, OptionsApplyOnlyWhatChanged) {
  const QString settings = TempSettingsFile();
  AppWindow w(settings, QStringLiteral("Deutsch"));
  w->DateiOeffnen(NoteSong("options.mid"));
  w->MainMenu_OptionsClick();
  cvapp::TOptionsForm* form = w->OptionsForm();
  ASSERT_TRUE(form->isVisible());
  EXPECT_EQ(form->Combo("CB_PromptaMidiChannel")->currentIndex(), 15);
  EXPECT_EQ(form->Combo("CB_PromptaCmdController")->currentIndex(), 98);
  EXPECT_FALSE(form->Combo("CB_PromptaFont")->isEnabled());  // Prompta is off

  // Only the language: "Lang" is stored at once and nothing else is saved.
  form->Check("CB_SwitchToEnglish")->setChecked(true);
  form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
  {
    QSettings stored(settings, QSettings::IniFormat);
    EXPECT_EQ(stored.value(QStringLiteral("Lang")).toString(), QStringLiteral("en"));
    EXPECT_FALSE(stored.contains(QStringLiteral("CopyrightString")));
  }

  // The window switched at once; the options window is made again in English.
  EXPECT_EQ(w.Text("MainMenu_DateiOeffnen"), QStringLiteral("Open…"));
  w->MainMenu_OptionsClick();
  form = w->OptionsForm();
  form->Edit("E_CopyrightString")->setText(QStringLiteral("(c) Me"));
  form->Combo("CB_PlaybackSpeed")->setCurrentIndex(3);  // 70 %
  form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
  QSettings stored(settings, QSettings::IniFormat);
  EXPECT_EQ(stored.value(QStringLiteral("CopyrightString")).toString(), QStringLiteral("(c) Me "));
  EXPECT_EQ(stored.value(QStringLiteral("PlaybackSpeed")).toInt(), 3);
  // Practice speed: the song's tempo stays, its time is stretched.
  EXPECT_EQ(w->CurrentSong().TempoArray[0].TempoLongInt, 500000);
  EXPECT_NEAR(w->CurrentSong().TimeZone[0].TempoComp, 500000.0 / 1000 / w->CurrentSong().SourceTimeBase / 0.7, 1e-4);
}

// The options show the output the next Play takes; OK alone changes nothing; the synthesizer's
// tick and the output list say the same, and its audio device shows only with it.
TEST(Dialogs, OptionsShowTheOutputInUseAndOkAloneKeepsIt) {
  const QString settings = TempSettingsFile();
  AppWindow w(settings);
  w->DateiOeffnen(NoteSong("outputs.mid"));
  w->MainMenu_OptionsClick();
  cvapp::TOptionsForm* form = w->OptionsForm();
  QComboBox* out = form->Combo("CB_MidiOutput");
  const QString synth = QLatin1String(cv::SynthDevice::OutputName);
  EXPECT_EQ(out->currentText(), synth);  // a fresh start plays through the synthesizer
  EXPECT_TRUE(form->Check("CB_VSTiEnabled")->isChecked());
  EXPECT_TRUE(form->Combo("CB_AudioOutput")->isVisibleTo(form));
  form->findChild<QPushButton*>(QStringLiteral("Btn_Close"))->click();
  EXPECT_TRUE(w->Settings().Configuration.MidiOutputDeviceName.empty());
  EXPECT_FALSE(QSettings(settings, QSettings::IniFormat).contains(QStringLiteral("MidiOutputDeviceName")));
  EXPECT_NE(w->Status().LastMessage(), QStringLiteral("The options are applied."));

  w->MainMenu_OptionsClick();
  const int port = out->findText(synth) == 0 ? 1 : 0;
  if (port >= out->count()) GTEST_SKIP() << "no MIDI port here besides the synthesizer";
  out->setCurrentIndex(port);
  EXPECT_FALSE(form->Check("CB_VSTiEnabled")->isChecked());
  EXPECT_FALSE(form->Combo("CB_AudioOutput")->isVisibleTo(form));
  form->Check("CB_VSTiEnabled")->click();
  EXPECT_EQ(out->currentText(), synth);
  EXPECT_TRUE(form->Combo("CB_AudioOutput")->isVisibleTo(form));
  form->Check("CB_VSTiEnabled")->click();
  EXPECT_EQ(out->currentIndex(), port);
  form->findChild<QPushButton*>(QStringLiteral("Btn_Cancel"))->click();
}

TEST(Dialogs, MultiModeConvertsEverySongOfAFolder) {
  const std::string folder = cvtest::TempDir();
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120);
  b.AddTrack().Lyric(0, "La ").NoteOn(0, 0, 60, 90).NoteOff(480, 0, 60);
  for (const char* name : {"/one.mid", "/two.KAR"}) {
    const std::vector<uint8_t> bytes = b.Bytes();
    QFile f(Q(folder + name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
  }
  {
    QFile broken(Q(folder + "/broken.mid"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("MThd no song");
  }
  AppWindow w(TempSettingsFile());
  w->MainMenu_DateiMultiOeffnenClick();
  cvapp::TMultiModeForm* form = w->MultiModeForm();
  form->SetFolder(Q(folder));
  EXPECT_EQ(form->SongCount(), 3);
  // Where the new files go is said before anything is written.
  EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("L_Where"))->text().contains(QLatin1String("NAME.f0.mid")));
  QEventLoop loop;
  QObject::connect(form, &cvapp::TMultiModeForm::Finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(20000, &loop, &QEventLoop::quit);
  form->Convert(cv::BatchFormat::Format0);
  loop.exec();
  ASSERT_FALSE(form->Busy());
  EXPECT_EQ(cvtest::SmfFormatOf(folder + "/one.f0.mid"), 0);
  EXPECT_TRUE(QFile::exists(Q(folder + "/two.f0.KAR"))) << form->Summary().toStdString();
  // The failure names its file and why.
  const QStringList summary = form->Summary().split(QLatin1Char('\n'));
  ASSERT_EQ(summary.size(), 2) << form->Summary().toStdString();
  EXPECT_TRUE(summary[0].contains(QLatin1String("1 failed"))) << summary[0].toStdString();
  EXPECT_TRUE(summary[1].startsWith(Q(folder + "/broken.mid: "))) << summary[1].toStdString();
  EXPECT_GT(summary[1].size(), Q(folder + "/broken.mid: ").size());
}

// Small windows are wide enough for their whole caption (an icon, three buttons and the frame's
// margins take some 120 pixels beside it), however little they hold: the real question box, the lead-in's number, tempo and transpose.
TEST(Dialogs, SmallWindowsShowTheirWholeCaption) {
  for (cv::TLanguage language : {cv::TLanguage::Englisch, cv::TLanguage::Deutsch}) {
    AppWindow w(TempSettingsFile(), language == cv::TLanguage::Deutsch ? QStringLiteral("Deutsch") : QStringLiteral("English"));
    ASSERT_TRUE(w->DateiOeffnen(NoteSong("captions.mid")));
    const cvapp::TUiHooks real = cvapp::DefaultUiHooks(w.window.get());
    std::vector<std::pair<QString, int>> seen;  // caption, width short of what it needs
    auto measure = [&seen](QWidget* window) {
      EXPECT_GE(window->width(), window->minimumSizeHint().width()) << window->windowTitle().toStdString();  // nor cut what it holds
      QFont bold = window->font();
      bold.setBold(true);
      seen.emplace_back(window->windowTitle(),
                        window->width() - QFontMetrics(bold).horizontalAdvance(window->windowTitle()) - 120);
    };
    auto answerModal = [&] {
      QTimer::singleShot(0, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        measure(modal);
        if (auto* box = qobject_cast<QMessageBox*>(modal))
          box->button(QMessageBox::No)->click();
        else
          qobject_cast<QDialog*>(modal)->reject();
      });
    };
    answerModal();
    EXPECT_FALSE(real.AskYesNo(QStringLiteral(" Cantovex 3"), QStringLiteral("Delete?"), false));
    // A question whose expected answer is Yes has Yes on Enter.
    bool yesOnEnter = false;
    QTimer::singleShot(0, [&] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        yesOnEnter = box->defaultButton() == box->button(QMessageBox::Yes);
        box->button(QMessageBox::No)->click();
      }
    });
    EXPECT_FALSE(real.AskYesNo(QStringLiteral(" Cantovex 3"), QStringLiteral("Done?"), true));
    EXPECT_TRUE(yesOnEnter);
    answerModal();
    int bars = 1;
    EXPECT_FALSE(real.AskNumber(QString::fromUtf8(cv::Tr(" Vorlauf einfügen", " Insert lead-in")),
                                QStringLiteral("Bars:"), 1, 8, bars));
    w->MainMenu_EditTempoClick();
    measure(w->TempoForm());
    w->TempoForm()->Btn_CancelClick();
    w->MainMenu_EditTransposeClick();
    measure(w->TransposeForm());
    EXPECT_NE(w->TransposeForm()->windowTitle().trimmed(), QStringLiteral("Cantovex 3"));  // it names the window
    w->TransposeForm()->Btn_CancelClick();
    ASSERT_EQ(seen.size(), 4u);
    for (const auto& [caption, spare] : seen) EXPECT_GT(spare, 0) << caption.toStdString();
  }
}

// The prompter opens whole on the main window's screen.
TEST(Dialogs, ThePrompterOpensOnTheScreen) {
  AppWindow w(TempSettingsFile());
  w->DateiOeffnen(NoteSong("prompter.mid"));
  w->MainMenu_ViewPrompterClick();
  const QRect area = w->screen()->availableGeometry();
  EXPECT_TRUE(area.contains(w->PrompterForm()->geometry())) << w->PrompterForm()->geometry().width();
  w->PrompterForm()->close();
}
