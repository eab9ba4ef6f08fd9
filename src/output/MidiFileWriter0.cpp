#include "output/MidiFileWriter0.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <new>

#include "output/EventEncoder.h"
#include "output/MidiFileWriter1.h"
#include "output/SaveFile.h"
#include "song/Language.h"
#include "song/SongErrors.h"

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
bool IsDropped(const TypMidiEvent& e) { return IsMeta(e) && e.Meta.empty() && e.MType < 10; }

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

// Where a track's merge starts: past the events at its head that describe the track itself.
const TypMidiEvent* MergeStart(const TypMidiEvent* e, bool& copyrightKept) {
  while (e && IsHeadEvent(*e, copyrightKept)) e = e->NextEvent;
  // The first copyright notice at a track head is the song's; later ones repeat it.
  if (e && IsMeta(*e) && e->MType == 0x02) copyrightKept = true;
  return e;
}

// The first event from e on that is merged (not dropped, not beyond the song end), or null at the
// End of Track. Clears `sorted` when a tick lower than its predecessor's is passed.
const TypMidiEvent* NextMerged(const TypMidiEvent* e, int32_t& last, int32_t maxPosition, bool& sorted) {
  for (; e && !IsEndOfTrack(*e); e = e->NextEvent) {
    if (e->Position < last) sorted = false;
    last = e->Position;
    if (e->Position <= maxPosition && !IsDropped(*e)) return e;
  }
  return nullptr;
}

struct Cursor {
  const TypMidiEvent* event;
  int32_t last;
};

// Tracks in tick order: one k-way merge keyed by (tick, track). Returns false as soon as a track
// turns out to be out of order.
template <class Emit>
bool MergeSortedTracks(const std::vector<const TypMidiEvent*>& starts, int32_t maxPosition, Emit&& emit) {
  std::vector<Cursor> cursors(starts.size());
  std::vector<uint64_t> heap;  // (tick, track): ties go to the lower track
  heap.reserve(starts.size());
  auto key = [](int32_t position, size_t track) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(position) ^ 0x80000000u) << 32) | track;
  };
  bool sorted = true;
  for (size_t t = 0; t < starts.size(); ++t) {
    cursors[t] = {nullptr, INT32_MIN};
    cursors[t].event = NextMerged(starts[t], cursors[t].last, maxPosition, sorted);
    if (cursors[t].event) heap.push_back(key(cursors[t].event->Position, t));
  }
  if (!sorted) return false;
  std::make_heap(heap.begin(), heap.end(), std::greater<>());
  while (!heap.empty()) {
    const size_t t = static_cast<size_t>(heap.front() & 0xFFFFFFFFu);
    Cursor& c = cursors[t];
    emit(*c.event);
    // Chains are mostly laid out in order in the song's pool: fetch a few records ahead.
    PrefetchEvent(reinterpret_cast<const TypMidiEvent*>(reinterpret_cast<uintptr_t>(c.event) + 6 * sizeof(TypMidiEvent)));
    c.event = NextMerged(c.event->NextEvent, c.last, maxPosition, sorted);
    if (!sorted) return false;
    // Replace the top and let it sink to its place.
    uint64_t item;
    size_t size = heap.size();
    if (c.event) {
      item = key(c.event->Position, t);
    } else {
      item = heap.back();
      heap.pop_back();
      if (--size == 0) break;
    }
    size_t i = 0;
    for (;;) {
      size_t child = 2 * i + 1;
      if (child >= size) break;
      if (child + 1 < size && heap[child + 1] < heap[child]) ++child;
      if (heap[child] >= item) break;
      heap[i] = heap[child];
      i = child;
    }
    heap[i] = item;
  }
  return true;
}

struct MergePlan {
  std::vector<const TypMidiEvent*> starts;  // first event to merge of every written chain
  size_t events = 0;                        // their chains' event counts (sizes the image)
};

