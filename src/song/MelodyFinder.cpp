#include "song/MelodyFinder.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cctype>
#include <cmath>
#include <iterator>

#include "song/Language.h"
#include "song/Song.h"
#include "song/SyllableTimes.h"
#include "song/TextCodec.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

constexpr int kDrums = 9;
constexpr int kLowestSung = 48;   // C3
constexpr int kHighestSung = 86;  // D6

bool IsNoteOn(const TypMidiEvent& e) { return e.DType == DTypeChannel && (e.Command & 0xF0) == 0x90 && e.Value[1] != 0; }
bool IsNoteOff(const TypMidiEvent& e) {
  return e.DType == DTypeChannel && ((e.Command & 0xF0) == 0x80 || ((e.Command & 0xF0) == 0x90 && e.Value[1] == 0));
}

const TypMidiEvent* FirstEventOf(const TMyTrack& track) {
  return track.TrkFirstEvent ? track.TrkFirstEvent->NextEvent : nullptr;
}

// Ticks of the sung syllables (no title lines, line breaks, continuations or bar markers), sorted.
std::vector<int32_t> SungTicks(const Song& song) {
  std::vector<int32_t> ticks;
  const int32_t count = SyllableCount(song);
  for (int32_t i = HeaderElementCount(song); i < count; ++i) {
    const THyphens& h = song.HyphenArray[static_cast<size_t>(i)];
    if (h.Text.empty() || h.Text == u"\r" || h.Text[0] == u'-' || IsBarMarker(h)) continue;
    ticks.push_back(h.SongPosition);
  }
  std::sort(ticks.begin(), ticks.end());
  return ticks;
}

bool NameSaysMelody(const Song& song, int32_t track) {
  if (track < 0 || track >= static_cast<int32_t>(song.MidiTrack.size())) return false;
  const TypMidiEvent* e = song.MidiTrack[static_cast<size_t>(track)].TrkNameEvent;
  if (!e) return false;
  std::string name = e->Meta;
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* word : {"melod", "vocal", "voice", "lead", "gesang", "singstimme", "canto", "voz", "vox"})
    if (name.find(word) != std::string::npos) return true;
  return false;
}

// What one pass over the note-ons learns about a part.
struct PartStats {
  MelodyPart Part;
  bool Named = false;
  int64_t Notes = 0;     // note-ons
  int64_t Onsets = 0;    // distinct note-on ticks (a chord is one)
  int64_t Overlaps = 0;  // onsets while an earlier note still sounds
  int64_t InRange = 0;   // note-ons in a singing range
  int64_t Matched = 0;   // onsets with a syllable near them
  // The sung syllables with a note-on near them, ascending (a list, not a flag per syllable:
  // a file of many parts and many syllables must not cost their product).
  std::vector<int32_t> Hit;
  int32_t Hits = 0;

  // Being mostly one note at a time, in a singing range, with a name that says so (the name
  // weighs more where no syllables tell).
  double Shape(double nameWeight = 1.3) const {
    if (Notes == 0) return 0;
    const double held = static_cast<double>(Overlaps) / static_cast<double>(Onsets);
    const double chorded = 1.0 - static_cast<double>(Onsets) / static_cast<double>(Notes);
    const double single = std::max(0.05, 1.0 - 0.6 * std::min(1.0, held) - 0.6 * chorded);
    const double range = static_cast<double>(InRange) / static_cast<double>(Notes);
    return single * (0.4 + 0.6 * range) * (Named ? nameWeight : 1.0);
  }
  bool MostlySingle() const { return Onsets > 0 && Overlaps * 5 < Onsets && (Notes - Onsets) * 5 < Notes; }
  bool SingingRange() const { return Notes > 0 && InRange * 5 >= Notes * 4; }
  // A part whose onsets mostly carry a syllable hits syllables by singing them, not by playing
  // on every beat.
  double Score(bool lyrics, int64_t mostOnsets) const {
    if (Onsets == 0) return 0;
    // Without lyrics, a busier part is only a little more likely the melody.
    if (!lyrics)
      return Shape(1.5) * std::pow(static_cast<double>(Onsets) / static_cast<double>(std::max<int64_t>(1, mostOnsets)), 0.25);
    const double precision = static_cast<double>(Matched) / static_cast<double>(Onsets);
    return Hits * (0.4 + 0.6 * precision) * Shape();
  }
};

