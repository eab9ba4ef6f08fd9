#include "song/MidiFileReader.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "song/ChainEdit.h"
#include "song/Language.h"
#include "song/LyricsExtraction.h"
#include "song/SongEncoding.h"
#include "song/SongErrors.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

constexpr char kPromptaSignature[] = "Maravelt 2000";
// Microseconds per quarter of the fastest tempo the program counts: 65 535 beats per minute.
constexpr int32_t kFastestTempoMicros = 916;

// Thrown by the cursor; the reader turns them into messages that say where.
struct PastEnd {};
struct TooLarge {};

[[noreturn]] void ThrowRange() { throw PastEnd{}; }
[[noreturn]] void ThrowOverflow() { throw TooLarge{}; }

// Bounds-checked sequential reading of the file bytes.
class Cursor {
 public:
  Cursor(std::span<const uint8_t> data) : data_(data.data()), size_(static_cast<int64_t>(data.size())) {}

  int64_t pos = 0;

  uint8_t Byte() {
    if (pos >= size_) ThrowRange();
    return data_[pos++];
  }
  // Big-endian number of n bytes.
  uint32_t Fixed(int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | Byte();
    return v;
  }
  int64_t Left() const { return size_ - pos; }
  int64_t Size() const { return size_; }
  bool At(const char* tag) const { return Left() >= 4 && std::memcmp(data_ + pos, tag, 4) == 0; }
  // A chunk type is four printable ASCII characters.
  bool AtChunkType() const {
    if (Left() < 8) return false;
    for (int i = 0; i < 4; ++i)
      if (data_[pos + i] < 0x20 || data_[pos + i] > 0x7E) return false;
    return true;
  }
  std::string Bytes(int64_t from, int64_t to) const {
    return std::string(reinterpret_cast<const char*>(data_) + from, static_cast<size_t>(to - from));
  }
  bool Tag(const char* tag) {
    if (pos > size_ - 4) ThrowRange();
    bool ok = std::memcmp(data_ + pos, tag, 4) == 0;
    pos += 4;
    return ok;
  }
  int32_t VarLen() {
    // Most delta times and lengths are a single byte.
    if (pos < size_ && data_[pos] < 0x80) return data_[pos++];
    int64_t v = 0;
    for (;;) {
      uint8_t b = Byte();
      v = (v << 7) | (b & 0x7F);
      if (v > INT32_MAX) ThrowOverflow();
      if (!(b & 0x80)) return static_cast<int32_t>(v);
    }
  }
  const char* Take(int32_t n) {
    if (n > size_ - pos) ThrowRange();
    const char* p = reinterpret_cast<const char*>(data_ + pos);
    pos += n;
    return p;
  }

 private:
  const uint8_t* data_;
  int64_t size_;
};

int64_t ChunkEnd(int64_t chunkStart, uint32_t length) {
  int64_t end = chunkStart + 8 + static_cast<int64_t>(length);
  if (end > INT32_MAX) ThrowOverflow();
  return end;
}

int32_t AddTick(int32_t tick, int32_t delta) {
  const int64_t t = static_cast<int64_t>(tick) + delta;
  if (t > INT32_MAX) ThrowOverflow();
  return static_cast<int32_t>(t);
}

class Reader {
 public:
  Reader(Song& song, std::span<const uint8_t> bytes = {}, StampedTimes* stamped = nullptr)
      : s_(song), c_(bytes), stamped_(stamped) {}

  void Parse() {
    try {
      Start();
      Allocate();
      for (int t = 0; t < n_; ++t) {
        ReadTrack(t);
        if (t == 0) PlanTimes();
      }
      RefuseEndlessText();
      SizeLists();
      KeepTrailingChunks();
    } catch (const PastEnd&) {
      throw EMidiError(EndsEarly());
    } catch (const TooLarge&) {
      throw EMidiError(DamagedFile(InTrack(Tr("Eine Zeit oder Länge ist größer, als das Programm zählen kann",
                                             "A time or length is larger than this program can count"))));
    }
    s_.SourceDataPointer = c_.pos;
    Finish();
    if (stamped_) stamped_->Valid = stamping_;
  }

