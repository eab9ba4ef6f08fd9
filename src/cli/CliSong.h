// Shared by the song commands of cantovex-cli: song options and the session of one command.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliCommand.h"
#include "session/SongSession.h"
#include "song/Song.h"

namespace cvcli {

struct SongOptions {
  std::optional<cv::TextEncoding> encoding;        // --encoding NAME: how the song's text is read
  std::optional<cv::TextEncoding> outputEncoding;  // --output-encoding NAME: the whole song is written in it
  bool removePrompta = false;                      // --remove-prompta: answer yes to the Prompta question
  std::optional<cv::MelodySetting> melody;         // --melody auto|1..16 (TakeMelodyOption)
};

// "--no-backup" and "--backup=new" of the commands that write songs: an existing file is replaced
// without keeping its backup "NAME~" first, or its backup replaces an older NAME~ (which otherwise
// stays, keeping the original through a chain of edits).
const std::vector<CliOption>& BackupOptions();
struct BackupWish {
  bool make = true;
  bool replaceOld = false;
  void ApplyTo(cv::TConfiguration& config) const {
    config.MakeBackup = make;
    config.ReplaceBackup = replaceOld;
  }
};
// Removes the backup options from args.
BackupWish TakeBackupWish(std::vector<std::string>& args);

// "--song-lang de|en|fr|it|es" of the commands writing karaoke and game files: the language the
// words are in (default: the user's).
const CliOption& SongLanguageOption();
// The language of a --song-lang value (usage error otherwise).
cv::THyphenLanguage ParseSongLanguage(const std::string& value);

// The options TakeSongOptions understands, for help and completion: how the song is read, and
// for the commands that write a song, the encoding it is written in.
const std::vector<CliOption>& SongOptionList();
const std::vector<CliOption>& ReadSongOptionList();
// Joins option lists for a command's table.
std::vector<CliOption> Options(std::initializer_list<std::vector<CliOption>> lists);

// Removes the song options from args and returns them; wrong values are usage errors. A command
// that writes no song leaves --output-encoding in args (an unknown option there).
SongOptions TakeSongOptions(std::vector<std::string>& args, bool writesSong = true);
// "--melody auto|1..16" of the commands that work with the melody.
const CliOption& MelodyOption();
// Removes --melody from args; nothing when absent; a wrong value is a usage error.
std::optional<cv::MelodySetting> TakeMelodyOption(std::vector<std::string>& args);
// The one remaining argument, the song file (usage error otherwise).
std::string TakeSongPath(std::vector<std::string>& args);
// The session's questions are answered by the command's options; its messages are the command's
// errors and warnings.
class CliUi : public cv::SessionUi {
 public:
  explicit CliUi(CliOutput& output) : output_(output) {}
  bool AskYesNo(const std::string&) override { return answer_; }
  void Report(const cv::TUserMessage& message) override;
  bool AskSaveAsUtf8(const std::string& question) override;
  std::string LeadInHow() const override;
  void SetAnswer(bool yes) { answer_ = yes; }
  // An error was reported: the command ends with exit code 1.
  bool Failed() const { return failed_; }

 private:
  CliOutput& output_;
  bool answer_ = false;
  bool failed_ = false;
};

// One song for one command.
struct CliSession {
  explicit CliSession(const CliContext& ctx) : ui(ctx.output), session(ui) {}
  // Opens the song the way the program does (a song without lyrics stays in viewing mode);
  // false when it failed (reported).
  bool Open(const std::string& path, const SongOptions& options);
  cv::Song& Song() { return session.CurrentSong(); }

  CliUi ui;
  cv::SongSession session;
};

}  // namespace cvcli
