// The command table of cantovex-cli: every command lives in its own Cmd*.cpp and registers here.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace cvcli {

struct CliContext {
  std::vector<std::string> args;  // arguments after the command name (global options removed)
  bool json = false;
  std::ostream* out;
  std::ostream* err;
};

struct CliCommand {
  std::string name;
  std::string usage;     // one line: "info SONG"
  std::string summary;   // one line, "English / Deutsch": "Show ... / Zeigt ..."; help shows one half
  std::function<int(CliContext&)> run;  // exit code
};

std::vector<CliCommand>& Commands();

struct CliRegistrar {
  explicit CliRegistrar(CliCommand command) { Commands().push_back(std::move(command)); }
};

// Thrown by commands for wrong usage; main prints it with the usage line and exits with 2.
struct CliUsageError {
  std::string message;
};

}  // namespace cvcli
