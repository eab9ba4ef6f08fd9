// Shared by the song commands of cantovex-cli: song options, opening, JSON and text output.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommand.h"
#include "song/Song.h"

namespace cvcli {

struct SongOptions {
  std::optional<cv::TextEncoding> encoding;  // --encoding utf8|cp1252
  bool removePrompta = false;                // --remove-prompta: answer yes to the Prompta question
};

// Usage text of the options TakeSongOptions understands.
extern const char* const kSongOptionsUsage;

// Removes the song options from args and returns them; wrong values are usage errors.
SongOptions TakeSongOptions(std::vector<std::string>& args);
// The one remaining argument, the song file (usage error otherwise).
std::string TakeSongPath(std::vector<std::string>& args);
// Opens a song the way the program does; failures raise EMidiError naming the file.
void OpenCliSong(cv::Song& song, const std::string& path, const SongOptions& options);

// A JSON string literal (quotes included) of UTF-8 or UTF-16 text.
std::string JsonString(std::string_view utf8);
std::string JsonString(std::u16string_view text);
// Text of an event's bytes in the song's encoding, as UTF-8.
std::string EventText(const cv::Song& song, const std::string& bytes);

// The syllable list: one line per element, or {"syllables": [...]} with --json.
void PrintSyllables(const cv::Song& song, const CliContext& ctx);

}  // namespace cvcli
