#include "song/TimeMap.h"

#include <algorithm>
#include <climits>
#include <limits>

#include "song/Language.h"
#include "song/SongErrors.h"

namespace cv {

namespace {

int32_t ToInt32(double v) {
  if (!(v >= INT32_MIN && v <= INT32_MAX)) throw RangeError();
  return static_cast<int32_t>(v);
}
int32_t ToInt32(int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) throw RangeError();
  return static_cast<int32_t>(v);
}

// MaxSongPosition + 1, where end markers sit.
int32_t EndMarkerPosition(const Song& song) {
  if (song.MaxSongPosition == INT32_MAX) throw OverflowError();
  return song.MaxSongPosition + 1;
}

template <typename T>
T Fit(int64_t v) {
  if (v < 0 || v > static_cast<int64_t>(std::numeric_limits<T>::max())) throw RangeError();
  return static_cast<T>(v);
}

void CheckDivisors(const Song& song, const TTimeZone& z) {
  const std::string div = std::to_string(song.SourceTimeBase);
  const std::string pos = Grouped(z.SongPosition);
  if (z.TS_Numerator == 0)
    throw EMidiError(DamagedFile(Tr("Die Taktart bei Tick " + pos + " hat 0 Schläge je Takt",
                                    "The time signature at tick " + pos + " has 0 beats to the bar")));
  if (z.TS_Denominator == 0 || song.SourceTimeBase * 4 / z.TS_Denominator == 0) {
    const std::string sig = std::to_string(z.TS_Numerator) + "/" + std::to_string(z.TS_Denominator);
    throw EMidiError(DamagedFile(Tr("Die Zeitbasis " + div + " ist zu klein für die Taktart " + sig + " bei Tick " + pos,
                                    "The time base " + div + " is too small for the time signature " + sig +
                                        " at tick " + pos)));
  }
}

// Milliseconds per tick. The practice speed stretches the time only: the tempos stay the song's.
float TempoComp(int32_t tempoLongInt, uint16_t timeBase, uint8_t practiceSpeed) {
  return static_cast<float>(static_cast<long double>(tempoLongInt) * 100 / PracticePercent(practiceSpeed) / 1000 /
                            timeBase);
}

// Measure, beat and ticks reached d ticks after a position in the given zone.
struct MusicalPosition {
  int64_t measure, beat, ticks;
};

MusicalPosition Advance(const Song& song, const TTimeZone& from, int64_t d, uint8_t carryDenominator) {
  const int64_t base = song.SourceTimeBase;
  const int64_t tpb = base * 4 / from.TS_Denominator;
  MusicalPosition m{from.Measure + (d / tpb) / from.TS_Numerator, from.Beat + (d / tpb) % from.TS_Numerator,
                    from.Ticks + d % tpb};
  const int step = carryDenominator == 8 ? 2 : 1;
  if (m.ticks >= base) {
    int64_t carries = m.ticks / base;
    m.beat += carries * step;
    m.ticks -= carries * base;
  }
  if (m.beat > from.TS_Numerator) {
    int64_t over = (m.beat - 1) / from.TS_Numerator;
    m.measure += over;
    m.beat -= over * from.TS_Numerator;
  }
  return m;
}

}  // namespace

int PracticePercent(uint8_t practiceSpeed) {
  static constexpr int kPercent[] = {100, 90, 80, 70, 60, 50};
  return practiceSpeed <= 5 ? kPercent[practiceSpeed] : 100;
}

void SetWorkingTempo(Song& song) {
  song.TempoArrayCounter = -1;
  if (song.MidiTrack.empty()) return;
  for (PtrMidiEvent e = song.MidiTrack[0].TrkFirstEvent; e; e = e->NextEvent) {
    if (e->Command != 0xFF || e->MType != 0x51) continue;
    const int n = ++song.TempoArrayCounter;
    if (n >= static_cast<int>(song.TempoArray.size()) || e->Meta.size() < 3) throw RangeError();
    TTempo& entry = song.TempoArray[n];
    const int64_t v = entry.OriginalTempoLongint;
    if (v <= 0 || v > 0xFFFFFF) throw RangeError();
    const int64_t bpm = static_cast<int64_t>(RoundHalfEven(60000000.0 / static_cast<double>(v)));
    Fit<uint16_t>(bpm);
    e->Meta[0] = static_cast<char>(v >> 16);
    e->Meta[1] = static_cast<char>((v >> 8) & 0xFF);
    e->Meta[2] = static_cast<char>(v & 0xFF);
    entry.TempoLongInt = static_cast<int32_t>(v);
    entry.Tempo = static_cast<uint16_t>(bpm);
  }
}