// One note-on pass: statistics for every track-and-channel pair and every channel spread over
// several tracks.
class PartSurvey {
 public:
  PartSurvey(const Song& song, const std::vector<int32_t>& syllables, int32_t tolerance)
      : song_(song), syl_(syllables), tol_(tolerance) {}

  std::vector<PartStats> Run() {
    const int32_t tracks = song_.NumberOfSourceTracks;
    for (int32_t t = 0; t < tracks && t < static_cast<int32_t>(song_.MidiTrack.size()); ++t) ScanTrack(t);
    std::vector<PartStats> parts;
    parts.reserve(pairs_.size() + 16);
    std::array<int, 16> perChannel{};
    for (Pair& p : pairs_) {
      Close(p);
      ++perChannel[static_cast<size_t>(p.Stats.Part.Channel)];
    }
    // A channel spread over several tracks is a candidate as a whole too.
    for (int c = 0; c < 16; ++c) {
      if (perChannel[static_cast<size_t>(c)] < 2) continue;
      PartStats all;
      all.Part = {-1, c, 0};
      for (const Pair& p : pairs_) {
        const PartStats& s = p.Stats;
        if (s.Part.Channel != c) continue;
        all.Notes += s.Notes;
        all.Onsets += s.Onsets;
        all.Overlaps += s.Overlaps;
        all.InRange += s.InRange;
        all.Matched += s.Matched;
        std::vector<int32_t> merged;
        std::set_union(all.Hit.begin(), all.Hit.end(), s.Hit.begin(), s.Hit.end(), std::back_inserter(merged));
        all.Hit.swap(merged);
      }
      all.Hits = static_cast<int32_t>(all.Hit.size());
      parts.push_back(std::move(all));
    }
    for (Pair& p : pairs_) parts.push_back(std::move(p.Stats));
    return parts;
  }

 private:
  struct Pair {
    PartStats Stats;
    int32_t LastTick = INT32_MIN;
    int32_t Active = 0;      // notes sounding now
    int32_t Held = 0;        // of them, begun before the current onset
    bool Pending = false;    // the current onset's overlap is not yet known
    size_t Cursor = 0;       // first syllable not before the current onset's window
    std::array<int32_t, 128> OnTick;
  };

  const Song& song_;
  const std::vector<int32_t>& syl_;
  const int32_t tol_;
  std::vector<Pair> pairs_;

  void ScanTrack(int32_t t) {
    std::array<int32_t, 16> index;
    index.fill(-1);
    const bool named = NameSaysMelody(song_, t);
    for (const TypMidiEvent* e = FirstEventOf(song_.MidiTrack[static_cast<size_t>(t)]); e; e = e->NextEvent) {
      if (e->DType != DTypeChannel) continue;
      const int channel = e->Command & 0x0F;
      if (channel == kDrums) continue;
      const uint8_t kind = e->Command & 0xF0;
      if (kind != 0x90 && kind != 0x80) continue;
      int32_t& i = index[static_cast<size_t>(channel)];
      if (kind == 0x80 || e->Value[1] == 0) {
        if (i >= 0) NoteOff(pairs_[static_cast<size_t>(i)], *e);
        continue;
      }
      if (i < 0) {
        i = static_cast<int32_t>(pairs_.size());
        Pair& p = pairs_.emplace_back();
        p.Stats.Part = {t, channel, 0};
        p.Stats.Named = named;
        p.OnTick.fill(-1);
      }
      NoteOn(pairs_[static_cast<size_t>(i)], *e);
    }
  }

