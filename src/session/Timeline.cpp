#include "session/Timeline.h"

#include <algorithm>
#include <array>
#include <climits>
#include <exception>

#include "lyrics/SyllableMoves.h"
#include "song/MelodyFinder.h"
#include "session/SongCheck.h"
#include "song/SyllableTimes.h"
#include "song/TitleLines.h"
#include "song/TimeMap.h"

namespace cv {

// ---------------------------------------------------------------- lanes

void TNoteLane::Assign(std::vector<TTimelineNote> notes) {
  std::stable_sort(notes.begin(), notes.end(),
                   [](const TTimelineNote& a, const TTimelineNote& b) { return a.Tick < b.Tick; });
  low_ = high_ = -1;
  for (const TTimelineNote& n : notes) {
    low_ = low_ < 0 ? n.Pitch : std::min<int>(low_, n.Pitch);
    high_ = std::max<int>(high_, n.Pitch);
  }
  // "Long": beyond sixteen times the typical (median) length and at least 4096 ticks.
  int32_t cap = INT32_MAX;
  if (!notes.empty()) {
    std::vector<int32_t> lengths;
    lengths.reserve(notes.size());
    for (const TTimelineNote& n : notes) lengths.push_back(n.End - n.Tick);
    std::nth_element(lengths.begin(), lengths.begin() + static_cast<std::ptrdiff_t>(lengths.size() / 2), lengths.end());
    cap = static_cast<int32_t>(std::max<int64_t>(4096, int64_t{lengths[lengths.size() / 2]} * 16));
  }
  notes_.clear();
  long_.clear();
  maxLength_ = 0;
  for (const TTimelineNote& n : notes) {
    if (n.End - n.Tick > cap) {
      long_.push_back(n);
    } else {
      notes_.push_back(n);
      maxLength_ = std::max(maxLength_, n.End - n.Tick);
    }
  }
  blockSpan_.clear();
  for (size_t b = 0; b < notes_.size(); b += kBlock) {
    uint8_t lo = 127, hi = 0;
    for (size_t i = b; i < std::min(notes_.size(), b + kBlock); ++i) {
      lo = std::min(lo, notes_[i].Pitch);
      hi = std::max(hi, notes_[i].Pitch);
    }
    blockSpan_.emplace_back(lo, hi);
  }
}

std::pair<size_t, size_t> TNoteLane::Starting(int32_t from, int32_t to) const {
  auto byTick = [](const TTimelineNote& n, int32_t t) { return n.Tick < t; };
  const auto first = std::lower_bound(notes_.begin(), notes_.end(), from, byTick);
  const auto last = std::lower_bound(first, notes_.end(), to, byTick);
  return {static_cast<size_t>(first - notes_.begin()), static_cast<size_t>(last - notes_.begin())};
}

std::pair<size_t, size_t> TNoteLane::Visible(int32_t from, int32_t to) const {
  return Starting(static_cast<int32_t>(std::max<int64_t>(INT32_MIN, int64_t{from} - maxLength_)), to);
}

std::pair<int, int> TNoteLane::PitchSpan(size_t first, size_t second) const {
  second = std::min(second, notes_.size());
  if (first >= second) return {-1, -1};
  int lo = 127, hi = 0;
  size_t i = first;
  auto take = [&](int a, int b) {
    lo = std::min(lo, a);
    hi = std::max(hi, b);
  };
  for (; i < second && i % kBlock != 0; ++i) take(notes_[i].Pitch, notes_[i].Pitch);
  for (; i + kBlock <= second; i += kBlock) take(blockSpan_[i / kBlock].first, blockSpan_[i / kBlock].second);
  for (; i < second; ++i) take(notes_[i].Pitch, notes_[i].Pitch);
  return {lo, hi};
}

// ---------------------------------------------------------------- model

void TimelineModel::Clear() {
  song_ = nullptr;
  melody_.Assign({});
  others_.Assign({});
  blocks_.clear();
  elementBlock_.clear();
  findings_.clear();
  melodyStarts_.clear();
  endTick_ = 0;
}

void TimelineModel::Build(Song& song) {
  Clear();
  if (!song.MidiFileLoaded) return;
  song_ = &song;
  // The program's melody says which notes are sung (one per chord, over every part it follows);
  // the tracks give every note its note-off.
  const std::vector<MelodyNote> melody = CurrentMelodyNotes(song, true);
  std::vector<uint8_t> taken(melody.size(), 0);
  std::vector<TTimelineNote> melodyNotes, otherNotes;
  std::array<int64_t, 16 * 128> open{};  // per channel and pitch: the sounding note, +1 in melody
  const int tracks = std::min<int>(song.NumberOfSourceTracks, static_cast<int>(song.MidiTrack.size()));
  for (int t = 0; t < tracks; ++t) {
    open.fill(0);
    size_t m = 0;  // first melody note not before the event
    auto close = [&](int64_t& slot, int32_t tick) {
      if (slot == 0) return;
      TTimelineNote& n = slot > 0 ? melodyNotes[static_cast<size_t>(slot - 1)] : otherNotes[static_cast<size_t>(-slot - 1)];
      n.End = std::max(tick, n.Tick + 1);
      slot = 0;
    };
    for (PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent; e; e = e->NextEvent) {
      if (e->DType != DTypeChannel) continue;
      const int kind = e->Command & 0xF0, channel = e->Command & 0x0F;
      if (kind != 0x80 && kind != 0x90) continue;
      const uint8_t pitch = e->Value[0] & 0x7F;
      int64_t& slot = open[static_cast<size_t>(channel * 128 + pitch)];
      close(slot, e->Position);
      if (kind != 0x90 || e->Value[1] == 0) continue;
      while (m < melody.size() && melody[m].Tick < e->Position) ++m;
      size_t k = m;
      // The melody keeps the pitch it was found with: the one played, or the one read before a
      // transposition.
      auto same = [&](const MelodyNote& n) {
        return n.Channel == channel && (n.Pitch == pitch || n.Pitch == (e->ValueOrg[0] & 0x7F));
      };
      while (k < melody.size() && melody[k].Tick == e->Position && (taken[k] || !same(melody[k]))) ++k;
      const TTimelineNote note{e->Position, e->Position + 1, pitch, static_cast<uint8_t>(channel), false};
      if (k < melody.size() && melody[k].Tick == e->Position) {
        taken[k] = 1;
        melodyNotes.push_back(note);
        melodyNotes.back().Hidden = melody[k].Hidden;
        slot = static_cast<int64_t>(melodyNotes.size());
      } else {
        otherNotes.push_back(note);
        slot = -static_cast<int64_t>(otherNotes.size());
      }
    }
    for (int64_t& slot : open) close(slot, song.MaxSongPosition);
  }
  melody_.Assign(std::move(melodyNotes));
  others_.Assign(std::move(otherNotes));
  auto fitted = [](int low, int high) {
    if (low < 0) low = 60, high = 72;
    while (high - low < 12) {
      if (low > 0) --low;
      if (high < 127) ++high;
    }
    return std::make_pair(low, high);
  };
  const TNoteLane& fit = melody_.Empty() ? others_ : melody_;
  int low = fit.Low(), high = fit.High();
  for (const TTimelineNote& n : fit.LongNotes()) low = std::min<int>(low, n.Pitch), high = std::max<int>(high, n.Pitch);
  strip_ = fitted(low, high);
  for (const std::vector<TTimelineNote>* notes : {&others_.Notes(), &others_.LongNotes()})
    for (const TTimelineNote& n : *notes)
      if (n.Channel != 9) low = low < 0 ? n.Pitch : std::min<int>(low, n.Pitch), high = std::max<int>(high, n.Pitch);
  wideStrip_ = fitted(low, high);
  melodyStarts_ = cv::MelodyStarts(song);
  BuildSyllables(song);
}

void TimelineModel::BuildSyllables(Song& song, bool findings) {
  if (song_ != &song) return;
  blocks_.clear();
  findings_.clear();
  const int32_t n = SyllableCount(song);
  const int32_t header = HeaderElementCount(song);
  elementBlock_.assign(static_cast<size_t>(std::max(n, 0)), -1);
  int32_t start = 0;
  for (int32_t i = 0; i < n; ++i) {
    const THyphens& h = song.HyphenArray[i];
    if (h.Text.empty()) continue;
    TTimelineBlock b;
    b.Index = i;
    start = std::max(start, h.SongPosition);
    b.Start = b.End = start;
    const bool lineBreak = h.Text == u"\r";
    b.Kind = i < header ? (lineBreak ? TBlockKind::Break : TBlockKind::Header)
             : IsSungSyllable(h) ? TBlockKind::Sung
             : lineBreak ? TBlockKind::Break
                         : TBlockKind::Rider;
    elementBlock_[static_cast<size_t>(i)] = static_cast<int32_t>(blocks_.size());
    blocks_.push_back(b);
  }
  // A block reaches to the next block with text of its own; the last one a beat further.
  int32_t next = -1;
  for (size_t k = blocks_.size(); k-- > 0;) {
    TTimelineBlock& b = blocks_[k];
    const bool wide = b.Kind == TBlockKind::Sung || b.Kind == TBlockKind::Header;
    if (wide) b.End = next < 0 ? b.Start + std::max<int32_t>(1, song.SourceTimeBase) : std::max(next, b.Start + 1);
    if (wide) next = b.Start;
  }
  // The song check's note findings, on the syllables they concern.
  try {
    for (const TSongFinding& f : findings ? CheckSongNotes(song) : std::vector<TSongFinding>{}) {
      if ((f.Kind != "no-note" && f.Kind != "shared-note") || f.Hyphen < 0 || f.Hyphen >= n) continue;
      const int32_t block = elementBlock_[static_cast<size_t>(f.Hyphen)];
      if (block < 0) continue;
      blocks_[static_cast<size_t>(block)].Finding = static_cast<int32_t>(findings_.size());
      findings_.push_back({f.Kind, f.Message});
    }
  } catch (const std::exception&) {
    // The marks are a help only; a song the check cannot read is still shown.
  }
  endTick_ = std::max(song.MaxSongPosition, blocks_.empty() ? 0 : blocks_.back().End);
}

std::pair<size_t, size_t> TimelineModel::VisibleBlocks(int32_t from, int32_t to) const {
  auto starting = [&](int32_t t) {
    return std::partition_point(blocks_.begin(), blocks_.end(), [t](const TTimelineBlock& b) { return b.Start < t; });
  };
  const auto first = starting(from);
  const auto last = std::max(first, starting(to));
  // The wide block before the range (past the marks behind it) may reach into it.
  auto begin = first;
  for (auto p = first; p != blocks_.begin();) {
    --p;
    if (p->Kind != TBlockKind::Sung && p->Kind != TBlockKind::Header) continue;
    if (p->End > from) begin = p;
    break;
  }
  return {static_cast<size_t>(begin - blocks_.begin()), static_cast<size_t>(last - blocks_.begin())};
}

int32_t TimelineModel::BlockAt(int32_t tick) const {
  auto it = std::partition_point(blocks_.begin(), blocks_.end(), [&](const TTimelineBlock& b) { return b.Start <= tick; });
  while (it != blocks_.begin()) {
    --it;
    if (it->Kind == TBlockKind::Sung || it->Kind == TBlockKind::Header)
      return tick < it->End ? static_cast<int32_t>(it - blocks_.begin()) : -1;
  }
  return -1;
}

int32_t TimelineModel::BlockOfElement(int32_t index) const {
  if (index < 0 || index >= static_cast<int32_t>(elementBlock_.size())) return -1;
  return elementBlock_[static_cast<size_t>(index)];
}

std::vector<TRulerLine> TimelineModel::RulerLines(int32_t from, int32_t to, int32_t minBeatTicks) const {
  std::vector<TRulerLine> lines;
  if (!song_ || song_->TimeZoneElements < 1 || song_->SourceTimeBase == 0) return lines;
  const Song& s = *song_;
  const int last = std::min<int>(s.TimeZoneElements, static_cast<int>(s.TimeZone.size())) - 1;
  if (last < 0) return lines;
  from = std::max(from, 0);
  int z = FindTimeZone(s, from);
  for (; z <= last; ++z) {
    const TTimeZone& zone = s.TimeZone[static_cast<size_t>(z)];
    if (zone.SongPosition >= to) break;
    const int64_t zoneEnd = z < last ? s.TimeZone[static_cast<size_t>(z) + 1].SongPosition : int64_t{to};
    const int64_t tpb = std::max<int64_t>(1, int64_t{s.SourceTimeBase} * 4 / std::max<int>(1, zone.TS_Denominator));
    const int64_t beats = std::max<int>(1, zone.TS_Numerator);
    const int64_t offset = zone.Ticks % tpb;
    const int64_t first = zone.SongPosition + (offset ? tpb - offset : 0);
    const int64_t beat0 = (zone.Beat - 1) + (offset ? 1 : 0);
    // Every beat, or every n-th bar.
    int64_t every = 1;
    bool barsOnly = tpb < minBeatTicks;
    if (barsOnly)
      while (tpb * beats * every < minBeatTicks && every < (int64_t{1} << 40)) every *= 2;
    const int64_t step = barsOnly ? tpb * beats : tpb;
    int64_t k = 0;
    if (barsOnly) k = (beats - beat0 % beats) % beats;  // the first bar start
    if (from > first + k * tpb) k += (int64_t{from} - (first + k * tpb) + step - 1) / step * (step / tpb);
    for (;; k += step / tpb) {
      const int64_t tick = first + k * tpb;
      if (tick >= zoneEnd || tick >= to) break;
      const int64_t b = beat0 + k;
      const int64_t measure = zone.Measure + b / beats;
      if (barsOnly && (measure - 1) % every != 0) continue;
      lines.push_back({static_cast<int32_t>(tick), static_cast<int32_t>(measure), static_cast<int32_t>(b % beats + 1)});
    }
  }
  return lines;
}

std::u16string TimelineModel::LineText(const TRulerLine& line) const {
  const int base = song_ ? song_->SourceTimeBase : 480;
  const size_t w = base < 10 ? 1 : base < 100 ? 2 : base < 1000 ? 3 : base < 10000 ? 4 : 5;
  std::string measure = std::to_string(line.Measure);
  if (measure.size() < 3) measure.insert(0, 3 - measure.size(), '0');
  std::string beat = std::to_string(line.Beat);
  if (beat.size() < 2) beat.insert(0, 1, '0');
  const std::string text = measure + "." + beat + "." + std::string(w, '0');
  return std::u16string(text.begin(), text.end());
}

int64_t TimelineModel::TickToMs(int64_t tick) const {
  if (!song_ || song_->TimeZoneElements < 1) return 0;
  return PositionToTime(*song_, std::max<int64_t>(0, tick));
}

int64_t TimelineModel::MsToTick(int64_t ms) const {
  if (!song_ || song_->TimeZoneElements < 1) return 0;
  return TimeToPosition(*song_, std::max<int64_t>(0, ms));
}

}  // namespace cv
