#include "cli/CliSong.h"

#include <algorithm>
#include <optional>

#include "cli/CliArgs.h"
#include "lyrics/CV_Hyphen.h"
#include "song/Language.h"

namespace cvcli {

const std::vector<CliOption>& ReadSongOptionList() {
  static const std::vector<CliOption> options = {
      // The common ones are offered; any other name ICU knows is taken too.
      {"--encoding", "utf8|cp1252|cp1251|gbk|big5|shift_jis",
       "Read the song's texts in this encoding (or any other name the library knows) / Texte des Songs in dieser "
       "Kodierung lesen (oder jeder andere Name, den die Bibliothek kennt)",
       ValueKind::Choice},
      {"--remove-prompta", "", "Remove Prompta data found in the song / Gefundene Prompta-Daten entfernen"},
  };
  return options;
}

const std::vector<CliOption>& SongOptionList() {
  static const std::vector<CliOption> options =
      Options({ReadSongOptionList(),
               {{"--output-encoding", "NAME",
                 "Write the whole song in this encoding (e.g. utf8) / Das ganze Lied in dieser Kodierung schreiben "
                 "(z.B. utf8)",
                 ValueKind::Text}}});
  return options;
}

const std::vector<CliOption>& BackupOptions() {
  static const std::vector<CliOption> options = {
      {"--no-backup", "",
       "Replace an existing file without keeping a backup NAME~ / Eine vorhandene Datei ohne Sicherungskopie NAME~ "
       "ersetzen"},
      {"--backup=new", "",
       "Replace an older backup NAME~ by the file as it is now (otherwise the older one, e.g. the original, stays) / "
       "Eine ältere Sicherungskopie NAME~ durch die jetzige Datei ersetzen (sonst bleibt die ältere, z.B. das "
       "Original)"},
  };
  return options;
}

const CliOption& SongLanguageOption() {
  static const CliOption option{"--song-lang", "de|en|fr|it|es",
                                "Language of the words, named in the file (default: the user's) / Sprache des "
                                "Liedtexts, in der Datei genannt (Vorgabe: die des Benutzers)",
                                ValueKind::Choice};
  return option;
}

cv::THyphenLanguage ParseSongLanguage(const std::string& value) {
  const std::optional<cv::THyphenLanguage> language = cv::ParseHyphenLanguage(value);
  if (!language)
    throw CliUsageError{cv::Tr("Unbekannte Sprache: ", "Unknown language: ") + value + " (de, en, fr, it, es)"};
  return *language;
}

BackupWish TakeBackupWish(std::vector<std::string>& args) {
  BackupWish wish;
  std::vector<std::string> rest;
  for (const std::string& a : args) {
    if (a == "--no-backup") wish.make = false;
    else if (a == "--backup=new") wish.replaceOld = true;
    else if (a == "--backup=keep") wish.replaceOld = false;
    else rest.push_back(a);
  }
  args = std::move(rest);
  return wish;
}

std::vector<CliOption> Options(std::initializer_list<std::vector<CliOption>> lists) {
  std::vector<CliOption> all;
  for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

namespace {
// The value of "--name VALUE" or "--name=VALUE" at args[i] (i moves past it); none for other args.
std::optional<std::string> OptionValue(const std::vector<std::string>& args, size_t& i, const std::string& name) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 >= args.size())
      throw CliUsageError{name + cv::Tr(": Name einer Kodierung fehlt (z.B. utf8, cp1252, gbk, euc-kr)",
                                        ": an encoding name is missing (e.g. utf8, cp1252, gbk, euc-kr)")};
    return args[++i];
  }
  if (a.rfind(name + "=", 0) == 0) return a.substr(name.size() + 1);
  return std::nullopt;
}

cv::TextEncoding KnownEncoding(const std::string& option, const std::string& value) {
  std::optional<cv::TextEncoding> e = cv::FindTextEncoding(value);
  if (!e)
    throw CliUsageError{option + cv::Tr(": unbekannte Kodierung \"" + value + "\"", ": unknown encoding \"" + value + "\"")};
  return *e;
}
}  // namespace

