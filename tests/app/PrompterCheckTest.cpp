// The prompter window against a virtual player clock, and the song check's list.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QSlider>
#include <QSpinBox>
#include <QTextDocumentFragment>
#include <QTreeWidget>

#include "AppFixture.h"
#include "app/PrompterForm.h"
#include "app/SongCheckForm.h"
#include "playback/CV_MidiPlayer.h"
#include "playback/PlayerFakes.h"
#include "session/OpenSong.h"
#include "song/Language.h"

using namespace cvapptest;

namespace {

// Title and artist lines, two sung lines at 120 bpm (a quarter is 500 ms); "world" lies off its note.
std::string StageSong() {
  cvtest::SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2).End(4000);
  cvtest::SmfTrack& t = b.AddTrack();
  t.Lyric(0, "My Song\r").Lyric(0, "The Band\r");
  t.NoteOn(1920, 0, 60, 90).Lyric(1920, "Hel").NoteOff(2120, 0, 60);
  t.NoteOn(2400, 0, 60, 90).Lyric(2400, "lo ").NoteOff(2600, 0, 60);
  t.NoteOn(2800, 0, 62, 90).NoteOff(2820, 0, 62).Lyric(3000, "world\r");
  t.NoteOn(3360, 0, 60, 90).Lyric(3360, "next").NoteOff(3560, 0, 60);
  t.End(4000);
  return b.WriteTemp("stage.mid");
}

}  // namespace

TEST(PrompterWindow, FollowsTheVirtualClock) {
  AppWindow w(TempSettingsFile(), QStringLiteral("Deutsch"));
  ASSERT_TRUE(w->DateiOeffnen(Q(StageSong())));
  w->Action(QStringLiteral("MainMenu_ViewPrompter"))->trigger();
  cvapp::TPrompterForm* p = w->PrompterForm();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->isVisible());
  EXPECT_EQ(w.Text("MainMenu_ViewPrompter"), QStringLiteral("Souffleur"));
  int32_t now = 0;
  p->Now = [&now] { return now; };
  struct Case {
    int32_t ms;
    int line, column, countIn;
    const char* current;
    const char* next;
  };
  // Title lines at 112 and 1992 ms, "Hel" at 2000, "lo " 2500, "world" 3125, "next" 3500.
  const Case cases[] = {
      {0, -1, 0, 1, "", "My Song"},
      {112, 0, 7, 0, "My Song", "The Band"},
      {1990, 0, 7, 0, "My Song", "The Band"},
      {2000, 2, 3, 0, "Hello world", "next"},
      {3200, 2, 11, 0, "Hello world", "next"},
      {3600, 3, 4, 0, "next", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ms);
    now = c.ms;
    p->Refresh();
    EXPECT_EQ(p->Moment().Line, c.line);
    EXPECT_EQ(p->Moment().Column, c.column);
    EXPECT_EQ(p->CountInText(), c.countIn ? QString::number(c.countIn) : QString());
    EXPECT_EQ(p->CurrentLineText(), QString::fromUtf8(c.current));
    EXPECT_EQ(p->NextLineText(), QString::fromUtf8(c.next));
  }
  // The whole display: lines before the current one are marked sung.
  EXPECT_TRUE(p->DisplayHtml().contains(QStringLiteral("Hello world"))) << p->DisplayHtml().toStdString();
  // A command changes the song while the window is open: it follows.
  w->Action(QStringLiteral("MainMenu_TextUpperCase"))->trigger();
  p->FollowSong();
  EXPECT_EQ(p->CurrentLineText(), QStringLiteral("NEXT"));
  p->close();
}

