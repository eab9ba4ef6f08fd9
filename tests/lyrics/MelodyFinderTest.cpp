// The melody finder on small songs shaped like real ones: the melody off channel 1, under a
// piano, with chords, split verse/chorus, or missing. Where the song is timed, assign must give
// every syllable back its own tick: then the finder chose the notes that were sung.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "lyrics/Assign.h"
#include "session/OpenSong.h"
#include "song/Language.h"
#include "song/MelodyFinder.h"
#include "support/SmfBuilder.h"

using namespace cv;
using cvtest::SmfBuilder;
using cvtest::SmfTrack;

namespace {

constexpr int kQuarter = 480;
constexpr int kSyllables = 32;

// Tick of syllable i: quarters from bar 2 on.
int SyllableTick(int i) { return 4 * kQuarter + i * kQuarter; }

// A conductor track with the syllables as lyric events (none: no lyrics).
SmfTrack& Conductor(SmfBuilder& smf, bool lyrics) {
  SmfTrack& t = smf.AddTrack();
  t.Tempo(0, 500000).TimeSig(0, 4, 2);
  if (lyrics)
    for (int i = 0; i < kSyllables; ++i) t.Lyric(SyllableTick(i), "la");
  return t;
}

struct Note {
  int tick, channel, pitch, velocity;  // velocity 0: note-off
};
using Notes = std::vector<Note>;

// The notes into a track in tick order (offs before ons at a tick).
SmfTrack& Emit(SmfTrack& t, Notes notes) {
  std::stable_sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) {
    return a.tick != b.tick ? a.tick < b.tick : (a.velocity == 0) > (b.velocity == 0);
  });
  for (const Note& n : notes) {
    if (n.velocity) t.NoteOn(n.tick, n.channel, n.pitch, n.velocity);
    else t.NoteOff(n.tick, n.channel, n.pitch);
  }
  return t;
}

int SungPitch(int i) { return 62 + (i * 5) % 12; }

// One sung note per syllable from first to last (exclusive); chords add a third below.
Notes Sing(int channel, int first, int last, bool chords = false) {
  Notes out;
  for (int i = first; i < last; ++i) {
    const int tick = SyllableTick(i), pitch = SungPitch(i);
    out.push_back({tick, channel, pitch, 100});
    out.push_back({tick + kQuarter - 40, channel, pitch, 0});
    if (chords && i % 3 == 0) {
      out.push_back({tick, channel, pitch - 4, 90});
      out.push_back({tick + kQuarter - 40, channel, pitch - 4, 0});
    }
  }
  return out;
}

// Three-note chords on every eighth from the song start: near every syllable, sings none.
Notes Piano(int channel) {
  Notes out;
  for (int tick = 0; tick < SyllableTick(kSyllables); tick += kQuarter / 2)
    for (int p : {48, 52, 55}) out.push_back({tick, channel, p, 70}), out.push_back({tick + kQuarter / 2, channel, p, 0});
  return out;
}

// Whole-bar chords: near every fourth syllable.
Notes Pad(int channel) {
  Notes out;
  for (int bar = 0; bar <= kSyllables / 4 + 1; ++bar)
    for (int p : {48, 55, 64}) out.push_back({bar * 4 * kQuarter, channel, p, 60}), out.push_back({(bar + 1) * 4 * kQuarter, channel, p, 0});
  return out;
}

// A busier line in singing range: two notes per syllable, one at a time.
Notes Arpeggio(int channel) {
  Notes out;
  for (int tick = 0; tick < SyllableTick(kSyllables); tick += kQuarter / 2) {
    const int pitch = 60 + (tick / 240) % 8;
    out.push_back({tick, channel, pitch, 70});
    out.push_back({tick + kQuarter / 2, channel, pitch, 0});
  }
  return out;
}

