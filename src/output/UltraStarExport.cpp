#include "output/UltraStarExport.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "song/Language.h"
#include "song/LineBreak.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

struct TSyllable {
  int32_t Tick = 0;
  int32_t Ms = 0;
  std::u16string Text;
  bool LineStart = false;
  bool WordStart = false;
};

std::string Trimmed(std::u16string text) {
  while (!text.empty() && text.back() == u' ') text.pop_back();
  while (!text.empty() && text.front() == u' ') text.erase(0, 1);
  std::replace(text.begin(), text.end(), u'_', u' ');  // a number joined to its words
  return Utf16ToUtf8(text);
}

// Characters a file name cannot hold on some system become "_".
std::string FileNamePart(std::string s) {
  for (char& c : s)
    if (c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' || c == '|' ||
        (static_cast<unsigned char>(c) < 32))
      c = '_';
  while (!s.empty() && (s.back() == ' ' || s.back() == '.')) s.pop_back();
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  return s;
}

// Microseconds per quarter of the tempo that lasts longest in the song.
int32_t MainTempo(const Song& song) {
  std::map<int32_t, int64_t> lasting;
  const int zones = std::min<int>(song.TimeZoneElements, static_cast<int>(song.TimeZone.size()));
  for (int i = 0; i < zones; ++i) {
    const TTimeZone& z = song.TimeZone[i];
    if (z.SongPosition > song.MaxSongPosition) break;
    const int64_t end = i + 1 < zones ? song.TimeZone[i + 1].Time : song.SongLength;
    lasting[z.TempoLongInt] += std::max<int64_t>(end - z.Time, 0);
  }
  int32_t best = 500000;
  int64_t longest = -1;
  for (const auto& [tempo, ms] : lasting)
    if (ms > longest && tempo > 0) {
      best = tempo;
      longest = ms;
    }
  return best;
}

// The note a syllable is sung on: the one starting nearest to it within a 32nd note, else the one
// sounding at its tick (the syllable starts inside it).
const TMelodyNote* NoteOf(const TMelody& melody, int32_t tick, int32_t reach) {
  const auto& notes = melody.Notes;
  const auto from = std::lower_bound(notes.begin(), notes.end(), tick - reach,
                                     [](const TMelodyNote& n, int32_t t) { return n.Start < t; });
  const TMelodyNote* best = nullptr;
  for (auto it = from; it != notes.end() && it->Start <= tick + reach; ++it) {
    // Nearest start wins; at equal distance the higher note, which carries the tune in a chord.
    if (!best || std::abs(it->Start - tick) < std::abs(best->Start - tick) ||
        (std::abs(it->Start - tick) == std::abs(best->Start - tick) && it->Key > best->Key))
      best = &*it;
  }
  if (best) return best;
  for (auto it = notes.begin(); it != notes.end() && it->Start <= tick; ++it)
    if (it->End > tick && (!best || it->Start > best->Start)) best = &*it;
  return best;
}

}  // namespace