  void Complete(StampedTimes* stamped) {
    n_ = s_.NumberOfSourceTracks;
    DeleteDrumBankSelect(s_, stamped);
    UseMelody(s_);
  }

 private:
  Song& s_;
  Cursor c_;
  StampedTimes* stamped_;
  int n_ = 0;
  // Events get their times as they are read once track 0 has given the tempos.
  bool stamping_ = false;
  TickClock clock_;
  int32_t maxPos_ = 0;  // the song's length so far
  // Where the reading stands, for the messages: the track (-1: the file header) and its chunk.
  int track_ = -1;
  int64_t chunkStart_ = -1;
  uint32_t chunkLength_ = 0;

  // "<what> (track 3 of 5, byte 1 234)"
  std::string InTrack(const std::string& what) const {
    const std::string at = Grouped(c_.pos);
    if (track_ < 0) return what + Tr(" (im Dateikopf, Byte " + at + ")", " (in the file header, byte " + at + ")");
    const std::string t = std::to_string(track_ + 1), n = std::to_string(n_);
    return what + Tr(" (Spur " + t + " von " + n + ", Byte " + at + ")", " (track " + t + " of " + n + ", byte " + at + ")");
  }

  [[noreturn]] void Damaged(const std::string& what) const {
    throw EMidiError(DamagedFile(InTrack(what)));
  }

  std::string EndsEarly() const {
    const std::string advice = Tr(": Sie ist beschädigt oder unvollständig. Kopieren oder laden Sie sie noch einmal.",
                                  ": it is damaged or incomplete. Copy or download it again.");
    // A track's header is whole before it is read: only the file header can be cut short here.
    if (track_ < 0 || chunkStart_ < 0) return Tr("Die Datei endet zu früh (im Dateikopf)", "The file ends early (in the file header)") + advice;
    const int64_t present = std::max<int64_t>(0, c_.Size() - chunkStart_ - 8);
    // The track is whole, but an event in it claims more bytes than there are.
    if (present >= chunkLength_)
      return DamagedFile(InTrack(Tr("Ein Ereignis reicht über das Ende der Datei hinaus",
                                    "An event runs past the end of the file")));
    const std::string got = Grouped(present), says = Grouped(chunkLength_);
    return Tr("Die Datei endet zu früh (Byte " + got + " einer Spur, die " + says + " angibt)",
              "The file ends early (byte " + got + " of a track that says " + says + ")") +
           advice;
  }

  // Reads a track chunk's header and returns where the chunk ends.
  int64_t EnterTrack(int t) {
    track_ = t;
    chunkStart_ = -1;
    const int64_t start = c_.pos;
    if (!c_.Tag("MTrk"))
      Damaged(Tr("Spur " + std::to_string(t + 1) + " beginnt nicht dort, wo die Datei es angibt",
                 "Track " + std::to_string(t + 1) + " does not begin where the file says"));
    chunkLength_ = c_.Fixed(4);
    chunkStart_ = start;
    return ChunkEnd(start, chunkLength_);
  }

  [[noreturn]] void BadByte(uint8_t b) const {
    Damaged(Tr("Die Datei enthält ein Byte, das im MIDI-Format an dieser Stelle nicht vorkommen darf (" +
                   std::to_string(b) + ")",
               "The file holds a byte the MIDI format does not allow here (" + std::to_string(b) + ")"));
  }
  bool lineFlag_ = false;
  // Text and lyric events before the tracks' End of Track marks. Past the limit the reading only
  // counts on, to refuse the file with their number.
  int64_t textEvents_[2] = {0, 0};
  bool build_ = true;
  // Tempo and time signature events of track 0 before its End of Track (the lists keep one spare
  // entry more than that, as when they were counted before the reading).
  int32_t tempoEvents_ = 0, timeSignEvents_ = 0;
  // The text events of the file tracks as built, for the encoding (the lyric events are all in
  // the lyrics track).
  std::vector<const TypMidiEvent*> texts_;

