// Shared by the song commands of cantovex-cli: song options, opening, JSON and text output.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliCommand.h"
#include "session/SongSession.h"
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
// The session's questions are answered by the command's options; its messages go to stderr, one
// "file: text" or "caption: text" each.
class CliUi : public cv::SessionUi {
 public:
  explicit CliUi(std::ostream& err) : err_(err) {}
  bool AskYesNo(const std::string&) override { return answer_; }
  void Report(const cv::TUserMessage& message) override;
  void SetAnswer(bool yes) { answer_ = yes; }
  // An error was reported: the command ends with exit code 1.
  bool Failed() const { return failed_; }

 private:
  std::ostream& err_;
  bool answer_ = false;
  bool failed_ = false;
};

// One song for one command.
struct CliSession {
  explicit CliSession(const CliContext& ctx) : ui(*ctx.err), session(ui) {}
  // Opens the song the way the program does (a song without lyrics stays in viewing mode);
  // false when it failed (reported).
  bool Open(const std::string& path, const SongOptions& options);
  cv::Song& Song() { return session.CurrentSong(); }

  CliUi ui;
  cv::SongSession session;
};

// A JSON string literal (quotes included) of UTF-8 or UTF-16 text.
std::string JsonString(std::string_view utf8);
std::string JsonString(std::u16string_view text);
// Text of an event's bytes in the song's encoding, as UTF-8.
std::string EventText(const cv::Song& song, const std::string& bytes);

// The syllable list: one line per element, or {"syllables": [...]} with --json.
void PrintSyllables(const cv::Song& song, const CliContext& ctx);

}  // namespace cvcli