void PrepareTempoLists(Song& song) {
  const int32_t end = EndMarkerPosition(song);
  auto& tempo = song.TempoArray;
  if (tempo.empty()) tempo.resize(2);
  if (tempo[0].SongPosition == -1) {
    tempo[0].SongPosition = 0;
    tempo[0].Tempo = 120;
    tempo[0].TempoLongInt = 500000;
  }
  for (size_t i = 1; i < tempo.size(); ++i) {
    if (tempo[i].SongPosition != -1) continue;
    tempo[i].OldTempoLongInt = tempo[i - 1].OldTempoLongInt;
    tempo[i].OriginalTempoLongint = tempo[i - 1].OriginalTempoLongint;
    tempo[i].Tempo = tempo[i - 1].Tempo;
    tempo[i].TempoLongInt = tempo[i - 1].TempoLongInt;
    tempo[i].SongPosition = end;
  }
  auto& sig = song.TimeSignature;
  if (sig.empty()) sig.resize(2);
  if (sig[0].SongPosition == -1) {
    sig[0].Denominator = 4;
    sig[0].Numerator = 4;
    sig[0].SongPosition = 0;
  }
  for (size_t i = 1; i < sig.size(); ++i) {
    if (sig[i].SongPosition != -1) continue;
    sig[i] = sig[i - 1];
    sig[i].SongPosition = end;
  }
  song.TempoArrayElements = static_cast<int32_t>(tempo.size());
  song.TimeSignElements = static_cast<int32_t>(sig.size());
}

namespace {

// The zones of the two lists with their tempos and signatures, up to the end markers after the
// song's last tick (no times yet).
void MergeZones(Song& song) {
  if (song.SourceTimeBase == 0)
    throw EMidiError(DamagedFile(Tr("Der Dateikopf gibt 0 Ticks je Viertelnote als Zeitbasis an, so lässt sich keine "
                                    "Zeit messen",
                                    "The file header gives 0 ticks per quarter note as its time base, so no time can "
                                    "be measured")));
  auto& tempo = song.TempoArray;
  auto& sig = song.TimeSignature;
  if (tempo.empty() || sig.empty()) throw RangeError();
  song.TempoArrayElements = static_cast<int32_t>(tempo.size());
  song.TimeSignElements = static_cast<int32_t>(sig.size());

  // Default tempo at tick 0. Only position and microseconds move up: the other fields keep the
  // index of their tempo event, which the speed and tempo edits rely on.
  if (tempo[0].SongPosition != 0) {
    tempo.emplace_back();
    for (int i = song.TempoArrayElements - 1; i >= 0; --i) {
      tempo[i + 1].SongPosition = tempo[i].SongPosition;
      tempo[i + 1].TempoLongInt = tempo[i].TempoLongInt;
    }
    tempo[0].SongPosition = 0;
    tempo[0].Tempo = 120;
    tempo[0].TempoLongInt = 500000;
    ++song.TempoArrayElements;
  }
  song.CurrentTempo = tempo[0].Tempo;
  if (sig[0].SongPosition != 0) {
    sig.insert(sig.begin(), TTimeSign{8, 4, 4, 0, 24});
    ++song.TimeSignElements;
  }

  const int32_t maxPos = song.MaxSongPosition;
  const int32_t end = EndMarkerPosition(song);
  std::vector<TTimeZone>& zones = song.TimeZone;
  zones.assign(static_cast<size_t>(song.TempoArrayElements + song.TimeSignElements), TTimeZone{});
  for (TTimeZone& z : zones) z.SongPosition = end;

  auto takeTempo = [&](TTimeZone& z, int x) {
    z.TempoLongInt = tempo[x].TempoLongInt;
    if (z.TempoLongInt <= 0) throw RangeError();
    // The zone shows the beats per minute of the tempo it plays.
    z.Tempo = Fit<uint16_t>(static_cast<int64_t>(RoundHalfEven(60000000.0 / z.TempoLongInt)));
    z.TempoComp = TempoComp(z.TempoLongInt, song.SourceTimeBase, song.Configuration.PlaybackSpeed);
  };
  auto takeSig = [&](TTimeZone& z, int y) {
    z.TS_Denominator = sig[y].Denominator;
    z.TS_Numerator = sig[y].Numerator;
  };
  const int nt = song.TempoArrayElements, ns = song.TimeSignElements;
  int k = 0, i = 0, j = 0;
  do {
    TTimeZone& z = zones[j];
    const int32_t tp = tempo[k].SongPosition, sp = sig[i].SongPosition;
    if (tp == sp) {
      z.SongPosition = tp;
      takeTempo(z, k++);
      takeSig(z, i++);
    } else if (tp < sp) {
      z.SongPosition = tp;
      takeTempo(z, k++);
      takeSig(z, i - 1);
    } else {
      z.SongPosition = sp;
      takeTempo(z, k - 1);
      takeSig(z, i++);
    }
    ++j;
    if (k >= nt || i >= ns) break;  // unreachable while both lists end with an end marker
  } while (tempo[k].SongPosition <= maxPos || sig[i].SongPosition <= maxPos);

  song.TimeZoneElements = j + 1;
  zones.resize(static_cast<size_t>(j) + 2);
  for (int e = j; e <= j + 1; ++e) {
    const TTimeZone& p = zones[e - 1];
    zones[e].Tempo = p.Tempo;
    zones[e].TempoComp = p.TempoComp;
    zones[e].TempoLongInt = p.TempoLongInt;
    zones[e].TS_Denominator = p.TS_Denominator;
    zones[e].TS_Numerator = p.TS_Numerator;
    zones[e].SongPosition = end;
  }
}

// The start times of zones 1..count-1: each the rounded sum of the ticks before it at their zones'
// milliseconds per tick.
void AccumulateTimes(std::vector<TTimeZone>& zones, int count) {
  zones[0].Time = 0;
  double sum = 0;
  for (int l = 1; l < count; ++l) {
    const TTimeZone& p = zones[l - 1];
    TTimeZone& z = zones[l];
    const int64_t d = static_cast<int64_t>(z.SongPosition) - p.SongPosition;
    sum += static_cast<double>(d) * static_cast<double>(p.TempoComp);
    z.Time = ToInt32(RoundHalfEven(sum));
  }
}

}  // namespace

