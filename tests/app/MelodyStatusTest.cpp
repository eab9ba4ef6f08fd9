// The melody in the window: the status bar names it, and a fixed channel that misses the sung
// notes gets the finder's choice offered; taking it changes the setting and the notes at once.
#include <gtest/gtest.h>

#include <QFile>
#include <QPushButton>
#include <QStatusBar>

#include "AppFixture.h"
#include "app/MainStatus.h"
#include "app/MyRegistry.h"
#include "song/MelodyFinder.h"

using namespace cvapptest;

namespace {

// Lyrics on a melody on channel 4; whole-bar chords on channel 1.
QString SongWithMelodyOnChannel4() {
  cvtest::SmfBuilder b(1);
  b.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  cvtest::SmfTrack& pad = b.AddTrack().Name(0, "Pad");
  for (int bar = 0; bar < 4; ++bar) {
    for (int p : {48, 55, 64}) pad.NoteOn(bar * 1920, 0, p, 60);
    for (int p : {48, 55, 64}) pad.NoteOff(bar * 1920 + 1920, 0, p);
  }
  cvtest::SmfTrack& sung = b.AddTrack().Name(0, "Voice");
  for (int i = 0; i < 12; ++i) {
    const int tick = 480 + i * 480;
    sung.Lyric(tick, "la ").NoteOn(tick, 3, 62 + i % 5, 90).NoteOff(tick + 400, 3, 62 + i % 5);
  }
  return Q(b.WriteTemp("melody4.mid"));
}

TEST(MelodyStatus, AFixedChannelGetsTheFoundMelodyOfferedAndTakingItAppliesIt) {
  const QString settings = TempSettingsFile();
  {
    QFile f(settings);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[General]\nMelodyTrack=0\n");  // a store from before keeps its channel
  }
  AppWindow w(settings);
  w->DateiOeffnen(SongWithMelodyOnChannel4());
  EXPECT_EQ(w->Status().MelodyText(), QStringLiteral("Melody: channel 1"));
  ASSERT_TRUE(w->Status().OffersMelody());
  auto* offer = w->statusBar()->findChild<QPushButton*>(QStringLiteral("SB_MelodyOffer"));
  ASSERT_NE(offer, nullptr);
  EXPECT_EQ(offer->text(), QStringLiteral("Better: channel 4, track 'Voice'"));

  offer->click();
  EXPECT_EQ(w->Status().MelodyText(), QStringLiteral("Melody: channel 4, track 'Voice'"));
  EXPECT_FALSE(w->Status().OffersMelody());
  EXPECT_EQ(cvapp::TMyRegistry(settings).ReadStrFromReg(QStringLiteral("Melody"), {}), QStringLiteral("auto"));
  const std::vector<cv::MelodyNote> notes = cv::CurrentMelodyNotes(w->CurrentSong());
  ASSERT_EQ(notes.size(), 12u);
  EXPECT_EQ(notes[0].Channel, 3);

  // Assign now keeps every syllable on its own sung note.
  w->MainMenu_TextAssignClick();
  const cv::Song& song = w->CurrentSong();
  int onTheirNotes = 0;
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    for (const cv::MelodyNote& n : notes) onTheirNotes += song.HyphenArray[static_cast<size_t>(i)].SongPosition == n.Tick;
  EXPECT_EQ(onTheirNotes, 12);
}

}  // namespace