  void Start() {
    s_.BassOnChannel.fill(false);
    s_.SourceDataPointer = 0;
    if (!c_.Tag("MThd"))
      throw EMidiError(Tr("Das ist keine MIDI-Datei: Sie beginnt nicht mit \"MThd\". Öffnen Sie eine .mid- oder "
                         ".kar-Datei.",
                         "This is not a MIDI file: it does not begin with \"MThd\". Open a .mid or .kar file."));
    if (const uint32_t length = c_.Fixed(4); length != 6)
      throw EMidiError(Tr("Der Dateikopf gibt seine Länge mit " + Grouped(length) +
                             " statt 6 Bytes an: Die Datei ist beschädigt oder keine MIDI-Datei, die das Programm "
                             "lesen kann.",
                         "The file header says it is " + Grouped(length) +
                             " bytes long instead of 6: the file is damaged or not a MIDI file this program can "
                             "read."));
    s_.MaxSongPosition = 0;
    uint32_t format = c_.Fixed(2);
    if (format > 2)
      throw EMidiError(Tr("Die Datei nennt das MIDI-Format " + std::to_string(format) +
                             ", das es nicht gibt: Sie ist beschädigt oder keine Song-Datei. Öffnen Sie eine .mid- "
                             "oder .kar-Datei.",
                         "The file names MIDI format " + std::to_string(format) +
                             ", which does not exist: it is damaged or not a song file. Open a .mid or .kar file."));
    s_.MidiFileFormat = static_cast<uint8_t>(format);
    s_.NumberOfSourceTracks = static_cast<uint16_t>(c_.Fixed(2));
    s_.SourceTimeBase = static_cast<uint16_t>(c_.Fixed(2));
    if (s_.SourceTimeBase & 0x8000) {
      // Time in SMPTE frames (the high byte a negative frame rate): no beats to time lyrics by.
      const std::string frames = std::to_string(256 - (s_.SourceTimeBase >> 8));
      const std::string ticks = std::to_string(s_.SourceTimeBase & 0xFF);
      throw EMidiError(Tr("Die Datei zählt die Zeit des Songs in SMPTE-Bildern (" + frames + " Bilder zu je " +
                              ticks + " Ticks je Sekunde) statt in Schlägen; das Programm kann ihn so nicht zeitlich "
                              "einordnen. Speichern Sie ihn in einem Sequenzer mit Ticks je Viertelnote als "
                              "Zeitbasis und öffnen Sie ihn dann.",
                          "The song counts its time in SMPTE frames (" + frames + " frames of " + ticks +
                              " ticks per second) instead of beats, which this program cannot time. Save it in a "
                              "sequencer with ticks per quarter note as its time base, then open it."));
    }
    n_ = s_.NumberOfSourceTracks;

    s_.MidiTrack.assign(static_cast<size_t>(n_) + 2, TMyTrack{});
    s_.KeySignArray.assign(static_cast<size_t>(n_) + 2, TKeySignArray{});
    s_.LyricOrigin.assign(n_, Song::TLyricOrigin{});
    s_.HyphenArrayElements = 0;
    s_.TempoArrayElements = 0;
    s_.TimeSignElements = 0;
    s_.XF_Counter = 0;
    s_.PromptaControllerTrack = -1;
    s_.XF_TrackNb = -1;
    s_.XF_Present = false;
    s_.XF_ChordsArray.clear();
    s_.ForeignChunks.clear();
    lineFlag_ = false;
  }

  // Chunks of other types before track t are skipped (and kept when asked); a file that ends
  // before it has the declared number of tracks says so.
  void SkipToTrack(int t, bool keep) {
    while (c_.AtChunkType() && !c_.At("MTrk")) {
      const int64_t start = c_.pos;
      c_.pos += 4;
      const int64_t end = ChunkEnd(start, c_.Fixed(4));
      if (end > c_.pos + c_.Left()) MissingTracks(t);
      if (keep) s_.ForeignChunks.push_back(c_.Bytes(start, end));
      c_.pos = end;
    }
    if (c_.Left() < 8) MissingTracks(t);
  }

