// cantovex-cli: global options, then one command from the table.
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "cli/CliCommand.h"
#include "song/CV_Data.h"
#include "song/Language.h"

namespace cvcli {

std::vector<CliCommand>& Commands() {
  static std::vector<CliCommand> commands;
  return commands;
}

}  // namespace cvcli

namespace {

cv::TLanguage LanguageFromEnvironment() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return std::strncmp(v, "de", 2) == 0 ? cv::TLanguage::Deutsch : cv::TLanguage::Englisch;
  }
  return cv::TLanguage::Englisch;
}

// Summaries are registered as "English / Deutsch"; help shows the user's half.
std::string SummaryInUserLanguage(const std::string& summary) {
  size_t cut = summary.find(" / ");
  if (cut == std::string::npos) return summary;
  return cv::Tr(summary.substr(cut + 3), summary.substr(0, cut));
}

void PrintHelp(std::ostream& out) {
  out << cv::Tr("cantovex-cli - Cantovex 3 auf der Kommandozeile\n\nAufruf: ",
                "cantovex-cli - Cantovex 3 from the command line\n\nusage: ")
      << "cantovex-cli [--lang de|en] [--json] " << cv::Tr("BEFEHL [ARGUMENTE]\n\nBefehle:\n", "COMMAND [ARGS]\n\ncommands:\n");
  for (const auto& c : cvcli::Commands())
    out << "  " << c.usage << "\n      " << SummaryInUserLanguage(c.summary) << "\n";
}

}  // namespace

int main(int argc, char** argv) {
  cv::SetCurrLanguage(LanguageFromEnvironment());
  cvcli::CliContext ctx{{}, false, &std::cout, &std::cerr};
  std::string commandName;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    // --lang before the command is the user language; after it, it belongs to the command
    // (hyphenate --lang fr).
    if (a == "--lang" && i + 1 < argc && commandName.empty()) {
      std::string l = argv[++i];
      if (l != "de" && l != "en") {
        std::cerr << "--lang: de | en\n";
        return 2;
      }
      cv::SetCurrLanguage(l == "de" ? cv::TLanguage::Deutsch : cv::TLanguage::Englisch);
    } else if (a.rfind("--lang=", 0) == 0 && commandName.empty()) {
      cv::SetCurrLanguage(a.substr(7) == "de" ? cv::TLanguage::Deutsch : cv::TLanguage::Englisch);
    } else if (a == "--json") {
      ctx.json = true;
    } else if ((a == "--help" || a == "-h") && commandName.empty()) {
      PrintHelp(std::cout);
      return 0;
    } else if (commandName.empty() && a.rfind("-", 0) != 0) {
      commandName = a;
    } else {
      ctx.args.push_back(a);
    }
  }
  if (commandName.empty()) {
    PrintHelp(std::cerr);
    return 2;
  }
  for (auto& c : cvcli::Commands()) {
    if (c.name != commandName) continue;
    try {
      return c.run(ctx);
    } catch (const cvcli::CliUsageError& e) {
      std::cerr << e.message << "\n" << cv::Tr("Aufruf: ", "usage: ") << "cantovex-cli " << c.usage << "\n";
      return 2;
    } catch (const std::exception& e) {
      std::cerr << e.what() << "\n";
      return 1;
    }
  }
  std::cerr << cv::Tr("Unbekannter Befehl: ", "Unknown command: ") << commandName << "\n";
  PrintHelp(std::cerr);
  return 2;
}
