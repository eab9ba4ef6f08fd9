// The song's melody: which notes the singer sings. Every user of "the melody" (assign, hide note,
// the song check, exports, the timeline) goes through here, so they all agree.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "song/TConfiguration.h"

namespace cv {

struct Song;

// One part of the song: the notes of a channel in one file track or in all of them.
struct MelodyPart {
  int32_t Track = -1;    // file track index; -1: every track
  int32_t Channel = -1;  // 0..15; -1: every channel of the track but channel 10
  // Where the part takes over (a melody split over two parts): from this tick on, up to the
  // next part's From. The first part starts at the song start.
  int32_t From = 0;
  bool operator==(const MelodyPart&) const = default;
};

// One melody note; a chord counts as one note (its highest pitch).
struct MelodyNote {
  int32_t Tick = 0;
  int32_t TimeMs = 0;
  int32_t Length = 0;  // ticks to its note-off (to the song end when none follows)
  uint8_t Pitch = 0;
  uint8_t Velocity = 0;
  uint8_t Channel = 0;  // 0..15
  bool Hidden = false;  // hidden from the syllable matching
  bool operator==(const MelodyNote&) const = default;
};

struct MelodyChoice {
  bool Automatic = false;           // chosen by the finder (else the setting's part)
  std::vector<MelodyPart> Parts;    // in song order; empty: the song has no melody notes
  std::vector<MelodyNote> Notes;    // sorted by tick, one per tick
  int32_t Syllables = 0;            // sung syllables of the song's lyrics (0: no lyrics)
  int32_t SyllablesOnNote = 0;      // of them within a sixteenth of a melody note
  // With a fixed setting: the finder's parts and their count when they put clearly more syllables
  // on a note (empty otherwise), so the user can be offered them.
  std::vector<MelodyPart> Better;
  int32_t BetterOnNote = 0;
  // Why these parts, one line in the user's language:
  // "channel 4, track 'Melody': 301 of 313 syllables on a note".
  std::string Reason;

  // The fixed setting leaves most syllables without a note and the finder knows better.
  bool OffersBetter() const { return !Better.empty() && SyllablesOnNote * 2 < Syllables; }
};

// The melody of the song as it stands (its file tracks and its lyrics) under a setting:
// automatic scores every channel and every track-and-channel pair (channel 10 never) by the sung
// syllables lying within a sixteenth note of its note-ons, by being mostly one note at a time, by
// a singing range and by a track name that says melody; without lyrics the same without the
// syllables. One pass over the note-ons, then one over the chosen parts.
MelodyChoice FindMelody(const Song& song, const MelodySetting& setting);
// The same under the song's own configuration.
MelodyChoice FindMelody(const Song& song);

// Finds the melody under the song's configuration and makes it the song's melody chain (the notes
// assign and hide note work on); the choice without its notes is kept in Song::Melody.
void UseMelody(Song& song);
// The melody chain's notes as they now are (moves such as a lead-in included; hidden notes left
// out unless asked for): what exports and views show as "the melody". Length: to the next note.
std::vector<MelodyNote> CurrentMelodyNotes(const Song& song, bool withHidden = false);

// A sixteenth note in ticks: how far a sung syllable may lie from the note it is sung on.
int32_t NoteTolerance(const Song& song);

// The name of a file track (UTF-8, trimmed; empty: none).
std::string TrackName(const Song& song, int32_t track);
// "channel 4, track 'Melody'" / "Kanal 4, Spur „Melody“"; "none" when parts is empty.
std::string PartsText(const Song& song, const std::vector<MelodyPart>& parts);
// The setting as the CLI and the settings store write it: "auto", "1".."16", "track 3".
std::string MelodySettingText(const MelodySetting& setting);
// The reverse, case-insensitive; nothing for any other text.
std::optional<MelodySetting> ParseMelodySetting(std::string_view text);

}  // namespace cv