  [[noreturn]] void MissingTracks(int found) const {
    const std::string f = std::to_string(found), d = std::to_string(n_);
    throw EMidiError(Tr("Die Datei endet nach " + f + " von " + d +
                           " Spuren, die ihr Dateikopf nennt: Sie ist beschädigt oder unvollständig. Kopieren oder "
                           "laden Sie sie noch einmal.",
                       "The file ends after " + f + " of the " + d +
                           " tracks its header names: it is damaged or incomplete. Copy or download it again."));
  }

  // Whole chunks after the last track are kept and written back as they are, track chunks beyond
  // the header's count too: no reader plays them, and leaving them out would lose what the file
  // holds. Anything else there is ignored as before.
  void KeepTrailingChunks() {
    while (c_.AtChunkType()) {
      const int64_t start = c_.pos;
      c_.pos += 4;
      const int64_t end = start + 8 + static_cast<int64_t>(c_.Fixed(4));
      if (end > c_.pos + c_.Left()) {
        c_.pos = start;
        return;
      }
      s_.ForeignChunks.push_back(c_.Bytes(start, end));
      c_.pos = end;
    }
  }

  // Prompta signature detection of one track; the result is committed only when it completes.
  struct PromptaScan {
    uint8_t state = 0;
    uint8_t controller = 0;
    uint8_t channel = 0;
  };

  void PromptaStep(PromptaScan& p, int t, uint8_t channel, uint8_t controller, uint8_t value, int32_t tick) {
    if (p.state == 0) {
      if (value == 24 && tick < 300) {
        p.controller = controller;
        p.channel = channel;
        p.state = 1;
      }
      return;
    }
    if (p.state >= 15) return;
    bool accepted = controller == p.controller && channel == p.channel && tick < 300 &&
                    value == (p.state == 14 ? 25 : static_cast<uint8_t>(kPromptaSignature[p.state - 1]));
    if (accepted) {
      ++p.state;
      if (p.state == 15) {
        s_.PromptaController = p.controller;
        s_.PromptaControllerChannel = p.channel;
        s_.PromptaControllerTrack = static_cast<int32_t>(t);
      }
    } else if (p.state == 1 && value == 24) {
      p.controller = controller;
      p.channel = channel;
    }
  }

  // Millions of text or lyric events are no song; each would become a syllable, so such a file is
  // refused once the reading has counted them all (nothing more is built past the limit).
  void CountText(uint8_t type) {
    if (type != 0x01 && type != 0x05) return;
    if (++textEvents_[type == 0x05] > kMaxSongSyllables) build_ = false;
  }

  void RefuseEndlessText() const {
    const int64_t most = std::max(textEvents_[0], textEvents_[1]);
    if (most <= kMaxSongSyllables) return;
    throw EMidiError(Tr("Die Datei enthält " + Grouped(most) + " Text-Ereignisse; das Programm liest höchstens " +
                            Grouped(kMaxSongSyllables) +
                            " (ein ganzer Song hat einige Tausend). Sie ist beschädigt oder kein Song: Öffnen Sie "
                            "eine andere Kopie.",
                        "The file holds " + Grouped(most) + " text events; this program reads at most " +
                            Grouped(kMaxSongSyllables) +
                            " (a whole song has a few thousand). It is damaged or no song: open another copy."));
  }

  PtrMidiEvent NewMeta(uint8_t type, const char* data, int32_t len, int32_t tick, std::string_view tail = {}) {
    PtrMidiEvent e = s_.Pool.NewEvent();
    e->Command = 0xFF;
    e->DType = DTypeMeta;
    e->MType = static_cast<int8_t>(type);
    e->Meta = s_.Pool.KeepBytes(std::string_view(data, static_cast<size_t>(len)), tail);
    e->Position = tick;
    return e;
  }

  void Append(TMyTrack& track, PtrMidiEvent e) {
    track.TrkLastEvent->NextEvent = e;
    track.TrkLastEvent = e;
    ++track.TrkEventCounter;
    if (stamping_) Stamp(e);
  }

