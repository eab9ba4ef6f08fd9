#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/CliRun.h"
#include "support/SmfBuilder.h"

using clitest::Has;
using clitest::RunCli;

namespace {

// A data folder whose German pattern file is damaged and whose Italian one is missing.
std::string PartialDataDir() {
  const std::string dir = cvtest::TempDir();
  std::filesystem::create_directories(dir + "/hyphenation");
  const std::string junk = "not a pattern file";
  std::FILE* f = std::fopen((dir + "/hyphenation/Lang_ger.hyp").c_str(), "wb");
  std::fwrite(junk.data(), 1, junk.size(), f);
  std::fclose(f);
  return dir;
}

TEST(CliHyphenate, SplitsWordsInTextAndJson) {
  auto text = RunCli({"hyphenate", "--lang", "de", "Straße", "Silbentrennung"});
  ASSERT_EQ(text.code, 0) << text.err;
  EXPECT_EQ(text.out, "Stra-ße\nSil-ben-tren-nung\n");
  auto json = RunCli({"--json", "hyphenate", "--lang", "de", "Straße", "Silbentrennung"});
  ASSERT_EQ(json.code, 0) << json.err;
  EXPECT_EQ(nlohmann::json::parse(json.out), nlohmann::json::parse(R"({"words": ["Stra-ße", "Sil-ben-tren-nung"]})"));
}

TEST(CliHyphenate, BadLanguageOrPatternFilesEndWithAMessage) {
  const std::string data = "CANTOVEX_DATA_DIR=" + PartialDataDir();
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> env;
    int code;
    std::string err;
  } cases[] = {
      {{"hyphenate", "--lang", "xx", "Wort"}, {}, 2, "Unknown language: xx"},
      {{"hyphenate", "--lang", "de", "Wort"}, {"LANG=de_DE.UTF-8", data}, 1, "Silbentrennungsdatei \""},
      {{"hyphenate", "--lang", "it", "amore"}, {data}, 1, "Lang_ita.hyp\" cannot be opened"},
  };
  for (const Case& c : cases) {
    auto r = RunCli(c.args, c.env);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_TRUE(Has(r.err, c.err)) << r.err;
    EXPECT_EQ(r.out, "");
  }
  auto damaged = RunCli({"hyphenate", "--lang", "de", "Wort"}, {"LANG=de_DE.UTF-8", data});
  EXPECT_TRUE(Has(damaged.err, "Lang_ger.hyp\" ist beschädigt")) << damaged.err;
}

}  // namespace
