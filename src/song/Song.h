// The one opened song: chains, lists, time map and syllables, with the settings it was read under.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "song/CV_Data.h"
#include "song/EventPool.h"
#include "song/MelodyFinder.h"
#include "song/MessageSink.h"
#include "song/PlayerLink.h"
#include "song/TConfiguration.h"
#include "song/TextCodec.h"

namespace cv {

struct Song {
  Song() = default;
  Song(const Song&) = delete;
  Song& operator=(const Song&) = delete;
  // A song read aside replaces the current one only once it opened whole.
  Song(Song&&) = default;
  Song& operator=(Song&&) = default;

  TConfiguration Configuration;
  EventPool Pool;

  std::string MidiFileName;  // UTF-8 path
  bool MidiFileLoaded = false;
  std::vector<uint8_t> SourceData;  // file content while parsing only
  int64_t SourceDataPointer = 0;
  uint8_t MidiFileFormat = 0;
  uint16_t NumberOfSourceTracks = 0;
  uint16_t SourceTimeBase = 0;

  // Entries 0..N-1: the file's tracks; N: lyrics track; N+1: Prompta track.
  std::vector<TMyTrack> MidiTrack;
  // The melody's notes (one per tick) that assign and hide note work on, and why they were
  // chosen (Melody.Notes stays empty: the chain holds them).
  TMyTrack MelodyTrack;
  MelodyChoice Melody;
  int32_t MaxSongPosition = 0;

  std::vector<TTempo> TempoArray;
  int32_t TempoArrayElements = 0;
  int32_t TempoArrayCounter = 0;
  std::vector<TTimeSign> TimeSignature;
  int32_t TimeSignElements = 0;
  int32_t TimeSignCounter = 0;
  std::vector<TTimeZone> TimeZone;
  int32_t TimeZoneElements = 0;
  int32_t CurrentTimeZone = 0;
  uint16_t CurrentTempo = 0;
  std::vector<TKeySignArray> KeySignArray;

  std::vector<THyphens> HyphenArray;
  int32_t HyphenArrayElements = 0;
  int32_t HyphenArrayCounter = 0;
  int32_t CurrentHyphen = -1;
  int32_t LyricsMetaType = 5;
  int32_t LyricsTrack = 0;
  int32_t LyricsOffset = 0;
  // Per file track: the lyric events read from it (the reader gathers them all into the lyrics
  // track) and the tick of the first one.
  struct TLyricOrigin {
    int32_t Count = 0;
    int32_t FirstPosition = 0;
  };
  std::vector<TLyricOrigin> LyricOrigin;
  bool TextChanged = false;
  // The lyrics begin with a title line (song name, maybe artist) kept at tick 108. Decided when
  // the lyrics are extracted or the edit text is left; a hand-made list follows the edit text's
  // rules, which have one.
  bool TitleLine = true;
  // A lyrics editor (edit text or position text) holds the view.
  bool EditingText = false;
  // Leaving the edit text first asks the user to confirm the three layout rules.
  bool QuerryForRules = false;
  int32_t SongPositionToTime = 0;
  int32_t SongPositionTicks = 0;
  std::array<bool, 16> BassOnChannel{};

  uint8_t PromptaController = 0;
  uint8_t PromptaControllerChannel = 0;
  int32_t PromptaControllerTrack = -1;  // full width: a file may hold up to 65 535 tracks
  uint8_t PromptaControllerDetectProgress = 0;

  bool XF_Present = false;
  int32_t XF_Counter = 0;
  int32_t XF_TrackNb = -1;
  std::vector<TXF_Chords> XF_ChordsArray;

  // Chunks of other types found between or after the file's tracks (arranger information such
  // as XFIH/XFKM), whole with tag and length; the writers put them back after the last track.
  std::vector<std::string> ForeignChunks;

  // Encoding of the song's lyric and text events, decided when it is read.
  TextEncoding Encoding{"Windows-1252"};

  // Song length in ms as the player sees it (set with the event times).
  int32_t SongLength = 0;
  // The player, when one plays this song; operations that change chains re-seat it.
  PlayerLink* Player = nullptr;
  // Where operations deep inside the song (e.g. the Prompta data) send warnings; none: dropped.
  MessageSink* Messages = nullptr;

  int LyricsTrackIndex() const { return NumberOfSourceTracks; }
  int PromptaTrackIndex() const { return NumberOfSourceTracks + 1; }
};

// Releases the current song's chains and syllables (the player is stopped by the caller first).
void ClearMidiMemory(Song& song);

}  // namespace cv