Notes operator+(Notes a, const Notes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct Case {
  const char* name;
  bool lyrics;
  MelodySetting setting;
  std::function<void(SmfBuilder&)> tracks;
  std::vector<int> channels;  // 0-based channels of the chosen parts in song order
};

std::vector<int32_t> SungPositions(const Song& song) {
  std::vector<int32_t> out;
  for (int i = 0; i < song.HyphenArrayElements; ++i)
    if (song.HyphenArray[static_cast<size_t>(i)].Text == u"la") out.push_back(song.HyphenArray[static_cast<size_t>(i)].SongPosition);
  return out;
}

TEST(MelodyFinder, FindsTheSungPartOfSmallSongs) {
  SetCurrLanguage(TLanguage::Englisch);
  const Case cases[] = {
      {"melody on channel 4, piano on channel 1", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Piano"), Piano(0));
         Emit(s.AddTrack(), Sing(3, 0, kSyllables));
       },
       {3}},
      {"both in one track", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) { Emit(s.AddTrack(), Piano(0) + Sing(3, 0, kSyllables)); }, {3}},
      {"a melody track with chords over a bass", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Notes bass;
         for (int i = 0; i < 2 * kSyllables + 8; ++i)
           bass.push_back({i * 240, 0, 36 + i % 7, 80}), bass.push_back({i * 240 + 240, 0, 36 + i % 7, 0});
         Emit(s.AddTrack(), bass);
         Emit(s.AddTrack().Name(0, "Vocal"), Sing(1, 0, kSyllables, true));
       },
       {1}},
      {"named melody on channel 2, busier channel 1, no lyrics", false, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Strings"), Arpeggio(0));
         Emit(s.AddTrack().Name(0, "Melody"), Sing(1, 0, kSyllables));
       },
       {1}},
      {"named melody on channel 2, busier channel 1, with lyrics", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Strings"), Arpeggio(0));
         Emit(s.AddTrack().Name(0, "Melody"), Sing(1, 0, kSyllables));
       },
       {1}},
      {"verse on channel 2, chorus on channel 3", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Pad"), Pad(0));
         Emit(s.AddTrack().Name(0, "Verse"), Sing(1, 0, kSyllables / 2));
         Emit(s.AddTrack().Name(0, "Chorus"), Sing(2, kSyllables / 2, kSyllables));
       },
       {1, 2}},
      {"drums only", true, MelodySetting::Automatic(),
       [](SmfBuilder& s) {
         Notes drums;
         for (int i = 0; i < 2 * kSyllables; ++i) drums.push_back({i * 240, 9, 36, 100}), drums.push_back({i * 240 + 100, 9, 36, 0});
         Emit(s.AddTrack(), drums);
       },
       {}},
      {"a fixed channel keeps its notes", true, MelodySetting::OfChannel(0),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Pad"), Pad(0));
         Emit(s.AddTrack(), Sing(3, 0, kSyllables));
       },
       {0}},
      {"a fixed track takes its notes on any channel", true, MelodySetting::OfTrack(2),
       [](SmfBuilder& s) {
         Emit(s.AddTrack().Name(0, "Piano"), Piano(0));
         Emit(s.AddTrack(), Sing(3, 0, kSyllables));
       },
       {-1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SmfBuilder smf(1, kQuarter);
    Conductor(smf, c.lyrics);
    c.tracks(smf);
    Song song;
    song.Configuration.Melody = c.setting;
    DateiOeffnen(song, smf.WriteTemp("melody.mid"));

    std::vector<int> channels;
    for (const MelodyPart& p : song.Melody.Parts) channels.push_back(p.Channel);
    EXPECT_EQ(channels, c.channels) << song.Melody.Reason;
    EXPECT_FALSE(song.Melody.Reason.empty());
    // The chain holds the finder's notes, one per tick, a chord as its highest note.
    const std::vector<MelodyNote> notes = CurrentMelodyNotes(song);
    const std::vector<MelodyNote> found = FindMelody(song).Notes;
    ASSERT_EQ(notes.size(), found.size());
    for (size_t i = 0; i < notes.size(); ++i) {
      EXPECT_EQ(notes[i].Tick, found[i].Tick);
      EXPECT_EQ(notes[i].Pitch, found[i].Pitch);
      if (i > 0) {
        EXPECT_LT(notes[i - 1].Tick, notes[i].Tick);
      }
    }
    if (c.channels == std::vector<int>{1} && c.lyrics) {
      ASSERT_EQ(notes.size(), static_cast<size_t>(kSyllables));
      for (int i = 0; i < kSyllables; ++i) EXPECT_EQ(notes[static_cast<size_t>(i)].Pitch, SungPitch(i)) << i;
    }
    if (c.setting.Mode == MelodySetting::Kind::Channel) {
      // The fixed channel misses the sung notes: the finder's part is offered.
      EXPECT_TRUE(song.Melody.OffersBetter());
      ASSERT_EQ(song.Melody.Better.size(), 1u);
      EXPECT_EQ(song.Melody.Better[0].Channel, 3);
      EXPECT_EQ(song.Melody.BetterOnNote, kSyllables);
    }
    if (c.channels.empty()) {
      EXPECT_TRUE(notes.empty());
      continue;
    }
    if (!c.lyrics || c.setting.Mode == MelodySetting::Kind::Channel) continue;
    EXPECT_EQ(song.Melody.SyllablesOnNote, kSyllables) << song.Melody.Reason;
    const std::vector<int32_t> timed = SungPositions(song);
    ASSERT_EQ(timed.size(), static_cast<size_t>(kSyllables));
    AssignSyllablesToNotes(song);
    EXPECT_EQ(SungPositions(song), timed);
  }
}

}  // namespace
