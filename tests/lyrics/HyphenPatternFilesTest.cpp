// The committed pattern files and the pattern compiler behind them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "PatternCompiler.h"
#include "lyrics/CV_Hyphen.h"
#include "song/TextCodec.h"
#include "BuildPaths.h"

using namespace cv;

namespace {

const std::string kDir = std::string(CANTOVEX_DATA_DIR) + "/hyphenation";

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

bool InVowelSet(int code) {
  return (code >= 1 && code <= 31) || code == 'a' || code == 'e' || code == 'i' || code == 'o' || code == 'u' ||
         code == 'y';
}

constexpr THyphenLanguage kLanguages[] = {THyphenLanguage::German, THyphenLanguage::English, THyphenLanguage::French,
                                          THyphenLanguage::Italian, THyphenLanguage::Spanish};

}  // namespace

TEST(HyphenPatternFiles, RealWords) {
  struct Case {
    THyphenLanguage language;
    std::u16string in;
    std::u16string out;
  } cases[] = {
      // Final breaks that only a match starting at the last but one letter finds.
      {THyphenLanguage::German, u"Straße", u"Stra-ße"},
      {THyphenLanguage::Italian, u"amore", u"a-mo-re"},
      {THyphenLanguage::German, u"Silbentrennung", u"Sil-ben-tren-nung"},
      {THyphenLanguage::German, u"Weihnachtsbaum", u"Weih-nachts-baum"},
      {THyphenLanguage::German, u"Mädchen,", u"Mäd-chen,"},
      {THyphenLanguage::English, u"hyphenation", u"hy-phen-ation"},
      {THyphenLanguage::English, u"together", u"to-geth-er"},
      {THyphenLanguage::English, u"associate", u"as-so-ciate"},  // Knuth's exception words
      {THyphenLanguage::English, u"present", u"present"},
      {THyphenLanguage::French, u"possibilité", u"pos-si-bi-li-té"},
      {THyphenLanguage::French, u"aujourd'hui", u"au-jour-d'hui"},
      {THyphenLanguage::French, u"aujourd’hui", u"au-jour-d’hui"},
      {THyphenLanguage::Italian, u"dell'amore", u"del-l'a-mo-re"},
      {THyphenLanguage::Italian, u"bellissima", u"bel-lis-si-ma"},
      {THyphenLanguage::Spanish, u"corazón", u"co-ra-zón"},
      {THyphenLanguage::Spanish, u"montaña", u"mon-ta-ña"},
      // Lyrics hyphenated before: the parts between the hyphens are words of their own.
      {THyphenLanguage::German, u"Mäd-chen,", u"Mäd-chen,"},
      {THyphenLanguage::German, u"gold-nen", u"gold-nen"},
      {THyphenLanguage::German, u"Do-naudampfschiff", u"Do-nau-dampf-schiff"},
      {THyphenLanguage::English, u"beau-tiful", u"beau-ti-ful"},
      {THyphenLanguage::German, u"-Straße-", u"-Stra-ße-"},
  };
  std::map<THyphenLanguage, THyphenator> loaded;
  for (THyphenLanguage l : kLanguages) loaded.emplace(l, LoadHyphenator(l, kDir, ""));
  for (const auto& c : cases)
    EXPECT_EQ(loaded.at(c.language).HyphenateWord(c.in), c.out) << Utf16ToUtf8(c.in);
}

TEST(HyphenPatternFiles, LayoutCharacterMapAndLeaves) {
  for (THyphenLanguage l : kLanguages) {
    SCOPED_TRACE(HyphenPatternFileName(l));
    std::string bytes = ReadFile(kDir + "/" + HyphenPatternFileName(l));
    ASSERT_GE(bytes.size(), 1188u);
    ASSERT_LE(bytes.size(), 1184u + 4 * 8001);
    auto map = [&](int b) { return static_cast<uint8_t>(bytes[64 + static_cast<size_t>(b)]); };
    for (int c = 'a'; c <= 'z'; ++c) {
      EXPECT_EQ(map(c), c);
      EXPECT_EQ(map(c - 32), c);
    }
    for (char16_t vowel : std::u16string(u"äöüÄÖÜéèêàâáíóúùìòëïîôûœ")) {
      int code = map(Windows1252Code(vowel));
      EXPECT_TRUE(code >= 1 && code <= 31) << Utf16ToUtf8(std::u16string(1, vowel));
    }
    const bool apostropheIsLetter = l == THyphenLanguage::French || l == THyphenLanguage::Italian;
    for (char16_t other : std::u16string(u"ßçñÇÑ'’")) {
      int code = map(Windows1252Code(other));
      bool apostrophe = other == u'\'' || other == u'’';
      if (apostrophe && !apostropheIsLetter) {
        EXPECT_EQ(code, 127);
        continue;
      }
      EXPECT_FALSE(InVowelSet(code)) << Utf16ToUtf8(std::u16string(1, other));
      EXPECT_NE(code, 127);
      EXPECT_NE(code, 0);
    }
    if (apostropheIsLetter) {
      EXPECT_EQ(map('\''), map(0x92));
    }
    for (int b : {' ', '-', ',', '.', '0', '_', '='}) EXPECT_EQ(map(b), 127);

    // A node either has children or points beyond the trie: a leaf never restarts a match at
    // the root.
    const int nodes = static_cast<int>((bytes.size() - 1184) / 4);
    auto node = [&](int n, int field) { return static_cast<uint8_t>(bytes[1184 + 4 * static_cast<size_t>(n) + static_cast<size_t>(field)]); };
    for (int n = 1; n < nodes; ++n) {
      if (node(n, 3) == 0) continue;  // unused slot
      int link = node(n, 0) | (node(n, 1) << 8);
      if (link + 1 > 8000) continue;
      bool hasChild = false;
      for (int c = 1; c < 256 && !hasChild; ++c)
        hasChild = link + c < nodes && node(link + c, 3) == c;
      EXPECT_TRUE(hasChild) << "node " << n << " links to " << link;
    }
  }
}

