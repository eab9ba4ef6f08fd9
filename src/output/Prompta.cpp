#include "output/Prompta.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "song/ChainEdit.h"
#include "song/TimeMap.h"

namespace cv {

namespace {

constexpr char kSignature[] = "Maravelt 2000";
constexpr int kMaxLines = 10000;
constexpr int kLastColumn = 79;  // the display line holds 80 characters

// One line of the display data: a syllable, a line break or the copyright text.
struct TSHyphens {
  int32_t SongPosition = 0;
  uint8_t PromptaIndex[6] = {};
  uint8_t PromptaType = 0;
  std::u16string Text;
};

bool IsLineBreakText(const std::u16string& t) { return t.size() == 1 && t[0] == u'\r'; }

// Calls f once per character; a surrogate pair is one character (with no Windows-1252 code).
template <typename F>
void ForEachCharacter(const std::u16string& text, F f) {
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      ++i;
      f(-1);
    } else {
      f(Windows1252Code(c));
    }
  }
}

// The values one character sends. Characters without a Windows-1252 code and codes 128 to 155
// are not sent (the column still counts them); control characters other than CR would read as
// commands and are not sent either.
int EncodeCharacter(int code, uint8_t out[2]) {
  if (code < 0) return 0;
  if (code < 128) {
    if (code < 32 && code != 13) return 0;
    out[0] = static_cast<uint8_t>(code);
    return 1;
  }
  if (code >= 156 && code <= 255) {
    out[0] = 27;
    out[1] = static_cast<uint8_t>(code - 128);
    return 2;
  }
  return 0;
}

int64_t LeadTicks(double ms, double msPerTick) {
  if (!(msPerTick > 0)) return 0;
  return std::clamp<double>(RoundHalfEven(ms / msPerTick), 0, 65535);
}

uint8_t DataByte(int v) { return static_cast<uint8_t>(std::clamp(v, 0, 127)); }

std::vector<TSHyphens> BuildEntries(const Song& song) {
  std::vector<TSHyphens> entries;
  entries.reserve(static_cast<size_t>(std::max(0, song.HyphenArrayElements)) + 2);
  if (!song.Configuration.CopyrightString.empty()) {
    entries.push_back({0, {}, 0, Utf8ToUtf16(song.Configuration.CopyrightString)});
    entries.push_back({4, {}, 0, u"\r"});
  }
  const int count = std::min<int>(song.HyphenArrayElements, static_cast<int>(song.HyphenArray.size()));
  for (int i = 0; i < count; ++i)
    entries.push_back({song.HyphenArray[i].SongPosition, {}, 0, song.HyphenArray[i].Text});

  const double msPerTick = song.TimeZone.empty() ? 0.0 : static_cast<double>(song.TimeZone[0].TempoComp);
  const int64_t lead = LeadTicks(song.Configuration.PromptaTimeOffset, msPerTick) + LeadTicks(150, msPerTick);
  for (size_t i = 0; i < entries.size(); ++i) {
    int64_t pos = std::max<int64_t>(0, int64_t{entries[i].SongPosition} - lead);
    if (i > 0) pos = std::max<int64_t>(pos, int64_t{entries[i - 1].SongPosition} + 4);
    entries[i].SongPosition = static_cast<int32_t>(std::min<int64_t>(pos, INT32_MAX));
  }
  return entries;
}

// Line and column reached by each entry; false when the text has more lines than the display counts.
bool SetCues(std::vector<TSHyphens>& entries) {
  int line = 0, column = 0;
  for (TSHyphens& e : entries) {
    if (e.Text.find(u'\r') != std::u16string::npos) {
      column = 0;
      ++line;
    } else {
      ForEachCharacter(e.Text, [&](int) { column = std::min(column + 1, kLastColumn); });
    }
    if (line >= kMaxLines) return false;
    uint8_t* v = e.PromptaIndex;
    v[0] = 9;
    v[1] = static_cast<uint8_t>(column + 28);
    if (line < 100) {
      e.PromptaType = 1;
      v[2] = 10;
      v[3] = static_cast<uint8_t>(line + 28);
    } else {
      e.PromptaType = 2;
      v[2] = 16;
      v[3] = static_cast<uint8_t>(line / 100 + 28);
      v[4] = 10;
      v[5] = static_cast<uint8_t>(line % 100 + 28);
    }
  }
  return true;
}

int CueLength(const TSHyphens& e) { return e.PromptaType == 2 ? 6 : 4; }

