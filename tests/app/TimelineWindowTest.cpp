// The timeline in the window, driven by mouse and keys: drags that snap to the melody, free and
// grid drags, nudges as one undo entry, neighbours and title lines that stop a move, text edited in
// place, the ruler's bar lines and seeking, the panel's menu and settings, the tap calibration.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "AppFixture.h"
#include "app/CV_Options.h"
#include "app/TapCalibrationForm.h"
#include "app/TimelinePanel.h"
#include "app/TimelineView.h"
#include "lyrics/PositionTexts.h"
#include "lyrics/SyllableMoves.h"
#include "session/SongSession.h"
#include "support/QuietUi.h"
#include "support/TimelineSong.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "song/TitleLines.h"

using namespace cvapptest;

namespace {

QString TimelineSong(const std::string& name = "timeline.mid") { return Q(cvtest::WriteTimelineSong(name, false)); }

struct Timeline {
  AppWindow w;
  cvapp::TTimelineView* view = nullptr;
  cv::Song& song = w->CurrentSong();

  explicit Timeline(const QString& path = TimelineSong(), const QString& settings = TempSettingsFile()) : w(settings) {
    cv::SetCurrLanguage(cv::TLanguage::Englisch);
    EXPECT_TRUE(w->DateiOeffnen(path));
    w->resize(1200, 800);
    w->show();
    QApplication::setActiveWindow(w.window.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.window.get()));
    view = w->Timeline()->View();
    view->SetTicksPerPixel(4.0, 0);
    view->ScrollTo(0);
  }
  int Index(std::u16string_view text) const {
    for (int i = 0; i < song.HyphenArrayElements; ++i)
      if (song.HyphenArray[i].Text.starts_with(text)) return i;
    return -1;
  }
  int32_t Tick(std::u16string_view text) const { return song.HyphenArray[Index(text)].SongPosition; }
  QPoint Centre(std::u16string_view text) const { return view->ElementRect(Index(text)).center(); }
  int XOfTick(int32_t tick) const { return static_cast<int>(std::lround(view->XOf(tick))); }

  // A drag with real mouse events, the keys held throughout.
  void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(view, Qt::LeftButton, keys, from);
    for (int step = 1; step <= 4; ++step) {
      const QPoint at = from + (to - from) * step / 4;
      QMouseEvent move(QEvent::MouseMove, at, view->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, keys);
      QApplication::sendEvent(view, &move);
    }
    QTest::mouseRelease(view, Qt::LeftButton, keys, to);
  }
};

}  // namespace

