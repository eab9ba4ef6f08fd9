#include "output/MidiFileWriter1.h"

#include <algorithm>
#include <deque>
#include <memory>
#include <new>
#include <string_view>

#include "output/EventEncoder.h"
#include "output/SaveFile.h"
#include "song/Language.h"
#include "song/SongErrors.h"

namespace cv {

const char* const kInstrumentNames[128] = {
    "Piano 1",       "Piano 2",       "Piano 3",       "Honky-Tonk Piano", "E. Piano 1",    "E. Piano 2",
    "Harpsichord",   "Clav.",         "Celeste",       "Glockenspiel",     "Music Box",     "Vibraphone",
    "Marimba",       "Xylophone",     "Tubular-bell",  "Santur",           "Organ 1",       "Organ 2",
    "Organ 3",       "Church Org. 1", "Reed Organ",    "Accordion Fr",     "Harmonica",     "Bandoneon",
    "Nylon-str. Gt", "Steel-str. Gt", "Jazz Gt.",      "Clean Gt.",        "Muted Gt.",     "Overdrive Gt",
    "DistortionGt",  "Gt.Harmonics",  "Acoustic Bs.",  "Fingered Bs.",     "Picked Bs.",    "Fretless Bs.",
    "Slap Bass 1",   "Slap Bass 2",   "Synth Bass 1",  "Synth Bass 2",     "Violin",        "Viola",
    "Cello",         "Contrabass",    "Tremolo Str",   "PizzicatoStr",     "Harp",          "Timpani",
    "Strings",       "Slow Strings",  "Syn.Strings1",  "Syn.Strings2",     "Choir Aahs",    "Voice Oohs",
    "SynVox",        "OrchestralHit", "Trumpet",       "Trombone",         "Tuba",          "MutedTrumpet",
    "French Horn",   "Brass 1",       "Synth Brass1",  "Synth Brass2",     "Soprano Sax",   "Alto Sax",
    "Tenor Sax",     "Baritone Sax",  "Oboe",          "English Horn",     "Bassoon",       "Clarinet",
    "Piccolo",       "Flute",         "Recorder",      "Pan Flute",        "Bottle Blow",   "Shakuhachi",
    "Whistle",       "Ocarina",       "Square Wave",   "Saw Wave",         "Syn.Calliope",  "Chiffer Lead",
    "Charang",       "Solo Vox",      "5th Saw Wave",  "Bass&Lead",        "Fantasia",      "Warm Pad",
    "Polysynth",     "Space Voice",   "Bowed Glass",   "Metal Pad",        "Helo Pad",      "Sweep Pad",
    "Ice Rain",      "Soundtrack",    "Crystal",       "Atmosphere",       "Brightness",    "Goblin",
    "Echo Drops",    "Star Theme",    "Sitar",         "Banjo",            "Shamisen",      "Koto",
    "Kalimba",       "Bag Pipe",      "Fiddle",        "Shanai",           "Tinkle Bell",   "Agogo",
    "Steel Drums",   "Woodblock",     "Taiko",         "Melo. Tom 1",      "Synth Drum",    "Reverse Cym.",
    "Gt.Fretnoise",  "Breath Noise",  "Seashore",      "Bird",             "Telephone 1",   "Helicopter",
    "Applause",      "Gun Shot"};

namespace {

using EventList = std::vector<const TypMidiEvent*>;

bool IsMeta(const TypMidiEvent& e) { return e.Command == 0xFF && e.DType == DTypeMeta; }
bool IsEndOfTrack(const TypMidiEvent& e) { return IsMeta(e) && e.MType == 0x2F; }

// One chunk of the file: a chain of the song, or a list of events gathered for the file, which
// may be followed by events already encoded.
struct Chunk {
  const TypMidiEvent* chain = nullptr;
  const EventList* list = nullptr;
  int32_t counter = 0;  // events of the chain (sizes the image)
  const ByteBuffer* encoded = nullptr;