void SetTimeZones(Song& song) {
  MergeZones(song);
  std::vector<TTimeZone>& zones = song.TimeZone;
  for (const TTimeZone& z : zones) CheckDivisors(song, z);
  AccumulateTimes(zones, song.TimeZoneElements);
  zones[0].Measure = 1;
  zones[0].Beat = 1;
  zones[0].Ticks = 0;
  for (int l = 1; l < song.TimeZoneElements; ++l) {
    const TTimeZone& p = zones[l - 1];
    TTimeZone& z = zones[l];
    const int64_t d = static_cast<int64_t>(z.SongPosition) - p.SongPosition;
    MusicalPosition m = Advance(song, p, d, z.TS_Denominator);
    z.Measure = Fit<uint16_t>(m.measure);
    z.Beat = Fit<uint8_t>(m.beat);
    z.Ticks = Fit<uint16_t>(m.ticks);
  }
}

int32_t FindTimeZone(const Song& song, int32_t songPos) {
  const int last = song.TimeZoneElements - 1;
  if (last < 0 || static_cast<int>(song.TimeZone.size()) <= last) throw RangeError();
  const auto begin = song.TimeZone.begin();
  auto it = std::upper_bound(begin, begin + last + 1, songPos,
                             [](int32_t p, const TTimeZone& z) { return p < z.SongPosition; });
  return it == begin ? 0 : static_cast<int32_t>(it - begin - 1);
}

TickClock::Zone TickClock::Prepared(const TTimeZone& z) {
  Zone c;
  c.Position = z.SongPosition;
  c.Time = z.Time;
  c.MsPerTick = z.TempoComp;
  int exponent = 0;
  const float fraction = std::frexp(z.TempoComp, &exponent);  // ms per tick = fraction * 2^exponent
  const int shift = std::numeric_limits<float>::digits - exponent;
  if (z.TempoComp > 0 && std::isfinite(z.TempoComp) && shift >= 1 && shift <= 62) {
    c.Mantissa = static_cast<uint64_t>(std::ldexp(fraction, std::numeric_limits<float>::digits));
    c.Shift = shift;
    c.Mask = (uint64_t{1} << shift) - 1;
    c.Half = uint64_t{1} << (shift - 1);
  }
  return c;
}

