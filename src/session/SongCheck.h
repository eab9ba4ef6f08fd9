// The song check before the gig: what will go wrong on stage, found in the file as read and in
// the song as it will be saved.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "song/Song.h"

namespace cv {

enum class TFindingSeverity { Error, Warning };
// The file as read (before opening changes it) or the song as it will be saved.
enum class TFindingSource { File, Song };

struct TSongFinding {
  TFindingSeverity Severity = TFindingSeverity::Warning;
  // A stable English word: no-note, shared-note, line-too-long, unshowable-character, after-end,
  // lyrics-outside-track, mixed-text-and-lyrics, karaoke-text-events, stale-prompter-data,
  // prompter-data-cut, empty-header, starts-too-early.
  std::string Kind;
  TFindingSource Source = TFindingSource::Song;
  int32_t SongPosition = 0;
  int32_t Time = 0;
  std::u16string MTC;
  std::u16string Text;  // the syllable or event text
  int32_t Hyphen = -1;  // index in HyphenArray of a song finding's syllable, -1: none
  std::string Message;  // finished, in the user's language
};

struct TCheckOptions {
  // Characters of a keyboard's lyrics line; 0: no keyboard display is checked.
  int KeyboardLineWidth = 0;
  // How far a syllable may lie from its melody note; -1: a sixteenth note.
  int32_t NoteTolerance = -1;
};

// The song as it will be saved (syllables, lyric events, Prompta data).
std::vector<TSongFinding> CheckSong(Song& song, const TCheckOptions& options = {});
// Only the note findings of CheckSong (no-note, shared-note): what views mark on the syllables.
std::vector<TSongFinding> CheckSongNotes(Song& song, const TCheckOptions& options = {});
// The file as read, with the given settings; EMidiError when it cannot be read.
std::vector<TSongFinding> CheckSongFile(const std::string& path, const TConfiguration& configuration);
// Both, by position (file findings first at equal positions); true when any is an error.
bool HasError(const std::vector<TSongFinding>& findings);
void SortFindings(std::vector<TSongFinding>& findings);

const char* FindingSeverityName(TFindingSeverity severity);  // "error", "warning"
const char* FindingSourceName(TFindingSource source);        // "file", "song"

}  // namespace cv