TUltraStarSong MakeUltraStarSong(const Song& song, const TMelody& melody, const TUltraStarOptions& options) {
  const int count = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  const int header = HeaderElementCount(song);
  TUltraStarSong out;
  for (int i = 0, line = 0; i < header; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (IsLineBreak(h)) {
      ++line;
    } else if (line == 0) {
      out.Title = Trimmed(h.Text);
    } else if (out.Artist.empty()) {
      out.Artist = Trimmed(h.Text);
    }
  }
  if (out.Title.empty()) out.Title = options.FallbackTitle;
  if (out.Artist.empty()) out.Artist = Tr("Unbekannt", "Unknown");
  out.BaseName = FileNamePart(out.Artist + " - " + out.Title);

  std::vector<TSyllable> sung;
  bool breakPending = false, wordPending = true;
  for (int i = std::max(header, 0); i < count; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (IsLineBreak(h)) {
      breakPending = true;
      wordPending = true;
      continue;
    }
    if (IsBarMarker(h) || Trimmed(h.Text).empty()) continue;
    sung.push_back({h.SongPosition, SongPositionTime(song, h.SongPosition), h.Text, breakPending && !sung.empty(),
                    wordPending});
    breakPending = false;
    wordPending = h.Text.back() == u' ';
  }
  if (sung.empty())
    throw EMidiError(Tr("Der Song hat keinen Liedtext; ein Karaoke-Spiel braucht ihn. Es wurde nichts geschrieben. "
                        "Geben Sie zuerst den Text ein (Text > Bearbeiten) oder laden Sie ihn.",
                        "The song has no lyrics, and a karaoke game needs them. Nothing was written. Enter or load "
                        "the lyrics first (Text > Edit)."));
  if (melody.Notes.empty())
    throw EMidiError(Tr("Auf dem Melodiekanal " + std::to_string(melody.Channel + 1) +
                            " liegen keine Noten; ein Karaoke-Spiel braucht die Tonhöhen der Melodie. Es wurde nichts "
                            "geschrieben. Wählen Sie in den Einstellungen den Kanal der Melodie.",
                        "The melody channel " + std::to_string(melody.Channel + 1) +
                            " holds no notes, and a karaoke game needs the melody's pitches. Nothing was written. "
                            "Choose the melody's channel in the options."));

  // One beat at most a 32nd note of the main tempo, and fine enough that rounding a time to it
  // moves it by less than 15 ms.
  const double quarterMs = MainTempo(song) / 1000.0;
  double beatMs = quarterMs / 8;
  while (beatMs > 29.0) beatMs /= 2;
  out.Bpm = std::ceil(15000.0 / beatMs);
  beatMs = 15000.0 / out.Bpm;
  out.Gap = sung.front().Ms;
  auto beatOf = [&](int64_t ms) { return static_cast<int64_t>(std::llround(static_cast<double>(ms - out.Gap) / beatMs)); };
  const int32_t reach = std::max(song.SourceTimeBase / 8, 1);

  struct TLine {
    char Type;
    int64_t Start, Length;
    int Pitch;
  };
  std::vector<TLine> notes(sung.size());
  int64_t previous = -1;
  for (size_t i = 0; i < sung.size(); ++i) {
    int64_t start = std::max(beatOf(sung[i].Ms), previous + 1);
    previous = start;
    if (const TMelodyNote* n = NoteOf(melody, sung[i].Tick, reach)) {
      notes[i] = {':', start, beatOf(SongPositionTime(song, n->End)) - start, n->Key - 60};
      ++out.Notes;
    } else {
      const int64_t next = i + 1 < sung.size() ? beatOf(sung[i + 1].Ms) : beatOf(sung[i].Ms + 1000);
      notes[i] = {'F', start, next - start, 0};
      ++out.Freestyle;
    }
  }
  // A note ends before the next begins; every note lasts a beat at least.
  for (size_t i = 0; i < notes.size(); ++i) {
    if (i + 1 < notes.size()) notes[i].Length = std::min(notes[i].Length, notes[i + 1].Start - notes[i].Start);
    notes[i].Length = std::max<int64_t>(notes[i].Length, 1);
  }

  std::string& t = out.Text;
  const std::string audio = out.BaseName + options.AudioExtension;
  t += "#VERSION:1.0.0\n#TITLE:" + out.Title + "\n#ARTIST:" + out.Artist + "\n";
  if (!options.Language.empty()) t += "#LANGUAGE:" + options.Language + "\n";
  t += "#AUDIO:" + audio + "\n#MP3:" + audio + "\n";
  t += "#BPM:" + std::to_string(static_cast<int64_t>(out.Bpm)) + "\n#GAP:" + std::to_string(out.Gap) + "\n";
  for (size_t i = 0; i < notes.size(); ++i) {
    const TLine& n = notes[i];
    if (sung[i].LineStart) {
      const TLine& p = notes[i - 1];
      t += "- " + std::to_string(std::min(p.Start + p.Length, n.Start)) + "\n";
    }
    t += n.Type;
    t += " " + std::to_string(n.Start) + " " + std::to_string(n.Length) + " " + std::to_string(n.Pitch) + " ";
    if (sung[i].WordStart && !sung[i].LineStart && i > 0) t += " ";
    t += Trimmed(sung[i].Text) + "\n";
  }
  t += "E\n";
  return out;
}

}  // namespace cv