  template <class F>
  void ForEach(F&& f) const {
    if (list) {
      const size_t n = list->size();
      for (size_t i = 0; i < n; ++i) {
        if (i + kPrefetchDistance < n) PrefetchEvent((*list)[i + kPrefetchDistance]);
        f(*(*list)[i]);
      }
    } else {
      for (const TypMidiEvent* e = chain; e; e = e->NextEvent) {
        // Chains lie mostly in order in the song's pool: fetch a few records ahead.
        PrefetchEvent(reinterpret_cast<const TypMidiEvent*>(reinterpret_cast<uintptr_t>(e) + 6 * sizeof(TypMidiEvent)));
        f(*e);
      }
    }
  }
};

[[noreturn]] void ThrowTooManyTracks(size_t chunks) {
  const std::string n = std::to_string(chunks);
  throw EMidiError(Tr("Fehler: Der Song bräuchte " + n + " Spuren, eine Format-1-Datei kann hier höchstens 255 aufnehmen!",
                      "Error: the song would need " + n + " tracks, a format 1 file can hold at most 255 here!"));
}

// The file: header, the chunks, then the chunks of other types kept from the read file.
void AssembleFile(const Song& song, std::vector<Chunk> chunks, const KaraokeChunks* karaoke, ByteBuffer& dest,
                  ImageDrain* drain) {
  if (karaoke) {
    const auto at = chunks.begin() + (chunks.empty() ? 0 : 1);
    chunks.insert(at, {Chunk{nullptr, &karaoke->Header, 0}, Chunk{nullptr, &karaoke->Words, 0}});
  }
  if (chunks.size() > 255) ThrowTooManyTracks(chunks.size());
  size_t events = 0;
  for (const Chunk& c : chunks) {
    events += c.list ? c.list->size() : static_cast<size_t>(std::max(c.counter, 0));
    if (c.encoded) events += c.encoded->size() / kBytesPerEventGuess + 1;
  }
  EventEncoder writer(dest, 14 + 8 * chunks.size() + kBytesPerEventGuess * events, LeadBytesOf(song.Encoding), drain);
  const uint8_t head[14] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, static_cast<uint8_t>(song.SourceTimeBase >> 8),
                            static_cast<uint8_t>(song.SourceTimeBase)};
  writer.PutRaw(head, sizeof head);
  uint8_t written = 0;
  for (const Chunk& c : chunks) {
    const uint8_t chunkHead[8] = {'M', 'T', 'r', 'k', 0, 0, 0, 0};
    writer.PutRaw(chunkHead, sizeof chunkHead);
    const size_t start = writer.Size();
    writer.StartChunk();
    c.ForEach([&](const TypMidiEvent& e) { writer.Encode(e); });
    if (c.encoded) writer.PutRaw(c.encoded->data(), c.encoded->size());
    if (writer.Size() - start > UINT32_MAX) ThrowCodingError();
    writer.Patch32(start - 4, static_cast<uint32_t>(writer.Size() - start));
    ++written;
  }
  writer.Patch(11, &written, 1);
  PutForeignChunks(writer, song.ForeignChunks);
  writer.Finish();
}

// A track without its karaoke header lines; empty when nothing else than its name and placeholder
// remains (the header track of an earlier karaoke file).
EventList WithoutKaraokeHeader(const TMyTrack& track) {
  EventList kept;
  bool content = false;
  for (const TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent) {
    if (IsKaraokeHeaderLine(*e)) continue;
    kept.push_back(e);
    if (!IsMeta(*e) || (e->MType != 0x21 && e->MType != 0x03 && e->MType != 0x2F)) content = true;
  }
  if (!content) kept.clear();
  return kept;
}

bool HasKaraokeHeader(const TMyTrack& track) {
  for (const TypMidiEvent* e = track.TrkFirstEvent; e; e = e->NextEvent)
    if (IsKaraokeHeaderLine(*e)) return true;
  return false;
}

bool IsTrackName(const TypMidiEvent* e, std::string_view name) {
  return e && IsMeta(*e) && e->MType == 0x03 && e->Meta == name;
}

// A file track left with nothing but its placeholder, maybe a name, and its End of Track, because
// what it held went into the song's own lyrics or Prompta track: it held lyric events, or it is
// named like those tracks (a file this program wrote). Writing it again would add a track with
// every save.
bool IsEmptiedLyricsTrack(const Song& song, size_t t) {
  const TMyTrack& track = song.MidiTrack[t];
  const TypMidiEvent* e = track.TrkFirstEvent ? track.TrkFirstEvent->NextEvent : nullptr;
  const TypMidiEvent* name = e && IsMeta(*e) && e->MType == 0x03 ? e : nullptr;
  if (name) e = e->NextEvent;
  if (!e || !IsEndOfTrack(*e) || e->NextEvent) return false;
  const bool heldLyrics = t < song.LyricOrigin.size() && song.LyricOrigin[t].Count > 0;
  return heldLyrics || IsTrackName(name, "Lyrics") || IsTrackName(name, "Prompta");
}

// A song read from a format 1 file: its own chains, without an empty lyrics or Prompta track. The
// song's lyrics and Prompta tracks take the place of the first file track they emptied (so a
// file this program wrote keeps its layout), else they follow the file's tracks.
void ImageFromOwnTracks(const Song& song, const KaraokeChunks* karaoke, ByteBuffer& dest, ImageDrain* drain) {
  const size_t n = std::min<size_t>(song.NumberOfSourceTracks, song.MidiTrack.size());
  std::vector<Chunk> own;
  for (size_t t = n; t < std::min(song.MidiTrack.size(), n + 2); ++t) {
    const TMyTrack& track = song.MidiTrack[t];
    if (t == n && (karaoke || track.TrkEventCounter < 3)) continue;
    if (t == n + 1 && !PromptaTrackWritten(song)) continue;
    own.push_back({track.TrkFirstEvent, nullptr, track.TrkEventCounter});
  }
  std::vector<Chunk> chunks;
  std::deque<EventList> filtered;
  bool ownPlaced = false;
  auto placeOwn = [&] {
    if (!ownPlaced) chunks.insert(chunks.end(), own.begin(), own.end());
    ownPlaced = true;
  };
  for (size_t t = 0; t < n; ++t) {
    if (IsEmptiedLyricsTrack(song, t)) {
      placeOwn();
      continue;
    }
    const TMyTrack& track = song.MidiTrack[t];
    if (karaoke && HasKaraokeHeader(track)) {
      const EventList& kept = filtered.emplace_back(WithoutKaraokeHeader(track));
      if (!kept.empty()) chunks.push_back({nullptr, &kept, 0});
      continue;
    }
    chunks.push_back({track.TrkFirstEvent, nullptr, track.TrkEventCounter});
  }
  placeOwn();
  AssembleFile(song, std::move(chunks), karaoke, dest, drain);
}

constexpr std::string_view kInstrumentPrefixes[] = {"KAVE_ch.", "KIRU_ch.", "KOLB_ch.", "ZAR_ch.",  "ZEL_ch.",
                                                    "ZIN_ch.",  "ZOT_ch.",  "ZOTA_ch.", "ZOTAA_ch."};

// The channel (1-16) an instrument name with one of the known prefixes names, or 0.
int ChannelOfInstrumentName(const std::string& text) {
  for (std::string_view prefix : kInstrumentPrefixes) {
    if (text.compare(0, prefix.size(), prefix) != 0) continue;
    std::string rest = text.substr(prefix.size());
    const size_t space = rest.find(' ');
    if (space == std::string::npos) return 0;
    rest.resize(space);
    if (rest.empty() || rest.size() > 3) return 0;
    int number = 0;
    for (char c : rest) {
      if (c < '0' || c > '9') return 0;
      number = number * 10 + (c - '0');
    }
    return number >= 1 && number <= 16 ? number : 0;
  }
  return 0;
}

// Where an event of a format 0 (or 2) song goes in the format 1 file: working track 0 (conductor),
// 1-16 (channels), or -1 (left out).
int WorkingTrackOf(const TypMidiEvent& e) {
  if (e.DType == DTypeChannel || e.Command < 0xF0) return (e.Command & 0x0F) + 1;
  if (e.Command == 0xF0 || e.Command == 0xF7) return 10;
  if (e.Command != 0xFF) return -1;
  switch (e.MType) {
    case 0x01:
    case 0x06:
    case 0x07:
    case 0x4B:
    case 0x7F:
      return 1;
    case 0x51:
    case 0x54:
    case 0x58:
    case 0x59:
      return 0;
    case 0x04: {
      const int channel = ChannelOfInstrumentName(e.Meta);
      return channel > 0 ? channel : -1;
    }
    default:
      return -1;
  }
}

struct WorkingTrack {
  EventList events;
  ByteBuffer body;  // events encoded while distributing (single source track)
  std::unique_ptr<EventEncoder> encoder;
  std::vector<size_t> runStarts;  // where the events of each source track begin
  int lastSource = -1;
  int32_t counter = 0;
  int16_t patch = -1;
  TypMidiEvent* name = nullptr;
};

// Events of several source tracks on one working track are merged by tick; at equal ticks the
// earlier source track comes first and each keeps its own order.
void MergeRuns(WorkingTrack& w) {
  if (w.runStarts.size() < 2) return;
  auto byTick = [](const TypMidiEvent* a, const TypMidiEvent* b) { return a->Position < b->Position; };
  const auto base = w.events.begin();
  const size_t first = w.runStarts[0];
  EventList merged(base + static_cast<std::ptrdiff_t>(first), base + static_cast<std::ptrdiff_t>(w.runStarts[1]));
  for (size_t r = 1; r < w.runStarts.size(); ++r) {
    const size_t end = r + 1 < w.runStarts.size() ? w.runStarts[r + 1] : w.events.size();
    EventList next(merged.size() + (end - w.runStarts[r]));
    std::merge(merged.begin(), merged.end(), base + static_cast<std::ptrdiff_t>(w.runStarts[r]),
               base + static_cast<std::ptrdiff_t>(end), next.begin(), byTick);
    merged = std::move(next);
  }
  std::copy(merged.begin(), merged.end(), base + static_cast<std::ptrdiff_t>(first));
}

// A song read from another format: conductor, channel, lyrics and Prompta tracks.
void ImageFromWorkingTracks(const Song& song, const KaraokeChunks* karaoke, ByteBuffer& dest, ImageDrain* drain) {
  std::deque<TypMidiEvent> made;  // events made for the file (stable addresses)
  auto makeMeta = [&](int16_t type, std::string data, int32_t position) -> TypMidiEvent* {
    return &made.emplace_back(MakeMetaEvent(type, std::move(data), position));
  };

  WorkingTrack w[19];
  for (int k = 0; k <= 16; ++k) {
    w[k].events.push_back(makeMeta(0x21, std::string(1, '\0'), 0));
    w[k].counter = 1;
    if (k >= 1) {
      w[k].name = makeMeta(0x03, std::string(), 0);
      w[k].events.push_back(w[k].name);
    }
  }

  const size_t n = std::min<size_t>(song.NumberOfSourceTracks, song.MidiTrack.size());
  // With one source track each working track gets its events in order: they are encoded while the
  // source is walked once, in memory order, instead of gathered and walked again per channel.
  const bool streaming = n == 1;
  if (streaming) {
    const size_t guess = kBytesPerEventGuess * static_cast<size_t>(std::max(song.MidiTrack[0].TrkEventCounter, 0)) / 8;
    for (int k = 0; k <= 16; ++k) w[k].encoder = std::make_unique<EventEncoder>(w[k].body, guess);
  }
  for (size_t t = 0; t < n; ++t) {
    const TypMidiEvent* e = song.MidiTrack[t].TrkFirstEvent;
    if (e && IsMeta(*e) && e->MType == 0x21) e = e->NextEvent;
    for (; e; e = e->NextEvent) {
      const int k = karaoke && IsKaraokeHeaderLine(*e) ? -1 : WorkingTrackOf(*e);
      if (k < 0) continue;
      WorkingTrack& target = w[k];
      ++target.counter;
      if (streaming) {
        target.encoder->Encode(*e);
      } else {
        if (target.lastSource != static_cast<int>(t)) {
          target.lastSource = static_cast<int>(t);
          target.runStarts.push_back(target.events.size());
        }
        target.events.push_back(e);
      }
      if (e->DType == DTypeChannel && (e->Command & 0xF0) == 0xC0 && target.patch < 0)
        target.patch = static_cast<int16_t>(e->Value[0] & 0x7F);
    }
  }
  for (int k = 0; k <= 16; ++k) {
    if (streaming) {
      w[k].encoder->Encode(*makeMeta(0x2F, std::string(), song.MaxSongPosition));
      ++w[k].counter;
      w[k].encoder->Finish();
    } else {
      MergeRuns(w[k]);
    }
  }

  // Lyrics and Prompta: the song's own chains, or just their placeholder and an End of Track.
  auto copyTrack = [&](WorkingTrack& target, int index, bool full) {
    if (index >= static_cast<int>(song.MidiTrack.size())) return;
    const TMyTrack& src = song.MidiTrack[static_cast<size_t>(index)];
    const TypMidiEvent* e = src.TrkFirstEvent;
    if (!e) return;
    target.events.push_back(e);
    target.counter = 1;
    if (full) {
      for (e = e->NextEvent; e; e = e->NextEvent) target.events.push_back(e);
      target.counter = src.TrkEventCounter;
    }
  };
  const bool hasSyllables = song.HyphenArrayElements > 0;
  copyTrack(w[17], song.LyricsTrackIndex(), hasSyllables && !karaoke);
  copyTrack(w[18], song.PromptaTrackIndex(), PromptaTrackWritten(song));

  std::vector<Chunk> chunks;
  for (int k = 0; k < 19; ++k) {
    WorkingTrack& track = w[k];
    if (track.patch > -1 && track.name) {
      std::string name = k == 1 ? "Melodie" : k == 10 ? "Drums" : k == 16 ? "Chords" : kInstrumentNames[track.patch];
      track.name->Meta = std::move(name);
    }
    if (track.events.empty()) continue;
    if (!track.encoder && !IsEndOfTrack(*track.events.back())) {
      track.events.push_back(makeMeta(0x2F, std::string(), song.MaxSongPosition));
      ++track.counter;
    }
    if (k == 0 || track.counter >= 3)
      chunks.push_back({nullptr, &track.events, 0, track.encoder ? &track.body : nullptr});
  }
  AssembleFile(song, std::move(chunks), karaoke, dest, drain);
}

}  // namespace