SongOptions TakeSongOptions(std::vector<std::string>& args, bool writesSong) {
  SongOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (std::optional<std::string> v = OptionValue(args, i, "--encoding")) {
      options.encoding = KnownEncoding("--encoding", *v);
    } else if (std::optional<std::string> out =
                   writesSong ? OptionValue(args, i, "--output-encoding") : std::nullopt) {
      options.outputEncoding = KnownEncoding("--output-encoding", *out);
      if (!cv::FitsTextEvents(*options.outputEncoding))
        throw CliUsageError{"--output-encoding" +
                            cv::Tr(": In " + *out + " kann ein MIDI-Textereignis keinen Text tragen, den ein Keyboard "
                                   "liest. Wählen Sie eine Kodierung wie utf8 oder cp1252.",
                                   ": a MIDI text event cannot hold text in " + *out + " that a keyboard reads. Choose "
                                   "an encoding like utf8 or cp1252.")};
    } else if (a == "--remove-prompta") {
      options.removePrompta = true;
    } else {
      rest.push_back(a);
    }
  }
  args = rest;
  return options;
}

const CliOption& MelodyOption() {
  static const CliOption option{"--melody", "auto|1..16",
                                "Where the melody is: found by itself (default) or this MIDI channel / Wo die Melodie "
                                "liegt: selbst gefunden (Vorgabe) oder dieser MIDI-Kanal",
                                ValueKind::Text};
  return option;
}

std::optional<cv::MelodySetting> TakeMelodyOption(std::vector<std::string>& args) {
  std::optional<cv::MelodySetting> melody;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string value;
    if (a == "--melody") {
      if (i + 1 >= args.size()) throw CliUsageError{"--melody: auto | 1..16"};
      value = args[++i];
    } else if (a.rfind("--melody=", 0) == 0) {
      value = a.substr(9);
    } else {
      rest.push_back(a);
      continue;
    }
    melody = cv::ParseMelodySetting(value);
    if (!melody || melody->Mode == cv::MelodySetting::Kind::Track)
      throw CliUsageError{std::string("--melody: auto | 1..16 (") + cv::Tr("nicht ", "not ") + value + ")"};
  }
  args = rest;
  return melody;
}

std::string TakeSongPath(std::vector<std::string>& args) {
  RejectUnknownOptions(args);
  if (args.empty()) throw CliUsageError{cv::Tr("Keine Datei angegeben.", "No song file given.")};
  if (args.size() > 1)
    throw CliUsageError{cv::Tr("Unbekanntes Argument: ", "Unknown argument: ") + args[1]};
  std::string path = args[0];
  args.clear();
  return path;
}

void CliUi::Report(const cv::TUserMessage& message) {
  if (message.Severity == cv::TSeverity::Error) {
    failed_ = true;
    output_.Error(message.Text, message.File);
  } else {
    output_.Warning(message.Text, message.File);
  }
}

bool CliUi::AskSaveAsUtf8(const std::string& question) {
  // No question on the command line: the output encoding is chosen with its own option.
  std::string text = question.substr(0, question.find('\n'));
  Report(cv::UserMessage(cv::TSeverity::Error,
                         text + cv::Tr(" Mit --output-encoding utf8 wird das ganze Lied in UTF-8 gespeichert.",
                                       " Use --output-encoding utf8 to save the whole song in UTF-8.")));
  return false;
}

std::string CliUi::LeadInHow() const { return "cantovex-cli edit --lead-in N"; }

bool CliSession::Open(const std::string& path, const SongOptions& options) {
  ui.SetAnswer(options.removePrompta);
  session.SetOutputEncoding(options.outputEncoding);
  cv::TSessionOpenOptions open;
  open.ForceEncoding = options.encoding;
  open.EditWithoutLyrics = false;
  if (options.melody) Song().Configuration.Melody = *options.melody;
  const bool opened = session.Open(path, open);
  // The command line states the layout rules and its deletions in its usage: asked later, yes.
  ui.SetAnswer(true);
  return opened;
}

}  // namespace cvcli