  void Stamp(PtrMidiEvent e) {
    const int64_t ms = clock_.At(e->Position);
    // Beyond what the program counts: the time map says so.
    if (ms > INT32_MAX) {
      stamping_ = false;
      return;
    }
    e->TimePosition = static_cast<int32_t>(ms);
    // Past the length so far, the event may lie past the song's end, where the time map's last
    // zone starts: its time is taken again then.
    if (e->Position > maxPos_)
      stamped_->Late.push_back(e);
    else
      stamped_->SongLength = std::max(stamped_->SongLength, e->TimePosition);
  }

  // Tempos and time signatures come from track 0 alone: once it is read, the zones are known up to
  // the song's end (not yet known), its events get their times, and every later event as it is read.
  void PlanTimes() {
    if (!stamped_ || !PlanTimeZones(s_, stamped_->Zones)) return;
    clock_ = TickClock(stamped_->Zones.data(), static_cast<int>(stamped_->Zones.size()));
    stamped_->Late.clear();
    stamped_->SongLength = 0;
    stamping_ = true;
    for (const TMyTrack* track : {&s_.MidiTrack[0], &s_.MidiTrack[n_]})
      for (PtrMidiEvent e = track->TrkFirstEvent->NextEvent; e && stamping_; e = e->NextEvent) Stamp(e);
  }

  void Allocate() {
    for (int t = 0; t < n_ + 2; ++t) {
      TMyTrack& track = s_.MidiTrack[t];
      track = TMyTrack{};
      PtrMidiEvent port = NewMeta(0x21, "\0", 1, 0);
      track.TrkFirstEvent = track.TrkLastEvent = port;
      track.TrkEventCounter = 1;
    }
    for (int t : {n_, n_ + 1}) {
      const char* name = t == n_ ? "Lyrics" : "Prompta";
      PtrMidiEvent e = NewMeta(0x03, name, static_cast<int32_t>(std::strlen(name)), 0);
      Append(s_.MidiTrack[t], e);
      --s_.MidiTrack[t].TrkEventCounter;  // the name event is not counted
    }
    s_.TempoArray.clear();
    s_.TimeSignature.clear();
    s_.TempoArrayCounter = 0;
    s_.TimeSignCounter = 0;
  }

  // The lists hold the entries read and spare ones: one more than the events before track 0's End
  // of Track (at least two), and always one after the last entry (events after the End of Track
  // are read too). The spare entries are filled in with the time map.
  void SizeLists() {
    s_.TempoArrayElements = std::max(std::max(tempoEvents_, 1) + 1, s_.TempoArrayCounter + 1);
    s_.TimeSignElements = std::max(std::max(timeSignEvents_, 1) + 1, s_.TimeSignCounter + 1);
    s_.TempoArray.resize(static_cast<size_t>(s_.TempoArrayElements));
    s_.TimeSignature.resize(static_cast<size_t>(s_.TimeSignElements));
  }

  void TempoEntry(const char* d, int32_t tick) {
    int32_t v = (static_cast<uint8_t>(d[0]) << 16) | (static_cast<uint8_t>(d[1]) << 8) | static_cast<uint8_t>(d[2]);
    if (v == 0) v = 500000;
    // A tempo faster than the program counts (65 535 beats per minute) is read as that fastest one;
    // the event itself stays as it is, so the file reads the same wherever a writer puts it.
    v = std::max(v, kFastestTempoMicros);
    const int32_t bpm = static_cast<int32_t>(RoundHalfEven(60000000.0 / v));
    TTempo& e = s_.TempoArray.emplace_back();
    ++s_.TempoArrayCounter;
    e.SongPosition = tick;
    e.TempoLongInt = e.OriginalTempoLongint = e.OldTempoLongInt = v;
    e.Tempo = static_cast<uint16_t>(bpm);
  }

