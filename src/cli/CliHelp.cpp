#include "cli/CliHelp.h"

#include <algorithm>
#include <ostream>

#include "song/Language.h"

namespace cvcli {

std::string InUserLanguage(const std::string& bilingual) {
  const size_t cut = bilingual.find(" / ");
  if (cut == std::string::npos) return bilingual;
  return cv::Tr(bilingual.substr(cut + 3), bilingual.substr(0, cut));
}

const std::vector<CliOption>& GlobalOptions() {
  static const std::vector<CliOption> options = {
      {"--lang", "de|en", "Language of messages and help (default: from LANG) / Sprache der Meldungen und Hilfe "
                          "(Vorgabe: aus LANG)"},
      {"--json", "", "Results on stdout and errors on stderr as JSON / Ergebnisse auf stdout und Fehler auf stderr "
                     "als JSON"},
      {"--help", "", "Help, also after a command / Hilfe, auch nach einem Befehl"},
  };
  return options;
}

namespace {

void PrintOptions(const std::vector<CliOption>& options, std::ostream& out) {
  size_t width = 0;
  for (const CliOption& o : options) width = std::max(width, o.name.size() + 1 + o.value.size());
  for (const CliOption& o : options) {
    std::string head = o.value.empty() ? o.name : o.name + " " + o.value;
    out << "  " << head << std::string(width - head.size() + 2, ' ') << InUserLanguage(o.help) << "\n";
  }
}

}  // namespace

namespace {
std::string Synopsis(const CliCommand& command, size_t line) {
  std::string usage = command.usage[line];
  if (const size_t at = usage.find("[OPTIONS]"); at != std::string::npos)
    usage.replace(at, 9, cv::Tr("[OPTIONEN]", "[OPTIONS]"));
  return "cantovex-cli " + command.name + (usage.empty() ? "" : " " + usage);
}
}  // namespace

void PrintUsage(const CliCommand& command, std::ostream& out) {
  const std::string lead = cv::Tr("Aufruf: ", "usage: ");
  for (size_t i = 0; i < command.usage.size(); ++i)
    out << (i ? std::string(lead.size(), ' ') : lead) << Synopsis(command, i) << "\n";
}

void PrintHelp(std::ostream& out) {
  out << cv::Tr("cantovex-cli - Cantovex 3 auf der Kommandozeile\n\nAufruf: ",
                "cantovex-cli - Cantovex 3 from the command line\n\nusage: ")
      << "cantovex-cli [--lang de|en] [--json] " << cv::Tr("BEFEHL [ARGUMENTE]\n\n", "COMMAND [ARGS]\n\n");
  PrintOptions(GlobalOptions(), out);
  out << cv::Tr("\nBefehle:\n", "\ncommands:\n");
  for (const auto& c : Commands())
    out << "  " << Synopsis(c, 0).substr(13) << "\n      " << InUserLanguage(c.summary) << "\n";
  out << cv::Tr("\ncantovex-cli help BEFEHL (oder BEFEHL --help) zeigt die Optionen eines Befehls.\n",
                "\ncantovex-cli help COMMAND (or COMMAND --help) shows a command's options.\n");
}

void PrintCommandHelp(const CliCommand& command, std::ostream& out) {
  PrintUsage(command, out);
  out << "\n" << InUserLanguage(command.summary) << "\n";
  if (!command.options.empty()) {
    out << cv::Tr("\nOptionen:\n", "\noptions:\n");
    PrintOptions(command.options, out);
  }
  out << cv::Tr("\nFür alle Befehle:\n", "\nfor every command:\n");
  PrintOptions(GlobalOptions(), out);
}

}  // namespace cvcli