// The window fed by a real player on a virtual clock, through the synthesizer with 150 ms of
// output latency: it shows what has been sent and heard, not what the song says.
TEST(PrompterWindow, ShowsWhatThePlayerSentAsHeard) {
  for (const bool prompta : {true, false}) {
    SCOPED_TRACE(prompta ? "prompter data" : "lyric events");
    cv::Song song;
    song.Configuration.PromptaEnabled = prompta;
    cv::DateiOeffnen(song, StageSong());
    cvtest::VirtualClock clock;
    cvtest::RecordingInstrument synth(clock);
    synth.bufferMs = 100;
    synth.deviceLatencyMs = 50;
    synth.audioClock = false;
    cv::TMidiPlayer player(clock, false);
    player.SetInstrument(&synth);
    player.SetUseVSTi(true);
    player.SetSong(&song);
    cvapp::TPrompterForm p;
    p.Now = [&] { return player.TimePosition() - static_cast<int32_t>(synth.AudioTotalLatencyTime()); };
    p.Playing = [&] { return player.Playing(); };
    p.SetScript(cv::MakePrompterScript(song), true);
    player.SetEventTap([&p](const cv::TypMidiEvent& e) { p.Stream().Take(e); });
    p.show();
    ASSERT_EQ(p.Script().FromPrompta, prompta);
    const int64_t start = clock.now;
    player.Play();
    auto playTo = [&](int32_t ms) {
      while (clock.now < start + int64_t{ms} * 1000) {
        clock.now += 5000;
        player.Tick();
      }
      p.Refresh();
    };
    // Heard 150 ms after the player's time. Title lines at 112 and 1992 ms, "Hel" at 2000 ms, "lo "
    // at 2500; prompter cues come 150 ms early.
    struct Case {
      int32_t playerMs;
      int line, column;          // prompter data
      int lyricLine, lyricColumn;  // lyric events
    };
    const Case cases[] = {
        {0, -1, 0, -1, 0},
        {1000, 0, 7, 0, 7},
        {2140, 2, 3, 0, 7},  // "Hel" has been sent, not heard
        {2155, 2, 3, 2, 3},
        {3800, 3, 4, 3, 4},
    };
    for (const Case& c : cases) {
      SCOPED_TRACE(c.playerMs);
      playTo(c.playerMs);
      EXPECT_EQ(p.Moment().Line, prompta ? c.line : c.lyricLine);
      EXPECT_EQ(p.Moment().Column, prompta ? c.column : c.lyricColumn);
      if (prompta) {
        EXPECT_EQ(p.Stream().Held().Lines.size(), c.playerMs > 0 ? 4u : 0u);
      }
    }
    EXPECT_EQ(p.CurrentLineText(), QStringLiteral("next"));
    player.Stop();
    player.MoveToPosition(0);
    p.SetScript(cv::MakePrompterScript(song), true);
    p.Refresh();
    EXPECT_EQ(p.Moment().Line, -1);
    p.close();
  }
}

// Started in the middle, the device has received no text: the window says so instead of guessing.
TEST(PrompterWindow, StartInTheMiddleShowsNothingReceived) {
  cv::SetCurrLanguage(cv::TLanguage::Englisch);
  cv::Song song;
  song.Configuration.PromptaEnabled = true;
  cv::DateiOeffnen(song, StageSong());
  cvtest::VirtualClock clock;
  cvtest::RecordingPort port(clock);
  cv::TMidiPlayer player(clock, false);
  player.SetPort(&port);
  player.SetSong(&song);
  cvapp::TPrompterForm p;
  p.Now = [&] { return player.TimePosition(); };
  p.Playing = [&] { return player.Playing(); };
  p.SetScript(cv::MakePrompterScript(song), true);
  player.SetEventTap([&p](const cv::TypMidiEvent& e) { p.Stream().Take(e); });
  p.show();
  player.MoveToPosition(2400);
  p.Refresh();
  EXPECT_EQ(p.Moment().Line, 2) << "stopped: a preview of the song at the player's position";
  player.Play();
  for (int i = 0; i < 100; ++i) {
    clock.now += 5000;
    player.Tick();
  }
  p.Refresh();
  EXPECT_EQ(p.Moment().Line, -1);
  EXPECT_TRUE(p.Stream().Held().Lines.empty());
  EXPECT_TRUE(p.findChild<QLabel*>(QStringLiteral("L_Source"))->text().contains(QStringLiteral("no text received")));
  player.Stop();
}