  static void Close(Pair& p) {
    if (p.Pending && p.Held > 0) ++p.Stats.Overlaps;
    p.Pending = false;
  }

  void NoteOn(Pair& p, const TypMidiEvent& e) {
    PartStats& s = p.Stats;
    const int32_t tick = e.Position;
    const uint8_t pitch = e.Value[0] & 0x7F;
    ++s.Notes;
    if (pitch >= kLowestSung && pitch <= kHighestSung) ++s.InRange;
    if (tick != p.LastTick) {
      Close(p);
      p.LastTick = tick;
      ++s.Onsets;
      p.Held = p.Active;
      p.Pending = true;
      // The syllables within the tolerance of this onset.
      while (p.Cursor < syl_.size() && syl_[p.Cursor] < int64_t{tick} - tol_) ++p.Cursor;
      bool near = false;
      for (size_t j = p.Cursor; j < syl_.size() && syl_[j] <= int64_t{tick} + tol_; ++j) {
        near = true;
        if (s.Hit.empty() || s.Hit.back() < static_cast<int32_t>(j)) {
          s.Hit.push_back(static_cast<int32_t>(j));
          ++s.Hits;
        }
      }
      if (near) ++s.Matched;
    }
    if (p.OnTick[pitch] < 0) ++p.Active;
    p.OnTick[pitch] = tick;
  }

  void NoteOff(Pair& p, const TypMidiEvent& e) const {
    const uint8_t pitch = e.Value[0] & 0x7F;
    const int32_t began = p.OnTick[pitch];
    if (began < 0) return;
    // A note ending at the new onset, or a little after it (played legato), does not sound
    // under it.
    if (p.Pending && began < p.LastTick && e.Position <= int64_t{p.LastTick} + tol_ / 2) --p.Held;
    --p.Active;
    p.OnTick[pitch] = -1;
  }
};

bool Contains(const MelodyPart& whole, const MelodyPart& part) {
  return (whole.Track < 0 || whole.Track == part.Track) && (whole.Channel < 0 || whole.Channel == part.Channel);
}
bool Related(const MelodyPart& a, const MelodyPart& b) { return Contains(a, b) || Contains(b, a); }

// The notes of the parts, each in its stretch of the song: one per tick (the highest), with the
// length to its note-off.
std::vector<MelodyNote> CollectNotes(const Song& song, const std::vector<MelodyPart>& parts) {
  std::vector<MelodyNote> notes;
  if (parts.empty()) return notes;
  // Which part is active at a tick.
  auto partAt = [&](int32_t tick) -> const MelodyPart& {
    auto after = std::upper_bound(parts.begin() + 1, parts.end(), tick,
                                  [](int32_t t, const MelodyPart& p) { return t < p.From; });
    return *(after - 1);
  };
  const int32_t tracks = std::min<int32_t>(song.NumberOfSourceTracks, static_cast<int32_t>(song.MidiTrack.size()));
  std::array<std::array<int64_t, 128>, 16> open;
  for (auto& row : open) row.fill(-1);
  std::vector<std::pair<size_t, uint8_t>> used;
  for (int32_t t = 0; t < tracks; ++t) {
    bool wanted = false;
    for (const MelodyPart& p : parts) wanted |= p.Track < 0 || p.Track == t;
    if (!wanted) continue;
    // Notes waiting for their note-off; only the entries used are reset for the next track.
    for (const auto& [channel, pitch] : used) open[channel][pitch] = -1;
    used.clear();
    for (const TypMidiEvent* e = FirstEventOf(song.MidiTrack[static_cast<size_t>(t)]); e; e = e->NextEvent) {
      if (e->DType != DTypeChannel) continue;
      const int channel = e->Command & 0x0F;
      const uint8_t pitch = e->Value[0] & 0x7F;
      if (IsNoteOff(*e)) {
        int64_t& i = open[static_cast<size_t>(channel)][pitch];
        if (i >= 0) notes[static_cast<size_t>(i)].Length = e->Position - notes[static_cast<size_t>(i)].Tick;
        i = -1;
        continue;
      }
      if (!IsNoteOn(*e)) continue;
      const MelodyPart& p = partAt(e->Position);
      const bool fits = (p.Track < 0 || p.Track == t) && (p.Channel == channel || (p.Channel < 0 && channel != kDrums));
      if (!fits) continue;
      open[static_cast<size_t>(channel)][pitch] = static_cast<int64_t>(notes.size());
      used.push_back({static_cast<size_t>(channel), pitch});
      notes.push_back({e->Position, e->TimePosition, std::max(0, song.MaxSongPosition - e->Position), pitch,
                       e->Value[1], static_cast<uint8_t>(channel)});
    }
  }
  // One track's notes come in tick order already; parts over several tracks interleave.
  const auto byTick = [](const MelodyNote& a, const MelodyNote& b) { return a.Tick < b.Tick; };
  if (!std::is_sorted(notes.begin(), notes.end(), byTick)) std::stable_sort(notes.begin(), notes.end(), byTick);
  // A chord is one note: its highest.
  size_t out = 0;
  for (size_t i = 0; i < notes.size(); ++i) {
    if (out > 0 && notes[out - 1].Tick == notes[i].Tick) {
      if (notes[i].Pitch > notes[out - 1].Pitch) notes[out - 1] = notes[i];
      continue;
    }
    notes[out++] = notes[i];
  }
  notes.resize(out);
  return notes;
}