  void TimeSignEntry(const char* d, int32_t tick) {
    // A note value below 1/128 means nothing to count bars by: the event stays in its track as it
    // is (in every track alike, so a file written from the song reads again), and the bars go on
    // in the time signature before it.
    const int shift = static_cast<uint8_t>(d[1]) & 31;
    if (shift >= 8) return;
    TTimeSign& e = s_.TimeSignature.emplace_back();
    ++s_.TimeSignCounter;
    e.Numerator = static_cast<uint8_t>(d[0]);
    e.Denominator = static_cast<uint8_t>(1u << shift);
    e.TicksInMClick = static_cast<uint8_t>(d[2]);
    e._32NotesInQNote = static_cast<uint8_t>(d[3]);
    e.SongPosition = tick;
  }

  // One pass over a track: its chain, the song's lists and what the file says of itself. Events
  // after the End of Track are read and kept like the others but counted nowhere (not in the
  // song's length, the text count or the Prompta signature).
  void ReadTrack(int t) {
    SkipToTrack(t, true);
    const int64_t chunkEnd = EnterTrack(t);
    const bool clearOnSystem = s_.Configuration.PrevCommandMode == 0;
    TrackReading r{t, s_.MidiTrack[t], s_.MidiTrack[n_], s_.KeySignArray[t]};
    PromptaScan prompta;
    uint8_t status = 0;
    int32_t tick = 0;
    int16_t channel = -1;
    while (c_.pos < chunkEnd) {
      tick = AddTick(tick, c_.VarLen());
      uint8_t b = c_.Byte();
      uint8_t command, d1;
      if (b < 0x80) {
        if (status == 0) BadByte(b);
        command = status;
        d1 = b;
      } else if (b < 0xF0) {
        status = command = b;
        d1 = c_.Byte();
      } else {
        if (b == 0xF0 || b == 0xF7) {
          int32_t len = c_.VarLen();
          const char* data = c_.Take(len);
          if (!r.ended) Counts(tick);
          if (b == 0xF0 && len > 0 && build_) {
            PtrMidiEvent e = NewMeta(0, data, len, tick);
            e->Command = 0xF0;
            e->MType = -1;
            Append(r.track, e);
            if (len > 4 && std::memcmp(data, "\x00\x20\x24\x00", 4) == 0) lineFlag_ = true;
          }
        } else if (b == 0xFF) {
          uint8_t type = c_.Byte();
          int32_t len = c_.VarLen();
          if (!r.ended) {
            if (type == 0x2F && len != 0)
              Damaged(Tr("Das Ende einer Spur trägt Daten", "The end mark of a track carries data"));
            CountMeta(r, type, len);
          }
          const char* data = c_.Take(len);
          if (clearOnSystem) status = 0;
          if (!r.ended && type < 0x2F) Counts(tick);
          if (type == 0x2F && !r.ended) {
            r.ended = true;
            // Only counting: what follows counts nowhere.
            if (!build_) {
              c_.pos = chunkEnd;
              break;
            }
          } else if (build_) {
            BuildMeta(r, type, data, len, tick);
          }
          continue;
        } else if (b < 0xF8 || b > 0xFC) {
          BadByte(b);
        } else if (!r.ended) {
          Counts(tick);
        }
        if (clearOnSystem) status = 0;
        continue;
      }
      uint8_t d2 = ChannelDataBytes(command) == 2 ? c_.Byte() : 0;
      uint8_t hi = command & 0xF0;
      if (!r.ended) {
        if (hi == 0xB0) PromptaStep(prompta, t, command & 0x0F, d1, d2, tick);
        Counts(tick);
      }
      if (!build_) continue;
      if (d1 > 127)
        Damaged(Tr("Ein Wert ist größer als 127, wo nur 0 bis 127 erlaubt sind",
                   "A value is above 127 where only 0 to 127 are allowed"));
      if (d2 > 127) d2 = hi == 0x80 ? 64 : 127;
      if (hi == 0x90 && d2 == 0) {
        command = static_cast<uint8_t>(0x80 | (command & 0x0F));
        d2 = 17;
      } else if (hi == 0xC0 && d1 >= 33 && d1 <= 40) {
        s_.BassOnChannel[command & 0x0F] = true;
      }
      PtrMidiEvent e = s_.Pool.NewEvent();
      e->Command = command;
      e->DType = DTypeChannel;
      e->MType = -1;
      e->Position = tick;
      e->Value[0] = e->ValueOrg[0] = d1;
      e->Value[1] = e->ValueOrg[1] = d2;
      Append(r.track, e);
      const int16_t c = command & 0x0F;
      if (channel == -1)
        channel = c;
      else if (channel != c)
        channel = 16;
    }
    r.track.TrkMidiChannel = channel;
    r.keys.ValArray.resize(static_cast<size_t>(r.keys.Elements));
    s_.MaxSongPosition = maxPos_;
    s_.PromptaControllerDetectProgress = prompta.state;
  }