TEST(TimelineWindow, DragOntoTheNextNoteSnapsAndTheSavedLyricSitsThere) {
  Timeline t;
  ASSERT_EQ(t.Tick(u"three"), 3080);
  // Dropped 30 ticks after the note at 2880: it snaps onto the note.
  const QPoint from = t.Centre(u"three");
  t.Drag(from, from - QPoint((3080 - 2910) / 4, 0));
  EXPECT_EQ(t.Tick(u"three"), 2880);
  EXPECT_EQ(t.w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Move syllables"));
  EXPECT_TRUE(t.w->windowTitle().contains(QLatin1Char('*')));
  EXPECT_NE(t.w->DisplayText().indexOf(QStringLiteral("three")), -1);

  t.w->MainMenu_DateiSpeichernClick();
  EXPECT_FALSE(t.w->windowTitle().contains(QLatin1Char('*')));
  cvtest::QuietUi ui;
  cv::SongSession saved(ui);
  ASSERT_TRUE(saved.Open(t.song.MidiFileName));
  bool found = false;
  for (cv::PtrMidiEvent e = saved.CurrentSong().MidiTrack[saved.CurrentSong().LyricsTrackIndex()].TrkFirstEvent; e;
       e = e->NextEvent)
    if (e->MType == 0x05 && e->Meta.starts_with("three")) {
      EXPECT_EQ(e->Position, 2880);
      found = true;
    }
  EXPECT_TRUE(found) << "the lyric event of the moved syllable";

  // Undo and redo through the menu.
  t.w->MainMenu_EditUndoClick();
  EXPECT_EQ(t.Tick(u"three"), 3080);
  t.w->MainMenu_EditRedoClick();
  EXPECT_EQ(t.Tick(u"three"), 2880);
}

TEST(TimelineWindow, ShiftDragsFreeByTickAltDragsOnTheGrid) {
  Timeline t;
  EXPECT_TRUE(t.view->isVisible());
  QPoint from = t.Centre(u"two");
  t.Drag(from, from + QPoint(25, 0), Qt::ShiftModifier);
  EXPECT_EQ(t.Tick(u"two"), 2400 + 100);
  from = t.Centre(u"two");
  // 2500 + 130 ticks lies nearest the grid point 2640 (an eighth is 240 ticks).
  t.Drag(from, from + QPoint(130 / 4, 0), Qt::AltModifier);
  EXPECT_EQ(t.Tick(u"two"), 2640);
  // A drag back and forth that ends where it began changes nothing.
  from = t.Centre(u"four");
  t.Drag(from, from + QPoint(0, 1));
  EXPECT_EQ(t.Tick(u"four"), 3360);
  EXPECT_EQ(t.w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Move syllables"));
  t.w->MainMenu_EditUndoClick();
  t.w->MainMenu_EditUndoClick();
  EXPECT_FALSE(t.w.Enabled("MainMenu_EditUndo"));
}

TEST(TimelineWindow, NudgeKeysAreOneUndoEntryAndNeighboursStopThem) {
  Timeline t;
  QTest::mouseClick(t.view, Qt::LeftButton, Qt::NoModifier, t.Centre(u"one"));
  ASSERT_EQ(t.view->Selection(), std::vector<int32_t>{t.Index(u"one")});
  for (int k = 0; k < 3; ++k) QTest::keyClick(t.view, Qt::Key_Left);
  EXPECT_EQ(t.Tick(u"one"), 1920 - 3 * 240);
  t.w->MainMenu_EditUndoClick();
  EXPECT_EQ(t.Tick(u"one"), 1920);
  EXPECT_FALSE(t.w.Enabled("MainMenu_EditUndo")) << "three nudges, one entry";

  // Ctrl+Right goes to the next melody note, but "four" sits there: a tick before it.
  QTest::keyClick(t.view, Qt::Key_Tab);
  QTest::keyClick(t.view, Qt::Key_Tab);
  ASSERT_EQ(t.view->Selection(), std::vector<int32_t>{t.Index(u"three")});
  QTest::keyClick(t.view, Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(t.Tick(u"three"), 3359);
  QTest::keyClick(t.view, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(t.Tick(u"three"), 2880);
  // A dragged selection of two stops as a whole at the neighbour before it.
  QTest::mouseClick(t.view, Qt::LeftButton, Qt::ControlModifier, t.Centre(u"four"));
  ASSERT_EQ(t.view->Selection().size(), 2u);
  const QPoint from = t.Centre(u"three");
  t.Drag(from, from - QPoint(400, 0), Qt::ShiftModifier);
  EXPECT_EQ(t.Tick(u"three"), 2401);
  EXPECT_EQ(t.Tick(u"four"), 2401 + 3360 - 2880);
  // Home and End: the line's first and last syllable.
  QTest::keyClick(t.view, Qt::Key_Home);
  EXPECT_EQ(t.view->Selection(), std::vector<int32_t>{t.Index(u"one")});
  QTest::keyClick(t.view, Qt::Key_End);
  EXPECT_EQ(t.view->Selection(), std::vector<int32_t>{t.Index(u"five")});
}

TEST(TimelineWindow, TitleLinesStayAndRubberBandSelects) {
  Timeline t;
  const int32_t title = t.song.HyphenArray[0].SongPosition;
  const QPoint header = t.view->ElementRect(0).center();
  t.Drag(header, header + QPoint(300, 0));
  EXPECT_EQ(t.song.HyphenArray[0].SongPosition, title);
  EXPECT_FALSE(t.w.Enabled("MainMenu_EditUndo"));
  // The first sung syllable dragged far back stops where the four title elements still fit after
  // the name; the artist line comes along.
  const QPoint one = t.Centre(u"one");
  t.Drag(one, QPoint(2, one.y()), Qt::ShiftModifier);
  EXPECT_EQ(t.Tick(u"one"), 108 + 4 * 4);
  EXPECT_EQ(t.song.HyphenArray[0].SongPosition, title);
  EXPECT_EQ(t.song.HyphenArray[2].SongPosition, 108 + 4 * 4 - 8);
  // A frame over the note strip from "two" to "four" selects the three of them.
  const int y = t.view->NoteStripRect().center().y();
  t.Drag(QPoint(t.XOfTick(2450), y), QPoint(t.XOfTick(3400), y));
  EXPECT_EQ(t.view->Selection(), (std::vector<int32_t>{t.Index(u"two"), t.Index(u"three"), t.Index(u"four")}));
  // Snap selection to notes (Ctrl+M): "three" onto its note.
  QTest::keyClick(t.view, Qt::Key_M, Qt::ControlModifier);
  EXPECT_EQ(t.Tick(u"three"), 2880);
}

TEST(TimelineWindow, TextEditedInPlace) {
  Timeline t;
  QTest::mouseDClick(t.view, Qt::LeftButton, Qt::NoModifier, t.Centre(u"two"));
  QLineEdit* editor = t.view->TextEditor();
  ASSERT_TRUE(editor);
  EXPECT_EQ(editor->text(), QStringLiteral("two "));
  // Without a space at its end the word goes on into "three".
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, QStringLiteral("twen"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_NE(t.w->DisplayText().indexOf(QStringLiteral("twenthree")), -1) << t.w->DisplayText().toStdString();
  EXPECT_EQ(t.w.Text("MainMenu_EditUndo"), QStringLiteral("Undo Change syllable text"));
  // Esc keeps the text as it was.
  QTest::keyClick(t.view, Qt::Key_F2);
  editor = t.view->TextEditor();
  ASSERT_TRUE(editor);
  QTest::keyClicks(editor, QStringLiteral("xyz"));
  QTest::keyClick(editor, Qt::Key_Escape);
  QApplication::processEvents();
  EXPECT_EQ(t.song.HyphenArray[t.Index(u"twen")].Text, u"twen");
  t.w->MainMenu_EditUndoClick();
  EXPECT_EQ(t.song.HyphenArray[t.Index(u"two")].Text, u"two ");
  // An open editor makes the timeline read-only.
  t.w->MainMenu_TextEditClick();
  const QPoint from = t.Centre(u"four");
  t.Drag(from, from + QPoint(40, 0), Qt::ShiftModifier);
  EXPECT_EQ(t.Tick(u"four"), 3360);
  EXPECT_FALSE(t.view->EditText(t.Index(u"four")));
}

TEST(TimelineWindow, BarLinesOfTempoAndMeterChangesAndRulerSeeks) {
  cvtest::SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2).Bpm(2400, 90).TimeSig(3840, 3, 2).TimeSig(3840 + 2 * 1440, 6, 3);
  auto& m = smf.AddTrack();
  m.Lyric(108, "Title\r").Lyric(112, "Artist\r");
  for (int i = 0; i < 8; ++i) m.NoteOn(1920 + i * 480, 0, 60, 90).Lyric(1920 + i * 480, "la ").NoteOff(2300 + i * 480, 0, 60);
  m.NoteOn(8000, 0, 62, 90).NoteOff(11000, 0, 62);
  Timeline t(Q(smf.WriteTemp("meters.mid")));
  t.view->SetTicksPerPixel(10.0, 0);
  t.view->ScrollTo(0);
  const QImage frame = t.view->grab().toImage();
  const QColor ruler = frame.pixelColor(t.view->width() - 3, 2);
  std::vector<int32_t> drawn;
  for (int x = 0; x < frame.width(); ++x)
    if (frame.pixelColor(x, 2) != ruler && frame.pixelColor(x, 1) != ruler) drawn.push_back(t.view->TickAt(x));
  // Each bar start of the position texts has its line in the ruler's top row (within a pixel).
  for (int32_t bar : {1920, 3840, 5280, 6720, 8160, 9600}) {
    ASSERT_TRUE(cv::PositionText(t.song, bar).ends_with(u".01.000"));
    EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [&](int32_t tick) { return std::abs(tick - bar) <= 10; }))
        << "bar line at " << bar;
  }
  // A click on the ruler moves playback there; the lyrics follow.
  QTest::mouseClick(t.view, Qt::LeftButton, Qt::NoModifier, QPoint(t.XOfTick(2400 + 30), 25));
  const int la = t.Index(u"la");
  EXPECT_EQ(t.song.CurrentHyphen, la + 1);
}

TEST(TimelineWindow, PanelMenuZoomAndSettings) {
  const QString song = TimelineSong("menu.mid"), settings = TempSettingsFile();
  {
    Timeline t(song, settings);
    QAction* shown = t.w->Action(QStringLiteral("TimelineShow"));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isChecked());
    EXPECT_EQ(shown->text(), QStringLiteral("Timeline"));
    const double before = t.view->TicksPerPixel();
    QTest::keyClick(t.view, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_LT(t.view->TicksPerPixel(), before);
    QTest::keyClick(t.view, Qt::Key_Minus, Qt::ControlModifier);
    QTest::keyClick(t.view, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_GT(t.view->TicksPerPixel(), before);
    QTest::keyClick(t.view, Qt::Key_0, Qt::ControlModifier);
    EXPECT_LE(t.view->XOf(t.view->Model().EndTick()), t.view->width());
    shown->trigger();
    EXPECT_FALSE(t.w->Timeline()->isVisible());
    t.w->SwitchLanguage(false);
    EXPECT_EQ(shown->text(), QStringLiteral("Zeitleiste"));
    t.w->SwitchLanguage(true);
  }
  // Hidden stays hidden at the next start.
  Timeline again(song, settings);
  EXPECT_FALSE(again.w->Timeline()->isVisible());
  again.w->Action(QStringLiteral("TimelineShow"))->trigger();
  EXPECT_TRUE(again.w->Timeline()->isVisible());
}

TEST(TapCalibrationWindow, ScriptedTapsProposeTheMedian) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  int32_t now = 0;
  bool playing = false;
  cvapp::TCalibrationHooks hooks;
  hooks.PlayClicks = [&](cv::Song* clicks) {
    playing = clicks != nullptr;
    return true;
  };
  hooks.Now = [&] { return now; };
  cvapp::TTapCalibrationForm form(hooks);
  form.show();
  ASSERT_TRUE(form.Start());
  EXPECT_TRUE(playing);
  for (int k = 1; k <= 8; ++k) {
    now = k * 600 + (k == 4 ? 300 : 90);
    QTest::keyClick(&form, Qt::Key_Space);
  }
  form.Finish();
  EXPECT_FALSE(playing);
  EXPECT_EQ(form.Proposal(), 90);
}

TEST(TapCalibrationWindow, RealOutputPlaysTheClicksAndTheOptionsStoreTheDelay) {
  Timeline t;
  cvapp::TTapCalibrationForm form(t.w->CalibrationHooks());
  form.show();
  if (!form.Start()) GTEST_SKIP() << "no output plays on this machine";
  QTest::qWait(700);
  QTest::keyClick(&form, Qt::Key_Space);
  EXPECT_EQ(form.Taps().size(), 1u);
  EXPECT_GE(form.Taps().front(), 500);
  form.Finish();
  // The options carry the delay into recording.
  t.w->MainMenu_OptionsClick();
  auto* delay = t.w->OptionsForm()->findChild<QSpinBox*>(QStringLiteral("SE_TapDelay"));
  ASSERT_TRUE(delay);
  delay->setValue(120);
  t.w->OptionsForm()->OnOk();
  EXPECT_EQ(t.w->Settings().TapDelay, 120);
  EXPECT_EQ(t.w.store->ReadIntFromReg(QStringLiteral("TapDelay"), 0), 120);
}

// On a real song: a syllable off its note is found by its mark, dragged onto the note, heard from
// there, taken back and made again, and saved with its lyric event at the note's tick.
TEST(TimelineWindow, HeyJudeOffNoteSyllableDraggedOntoItsNote) {
  const std::string path = cvtest::CorpusFile("kar/HeyJude.kar");
  if (path.empty()) GTEST_SKIP() << cvtest::CorpusSkipReason("kar/HeyJude.kar");
  const QString copy = QDir(QString::fromStdString(cvtest::TempDir())).filePath(QStringLiteral("HeyJude.kar"));
  ASSERT_TRUE(QFile::copy(Q(path), copy));
  {
    // The song is timed well: one syllable is sung an eighth late, where no melody note starts.
    cvtest::QuietUi ui;
    cv::SongSession session(ui);
    ASSERT_TRUE(session.Open(copy.toStdString()));
    const cv::Song& song = session.CurrentSong();
    const int32_t sixteenth = cv::NoteTolerance(song);
    const std::vector<int32_t> starts = cv::MelodyStarts(song);
    int late = -1;
    for (int i = cv::HeaderElementCount(song); i + 1 < song.HyphenArrayElements && late < 0; ++i) {
      const int32_t moved = song.HyphenArray[i].SongPosition + 2 * sixteenth;
      if (cv::IsSungSyllable(song.HyphenArray[i]) && song.HyphenArray[i + 1].SongPosition > moved + sixteenth &&
          std::abs(cv::NearestStart(starts, moved) - moved) > sixteenth)
        late = i;
    }
    ASSERT_GE(late, 0);
    ASSERT_TRUE(session.MoveSyllables({late}, 2 * sixteenth));
    ASSERT_TRUE(session.WriteTo(copy.toStdString()));
  }
  Timeline t(copy);
  const cv::TimelineModel& model = t.view->Model();
  // The first block the song check marks as lying on no note.
  const cv::TTimelineBlock* off = nullptr;
  for (const cv::TTimelineBlock& b : model.Blocks())
    if (b.Kind == cv::TBlockKind::Sung && b.Finding >= 0 && model.Findings()[b.Finding].Kind == "no-note") {
      off = &b;
      break;
    }
  ASSERT_TRUE(off);
  const int element = off->Index;
  const int32_t before = t.song.HyphenArray[element].SongPosition;
  const int32_t note = cv::NearestStart(model.MelodyStarts(), before);
  ASSERT_GE(note, 0);
  t.view->ScrollTo(before, t.view->width() / 2);
  const QRect block = t.view->ElementRect(element);
  ASSERT_FALSE(block.isEmpty());
  const QPoint from(std::min(block.center().x(), block.left() + 6), block.center().y());
  // Dropped a tick's worth of pixels from the note: it snaps onto it, unless a neighbour stops it.
  const int32_t allowed = cv::LimitSyllableMove(t.song, {element}, note - before);
  t.Drag(from, from + QPoint(static_cast<int>(std::lround((note - before) / t.view->TicksPerPixel())), 0));
  EXPECT_EQ(t.song.HyphenArray[element].SongPosition, before + allowed);
  const int32_t placed = t.song.HyphenArray[element].SongPosition;
  // Heard from there: a click on the ruler at the block puts playback on it.
  QTest::mouseClick(t.view, Qt::LeftButton, Qt::NoModifier, QPoint(static_cast<int>(std::ceil(t.view->XOf(placed))), 5));
  ASSERT_GE(t.song.CurrentHyphen, element);
  EXPECT_LE(t.song.HyphenArray[t.song.CurrentHyphen].SongPosition, placed + 8) << "the syllable or a mark riding with it";
  t.w->MainMenu_EditUndoClick();
  EXPECT_EQ(t.song.HyphenArray[element].SongPosition, before);
  t.w->MainMenu_EditRedoClick();
  EXPECT_EQ(t.song.HyphenArray[element].SongPosition, placed);
  t.w->MainMenu_DateiSpeichernClick();
  cvtest::QuietUi ui;
  cv::SongSession saved(ui);
  ASSERT_TRUE(saved.Open(copy.toStdString()));
  EXPECT_EQ(saved.CurrentSong().HyphenArray[element].SongPosition, placed);
  EXPECT_EQ(saved.CurrentSong().HyphenArray[element].Text, t.song.HyphenArray[element].Text);
}