// The data block (value k at tick 4 + 4k) with the cues that fall due while it is sent, and the
// cues still due after it, each at its own tick.
void BuildValues(const Song& song, const std::vector<TSHyphens>& entries, std::vector<TPromptaValue>& block,
                 std::vector<TPromptaValue>& lateCues) {
  const TConfiguration& cfg = song.Configuration;
  auto put = [&](uint8_t v) { block.push_back({static_cast<int32_t>(4 + 4 * block.size()), 0, v}); };
  put(24);
  for (const char* c = kSignature; *c; ++c) put(static_cast<uint8_t>(*c));
  put(25);
  put(15);
  put(18);
  put(DataByte(cfg.PromptaFont + 28));
  put(19);
  put(DataByte(cfg.PromptaFontHeight + 28));
  if (cfg.PromptaInversVideo) put(26);
  put(22);

  const size_t n = entries.size();
  size_t cursor = 0;
  // Line breaks get no cue of their own.
  auto advance = [&] {
    ++cursor;
    if (cursor < n && IsLineBreakText(entries[cursor].Text) && cursor != n - 1) ++cursor;
  };
  for (const TSHyphens& entry : entries) {
    ForEachCharacter(entry.Text, [&](int code) {
      uint8_t out[2];
      const int count = EncodeCharacter(code, out);
      if (count == 0) return;
      for (int i = 0; i < count; ++i) put(out[i]);
      if (cursor < n && entries[cursor].SongPosition <= block.back().SongPosition) {
        put(23);
        for (int j = 0; j < CueLength(entries[cursor]); ++j) put(entries[cursor].PromptaIndex[j]);
        put(22);
        advance();
      }
    });
  }
  put(23);
  put(12);
  while (cursor < n) {
    const TSHyphens& e = entries[cursor];
    for (int j = 0; j < CueLength(e); ++j)
      lateCues.push_back({static_cast<int32_t>(std::min<int64_t>(int64_t{e.SongPosition} + 4 * j, INT32_MAX)), 0,
                          e.PromptaIndex[j]});
    advance();
  }
}

// Inserts events in the given order, each before the first following event with a greater
// position, searching on from the previous insertion; stops at the end of the track (the song end).
class TrackInserter {
 public:
  TrackInserter(Song& song, TMyTrack& track) : song_(song), track_(track), at_(track.TrkFirstEvent) {}

  void Restart() { at_ = track_.TrkFirstEvent; }

  // False when no place is left before End of Track.
  bool Insert(int32_t tick, uint8_t command, uint8_t data1, uint8_t data2) {
    PtrMidiEvent q = at_;
    while (q->NextEvent && q->NextEvent->Position <= tick) {
      if (!q->NextEvent->NextEvent) return false;
      q = q->NextEvent;
    }
    if (!q->NextEvent) return false;
    PtrMidiEvent e = AllocateEvent(song_);
    e->Command = command;
    e->DType = DTypeChannel;
    e->MType = -1;
    e->Position = tick;
    e->Value[0] = e->ValueOrg[0] = data1;
    e->Value[1] = e->ValueOrg[1] = data2;
    LinkAfter(q, e);
    ++track_.TrkEventCounter;
    at_ = e;
    return true;
  }

 private:
  Song& song_;
  TMyTrack& track_;
  PtrMidiEvent at_;
};

}  // namespace

bool PromptaWireValues(const Song& song, std::vector<TPromptaValue>& values) {
  values.clear();
  std::vector<TSHyphens> entries = BuildEntries(song);
  if (!SetCues(entries)) return false;
  std::vector<TPromptaValue> lateCues;
  BuildValues(song, entries, values, lateCues);
  // Nothing goes in at or after End of Track: each part stops at its first value beyond it.
  auto pastEnd = [&](const TPromptaValue& v) { return v.SongPosition >= song.MaxSongPosition; };
  values.erase(std::find_if(values.begin(), values.end(), pastEnd), values.end());
  lateCues.erase(std::find_if(lateCues.begin(), lateCues.end(), pastEnd), lateCues.end());
  values.insert(values.end(), lateCues.begin(), lateCues.end());
  for (TPromptaValue& v : values) v.Time = SongPositionTime(song, v.SongPosition);
  return true;
}

