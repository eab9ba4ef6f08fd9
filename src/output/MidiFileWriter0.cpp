#include "output/MidiFileWriter0.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "output/EventEncoder.h"
#include "output/MidiFileWriter1.h"
#include "output/SaveFile.h"
#include "song/Language.h"

namespace cv {

namespace {

using EventList = std::vector<const TypMidiEvent*>;

bool IsMeta(const TypMidiEvent& e) { return e.Command == 0xFF && e.DType == DTypeMeta; }
bool IsEndOfTrack(const TypMidiEvent& e) { return IsMeta(e) && e.MType == 0x2F; }

// Events at the head of a track that describe the track itself and are not merged.
bool IsHeadEvent(const TypMidiEvent& e, bool copyrightKept) {
  if (!IsMeta(e)) return false;
  switch (e.MType) {
    case 0x03:
    case 0x04:
    case 0x20:
    case 0x21:
      return true;
    case 0x02:
      return copyrightKept;
    default:
      return false;
  }
}

// Empty meta events of the text family and below carry nothing.
bool IsDropped(const TypMidiEvent& e) { return IsMeta(e) && e.DLength == 0 && e.MType < 10; }

struct TrackRun {
  EventList events;
  bool sorted = true;
};

// Merges one track into the list by walking a cursor that only moves forward: each event lands
// after every listed event whose tick is not greater. Works for tracks out of tick order too.
EventList MergeInOrder(const EventList& merged, const EventList& track, int32_t maxPosition) {
  EventList out;
  out.reserve(merged.size() + track.size());
  size_t i = 0;
  for (const TypMidiEvent* e : track) {
    // Beyond the song end there is no place; the events after it may still have one.
    if (e->Position > maxPosition) continue;
    while (i < merged.size() && merged[i]->Position <= e->Position) out.push_back(merged[i++]);
    if (IsDropped(*e)) continue;
    out.push_back(e);
  }
  out.insert(out.end(), merged.begin() + static_cast<std::ptrdiff_t>(i), merged.end());
  return out;
}

// For tracks in tick order the same result comes from merging pairs of neighbours, which touches
// every event only log(tracks) times.
EventList MergeSorted(std::vector<EventList> runs) {
  if (runs.empty()) return {};
  auto byTick = [](const TypMidiEvent* a, const TypMidiEvent* b) { return a->Position < b->Position; };
  while (runs.size() > 1) {
    std::vector<EventList> next;
    next.reserve((runs.size() + 1) / 2);
    for (size_t k = 0; k + 1 < runs.size(); k += 2) {
      EventList m(runs[k].size() + runs[k + 1].size());
      std::merge(runs[k].begin(), runs[k].end(), runs[k + 1].begin(), runs[k + 1].end(), m.begin(), byTick);
      next.push_back(std::move(m));
    }
    if (runs.size() % 2) next.push_back(std::move(runs.back()));
    runs = std::move(next);
  }
  return std::move(runs.front());
}

// The events of every written chain, merged by tick; lower tracks first at equal ticks.
EventList MergeChains(const Song& song) {
  const size_t trackCount = std::min<size_t>(song.MidiTrack.size(), size_t{song.NumberOfSourceTracks} + 2);
  std::vector<TrackRun> tracks;
  bool copyrightKept = false;
  for (size_t t = 0; t < trackCount; ++t) {
    const TMyTrack& track = song.MidiTrack[t];
    if (t > 0 && track.TrkEventCounter < 3) continue;
    if (static_cast<int>(t) == song.PromptaTrackIndex() && !PromptaTrackWritten(song)) continue;
    const TypMidiEvent* e = track.TrkFirstEvent;
    while (e && IsHeadEvent(*e, copyrightKept)) e = e->NextEvent;
    // The first copyright notice at a track head is the song's; later ones repeat it.
    if (e && IsMeta(*e) && e->MType == 0x02) copyrightKept = true;
    TrackRun run;
    int32_t last = INT32_MIN;
    for (; e && !IsEndOfTrack(*e); e = e->NextEvent) {
      if (e->Position < last) run.sorted = false;
      last = e->Position;
      run.events.push_back(e);
    }
    tracks.push_back(std::move(run));
  }

  const bool allSorted = std::all_of(tracks.begin(), tracks.end(), [](const TrackRun& r) { return r.sorted; });
  if (!allSorted) {
    EventList merged;
    for (const TrackRun& run : tracks) merged = MergeInOrder(merged, run.events, song.MaxSongPosition);
    return merged;
  }
  std::vector<EventList> runs;
  runs.reserve(tracks.size());
  for (TrackRun& run : tracks) {
    EventList& ev = run.events;
    auto end = std::find_if(ev.begin(), ev.end(),
                            [&](const TypMidiEvent* e) { return e->Position > song.MaxSongPosition; });
    ev.erase(end, ev.end());
    ev.erase(std::remove_if(ev.begin(), ev.end(), [](const TypMidiEvent* e) { return IsDropped(*e); }), ev.end());
    runs.push_back(std::move(ev));
  }
  return MergeSorted(std::move(runs));
}

TypMidiEvent MetaEvent(int16_t type, std::string data, int32_t position) {
  TypMidiEvent e;
  e.Command = 0xFF;
  e.DType = DTypeMeta;
  e.MType = type;
  e.DLength = static_cast<int32_t>(data.size());
  e.Meta = std::move(data);
  e.Position = position;
  return e;
}

}  // namespace

std::string TrackNameForFile(const Song& song, const std::string& fileName) {
  std::string name = std::filesystem::path(fileName).filename().string();
  const size_t dot = name.rfind('.');
  if (dot != std::string::npos) {
    const std::string ext = name.substr(dot);
    name.erase(name.find(ext), ext.size());
  }
  if (!name.empty() && name[0] >= 'a' && name[0] <= 'z') name[0] = static_cast<char>(name[0] - 'a' + 'A');
  if (song.Encoding == TextEncoding::Utf8) return name;
  return EncodeText(Utf8ToUtf16(name), song.Encoding);
}

std::vector<uint8_t> Format0FileImage(const Song& song, const std::string& trackName) {
  try {
    const TypMidiEvent port = MetaEvent(0x21, std::string(1, '\0'), 0);
    const TypMidiEvent name = MetaEvent(0x03, trackName, 0);
    const TypMidiEvent end = MetaEvent(0x2F, std::string(), song.MaxSongPosition);
    EventList merged = MergeChains(song);

    EventCounter counter;
    counter.Encode(port);
    counter.Encode(name);
    for (const TypMidiEvent* e : merged) counter.Encode(*e);
    counter.Encode(end);
    const size_t length = counter.Size();
    if (length > UINT32_MAX - 22) ThrowCodingError();

    std::vector<uint8_t> dest(22 + length);
    uint8_t* p = dest.data();
    std::copy_n("MThd\0\0\0\6\0\0\0\1", 12, p);
    PutBigEndian16(p + 12, song.SourceTimeBase);
    std::copy_n("MTrk", 4, p + 14);
    PutBigEndian32(p + 18, static_cast<uint32_t>(length));
    EventWriter writer(p + 22);
    writer.Encode(port);
    writer.Encode(name);
    for (const TypMidiEvent* e : merged) writer.Encode(*e);
    writer.Encode(end);
    return dest;
  } catch (const std::bad_alloc&) {
    throw EMidiError(Tr("Speicherzuordnungsfehler: Bitte mehr Speicher!", "Error allocating memory!"));
  }
}

bool SaveToFileFormat0(const Song& song, const std::string& NewFileName, MessageSink& sink) {
  std::vector<uint8_t> bytes = Format0FileImage(song, TrackNameForFile(song, NewFileName));
  return SaveFileSafely(NewFileName, bytes, SaveTexts::Format0, sink);
}

}  // namespace cv