bool IsKaraokeHeaderLine(const TypMidiEvent& e) {
  return IsMeta(e) && e.MType == 0x01 && !e.Meta.empty() && e.Meta[0] == '@';
}

bool PromptaTrackWritten(const Song& song) {
  const size_t index = static_cast<size_t>(song.PromptaTrackIndex());
  return song.Configuration.PromptaEnabled && song.HyphenArrayElements > 0 && index < song.MidiTrack.size() &&
         song.MidiTrack[index].TrkEventCounter >= 3;
}

void Format1Image(const Song& song, ByteBuffer& image, ImageDrain* drain, const KaraokeChunks* karaoke) {
  try {
    if (song.MidiFileFormat == 1)
      ImageFromOwnTracks(song, karaoke, image, drain);
    else
      ImageFromWorkingTracks(song, karaoke, image, drain);
  } catch (const std::bad_alloc&) {
    throw EMidiError(NoMemoryToSave());
  }
}

std::vector<uint8_t> Format1FileImage(const Song& song, const KaraokeChunks* karaoke) {
  ByteBuffer image;
  Format1Image(song, image, nullptr, karaoke);
  return std::vector<uint8_t>(image.begin(), image.end());
}

bool SaveToFileFormat1(const Song& song, const std::string& NewFileName, MessageSink& sink) {
  return SaveImageSafely(NewFileName, sink, [&](ByteBuffer& image, ImageDrain* drain) { Format1Image(song, image, drain); });
}

}  // namespace cv