int32_t SyllablesNear(const std::vector<int32_t>& syllables, const std::vector<MelodyNote>& notes, int32_t tol) {
  int32_t count = 0;
  size_t n = 0;
  for (int32_t s : syllables) {
    while (n < notes.size() && notes[n].Tick < int64_t{s} - tol) ++n;
    if (n < notes.size() && notes[n].Tick <= int64_t{s} + tol) ++count;
  }
  return count;
}

// Verse on one part, chorus on another: the syllables the best part misses, taken by a second
// part in the stretches where it sings. Empty when no second part gains enough.
std::vector<MelodyPart> SplitMelody(const std::vector<PartStats>& stats, size_t best, const std::vector<int32_t>& syl,
                                    int32_t tol) {
  const PartStats& a = stats[best];
  const int32_t n = static_cast<int32_t>(syl.size());
  const int32_t enough = std::max(8, n / 10);
  if (n - a.Hits < enough) return {};
  size_t second = stats.size();
  double bestGain = 0;
  for (size_t i = 0; i < stats.size(); ++i) {
    const PartStats& b = stats[i];
    if (i == best || Related(a.Part, b.Part) || b.Hits < enough) continue;
    std::vector<int32_t> only;
    std::set_difference(b.Hit.begin(), b.Hit.end(), a.Hit.begin(), a.Hit.end(), std::back_inserter(only));
    const int32_t gain = static_cast<int32_t>(only.size());
    const double weighted = gain * b.Shape();
    if (gain >= enough && weighted > bestGain) {
      bestGain = weighted;
      second = i;
    }
  }
  if (second == stats.size()) return {};
  const PartStats& b = stats[second];
  auto flags = [n](const std::vector<int32_t>& hit) {
    std::vector<uint8_t> f(static_cast<size_t>(n), 0);
    for (int32_t j : hit) f[static_cast<size_t>(j)] = 1;
    return f;
  };
  const std::vector<uint8_t> onA = flags(a.Hit), onB = flags(b.Hit);
  // Each syllable goes to the part that has a note near it (the best part first); a syllable
  // near neither stays with the part before it.
  std::vector<int> label(static_cast<size_t>(n), -1);
  int previous = -1;
  for (int32_t j = 0; j < n; ++j) {
    const size_t u = static_cast<size_t>(j);
    label[u] = onA[u] ? 0 : onB[u] ? 1 : previous;
    if (label[u] >= 0) previous = label[u];
  }
  for (int32_t j = n - 1, next = 0; j >= 0; --j) {
    if (label[static_cast<size_t>(j)] < 0) label[static_cast<size_t>(j)] = next;
    next = label[static_cast<size_t>(j)];
  }
  // Runs of a few syllables are slips of the timing, not a change of singer.
  constexpr int32_t kShortRun = 4;
  for (int32_t j = 0; j < n;) {
    int32_t end = j;
    while (end < n && label[static_cast<size_t>(end)] == label[static_cast<size_t>(j)]) ++end;
    if (j > 0 && end - j < kShortRun)
      std::fill(label.begin() + j, label.begin() + end, label[static_cast<size_t>(j - 1)]);
    j = end;
  }
  std::vector<MelodyPart> parts;
  for (int32_t j = 0; j < n; ++j) {
    if (j > 0 && label[static_cast<size_t>(j)] == label[static_cast<size_t>(j - 1)]) continue;
    MelodyPart p = label[static_cast<size_t>(j)] == 0 ? a.Part : b.Part;
    p.From = j == 0 ? 0 : static_cast<int32_t>(std::max<int64_t>(0, int64_t{syl[static_cast<size_t>(j)]} - tol));
    parts.push_back(p);
  }
  if (parts.size() < 2) return {};
  return parts;
}

