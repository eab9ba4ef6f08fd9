#include "output/XFChordEvents.h"

#include <array>
#include <string_view>

namespace cv {

namespace {

constexpr std::array<std::string_view, 12> kFlatNames = {"C",  "Db", "D",  "Eb", "E",  "F",
                                                         "Gb", "G",  "Ab", "A",  "Bb", "B"};
constexpr std::array<std::string_view, 12> kSharpNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                          "F#", "G",  "G#", "A",  "A#", "B"};
constexpr std::string_view kLetters = "CDEFGAB";

int IndexIn(const std::array<std::string_view, 12>& table, std::string_view name) {
  for (int i = 0; i < 12; ++i)
    if (table[i] == name) return i;
  return -1;
}

const TypMidiEvent* XFChordTrackFirst(const Song& song) {
  if (song.XF_TrackNb < 0 || song.XF_TrackNb >= song.NumberOfSourceTracks) return nullptr;
  if (static_cast<size_t>(song.XF_TrackNb) >= song.MidiTrack.size()) return nullptr;
  return song.MidiTrack[song.XF_TrackNb].TrkFirstEvent;
}

}  // namespace

bool IsXFChordEvent(const TypMidiEvent& e) {
  return e.Command == 0xFF && e.DType == DTypeMeta && e.MType == 0x7F && e.Meta.size() == 7 &&
         e.Meta.starts_with("\x43\x7B\x01");
}

int32_t CountXFChordEvents(const Song& song) {
  int32_t n = 0;
  for (const TypMidiEvent* e = XFChordTrackFirst(song); e; e = e->NextEvent)
    if (IsXFChordEvent(*e)) ++n;
  return n;
}

void EnsureXFChordSummary(Song& song) {
  const TypMidiEvent* first = XFChordTrackFirst(song);
  if (!first) return;
  const int32_t count = CountXFChordEvents(song);
  if (static_cast<int32_t>(song.XF_ChordsArray.size()) == count) return;
  song.XF_ChordsArray.clear();
  song.XF_ChordsArray.reserve(count);
  for (const TypMidiEvent* e = first; e; e = e->NextEvent) {
    if (!IsXFChordEvent(*e)) continue;
    TXF_Chords c;
    c.ChordOrgValue = static_cast<uint8_t>(e->Meta[3]);
    c.BassOrgValue = static_cast<uint8_t>(e->Meta[5]);
    song.XF_ChordsArray.push_back(c);
  }
}

uint8_t TransposeXFNote(uint8_t b, int amount) {
  if (amount == 0 || b >= 0x7F) return b;
  const int letter = b & 0x0F;
  std::string name(1, (letter >= 1 && letter <= 7) ? kLetters[letter - 1] : 'C');
  const int accidental = b >> 4;
  if (accidental == 2) name += 'b';
  if (accidental == 4) name += '#';

  const auto* table = &kFlatNames;
  int i = IndexIn(kFlatNames, name);
  if (i < 0) {
    table = &kSharpNames;
    i = IndexIn(kSharpNames, name);
  }
  if (i < 0) return b;
  const int k = ((i + amount) % 12 + 12) % 12;
  std::string_view result = (*table)[k];
  uint8_t out = 0x30;
  if (result.size() > 1) out = result[1] == 'b' ? 0x20 : 0x40;
  return static_cast<uint8_t>(out + kLetters.find(result[0]) + 1);
}

void TransposeXFChords(Song& song, int amount) {
  EnsureXFChordSummary(song);
  const TypMidiEvent* first = XFChordTrackFirst(song);
  if (!first) return;
  size_t j = 0;
  for (TypMidiEvent* e = song.MidiTrack[song.XF_TrackNb].TrkFirstEvent; e; e = e->NextEvent) {
    if (!IsXFChordEvent(*e)) continue;
    if (j >= song.XF_ChordsArray.size()) break;
    const TXF_Chords& org = song.XF_ChordsArray[j++];
    e->Meta[3] = static_cast<char>(TransposeXFNote(org.ChordOrgValue, amount));
    e->Meta[5] = static_cast<char>(TransposeXFNote(org.BassOrgValue, amount));
  }
}

}  // namespace cv