  // The song's length: the latest event before an End of Track, meta events from 0x2F on not
  // counted.
  void Counts(int32_t tick) {
    if (tick > maxPos_) maxPos_ = tick;
  }

  // What a track's reading carries from event to event.
  struct TrackReading {
    int t;
    TMyTrack& track;
    TMyTrack& lyrics;
    TKeySignArray& keys;  // Elements: key signatures before the End of Track
    bool ended = false;   // past the End of Track
  };

  // The counts of events before the End of Track.
  void CountMeta(TrackReading& r, uint8_t type, int32_t len) {
    if (r.t == 0 && type == 0x51 && len == 3) ++tempoEvents_;
    if (r.t == 0 && type == 0x58 && len == 4) ++timeSignEvents_;
    if (type == 0x59) ++r.keys.Elements;
    CountText(type);
  }

  void BuildMeta(TrackReading& r, uint8_t type, const char* data, int32_t len, int32_t tick) {
    TMyTrack& track = r.track;
    switch (type) {
      case 0x01:
        if (len >= 1) {
          PtrMidiEvent e = NewMeta(type, data, len, tick);
          Append(track, e);
          texts_.push_back(e);
        }
        return;
      case 0x00: case 0x02: case 0x04: case 0x06: case 0x07: case 0x08: case 0x09: case 0x54:
        if (len >= 1) Append(track, NewMeta(type, data, len, tick));
        return;
      case 0x03:
        if (len >= 1) {
          PtrMidiEvent e = NewMeta(type, data, len, tick);
          Append(track, e);
          if (!track.TrkNameEvent) track.TrkNameEvent = e;
        }
        return;
      case 0x05:
        if (len >= 1) {
          PtrMidiEvent e = NewMeta(type, data, len, tick, lineFlag_ ? "\r" : "");
          Append(r.lyrics, e);
          if (r.t < n_ && s_.LyricOrigin[r.t].Count++ == 0) s_.LyricOrigin[r.t].FirstPosition = tick;
        } else if (lineFlag_) {
          Append(r.lyrics, NewMeta(type, "\r", 1, tick));
        }
        return;
      case 0x51:
        if (len == 3) {
          Append(track, NewMeta(type, data, len, tick));
          if (r.t == 0) TempoEntry(data, tick);
        }
        return;
      case 0x58:
        if (len == 4) {
          Append(track, NewMeta(type, data, len, tick));
          if (r.t == 0) TimeSignEntry(data, tick);
        }
        return;
      case 0x59:
        if (len >= 1) {
          PtrMidiEvent e = NewMeta(type, data, len, tick);
          Append(track, e);
          // The list holds as many as were counted before the End of Track, the first ones read.
          std::vector<TKeySigns>& keys = r.keys.ValArray;
          if (!r.ended || static_cast<int32_t>(keys.size()) < r.keys.Elements) {
            if (len < 2)
              Damaged(Tr("Eine Tonart-Angabe ist zu kurz", "A key signature is too short"));
            TKeySigns& k = keys.emplace_back();
            k.MidiEvent = e;
            k.SF = static_cast<uint8_t>(data[0]);
            k.MI = static_cast<uint8_t>(data[1]);
          }
        }
        return;
      case 0x7F:
        if (len >= 1) {
          Append(track, NewMeta(type, data, len, tick));
          if (s_.MidiFileFormat == 0 && len == 7 && std::memcmp(data, "\x43\x7B\x01", 3) == 0) {
            s_.XF_Present = true;
            s_.XF_TrackNb = r.t;
            ++s_.XF_Counter;
          }
        }
        return;
      default:
        return;
    }
  }