std::string Quoted(const std::string& name) { return Tr("„" + name + "“", "'" + name + "'"); }

std::string OnNoteText(int32_t onNote, int32_t syllables) {
  return Tr(std::to_string(onNote) + " von " + std::to_string(syllables) + " Silben auf einer Note",
            std::to_string(onNote) + " of " + std::to_string(syllables) + " syllables on a note");
}

std::string ShapeText(const PartStats& s) {
  std::vector<std::string> what;
  if (s.MostlySingle()) what.push_back(Tr("meist eine Note zugleich", "mostly one note at a time"));
  if (s.SingingRange()) what.push_back(Tr("in Singlage", "in a singing range"));
  if (s.Named) what.push_back(Tr("der Name sagt Melodie", "named as the melody"));
  if (what.empty()) return Tr("die Stimme, die einer Melodie am nächsten kommt", "the part closest to a melody");
  std::string text;
  for (size_t i = 0; i < what.size(); ++i) text += (i > 0 ? ", " : "") + what[i];
  return text;
}

MelodyChoice Automatic(const Song& song, const std::vector<int32_t>& syl, int32_t tol) {
  MelodyChoice choice;
  choice.Automatic = true;
  choice.Syllables = static_cast<int32_t>(syl.size());
  const std::vector<PartStats> stats = PartSurvey(song, syl, tol).Run();
  int64_t mostOnsets = 0, mostHits = 0;
  for (const PartStats& s : stats) mostOnsets = std::max(mostOnsets, s.Onsets), mostHits = std::max<int64_t>(mostHits, s.Hits);
  // Lyrics that lie near no note at all (an imported text not yet assigned) tell nothing.
  const bool lyrics = mostHits > 0;
  size_t best = stats.size();
  double bestScore = 0;
  for (size_t i = 0; i < stats.size(); ++i) {
    const double score = stats[i].Score(lyrics, mostOnsets);
    // Equal scores: the part on one track, then the earlier one.
    if (score > bestScore * (1 + 1e-9)) {
      bestScore = score;
      best = i;
    }
  }
  if (best == stats.size()) {
    choice.Reason = Tr("keine Melodie: der Song hat außer auf Kanal 10 keine Noten",
                       "no melody: the song has no notes outside channel 10");
    return choice;
  }
  // A part that clearly carries more syllables than the best-shaped one is what was sung on,
  // whatever its shape (a piano doubling the melody with chords under it).
  if (lyrics) {
    size_t most = best;
    for (size_t i = 0; i < stats.size(); ++i)
      if (stats[i].Hits > stats[most].Hits) most = i;
    if (stats[most].Hits >= stats[best].Hits + std::max(8, choice.Syllables / 10)) best = most;
  }
  choice.Parts = {stats[best].Part};
  if (lyrics) {
    std::vector<MelodyPart> split = SplitMelody(stats, best, syl, tol);
    if (!split.empty()) {
      std::vector<MelodyNote> notes = CollectNotes(song, split);
      const int32_t onNote = SyllablesNear(syl, notes, tol);
      if (onNote >= stats[best].Hits + std::max(8, choice.Syllables / 10)) {
        choice.Parts = std::move(split);
        choice.Notes = std::move(notes);
        choice.SyllablesOnNote = onNote;
      }
    }
  }
  if (choice.Notes.empty()) {
    choice.Notes = CollectNotes(song, choice.Parts);
    choice.SyllablesOnNote = SyllablesNear(syl, choice.Notes, tol);
  }
  choice.Reason = PartsText(song, choice.Parts) + ": " +
                  (lyrics ? OnNoteText(choice.SyllablesOnNote, choice.Syllables) : ShapeText(stats[best]));
  return choice;
}

}  // namespace