TEST(HyphenPatternCompiler, PackedTrieMatchesDirectLookup) {
  // The packed trie must find exactly the patterns a direct lookup of every substring finds.
  std::vector<std::string> patterns =
      cvtools::ReadPatternText(ReadFile(kDir + "/sources/hyph-es.tex"));
  ASSERT_GT(patterns.size(), 1000u);
  cvtools::TCompileOptions options;
  THyphenPatterns compiled = THyphenPatterns::FromBytes(cvtools::CompilePatterns(patterns, {}, options).Bytes, "es");
  std::map<std::string, std::vector<int>> direct;
  size_t longest = 0;
  for (const std::string& p : patterns) {
    std::string letters;
    std::vector<int> digits(1, 0);
    for (char16_t c : Utf8ToUtf16(p)) {
      if (c >= u'0' && c <= u'9') {
        digits.back() = c - u'0';
      } else {
        letters.push_back(c == u'.' ? '.' : static_cast<char>(Windows1252Code(c)));
        digits.push_back(0);
      }
    }
    longest = std::max(longest, letters.size());
    direct[letters] = digits;
  }
  const std::string alphabet = "aeioubcdlmnrstz\xE1\xE9\xF1";
  uint32_t seed = 12345;
  for (int n = 0; n < 2000; ++n) {
    seed = seed * 1103515245u + 12345u;
    size_t len = 6 + (seed >> 16) % 14;
    std::string word;
    for (size_t i = 0; i < len; ++i) {
      seed = seed * 1103515245u + 12345u;
      word.push_back(alphabet[(seed >> 16) % alphabet.size()]);
    }
    std::string dotted = "." + word + ".";
    std::vector<int> hyf(word.size() + 2, 0);
    for (size_t s = 0; s < dotted.size(); ++s)
      for (size_t k = 1; k <= longest && s + k <= dotted.size(); ++k) {
        auto it = direct.find(dotted.substr(s, k));
        if (it == direct.end()) continue;
        for (size_t i = 0; i < it->second.size(); ++i) {
          int at = static_cast<int>(s + i) - 1;
          if (at >= 0) hyf[static_cast<size_t>(at)] = std::max(hyf[static_cast<size_t>(at)], it->second[i]);
        }
      }
    std::vector<uint8_t> ours = compiled.BreakValues(word, false);
    for (size_t j = 1; j + 1 < word.size(); ++j)
      ASSERT_EQ(ours[j] & 1, hyf[j] & 1) << word << " after letter " << j;
  }
}

TEST(HyphenPatternCompiler, RefusesSetsThatDoNotFit) {
  std::vector<std::string> many;
  for (int a = 0; a < 26; ++a)
    for (int b = 0; b < 26; ++b)
      for (int c = 0; c < 26; ++c)
        many.push_back(std::string{static_cast<char>('a' + a), static_cast<char>('a' + b), '1', static_cast<char>('a' + c)});
  EXPECT_THROW(cvtools::CompilePatterns(many, {}, {}), std::runtime_error);
  std::vector<std::string> ops;
  for (int d = 1; d <= 9; ++d)
    for (int len = 1; len <= 30; ++len) ops.push_back(std::to_string(d) + std::string(static_cast<size_t>(len), 'a') + static_cast<char>('b' + d));  // distance len + 1
  EXPECT_THROW(cvtools::CompilePatterns(ops, {}, {}), std::runtime_error);
}
