#include "lyrics/SyllableMoves.h"

#include <algorithm>
#include <climits>

#include "lyrics/InsertLyrics.h"
#include "lyrics/Quantize.h"
#include "song/SyllableTimes.h"
#include "song/TitleLines.h"

namespace cv {

namespace {

int32_t Clamp32(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

int32_t FirstTick(const Song& song, const TSyllableUnit& u) {
  int32_t t = INT32_MAX;
  for (int32_t i = u.First; i <= u.Last; ++i) t = std::min(t, song.HyphenArray[i].SongPosition);
  return t;
}

int32_t LastTick(const Song& song, const TSyllableUnit& u) {
  int32_t t = INT32_MIN;
  for (int32_t i = u.First; i <= u.Last; ++i) t = std::max(t, song.HyphenArray[i].SongPosition);
  return t;
}

// Selected units as flags over the unit list.
std::vector<char> SelectedUnits(const std::vector<TSyllableUnit>& units, const std::vector<int32_t>& selection) {
  std::vector<char> selected(units.size(), 0);
  for (int32_t index : selection) {
    const int32_t u = UnitOf(units, index);
    if (u >= 0 && units[u].Sung >= 0) selected[u] = 1;
  }
  return selected;
}

int32_t Limit(const Song& song, const std::vector<TSyllableUnit>& units, const std::vector<char>& selected,
              int32_t delta) {
  int64_t low = INT64_MIN, high = INT64_MAX;
  // The song name keeps its place; the artist and blank title lines follow the first sung syllable.
  const int32_t firstFloor = FirstSungMinimum(HeaderElementCount(song));
  const int32_t songEnd = std::max(0, song.MaxSongPosition - 1);
  const size_t n = units.size();
  for (size_t u = 0; u < n;) {
    if (!selected[u]) {
      ++u;
      continue;
    }
    size_t v = u;
    while (v + 1 < n && selected[v + 1]) ++v;
    int64_t first = INT64_MAX, last = INT64_MIN;
    for (size_t k = u; k <= v; ++k) {
      first = std::min<int64_t>(first, FirstTick(song, units[k]));
      last = std::max<int64_t>(last, LastTick(song, units[k]));
    }
    const int64_t floor = u > 0 ? int64_t{LastTick(song, units[u - 1])} + 1 : firstFloor;
    const int64_t ceiling = v + 1 < n ? int64_t{FirstTick(song, units[v + 1])} - 1 : std::max<int64_t>(songEnd, last);
    // A run already out of order with a neighbour may stay where it is, but not move further in.
    low = std::max(low, std::min<int64_t>(0, floor - first));
    high = std::min(high, std::max<int64_t>(0, ceiling - last));
    u = v + 1;
  }
  if (low == INT64_MIN) return 0;  // nothing selected can move
  if (low > high) return 0;
  return Clamp32(std::clamp<int64_t>(delta, low, high));
}

void Refresh(Song& song) {
  RefreshSyllableTimes(song);
  InsertLyrics(song);
}

}  // namespace

bool IsSungSyllable(const THyphens& h) {
  return !h.Text.empty() && h.Text != u"\r" && h.Text[0] != u'-' && !IsBarMarker(h);
}

std::vector<TSyllableUnit> SyllableUnits(const Song& song) {
  std::vector<TSyllableUnit> units;
  const int32_t n = SyllableCount(song);
  const auto& h = song.HyphenArray;
  int32_t i = HeaderElementCount(song);
  // Riders before the first sung syllable go with it.
  int32_t start = i;
  int32_t previousSung = -1;
  for (; i < n; ++i) {
    if (!IsSungSyllable(h[i])) continue;
    if (previousSung < 0) {
      units.push_back({start, i, i});
    } else {
      // The riders between two sung syllables: each goes with the nearer one.
      int32_t split = previousSung + 1;
      while (split < i && int64_t{h[split].SongPosition} - h[previousSung].SongPosition <=
                              int64_t{h[i].SongPosition} - h[split].SongPosition)
        ++split;
      units.back().Last = split - 1;
      units.push_back({split, i, i});
    }
    previousSung = i;
  }
  if (previousSung < 0) {
    if (start < n) units.push_back({start, n - 1, -1});
  } else {
    units.back().Last = n - 1;
  }
  return units;
}

int32_t UnitOf(const std::vector<TSyllableUnit>& units, int32_t index) {
  auto it = std::upper_bound(units.begin(), units.end(), index,
                             [](int32_t i, const TSyllableUnit& u) { return i < u.First; });
  if (it == units.begin()) return -1;
  --it;
  return index <= it->Last ? static_cast<int32_t>(it - units.begin()) : -1;
}

int32_t LimitSyllableMove(const Song& song, const std::vector<int32_t>& selection, int32_t delta) {
  const std::vector<TSyllableUnit> units = SyllableUnits(song);
  return Limit(song, units, SelectedUnits(units, selection), delta);
}

int32_t MoveSyllables(Song& song, const std::vector<int32_t>& selection, int32_t delta) {
  const std::vector<TSyllableUnit> units = SyllableUnits(song);
  const std::vector<char> selected = SelectedUnits(units, selection);
  const int32_t d = Limit(song, units, selected, delta);
  if (d == 0) return 0;
  for (size_t u = 0; u < units.size(); ++u) {
    if (!selected[u]) continue;
    for (int32_t i = units[u].First; i <= units[u].Last; ++i) {
      int32_t& p = song.HyphenArray[i].SongPosition;
      p = Clamp32(int64_t{p} + d);
    }
  }
  PlaceTitleLines(song);
  Refresh(song);
  return d;
}

std::vector<int32_t> MelodyStarts(const Song& song) {
  std::vector<int32_t> starts;
  const TypMidiEvent* e = song.MelodyTrack.TrkFirstEvent;
  for (; e; e = e->NextEvent)
    if (!e->Hidden && e->DType == DTypeChannel && (e->Command & 0xF0) == 0x90 && e->Value[1] != 0)
      starts.push_back(e->Position);
  std::sort(starts.begin(), starts.end());
  starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
  return starts;
}

int32_t NearestStart(const std::vector<int32_t>& starts, int32_t tick) {
  if (starts.empty()) return -1;
  auto it = std::lower_bound(starts.begin(), starts.end(), tick);
  if (it == starts.end()) return starts.back();
  if (it == starts.begin()) return *it;
  const int32_t before = *(it - 1);
  return int64_t{tick} - before <= int64_t{*it} - tick ? before : *it;
}

int32_t PreviousStart(const std::vector<int32_t>& starts, int32_t tick) {
  auto it = std::lower_bound(starts.begin(), starts.end(), tick);
  return it == starts.begin() ? -1 : *(it - 1);
}

int32_t NextStart(const std::vector<int32_t>& starts, int32_t tick) {
  auto it = std::upper_bound(starts.begin(), starts.end(), tick);
  return it == starts.end() ? -1 : *it;
}

int32_t GridStep(const Song& song) { return QuantizeWindow(song.SourceTimeBase, song.Configuration.QuantizeFactor); }

bool SnapSyllablesToNotes(Song& song, const std::vector<int32_t>& selection) {
  const std::vector<int32_t> starts = MelodyStarts(song);
  if (starts.empty()) return false;
  const std::vector<TSyllableUnit> units = SyllableUnits(song);
  std::vector<char> selected = SelectedUnits(units, selection);
  bool moved = false;
  // Two passes: a syllable held up by a selected neighbour that had yet to move gets its turn
  // on the way back.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t k = 0; k < units.size(); ++k) {
      const size_t u = pass == 0 ? k : units.size() - 1 - k;
      if (!selected[u]) continue;
      const int32_t sung = units[u].Sung;
      const int32_t want = NearestStart(starts, song.HyphenArray[sung].SongPosition) - song.HyphenArray[sung].SongPosition;
      if (want == 0) continue;
      std::vector<char> one(units.size(), 0);
      one[u] = 1;
      const int32_t d = Limit(song, units, one, want);
      if (d == 0) continue;
      for (int32_t i = units[u].First; i <= units[u].Last; ++i)
        song.HyphenArray[i].SongPosition = Clamp32(int64_t{song.HyphenArray[i].SongPosition} + d);
      moved = true;
    }
  }
  if (moved) {
    PlaceTitleLines(song);
    Refresh(song);
  }
  return moved;
}

std::u16string EditableSyllableText(const THyphens& h) {
  std::u16string text = h.Text;
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n')) text.pop_back();
  return text;
}

bool SetSyllableText(Song& song, int32_t index, std::u16string_view text) {
  if (index < 0 || index >= SyllableCount(song) || index < HeaderElementCount(song)) return false;
  THyphens& h = song.HyphenArray[index];
  if (!IsSungSyllable(h)) return false;
  std::u16string clean;
  for (char16_t c : text)
    if (c != u'\r' && c != u'\n') clean.push_back(c == u'\t' ? u' ' : c);
  // Only spaces is no syllable; a leading '-' would turn it into a continuation.
  if (clean.find_first_not_of(u' ') == std::u16string::npos || clean[0] == u'-') return false;
  if (!h.Text.empty() && h.Text.back() == u'\r') clean.push_back(u'\r');
  if (clean == h.Text) return false;
  h.Text = std::move(clean);
  song.TextChanged = true;
  Refresh(song);
  return true;
}

}  // namespace cv
