#include "cli/CliSong.h"

#include "song/Language.h"

namespace cvcli {

const std::vector<CliOption>& SongOptionList() {
  static const std::vector<CliOption> options = {
      {"--encoding", "utf8|cp1252", "Read the song's texts in this encoding / Texte des Songs in dieser Kodierung lesen",
       ValueKind::Choice},
      {"--remove-prompta", "", "Remove Prompta data found in the song / Gefundene Prompta-Daten entfernen"},
  };
  return options;
}

std::vector<CliOption> Options(std::initializer_list<std::vector<CliOption>> lists) {
  std::vector<CliOption> all;
  for (const auto& list : lists) all.insert(all.end(), list.begin(), list.end());
  return all;
}

SongOptions TakeSongOptions(std::vector<std::string>& args) {
  SongOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    bool isEncoding = false;
    if (a == "--encoding") {
      if (i + 1 >= args.size()) throw CliUsageError{"--encoding: utf8 | cp1252"};
      value = args[++i];
      isEncoding = true;
    } else if (a.rfind("--encoding=", 0) == 0) {
      value = a.substr(11);
      isEncoding = true;
    }
    if (isEncoding) {
      if (value == "utf8" || value == "utf-8")
        options.encoding = cv::TextEncoding::Utf8;
      else if (value == "cp1252" || value == "windows-1252")
        options.encoding = cv::TextEncoding::Windows1252;
      else
        throw CliUsageError{"--encoding: utf8 | cp1252"};
    } else if (a == "--remove-prompta") {
      options.removePrompta = true;
    } else {
      rest.push_back(a);
    }
  }
  args = rest;
  return options;
}

std::string TakeSongPath(std::vector<std::string>& args) {
  if (args.empty()) throw CliUsageError{cv::Tr("Keine Datei angegeben.", "No song file given.")};
  if (args.size() > 1 || args[0].rfind("--", 0) == 0)
    throw CliUsageError{cv::Tr("Unbekanntes Argument: ", "Unknown argument: ") + (args.size() > 1 ? args[1] : args[0])};
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

bool CliSession::Open(const std::string& path, const SongOptions& options) {
  ui.SetAnswer(options.removePrompta);
  cv::TSessionOpenOptions open;
  open.ForceEncoding = options.encoding;
  open.EditWithoutLyrics = false;
  const bool opened = session.Open(path, open);
  // The command line states the layout rules and its deletions in its usage: asked later, yes.
  ui.SetAnswer(true);
  return opened;
}

}  // namespace cvcli
