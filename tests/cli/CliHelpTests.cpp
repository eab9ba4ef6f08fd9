#include <gtest/gtest.h>

#include <string>

#include "cli/CliRun.h"

namespace {

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

// Help and usage lines speak the user's language only.
TEST(CliHelp, InTheUserLanguageOnly) {
  auto en = clitest::RunCliIn("en", {"--help"});
  ASSERT_EQ(en.code, 0);
  EXPECT_TRUE(Has(en.out, "\n      Hyphenate words\n")) << en.out;
  EXPECT_TRUE(Has(en.out, "\n      Show what a song holds: tracks, tempo, signatures, lyrics\n")) << en.out;
  EXPECT_FALSE(Has(en.out, "Zeigt")) << en.out;

  auto de = clitest::RunCliIn("de", {"--help"});
  ASSERT_EQ(de.code, 0);
  EXPECT_TRUE(Has(de.out, "\n      Trennt Wörter in Silben\n")) << de.out;
  EXPECT_TRUE(Has(de.out, "\n      Zeigt, was ein Lied enthält\n")) << de.out;
  EXPECT_TRUE(Has(de.out, "Lädt einen Liedtext")) << de.out;
  EXPECT_FALSE(Has(de.out, "Show what")) << de.out;

  auto usage = clitest::RunCliIn("de", {"hyphenate"});
  EXPECT_EQ(usage.code, 2);
  EXPECT_TRUE(Has(usage.err, "\nAufruf: cantovex-cli hyphenate ")) << usage.err;
}