int64_t TickClock::Scaled(const Zone& zone, int64_t d) {
  const uint64_t x = static_cast<uint64_t>(d) * zone.Mantissa;  // below 2^56: d < 2^32, mantissa < 2^24
  if (zone.Mantissa != 0 && d >= 0 && x < kExactBelow) {
    uint64_t q = x >> zone.Shift;
    const uint64_t rest = x & zone.Mask;
    if (rest > zone.Half || (rest == zone.Half && (q & 1))) ++q;
    return static_cast<int64_t>(q);
  }
  return static_cast<int64_t>(RoundHalfEven(static_cast<double>(d) * static_cast<double>(zone.MsPerTick)));
}

int64_t TickClock::Scaled(float msPerTick, int64_t d) {
  TTimeZone z;
  z.TempoComp = msPerTick;
  return Scaled(Prepared(z), d);
}

TickClock::TickClock(const TTimeZone* zones, int count) {
  zones_.reserve(static_cast<size_t>(std::max(0, count)));
  for (int i = 0; i < count; ++i) zones_.push_back(Prepared(zones[i]));
  // Nothing to seek: every position lands in Seek, which says 0 ms from tick 0 on.
  if (zones_.empty()) zones_.push_back(Zone{});
  at_ = zones_[0];
  nextPosition_ = zones_.size() > 1 ? zones_[1].Position : int64_t{INT32_MAX} + 1;
}

void TickClock::Seek(int32_t songPos) {
  const size_t last = zones_.size() - 1;
  if (songPos < at_.Position) {
    auto it = std::upper_bound(zones_.begin(), zones_.end(), songPos,
                               [](int32_t p, const Zone& z) { return p < z.Position; });
    z_ = it == zones_.begin() ? 0 : static_cast<size_t>(it - zones_.begin() - 1);
  } else {
    while (z_ < last && zones_[z_ + 1].Position <= songPos) ++z_;
  }
  at_ = zones_[z_];
  nextPosition_ = z_ < last ? zones_[z_ + 1].Position : int64_t{INT32_MAX} + 1;
}

void SetTimePositions(Song& song) {
  const int last = song.TimeZoneElements - 1;
  if (last < 0 || static_cast<int>(song.TimeZone.size()) <= last) throw RangeError();
  TickClock clock(song.TimeZone.data(), last + 1);
  int32_t songLength = 0;
  for (TMyTrack& track : song.MidiTrack) {
    PtrMidiEvent e = track.TrkFirstEvent;
    if (!e) continue;
    e->TimePosition = 0;
    // Events placed before the song start (bank selects, Prompta lead-in) sound at its start.
    for (e = e->NextEvent; e; e = e->NextEvent) {
      e->TimePosition = ToInt32(clock.At(e->Position));
      if (e->TimePosition > songLength) songLength = e->TimePosition;
    }
  }
  song.SongLength = songLength;
}

void SetTimePositionsAfter(Song& song, int32_t after) {
  int32_t songLength = 0;
  for (TMyTrack& track : song.MidiTrack) {
    PtrMidiEvent e = track.TrkFirstEvent;
    if (!e) continue;
    for (e = e->NextEvent; e; e = e->NextEvent) {
      if (e->Position > after) e->TimePosition = SongPositionTime(song, e->Position);
      songLength = std::max(songLength, e->TimePosition);
    }
  }
  song.SongLength = songLength;
}

int32_t SongPositionTime(const Song& song, int32_t songPos) {
  if (songPos <= 0 || song.TimeZoneElements < 1 || static_cast<int>(song.TimeZone.size()) < song.TimeZoneElements)
    return 0;
  const TTimeZone& z = song.TimeZone[static_cast<size_t>(FindTimeZone(song, songPos))];
  const int64_t d = std::max<int64_t>(0, static_cast<int64_t>(songPos) - z.SongPosition);
  return ToInt32(z.Time + TickClock::Scaled(z.TempoComp, d));
}