MergePlan PlanMerge(const Song& song) {
  MergePlan plan;
  const size_t trackCount = std::min<size_t>(song.MidiTrack.size(), size_t{song.NumberOfSourceTracks} + 2);
  bool copyrightKept = false;
  for (size_t t = 0; t < trackCount; ++t) {
    const TMyTrack& track = song.MidiTrack[t];
    if (t > 0 && track.TrkEventCounter < 3) continue;
    if (static_cast<int>(t) == song.PromptaTrackIndex() && !PromptaTrackWritten(song)) continue;
    plan.starts.push_back(MergeStart(track.TrkFirstEvent, copyrightKept));
    plan.events += static_cast<size_t>(std::max(track.TrkEventCounter, 0));
  }
  return plan;
}

// Any track order: each track merged in turn with a cursor that only moves forward.
EventList MergeAnyOrder(const MergePlan& plan, int32_t maxPosition) {
  EventList merged;
  for (const TypMidiEvent* start : plan.starts) {
    EventList events;
    for (const TypMidiEvent* e = start; e && !IsEndOfTrack(*e); e = e->NextEvent) events.push_back(e);
    merged = MergeInOrder(merged, events, maxPosition);
  }
  return merged;
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

namespace {

void Format0Image(const Song& song, const std::string& trackName, ByteBuffer& dest, ImageDrain* drain) {
  try {
    const TypMidiEvent port = MakeMetaEvent(0x21, std::string(1, '\0'), 0);
    const TypMidiEvent name = MakeMetaEvent(0x03, trackName, 0);
    const TypMidiEvent end = MakeMetaEvent(0x2F, std::string(), song.MaxSongPosition);
    const uint8_t head[22] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1,
                              static_cast<uint8_t>(song.SourceTimeBase >> 8), static_cast<uint8_t>(song.SourceTimeBase),
                              'M', 'T', 'r', 'k', 0, 0, 0, 0};
    const MergePlan plan = PlanMerge(song);
    auto image = [&](auto&& body) {
      EventEncoder writer(dest, 22 + kBytesPerEventGuess * (plan.events + 3), LeadBytesOf(song.Encoding), drain);
      writer.PutRaw(head, sizeof head);
      writer.Encode(port);
      writer.Encode(name);
      if (!body(writer)) return false;
      writer.Encode(end);
      if (writer.Size() - 22 > UINT32_MAX) ThrowCodingError();
      writer.Patch32(18, static_cast<uint32_t>(writer.Size() - 22));
      PutForeignChunks(writer, song.ForeignChunks);
      writer.Finish();
      return true;
    };
    // Chains in tick order (the usual case) are merged and encoded in one walk; a chain out of
    // order makes the image start again with the general merge.
    const bool sorted = image([&](EventEncoder& writer) {
      return MergeSortedTracks(plan.starts, song.MaxSongPosition, [&](const TypMidiEvent& e) { writer.Encode(e); });
    });
    if (!sorted) {
      if (drain) drain->Restart();
      const EventList merged = MergeAnyOrder(plan, song.MaxSongPosition);
      image([&](EventEncoder& writer) {
        EncodeList(writer, merged);
        return true;
      });
    }
  } catch (const std::bad_alloc&) {
    throw EMidiError(NoMemoryToSave());
  }
}

}  // namespace

std::vector<uint8_t> Format0FileImage(const Song& song, const std::string& trackName) {
  ByteBuffer image;
  Format0Image(song, trackName, image, nullptr);
  return std::vector<uint8_t>(image.begin(), image.end());
}

bool SaveToFileFormat0(const Song& song, const std::string& NewFileName, MessageSink& sink) {
  const std::string trackName = TrackNameForFile(song, NewFileName);
  return SaveImageSafely(NewFileName, sink,
                         [&](ByteBuffer& image, ImageDrain* drain) { Format0Image(song, trackName, image, drain); });
}

}  // namespace cv