int32_t NoteTolerance(const Song& song) {
  const int division = song.SourceTimeBase & 0x8000 ? 0 : song.SourceTimeBase;
  return std::max(1, (division > 0 ? division : 120) / 4);
}

MelodyChoice FindMelody(const Song& song, const MelodySetting& setting) {
  const std::vector<int32_t> syl = SungTicks(song);
  const int32_t tol = NoteTolerance(song);
  if (setting.Mode == MelodySetting::Kind::Automatic) return Automatic(song, syl, tol);

  MelodyChoice choice;
  choice.Syllables = static_cast<int32_t>(syl.size());
  choice.Parts = {setting.Mode == MelodySetting::Kind::Channel ? MelodyPart{-1, setting.Channel & 0x0F, 0}
                                                               : MelodyPart{setting.Track, -1, 0}};
  choice.Notes = CollectNotes(song, choice.Parts);
  choice.SyllablesOnNote = SyllablesNear(syl, choice.Notes, tol);
  choice.Reason = PartsText(song, choice.Parts) + " " + Tr("(in den Optionen gewählt)", "(chosen in the options)");
  if (choice.Notes.empty())
    choice.Reason += Tr(": keine Noten", ": no notes");
  else if (!syl.empty())
    choice.Reason += ": " + OnNoteText(choice.SyllablesOnNote, choice.Syllables);
  if (!syl.empty()) {
    MelodyChoice found = Automatic(song, syl, tol);
    if (found.SyllablesOnNote >= choice.SyllablesOnNote + std::max(4, choice.Syllables / 10)) {
      choice.Better = std::move(found.Parts);
      choice.BetterOnNote = found.SyllablesOnNote;
    }
  }
  return choice;
}

MelodyChoice FindMelody(const Song& song) { return FindMelody(song, song.Configuration.Melody); }

void UseMelody(Song& song) {
  MelodyChoice choice = FindMelody(song);
  TMyTrack& melody = song.MelodyTrack;
  melody = TMyTrack{};
  auto append = [&](PtrMidiEvent e) {
    if (melody.TrkLastEvent) melody.TrkLastEvent->NextEvent = e;
    else melody.TrkFirstEvent = e;
    melody.TrkLastEvent = e;
    ++melody.TrkEventCounter;
  };
  auto meta = [&](uint8_t type, std::string data, int32_t tick) {
    PtrMidiEvent e = song.Pool.NewEvent();
    e->Command = 0xFF;
    e->DType = DTypeMeta;
    e->MType = type;
    e->Meta = std::move(data);
    e->Position = tick;
    return e;
  };
  append(meta(0x21, std::string(1, '\0'), 0));
  for (const MelodyNote& n : choice.Notes) {
    PtrMidiEvent e = song.Pool.NewEvent();
    e->Command = static_cast<uint8_t>(0x90 | n.Channel);
    e->DType = DTypeChannel;
    e->MType = -1;
    e->Position = n.Tick;
    e->TimePosition = n.TimeMs;
    e->Value[0] = e->ValueOrg[0] = n.Pitch;
    e->Value[1] = e->ValueOrg[1] = n.Velocity;
    append(e);
  }
  append(meta(0x2F, "", song.MaxSongPosition));
  melody.TrkPlayEvent = melody.TrkFirstEvent;
  choice.Notes.clear();
  choice.Notes.shrink_to_fit();
  song.Melody = std::move(choice);
}

