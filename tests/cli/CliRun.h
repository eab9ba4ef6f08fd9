// Runs the built cantovex-cli as a user would and captures stdout, stderr and the exit code.
#pragma once

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "support/SmfBuilder.h"
#include "CliBinary.h"

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

inline bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// env: "NAME=VALUE" entries on top of an English locale, so a German desktop does not change
// what the tests see.
inline CliResult RunCli(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  const std::string dir = cvtest::TempDir();
  std::string cmd = "env LC_ALL= LC_MESSAGES= LANG=C";
  for (const auto& e : env) cmd += " " + ShellQuote(e);
  cmd += " " + ShellQuote(CANTOVEX_CLI);
  for (const auto& a : args) cmd += " " + ShellQuote(a);
  cmd += " >" + dir + "/out 2>" + dir + "/err </dev/null";
  const int status = std::system(cmd.c_str());
  CliResult r;
  const auto out = cvtest::ReadFileBytes(dir + "/out");
  const auto err = cvtest::ReadFileBytes(dir + "/err");
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
