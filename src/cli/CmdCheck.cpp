// cantovex-cli check SONG: what will go wrong on stage; exit code 1 on an error or an unreadable song.
#include <cstdio>
#include <ostream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "session/SongCheck.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

Json Findings(const std::vector<cv::TSongFinding>& findings, const std::string& path) {
  Json list = Json::array();
  int errors = 0;
  for (const cv::TSongFinding& f : findings) {
    errors += f.Severity == cv::TFindingSeverity::Error;
    list.push_back({{"severity", cv::FindingSeverityName(f.Severity)},
                    {"kind", f.Kind},
                    {"source", cv::FindingSourceName(f.Source)},
                    {"SongPosition", f.SongPosition},
                    {"Time", f.Time},
                    {"MTC", cv::Utf16ToUtf8(f.MTC)},
                    {"Text", cv::Utf16ToUtf8(f.Text)},
                    {"message", f.Message}});
  }
  return {{"file", path}, {"findings", list}, {"errors", errors},
          {"warnings", static_cast<int>(findings.size()) - errors}};
}

void FindingsText(const Json& r, std::ostream& out) {
  for (const Json& f : r["findings"]) {
    const bool error = f["severity"] == "error";
    const bool file = f["source"] == "file";
    out << (error ? cv::Tr("Fehler   ", "error    ") : cv::Tr("Warnung  ", "warning  ")) << f["MTC"].get<std::string>()
        << "  " << (file ? cv::Tr("Datei ", "file  ") : cv::Tr("Lied  ", "song  ")) << f["kind"].get<std::string>();
    const std::string text = f["Text"];
    if (!text.empty() && text != "\r") out << "  \"" << text << "\"";
    out << "\n         " << f["message"].get<std::string>() << "\n";
  }
  const int errors = r["errors"], warnings = r["warnings"];
  if (errors + warnings == 0)
    out << cv::Tr("Keine Befunde.\n", "No findings.\n");
  else
    out << errors << cv::Tr(" Fehler, ", (errors == 1 ? " error, " : " errors, ")) << warnings
        << cv::Tr(warnings == 1 ? " Warnung\n" : " Warnungen\n", warnings == 1 ? " warning\n" : " warnings\n");
}

// The number after an option, within its range (usage error otherwise).
int NumberOption(const std::vector<std::string>& args, size_t& i, int low, int high) {
  const std::string usage = args[i] + ": " + std::to_string(low) + ".." + std::to_string(high);
  if (i + 1 >= args.size()) throw CliUsageError{usage};
  size_t used = 0;
  int value = low - 1;
  try {
    value = std::stoi(args[++i], &used);
  } catch (const std::exception&) {
  }
  if (used != args[i].size() || value < low || value > high) throw CliUsageError{usage};
  return value;
}

int RunCheck(CliContext& ctx) {
  cv::TCheckOptions check;
  bool prompter = false;
  const std::optional<cv::MelodySetting> melody = TakeMelodyOption(ctx.args);
  std::vector<std::string> rest;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if (a == "--width") {
      check.KeyboardLineWidth = NumberOption(ctx.args, i, 1, 1000);
    } else if (a == "--prompter") {
      prompter = true;
    } else {
      rest.push_back(a);
    }
  }
  ctx.args = rest;
  SongOptions options = TakeSongOptions(ctx.args, false);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  cv::TConfiguration configuration = song.Song().Configuration;
  configuration.PromptaEnabled = prompter;
  if (melody) configuration.Melody = *melody;
  song.session.SetConfiguration(configuration);
  // The file as read first, so that its copy is gone before the song opens: one song in memory.
  std::vector<cv::TSongFinding> findings;
  std::string unreadable;
  try {
    findings = cv::CheckSongFile(path, configuration);
  } catch (const cv::EMidiError& e) {
    unreadable = e.what();  // the song's own open says why, unless only the check failed
  }
  if (!song.Open(path, options)) return 1;
  if (!unreadable.empty()) throw CliFailure(unreadable, path);
  const std::vector<cv::TSongFinding> saved = cv::CheckSong(song.Song(), check);
  findings.insert(findings.end(), saved.begin(), saved.end());
  cv::SortFindings(findings);
  ctx.output.Result(Findings(findings, path), FindingsText);
  return cv::HasError(findings) ? 1 : 0;
}

CliRegistrar registrar({"check",
                        {"[OPTIONS] SONG"},
                        "Check a song before the gig; exit code 1 on an error / Prüft ein Lied vor dem Auftritt; "
                        "Rückgabewert 1 bei einem Fehler",
                        Options({ReadSongOptionList(),
                                 {{"--width", "N", "Line width of the keyboard's lyrics display / Zeilenbreite der "
                                                   "Liedtext-Anzeige des Keyboards",
                                   ValueKind::Number},
                                  MelodyOption(),
                                  {"--prompter", "", "Check with the prompter support on / Mit eingeschalteter "
                                                     "Prompta-Unterstützung prüfen"}}}),
                        {ValueKind::Song},
                        RunCheck});

}  // namespace
}  // namespace cvcli