std::vector<MelodyNote> CurrentMelodyNotes(const Song& song, bool withHidden) {
  std::vector<MelodyNote> notes;
  const TypMidiEvent* first = song.MelodyTrack.TrkFirstEvent;
  for (const TypMidiEvent* e = first ? first->NextEvent : nullptr; e; e = e->NextEvent) {
    if ((e->Hidden && !withHidden) || !IsNoteOn(*e)) continue;
    if (!notes.empty()) notes.back().Length = e->Position - notes.back().Tick;
    notes.push_back({e->Position, static_cast<int32_t>(PositionToTime(song, e->Position)), 0, e->Value[0], e->Value[1],
                     static_cast<uint8_t>(e->Command & 0x0F), e->Hidden});
  }
  if (!notes.empty()) notes.back().Length = std::max(0, song.MaxSongPosition - notes.back().Tick);
  return notes;
}

std::string TrackName(const Song& song, int32_t track) {
  if (track < 0 || track >= static_cast<int32_t>(song.MidiTrack.size())) return {};
  const TypMidiEvent* e = song.MidiTrack[static_cast<size_t>(track)].TrkNameEvent;
  if (!e) return {};
  std::string name = Utf16ToUtf8(DecodeText(e->Meta, song.Encoding));
  const auto space = [](unsigned char c) { return c <= ' '; };
  while (!name.empty() && space(static_cast<unsigned char>(name.back()))) name.pop_back();
  size_t start = 0;
  while (start < name.size() && space(static_cast<unsigned char>(name[start]))) ++start;
  return name.substr(start);
}

std::string PartsText(const Song& song, const std::vector<MelodyPart>& parts) {
  if (parts.empty()) return Tr("keine", "none");
  std::vector<MelodyPart> distinct;
  for (MelodyPart p : parts) {
    p.From = 0;
    if (std::find(distinct.begin(), distinct.end(), p) == distinct.end()) distinct.push_back(p);
  }
  std::string text;
  for (size_t i = 0; i < distinct.size(); ++i) {
    const MelodyPart& p = distinct[i];
    if (i > 0) text += Tr(" und ", " and ");
    if (p.Channel >= 0) text += Tr("Kanal ", "channel ") + std::to_string(p.Channel + 1);
    if (p.Track >= 0) {
      if (p.Channel >= 0) text += ", ";
      const std::string name = TrackName(song, p.Track);
      text += Tr("Spur ", "track ") + (name.empty() ? std::to_string(p.Track + 1) : Quoted(name));
    }
  }
  if (distinct.size() > 1) text += Tr(" im Wechsel", " by turns");
  return text;
}

std::string MelodySettingText(const MelodySetting& setting) {
  switch (setting.Mode) {
    case MelodySetting::Kind::Channel: return std::to_string(setting.Channel + 1);
    case MelodySetting::Kind::Track: return "track " + std::to_string(setting.Track + 1);
    default: return "auto";
  }
}

std::optional<MelodySetting> ParseMelodySetting(std::string_view text) {
  std::string t(text);
  for (char& c : t) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (t == "auto" || t == "automatic") return MelodySetting::Automatic();
  const bool track = t.rfind("track ", 0) == 0;
  const std::string digits = track ? t.substr(6) : t;
  if (digits.empty() || digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
    return std::nullopt;
  const int32_t n = std::stoi(digits);
  if (track) return n >= 1 ? std::optional(MelodySetting::OfTrack(n - 1)) : std::nullopt;
  return n >= 1 && n <= 16 ? std::optional(MelodySetting::OfChannel(n - 1)) : std::nullopt;
}

}  // namespace cv
