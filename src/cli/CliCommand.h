// The command table of cantovex-cli: every command lives in its own Cmd*.cpp and registers here
// with its usage, its options (for help and bash completion) and its run function.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/CliOutput.h"

namespace cvcli {

struct CliContext {
  std::vector<std::string> args;  // arguments after the command name (global options removed)
  CliOutput& output;
};

// What an option's value or an argument is, for the completion of the shell.
enum class ValueKind { None, Song, LyricText, Wav, SoundFont, Folder, AnyFile, Choice, Number, Text };

struct CliOption {
  std::string name;      // "--encoding"
  std::string value;     // shown after the name in help: "utf8|cp1252"; empty for a flag
  std::string help;      // one line, "English / Deutsch"
  ValueKind kind = ValueKind::None;
};

struct CliCommand {
  std::string name;
  std::vector<std::string> usage;  // synopsis lines after the command name: "[OPTIONS] SONG" ("" for none)
  std::string summary;             // one line, "English / Deutsch"; help shows the user's half
  std::vector<CliOption> options;
  std::vector<ValueKind> arguments;  // what the positional arguments are, in order
  std::function<int(CliContext&)> run;  // exit code
};

std::vector<CliCommand>& Commands();

struct CliRegistrar {
  explicit CliRegistrar(CliCommand command) { Commands().push_back(std::move(command)); }
};

// Thrown by commands for wrong usage; main reports it with the usage and exits with 2.
struct CliUsageError {
  std::string message;
};

// Thrown by commands for a failure (a song that cannot be read or written); main reports it and
// exits with 1. file names the file concerned, when there is one.
struct CliFailure : std::runtime_error {
  CliFailure(const std::string& message, std::string file) : std::runtime_error(message), file(std::move(file)) {}
  std::string file;
};

// The half of an "English / Deutsch" text in the user's language.
std::string InUserLanguage(const std::string& bilingual);

}  // namespace cvcli