TEST(SongCheckWindow, DoubleClickGoesToTheSyllable) {
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Q(StageSong())));
  EXPECT_EQ(w.Text("MainMenu_TextCheck"), QStringLiteral("Check song"));
  w->Action(QStringLiteral("MainMenu_TextCheck"))->trigger();
  cvapp::TSongCheckForm* f = w->SongCheckForm();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(f->isVisible());
  // "world" has no note under it; the melody starts at 1920, well after the title lines.
  int row = -1;
  for (size_t i = 0; i < f->Findings().size(); ++i)
    if (f->Findings()[i].Kind == "no-note") row = static_cast<int>(i);
  ASSERT_GE(row, 0);
  ASSERT_EQ(f->List()->topLevelItemCount(), static_cast<int>(f->Findings().size()));
  QTreeWidgetItem* item = f->List()->topLevelItem(row);
  EXPECT_EQ(item->text(3), QStringLiteral("world"));
  EXPECT_EQ(item->text(2), QStringLiteral("Song"));
  emit f->List()->itemDoubleClicked(item, 3);
  const cv::TSongFinding& finding = f->Findings()[static_cast<size_t>(row)];
  EXPECT_EQ(w->CurrentSong().CurrentHyphen, finding.Hyphen);
  EXPECT_EQ(w->findChild<QSlider*>(QStringLiteral("PosSlider"))->value(), finding.Time);
  // The keyboard's display width is the window's setting: a change checks again and is kept.
  auto kinds = [f] {
    return std::count_if(f->Findings().begin(), f->Findings().end(),
                         [](const cv::TSongFinding& x) { return x.Kind == "line-too-long"; });
  };
  EXPECT_EQ(kinds(), 0);
  f->findChild<QSpinBox*>(QStringLiteral("SE_KeyboardWidth"))->setValue(8);
  EXPECT_EQ(kinds(), 1) << "\"Hello world\" passes 8 characters";
  EXPECT_EQ(w.store->ReadIntFromReg(QStringLiteral("KeyboardLineWidth"), 0), 8);
  f->close();
}

TEST(SongCheckWindow, MusicBeforeTheTitleLinesOffersTheLeadIn) {
  cvtest::SmfBuilder b(1, 480);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2).End(2000);
  cvtest::SmfTrack& t = b.AddTrack();
  t.Lyric(0, "Early\r").Lyric(0, "The Band\r").NoteOn(0, 0, 60, 90).NoteOff(400, 0, 60);
  for (int tick : {960, 1200, 1440, 1680}) t.NoteOn(tick, 0, 62, 90).Lyric(tick, "la ").NoteOff(tick + 100, 0, 62);
  t.End(2000);
  AppWindow w(TempSettingsFile());
  ASSERT_TRUE(w->DateiOeffnen(Q(b.WriteTemp("early.mid"))));
  w->Action(QStringLiteral("MainMenu_TextCheck"))->trigger();
  cvapp::TSongCheckForm* f = w->SongCheckForm();
  ASSERT_NE(f, nullptr);
  auto early = [f] {
    for (size_t i = 0; i < f->Findings().size(); ++i)
      if (f->Findings()[i].Kind == "starts-too-early") return static_cast<int>(i);
    return -1;
  };
  const int row = early();
  ASSERT_GE(row, 0);
  w.nextNumber = 1;  // one bar
  f->GoTo(row);
  EXPECT_EQ(w.numberRange.first, 1) << "the lead-in dialog was offered";
  EXPECT_EQ(early(), -1) << "checked again after the lead-in";
  f->close();
}
