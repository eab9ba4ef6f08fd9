// cantovex-cli: global options, then one command from the table.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "cli/CliCommand.h"
#include "cli/CliHelp.h"
#include "song/Language.h"
#include "song/SafeFile.h"
#include "platform/textcodec/IcuTextConverter.h"

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

const cvcli::CliCommand* FindCommand(const std::string& name) {
  for (const auto& c : cvcli::Commands())
    if (c.name == name) return &c;
  return nullptr;
}

// `help` and `help COMMAND`.
int RunHelp(const std::vector<std::string>& args, cvcli::CliOutput& output) {
  if (args.empty()) {
    cvcli::PrintHelp(std::cout);
    return 0;
  }
  if (const cvcli::CliCommand* c = FindCommand(args[0])) {
    cvcli::PrintCommandHelp(*c, std::cout);
    return 0;
  }
  output.Error(cv::Tr("Unbekannter Befehl: ", "Unknown command: ") + args[0]);
  return 2;
}

int RunCommand(const cvcli::CliCommand& c, cvcli::CliContext& ctx) {
  try {
    return c.run(ctx);
  } catch (const cvcli::CliUsageError& e) {
    ctx.output.Error(e.message);
    if (!ctx.output.IsJson()) cvcli::PrintUsage(c, std::cerr);
    return 2;
  } catch (const cvcli::CliFailure& e) {
    ctx.output.Error(e.what(), e.file);
    return 1;
  } catch (const std::exception& e) {
    ctx.output.Error(e.what());
    return 1;
  }
}

// Output lost to a full disk must not look like success.
int CheckedOutput(int code, cvcli::CliOutput& output) {
  std::cout.flush();
  if (std::cout) return code;
  output.Error(cv::Tr("Die Ausgabe ließ sich nicht schreiben (der Datenträger ist voll oder nicht beschreibbar): Sie "
                      "ist unvollständig. Leiten Sie sie an einen Ort mit freiem Platz um.",
                      "The output could not be written (the disk is full or cannot be written): it is incomplete. "
                      "Send it to a place with free space."));
  return code == 0 ? 1 : code;
}

int Run(int argc, char** argv, cvcli::CliOutput& output, cvcli::CliContext& ctx) {
  std::string commandName;
  bool help = false;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    // --lang before the command is the user language; after it, too, unless the command has a
    // --lang of its own (hyphenate --lang fr).
    const bool langOption = a == "--lang" || a.rfind("--lang=", 0) == 0;
    const cvcli::CliCommand* given = commandName.empty() ? nullptr : FindCommand(commandName);
    const bool commandsOwn = given && std::any_of(given->options.begin(), given->options.end(),
                                                  [](const cvcli::CliOption& o) { return o.name == "--lang"; });
    if (langOption && !commandsOwn) {
      std::string l = a == "--lang" ? (i + 1 < argc ? argv[++i] : "") : a.substr(7);
      if (l != "de" && l != "en") {
        output.Error("--lang: de | en");
        return 2;
      }
      cv::SetCurrLanguage(l == "de" ? cv::TLanguage::Deutsch : cv::TLanguage::Englisch);
    } else if (a == "--json") {
      output.SetJson(true);
    } else if (a == "--help" || a == "-h") {
      help = true;
    } else if (commandName.empty() && a.rfind("-", 0) != 0) {
      commandName = a;
    } else {
      ctx.args.push_back(a);
    }
  }
  if (commandName == "help") return RunHelp(ctx.args, output);
  if (commandName.empty()) {
    if (help) {
      cvcli::PrintHelp(std::cout);
      return 0;
    }
    if (!ctx.args.empty()) output.Error(cv::Tr("Unbekannte Option: ", "Unknown option: ") + ctx.args[0]);
    cvcli::PrintHelp(std::cerr);
    return 2;
  }
  const cvcli::CliCommand* command = FindCommand(commandName);
  if (!command) {
    output.Error(cv::Tr("Unbekannter Befehl: ", "Unknown command: ") + commandName);
    if (!output.IsJson()) cvcli::PrintHelp(std::cerr);
    return 2;
  }
  if (help) {
    cvcli::PrintCommandHelp(*command, std::cout);
    return 0;
  }
  return RunCommand(*command, ctx);
}

}  // namespace

int main(int argc, char** argv) {
  cv::SetCurrLanguage(LanguageFromEnvironment());
  cv::InstallIcuTextConverter();
  // An interrupted write (Ctrl-C during a render) leaves no temporary file behind.
  cv::RemoveUnfinishedFilesOnEndingSignals();
  cvcli::CliOutput output(std::cout, std::cerr, false);
  cvcli::CliContext ctx{{}, output};
  return CheckedOutput(Run(argc, argv, output, ctx), output);
}
