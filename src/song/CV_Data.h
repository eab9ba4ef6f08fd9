// Song records: events, chains, tempo and signature lists, time zones, syllables.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "song/MetaBytes.h"

namespace cv {

struct TypMidiEvent;
using PtrMidiEvent = TypMidiEvent*;

// Data bytes after a channel status byte: one for program change and channel pressure, else two.
constexpr int ChannelDataBytes(uint8_t status) { return (status & 0xE0) == 0xC0 ? 1 : 2; }

// One stored event in a singly linked chain. Records come zero-filled from the song's pool; a big
// song holds millions, so the record is kept at 32 bytes.
struct TypMidiEvent {
  PtrMidiEvent NextEvent = nullptr;
  MetaBytes Meta;            // data bytes of a meta or sysex event (sysex: bytes after 0xF0)
  int32_t Position = 0;      // ticks from the song start
  int32_t TimePosition = 0;  // milliseconds from the song start (time map)
  uint8_t Command = 0;       // status byte: 0x80..0xEF, 0xF0 or 0xFF
  int8_t MType = 0;          // meta type 0..127; -1 for channel messages and sysex
  uint8_t DType = 0;         // 1 = channel message (Value), 2 = meta/sysex (Meta)
  bool Hidden = false;
  uint8_t Value[2] = {0, 0};     // data bytes as sent
  uint8_t ValueOrg[2] = {0, 0};  // data bytes as read

  // Channel: message length with the status byte; meta/sysex: size of Meta (an emptied meta
  // event is left out of every written file).
  int32_t DataLength() const;
};

static_assert(sizeof(TypMidiEvent) == 32);

constexpr uint8_t DTypeChannel = 1;
constexpr uint8_t DTypeMeta = 2;

inline int32_t TypMidiEvent::DataLength() const {
  return DType == DTypeChannel ? 1 + ChannelDataBytes(Command) : static_cast<int32_t>(Meta.size());
}

// Head of one event chain.
struct TMyTrack {
  int32_t TrkEventCounter = 0;
  PtrMidiEvent TrkFirstEvent = nullptr;
  PtrMidiEvent TrkLastEvent = nullptr;
  int16_t TrkMidiChannel = -1;  // -1 none, 0..15 single channel, 16 several
  PtrMidiEvent TrkNameEvent = nullptr;
  int16_t TrkPatchNumber = -1;
  PtrMidiEvent TrkPlayEvent = nullptr;
};

struct TTempo {
  int32_t OldTempoLongInt = 0;
  int32_t OriginalTempoLongint = 0;
  int32_t SongPosition = -1;
  uint16_t Tempo = 0;
  int32_t TempoLongInt = 0;
};

struct TTimeSign {
  uint8_t _32NotesInQNote = 0;
  uint8_t Denominator = 0;  // the note value itself (4 = quarter)
  uint8_t Numerator = 0;
  int32_t SongPosition = -1;
  uint8_t TicksInMClick = 0;
};

struct TTimeZone {
  uint16_t Measure = 1;
  uint8_t Beat = 1;
  uint16_t Ticks = 0;
  int32_t SongPosition = 0;
  uint8_t TS_Denominator = 4;
  uint8_t TS_Numerator = 4;
  uint16_t Tempo = 120;
  float TempoComp = 0;  // milliseconds per tick
  int32_t TempoLongInt = 500000;
  int32_t Time = 0;
};

struct TKeySigns {
  PtrMidiEvent MidiEvent = nullptr;
  int32_t SF = 0;  // first data byte as unsigned (flats: 255, 254, ...)
  int32_t MI = 0;
};

struct TKeySignArray {
  int32_t Elements = 0;
  std::vector<TKeySigns> ValArray;
};

// One syllable. A line-break element has Text == u"\r".
struct THyphens {
  int32_t dTime = 0;
  int32_t pTime = 0;
  std::u16string MTC;
  int32_t SongPosition = 0;
  std::u16string Text;
  int32_t Time = 0;
  // The event bytes this syllable was read from and their text then: while Text is unchanged,
  // saving writes these bytes back as they were (empty for syllables made in the program).
  std::string SourceBytes;
  std::u16string SourceText;
};

struct TXF_Chords {
  uint8_t BassOrgValue = 0;
  uint8_t ChordOrgValue = 0;
};

// Reading and writing failures; the message is the finished user-facing text (UTF-8).
class EMidiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace cv
