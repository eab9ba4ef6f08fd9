// Help texts of cantovex-cli, made from the command table in the user's language.
#pragma once

#include <iosfwd>

#include "cli/CliCommand.h"

namespace cvcli {

// --lang, --json, --help: before the command or after it.
const std::vector<CliOption>& GlobalOptions();

// The program's help: global options and every command with its summary.
void PrintHelp(std::ostream& out);
// One command's help: usage lines, summary, options.
void PrintCommandHelp(const CliCommand& command, std::ostream& out);
// The usage lines alone (after a wrong call).
void PrintUsage(const CliCommand& command, std::ostream& out);

}  // namespace cvcli
