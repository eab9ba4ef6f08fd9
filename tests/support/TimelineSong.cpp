#include "support/TimelineSong.h"

#include "support/SmfBuilder.h"

namespace cvtest {

std::string WriteTimelineSong(const std::string& name, bool withAccompaniment) {
  SmfBuilder smf(1, 480);
  smf.AddTrack().Bpm(0, 120).TimeSig(0, 4, 2);
  auto& t = smf.AddTrack();
  t.Lyric(108, "Title\r").Lyric(112, "Artist\r");
  const char* words[] = {"one ", "two ", "three ", "four ", "five"};
  for (int i = 0; i < 5; ++i) {
    const int note = 1920 + i * 480;
    t.NoteOn(note, 0, 60 + i, 90).Lyric(note + (i == 2 ? 200 : 0), words[i]).NoteOff(note + 400, 0, 60 + i);
  }
  if (withAccompaniment) smf.AddTrack().NoteOn(1920, 1, 40, 80).NoteOff(3840, 1, 40);
  return smf.WriteTemp(name);
}

}  // namespace cvtest
