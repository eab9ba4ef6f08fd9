// Runs the built cantovex-cli with arguments and captures stdout, stderr and the exit code.
#pragma once

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "support/SmfBuilder.h"

namespace clitest {

struct CliResult {
  std::string out;
  std::string err;
  int code = -1;
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

inline CliResult RunCli(const std::vector<std::string>& args) {
  std::string dir = cvtest::TempDir();
  std::string cmd = ShellQuote(CANTOVEX_CLI);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  cmd += " >" + dir + "/out 2>" + dir + "/err </dev/null";
  int status = std::system(cmd.c_str());
  CliResult r;
  auto out = cvtest::ReadFileBytes(dir + "/out");
  auto err = cvtest::ReadFileBytes(dir + "/err");
  r.out.assign(out.begin(), out.end());
  r.err.assign(err.begin(), err.end());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// The same with the user language chosen before the command ("de" or "en").
inline CliResult RunCliIn(const std::string& language, std::vector<std::string> args) {
  args.insert(args.begin(), {"--lang", language});
  return RunCli(args);
}

}  // namespace clitest
