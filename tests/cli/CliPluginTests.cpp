// The device and document adapters are plugins: the song commands never load them, and a missing
// plugin is named in the user's language.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "TestPaths.h"
#include "cli/CliRun.h"

using namespace clitest;

namespace {

// The shared objects the dynamic loader reported loading (LD_DEBUG=libs: "file=NAME [0];  ...").
std::set<std::string> LoadedObjects(const std::string& log) {
  std::set<std::string> names;
  for (size_t at = log.find("file="); at != std::string::npos; at = log.find("file=", at + 1)) {
    const size_t end = log.find_first_of(" ;\n", at);
    const std::string path = log.substr(at + 5, end - at - 5);
    names.insert(path.substr(path.rfind('/') + 1));
  }
  return names;
}

}  // namespace

TEST(CliPlugins, SongCommandsLoadOnlyTheRuntime) {
  const std::string song = CANTOVEX_DEMO_SONG;
  const std::string out = cvtest::TempDir() + "/plugins-out.mid";
  // The C++ runtime, the C library and the text-encoding library (libicu*); the sanitizers'
  // runtimes in such builds.
  const std::set<std::string> allowed = {"libstdc++.so.6", "libm.so.6", "libgcc_s.so.1", "libc.so.6"};
  const auto allowedPrefix = [](const std::string& name) {
    for (const char* prefix : {"libicu", "libasan", "libubsan"})
      if (name.rfind(prefix, 0) == 0) return true;
    return false;
  };
  const std::vector<std::vector<std::string>> commands = {
      {"info", song}, {"lyrics", song}, {"edit", song, "-o", out}, {"convert", song, out, "--format", "0"}};
  for (const auto& args : commands) {
    const CliResult r = RunCli(args, {"LD_DEBUG=libs"});
    EXPECT_EQ(r.code, 0) << args[0];
    const std::set<std::string> loaded = LoadedObjects(r.err);
    EXPECT_FALSE(loaded.empty()) << args[0];
    for (const std::string& name : loaded) {
      EXPECT_TRUE(allowed.count(name) || allowedPrefix(name)) << args[0] << " loads " << name;
    }
  }
}

TEST(CliPlugins, AMissingPluginIsNamedInTheUserLanguage) {
  const std::string song = CANTOVEX_DEMO_SONG;
  const std::string tmp = cvtest::TempDir();
  const std::string dir = tmp + "/no-plugins";
  const std::string words = cvtest::WriteTempFile("words.docx", std::vector<uint8_t>{'P', 'K'});
  struct Case {
    std::vector<std::string> args;
    std::string plugin;
    int code;
  };
  const std::vector<Case> cases = {
      {{"ports"}, "cantovex-midiport.so", 0},
      {{"render", song, "-o", tmp + "/no.wav"}, "cantovex-synth.so", 1},
      {{"play", song, "--synth"}, "cantovex-synth.so", 1},
      {{"import", song, words, "-o", tmp + "/no.mid"}, "cantovex-documents.so", 1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.insert(args.begin(), {"--lang", "en"});
    const CliResult en = RunCli(args, {"CANTOVEX_PLUGIN_DIR=" + dir});
    EXPECT_EQ(en.code, c.code) << c.args[0] << en.err;
    EXPECT_NE(en.err.find("The plugin \"" + c.plugin + "\" is missing (looked in: " + dir + ")"), std::string::npos)
        << c.args[0] << ": " << en.err;
    args[1] = "de";
    const CliResult de = RunCli(args, {"CANTOVEX_PLUGIN_DIR=" + dir});
    EXPECT_NE(de.err.find("Das Zusatzmodul \"" + c.plugin + "\" fehlt (gesucht in: " + dir + ")"), std::string::npos)
        << c.args[0] << ": " << de.err;
  }
}
