// Lyric text files: loading one into the lyrics editor, saving the lyrics as one, deleting the lyrics.
//
// A lyric text file holds the song name on line 1, the artist on line 2 and the lyrics from
// line 3 on, in the edit-text conventions ("-" between syllables, "_" for a space inside one).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "lyrics/DocumentReader.h"
#include "lyrics/EditText.h"
#include "song/Song.h"

namespace cv {

enum class TLyricLoadStatus {
  Loaded,       // Lines hold the cleaned text
  NotFound,     // the file vanished; Message says so
  Empty,        // nothing but blank lines
  Unsupported,  // no reader for the extension
  NotText,      // NUL bytes or mostly control characters: binary data, not a lyric text
  Unreadable,   // a folder, no right to read, or the reader failed; Message says why
};

struct TLyricTextLoad {
  TLyricLoadStatus Status = TLyricLoadStatus::Loaded;
  std::vector<std::u16string> Lines;
  std::string Message;  // finished text for every status but Loaded
};

// Reads the file with the reader for its extension and cleans it up: leading blank lines and
// runs of blank lines go, TABs become spaces to the next multiple of 8, typographic apostrophes
// become "'", other control characters go. Every message says what is wrong and what to do (the
// empty file's own text last). The song is not touched.
TLyricTextLoad ReadLyricTextFile(const std::string& path,
                                 const std::vector<std::unique_ptr<DocumentReader>>& readers);

// Opens a loaded text in the lyrics editor: returns the text for the view and marks the editor
// open with the layout rules to be confirmed when it is left.
TEditorText OpenLyricText(Song& song, const std::vector<std::u16string>& lines);

// The lyrics as a lyric text file: UTF-8, LF line ends; reading it back gives the same syllables.
std::string LyricTextFileContent(const Song& song);
// Writes the lyric text file without destroying an old one before the new one is complete.
// Throws EDocumentError with a message naming the file.
void SaveLyricTextFile(const Song& song, const std::string& path);

// "Sollen die Lyrics entfernt werden?" / "Delete the lyrics?"
std::string DeleteLyricsQuestion();
// Removes every lyric event, the Prompta data and the syllable list (the caller asked first).
void DeleteLyrics(Song& song);

}  // namespace cv