std::u16string SongPositionToMTC(Song& song, int32_t songPos) {
  const TTimeZone& z = song.TimeZone[static_cast<size_t>(FindTimeZone(song, songPos))];
  const int64_t d = std::max<int64_t>(0, static_cast<int64_t>(songPos) - z.SongPosition);
  song.SongPositionToTime = SongPositionTime(song, songPos);
  CheckDivisors(song, z);
  const MusicalPosition m = Advance(song, z, d, z.TS_Denominator);

  const int base = song.SourceTimeBase;
  const size_t w = base < 10 ? 1 : base < 100 ? 2 : base < 1000 ? 3 : base < 10000 ? 4 : 5;
  std::string text = std::to_string(m.ticks);
  if (text.size() < w) text.insert(0, w - text.size(), '0');
  text = std::to_string(m.beat) + "." + text;
  if (text.size() < w + 3) text.insert(0, 1, '0');
  text = std::to_string(m.measure) + "." + text;
  if (text.size() < w + 7) text.insert(0, w + 7 - text.size(), '0');
  return std::u16string(text.begin(), text.end());
}

void BuildTimeZones(Song& song) {
  SetWorkingTempo(song);
  PrepareTempoLists(song);
  SetTimeZones(song);
}

namespace {

// The end-marker zones start after the last event.
void SetEndZoneTimes(Song& song) {
  const int32_t end = EndMarkerPosition(song);
  for (int32_t i = 0; i < song.TimeZoneElements && i < static_cast<int32_t>(song.TimeZone.size()); ++i)
    if (song.TimeZone[i].SongPosition == end) song.TimeZone[i].Time = song.SongLength + 1;
}

// Times stamped under the planned zones are the time map's for the events before its end marker
// when the zones there are the same.
bool StampsHold(const Song& song, const StampedTimes& stamped) {
  if (!stamped.Valid) return false;
  const int32_t end = EndMarkerPosition(song);
  const int count = song.TimeZoneElements - 1;  // the zones before the end marker
  if (count < 1 || static_cast<int>(song.TimeZone.size()) <= count || song.TimeZone[count].SongPosition != end ||
      static_cast<int>(stamped.Zones.size()) < count ||
      (static_cast<int>(stamped.Zones.size()) > count && stamped.Zones[count].SongPosition < end))
    return false;
  for (int i = 0; i < count; ++i) {
    const TTimeZone &a = song.TimeZone[i], &b = stamped.Zones[i];
    if (a.SongPosition != b.SongPosition || a.Time != b.Time || a.TempoComp != b.TempoComp) return false;
  }
  return true;
}

}  // namespace

bool PlanTimeZones(const Song& song, std::vector<TTimeZone>& zones) {
  try {
    // The lists as the time map will see them, for a song as long as it can be (the planned zones
    // end where the song's end marker would cut them).
    Song plan;
    plan.Configuration.PlaybackSpeed = song.Configuration.PlaybackSpeed;
    plan.SourceTimeBase = song.SourceTimeBase;
    plan.MaxSongPosition = INT32_MAX - 1;
    const auto tempos = static_cast<size_t>(std::clamp<int32_t>(song.TempoArrayCounter, 0, static_cast<int32_t>(song.TempoArray.size())));
    const auto signatures = static_cast<size_t>(std::clamp<int32_t>(song.TimeSignCounter, 0, static_cast<int32_t>(song.TimeSignature.size())));
    plan.TempoArray.assign(song.TempoArray.begin(), song.TempoArray.begin() + static_cast<ptrdiff_t>(tempos));
    plan.TimeSignature.assign(song.TimeSignature.begin(), song.TimeSignature.begin() + static_cast<ptrdiff_t>(signatures));
    plan.TempoArray.resize(std::max<size_t>(tempos, 1) + 1);
    plan.TimeSignature.resize(std::max<size_t>(signatures, 1) + 1);
    PrepareTempoLists(plan);
    MergeZones(plan);
    for (const TTimeZone& z : plan.TimeZone) CheckDivisors(plan, z);
    const int count = plan.TimeZoneElements - 1;  // the end marker left out
    AccumulateTimes(plan.TimeZone, count);
    plan.TimeZone.resize(static_cast<size_t>(count));
    zones = std::move(plan.TimeZone);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

void SetEventTimes(Song& song) {
  SetTimePositions(song);
  SetEndZoneTimes(song);
}

void BuildTimeMap(Song& song, const StampedTimes* stamped) {
  BuildTimeZones(song);
  song.CurrentTimeZone = 0;
  if (stamped && StampsHold(song, *stamped)) {
    song.SongLength = stamped->SongLength;
    for (TypMidiEvent* e : stamped->Late) {
      e->TimePosition = SongPositionTime(song, e->Position);
      song.SongLength = std::max(song.SongLength, e->TimePosition);
    }
    SetEndZoneTimes(song);
  } else {
    SetEventTimes(song);
  }
}

}  // namespace cv