  void Finish() {
    for (int t = 0; t < n_ + 2; ++t) {
      PtrMidiEvent e = NewMeta(0x2F, "", 0, s_.MaxSongPosition);
      Append(s_.MidiTrack[t], e);
    }
    // Channels were gathered while building; a format 0 song plays on several by definition.
    if (s_.MidiFileFormat == 0) {
      for (int t = 0; t < n_; ++t) s_.MidiTrack[t].TrkMidiChannel = -1;
      if (n_ > 0) s_.MidiTrack[0].TrkMidiChannel = 16;
    }
    // Decided on the song's texts alone, in song order: the file tracks' text events, then the
    // lyrics. Track names are left out: they are often typed in another program than the lyrics.
    std::vector<std::string_view> texts;
    texts.reserve(texts_.size() + static_cast<size_t>(s_.MidiTrack[n_].TrkEventCounter));
    for (const TypMidiEvent* e : texts_) texts.emplace_back(e->Meta);
    for (const TypMidiEvent* e = s_.MidiTrack[n_].TrkFirstEvent; e; e = e->NextEvent)
      if (e->Command == 0xFF && e->MType == 0x05) texts.emplace_back(e->Meta);
    s_.Encoding = ChooseTextEncoding(texts);
  }
};

}  // namespace

void DeleteDrumBankSelect(Song& song, StampedTimes* stamped) {
  auto isDrumControl = [](const TypMidiEvent& e, int controller) {
    return e.Command == 0xB9 && e.DType == DTypeChannel && e.Value[0] == controller;
  };
  const int n = song.NumberOfSourceTracks;
  for (int t = 0; t < n && t < static_cast<int>(song.MidiTrack.size()); ++t) {
    TMyTrack& track = song.MidiTrack[t];
    if (track.TrkEventCounter <= 2 || !track.TrkFirstEvent) continue;
    // A track known to play on one other channel has no channel-10 events to look at.
    if (track.TrkMidiChannel >= 0 && track.TrkMidiChannel <= 15 && track.TrkMidiChannel != 9) continue;
    PtrMidiEvent beforeMsb = nullptr;
    bool hasLsb = false;
    for (PtrMidiEvent q = track.TrkFirstEvent, e = q->NextEvent; e && !hasLsb; q = e, e = e->NextEvent) {
      if (isDrumControl(*e, 32)) hasLsb = true;
      else if (!beforeMsb && isDrumControl(*e, 0)) beforeMsb = q;
    }
    if (!hasLsb && beforeMsb) {
      // The song's latest time may go with it.
      const PtrMidiEvent gone = beforeMsb->NextEvent;
      if (stamped && (gone->TimePosition >= stamped->SongLength ||
                      std::find(stamped->Late.begin(), stamped->Late.end(), gone) != stamped->Late.end()))
        stamped->Valid = false;
      RemoveEventAfter(song, track, beforeMsb, 0);
    }
  }
}

void ParseMidiData(Song& song, StampedTimes* stamped) { ParseMidiData(song, song.SourceData, stamped); }

void ParseMidiData(Song& song, std::span<const uint8_t> bytes, StampedTimes* stamped) {
  try {
    Reader(song, bytes, stamped).Parse();
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
}

void CompleteMidiData(Song& song, StampedTimes* stamped) {
  try {
    Reader(song).Complete(stamped);
  } catch (const std::bad_alloc&) {
    throw OutOfMemory();
  }
}

void ReadMidiData(Song& song, StampedTimes* stamped) {
  ParseMidiData(song, stamped);
  CompleteMidiData(song, stamped);
}

}  // namespace cv