void RemovePromptaData(Song& song) {
  const int64_t t = song.PromptaControllerTrack;
  if (t < 0 || t > int64_t{song.NumberOfSourceTracks} + 1 || t >= static_cast<int64_t>(song.MidiTrack.size())) return;
  TMyTrack& track = song.MidiTrack[static_cast<size_t>(t)];
  if (!track.TrkFirstEvent) return;
  const int ch = song.PromptaControllerChannel & 0x0F;
  bool noteOnGone = false, noteOffGone = false;
  for (PtrMidiEvent prev = track.TrkFirstEvent; prev->NextEvent;) {
    const TypMidiEvent& e = *prev->NextEvent;
    bool remove = false;
    if (e.DType == DTypeChannel) {
      if (e.Command == 0xB0 + ch) {
        remove = e.Value[0] == song.PromptaController;
      } else if (e.Position <= 100 && e.Value[0] == 36) {
        // The Yamaha note: its note-on first, then the first note-off after it.
        if (!noteOnGone) {
          remove = noteOnGone = e.Command == 0x90 + ch && e.Value[1] < 6;
        } else if (!noteOffGone) {
          remove = noteOffGone = e.Command == 0x80 + ch || (e.Command == 0x90 + ch && e.Value[1] == 0);
        }
      }
    }
    if (remove)
      RemoveEventAfter(song, track, prev, 1);
    else
      prev = prev->NextEvent;
  }
}

void ClearPromptaLeadIn(Song& song) {
  const int n = std::min<int>(song.NumberOfSourceTracks, static_cast<int>(song.MidiTrack.size()));
  const int ch = song.Configuration.PromptaMidiChannel & 0x0F;
  const uint8_t controller = song.Configuration.PromptaCmdController;
  for (int t = 0; t < n; ++t) {
    PtrMidiEvent e = song.MidiTrack[t].TrkFirstEvent;
    while (e && e->Position < 4) e = e->NextEvent;
    if (!e || !e->NextEvent) continue;
    // The last event (End of Track at the song end) stays where it is.
    int32_t next = 61;
    for (PtrMidiEvent prev = nullptr; e->NextEvent; prev = e, e = e->NextEvent) {
      if (e->Position < 61) e->Position = next++;
      if (prev && e->Position < prev->Position) e->Position = prev->Position;
    }
    for (e = song.MidiTrack[t].TrkFirstEvent; e->NextEvent; e = e->NextEvent) {
      if (e->Command == 0xB0 + ch && e->DType == DTypeChannel && e->Value[0] == controller) {
        e->Command = 0xFF;
        e->DType = DTypeMeta;
        e->MType = 1;
        e->Meta.clear();
      }
    }
  }
}

bool InsertPromptaController(Song& song) {
  if (!song.MidiFileLoaded) return false;
  const size_t promptaTrack = static_cast<size_t>(song.NumberOfSourceTracks) + 1;
  if (song.MidiTrack.size() <= promptaTrack || !song.MidiTrack[promptaTrack].TrkFirstEvent) return false;
  RemovePromptaData(song);
  ClearPromptaLeadIn(song);
  const TConfiguration& cfg = song.Configuration;
  song.PromptaControllerTrack = static_cast<int32_t>(promptaTrack);
  song.PromptaController = cfg.PromptaCmdController;
  song.PromptaControllerChannel = cfg.PromptaMidiChannel;

  std::vector<TPromptaValue> values;
  if (!PromptaWireValues(song, values)) {
    if (song.Messages)
      song.Messages->ShowMessage(" Cantovex 3 - Warnung", "Es werden nicht mehr als 10000 Zeilen unterstützt!");
    return false;
  }
  const uint8_t ch = cfg.PromptaMidiChannel & 0x0F;
  const uint8_t controller = DataByte(cfg.PromptaCmdController);
  TrackInserter inserter(song, song.MidiTrack[promptaTrack]);
  if (cfg.PromptaForYamaha && inserter.Insert(3, 0x90 + ch, 36, 3)) inserter.Insert(6, 0x90 + ch, 36, 0);
  // The block goes in by tick from the track start (around the Yamaha note); the late cues
  // follow it in the order they were made, so they never split the block.
  inserter.Restart();
  for (const TPromptaValue& v : values)
    if (!inserter.Insert(v.SongPosition, 0xB0 + ch, controller, v.Value)) break;
  SetTimePositions(song);
  return true;
}

std::string PromptaQuestionText(const Song& song) {
  std::string q = "Die Unterstützung für den Prompta ist ausgeschaltet!\rEs wurden Prompta-Befehle";
  if (song.MidiFileFormat == 0)
    q += " auf Midikanal ";
  else
    q += " auf Spur " + std::to_string(song.PromptaControllerTrack) + ", Midikanal ";
  q += std::to_string(song.PromptaControllerChannel + 1) + " gefunden!\rSollen diese entfernt werden?";
  return q;
}

}  // namespace cv
