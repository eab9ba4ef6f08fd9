#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <fstream>

#include "PatternCompiler.h"
#include "lyrics/CV_Hyphen.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "support/SmfBuilder.h"
#include "BuildPaths.h"

using namespace cv;

namespace {

THyphenPatterns Compile(const std::vector<std::string>& patterns, bool apostrophe = false) {
  cvtools::TCompileOptions options;
  options.ApostropheIsLetter = apostrophe;
  return THyphenPatterns::FromBytes(cvtools::CompilePatterns(patterns, {}, options).Bytes, "test.hyp");
}

// Break after every letter, so only the fixed rules decide.
THyphenPatterns BreakEverywhere() {
  std::vector<std::string> p;
  for (char c = 'a'; c <= 'z'; ++c) p.push_back(std::string(1, c) + "1");
  for (const char* c : {"ä", "ö", "ü", "ß", "é"}) p.push_back(std::string(c) + "1");
  return Compile(p);
}

THyphenator WithPatterns(THyphenPatterns p) { return THyphenator{std::move(p), {}}; }

std::string Error(const std::function<void()>& f) {
  try {
    f();
  } catch (const EHyphenError& e) {
    return e.what();
  }
  return "(no error)";
}

}  // namespace

TEST(HyphenLoader, RefusesFilesThatAreMissingShortOrDamaged) {
  SetCurrLanguage(TLanguage::Englisch);
  std::string good = cvtools::CompilePatterns({"a1b"}, {}, {}).Bytes;
  std::string badValue = good;
  badValue[672 + 1] = 12;
  std::string loop = good;
  loop[928 + 1] = 1;  // op 1 follows itself
  struct Case {
    std::string bytes;
    std::string expected;
  } cases[] = {{std::string(100, '\0'), "too short"},
               {badValue, "op 1 has the value 12"},
               {loop, "op chain from 1 never ends"}};
  for (const auto& c : cases) {
    std::string message = Error([&] { THyphenPatterns::FromBytes(c.bytes, "Lang_x.hyp"); });
    EXPECT_NE(message.find("\"Lang_x.hyp\""), std::string::npos) << message;
    EXPECT_NE(message.find(c.expected), std::string::npos) << message;
  }
  std::string missing = cvtest::TempDir() + "/Lang_ger.hyp";
  EXPECT_NE(Error([&] { THyphenPatterns::LoadFile(missing); }).find("cannot be opened"), std::string::npos);
  SetCurrLanguage(TLanguage::Deutsch);
  EXPECT_NE(Error([&] { THyphenPatterns::LoadFile(missing); }).find("kann nicht geöffnet werden"),
            std::string::npos);
  SetCurrLanguage(TLanguage::Englisch);
}

TEST(HyphenMatcher, DamagedOpsNeverReachOutsideTheTable) {
  // Every op distance and next pointer at its worst: the matcher must stay inside hyf.
  std::string bytes = cvtools::CompilePatterns({"a1b", "b2c3d", ".x4y"}, {}, {}).Bytes;
  for (int v = 1; v < 256; ++v) {
    bytes[416 + v] = static_cast<char>(v % 2 ? 255 : 0);
    bytes[672 + v] = 9;
    bytes[928 + v] = static_cast<char>(v < 255 ? v + 1 : 0);
  }
  bytes.resize(1184 + 4 * 8001, '\x01');
  THyphenPatterns p = THyphenPatterns::FromBytes(bytes, "x.hyp");
  std::string word(63, 'a');
  for (size_t i = 0; i < word.size(); ++i) word[i] = static_cast<char>(i % 2 ? 1 : 'b');
  EXPECT_NO_THROW(p.HyphenateWord(word));
  EXPECT_NO_THROW(p.HyphenateWord(std::string("\xFF\x7F\x00", 3)));
}

TEST(HyphenMatcher, TinyPatternSet) {
  // "1m" and "1r" break before m and r; ".a2b" forbids the break after a word-initial "a";
  // "4ss" and "s1s" split a double s; a digit before the first letter reaches back one letter.
  THyphenPatterns p = Compile({"1m", "1r", "a1b", ".a2b", "4ss", "s1s", "1st"});
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"amore", "a-mo-re"},        // the final break comes from a match starting at hn - 1
      {"abbab", "abbab"},          // the higher value wins
      {"kabbab", "ka-bbab"},
      {"massa", "mas-sa"},
      {"mastro", "ma-st-ro"},
      {"Amore", "A-mo-re"},
  };
  for (const auto& c : cases) EXPECT_EQ(p.HyphenateWord(std::string(c.in)), c.out) << c.in;
}

TEST(HyphenMatcher, FixedRules) {
  THyphenPatterns all = BreakEverywhere();
  THyphenPatterns vowels = Compile({"a1", "e1", "i1", "o1", "u1"});
  struct Case {
    const THyphenPatterns* patterns;
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {&all, u"ab", u"ab"},              // one or two letters: never
      {&all, u"abc", u"abc"},
      {&all, u"aber", u"ab-er"},         // after the first letter only if the second has no break
      {&vowels, u"aber", u"a-ber"},      // vowel + non-vowel, no break after the second letter
      {&all, u"oase", u"oa-se"},         // two vowels at the start: no break after the first
      {&all, u"strand", u"st-r-and"},    // last two letters of one class: no break before them
      {&all, u"stra", u"stra"},          // two-letter end without an earlier vowel
      {&all, u"über", u"üb-er"},         // accented vowels belong to the vowel set
      {&vowels, u"abe", u"a-be"},
      {&all, u"ab-cd", u"ab-cd"},        // no second hyphen next to an existing one
      {&all, u"-abcde", u"-a-b-c-de"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.patterns->HyphenateWord(c.in), c.out) << Utf16ToUtf8(c.in);
}

TEST(HyphenMatcher, LongWordsAndForeignCharacters) {
  THyphenPatterns all = BreakEverywhere();
  std::u16string word63(63, u'a'), word64(64, u'a');
  for (size_t i = 1; i < 63; i += 2) word63[i] = word64[i] = u'b';
  word64[63] = u'b';
  EXPECT_NE(all.HyphenateWord(word63), word63);
  EXPECT_EQ(all.HyphenateWord(word64), word64);
  EXPECT_EQ(all.HyphenateWord(std::u16string(200, u'x')), std::u16string(200, u'x'));
  // Characters without a single-byte code are kept (they count as non-letters).
  for (std::u16string w : {std::u16string(u"ab\u4E2Dcd\u4E2Defg"), std::u16string(u"ab\U0001F600cdefg")}) {
    std::u16string out = all.HyphenateWord(w);
    std::u16string stripped;
    for (char16_t c : out)
      if (c != u'-') stripped.push_back(c);
    EXPECT_EQ(stripped, w);
    EXPECT_EQ(out.find(u"\xD83D-"), std::u16string::npos);
  }
}

TEST(HyphenExceptions, AppliedBeforePatternsWhateverTheCase) {
  THyphenator h = WithPatterns(BreakEverywhere());
  h.Exceptions = THyphenExceptions::Parse(
      "\xEF\xBB\xBF# my words\nStra-\xC3\x9F" "e  ta-ble\r\nmidi\n\n");
  struct Case {
    std::u16string in;
    std::u16string out;
  } cases[] = {
      {u"Straße", u"Stra-ße"}, {u"STRASSE", u"ST-R-A-S-SE"},  // not in the list: patterns
      {u"STRAẞE", u"ST-R-A-ẞE"},  // the capital sharp s has no single-byte code: a non-letter
      {u"TABLE,", u"TA-BLE,"}, {u"\"Table\"", u"\"Ta-ble\""}, {u"midi", u"midi"}, {u"Midi!", u"Midi!"},
      {u"ta-ble", u"ta-ble"},
      {u"Midi-Straße", u"Midi-Stra-ße"},  // the parts of a hyphenated word, each from the list
  };
  for (const auto& c : cases) EXPECT_EQ(h.HyphenateWord(c.in), c.out) << Utf16ToUtf8(c.in);

  std::string dir = cvtest::TempDir();
  EXPECT_EQ(HyphenExceptionsPath(dir, THyphenLanguage::French), dir + "/Hyphenation_fre.txt");
  EXPECT_TRUE(THyphenExceptions::LoadFile(HyphenExceptionsPath(dir, THyphenLanguage::German)).Empty());
  std::ofstream(HyphenExceptionsPath(dir, THyphenLanguage::German)) << "Kar-ao-ke\n";
  EXPECT_EQ(THyphenExceptions::LoadFile(HyphenExceptionsPath(dir, THyphenLanguage::German)).Apply(u"karaoke"),
            u"kar-ao-ke");
}

TEST(HyphenLines, EditTextKeepsHeaderMarkersAndSpaces) {
  THyphenator h = WithPatterns(Compile({"1m", "1r", "1b"}));
  std::vector<std::u16string> lines = {
      u"amore amore  ", u"   ", u"  amore  amore amore a  ", u"    ", u"---- 3_Takt amore  ",
      u"---- 4_TAKT amore", u"\tamore", u"amore"};
  HyphenateEditText(lines, h);
  std::vector<std::u16string> expected = {
      u"amore amore", u"", u"  a-mo-re  a-mo-re a-mo-re a", u"", u"---- 3_Takt amore",
      u"---- 4_TAKT amore", u"\ta-mo-re", u"a-mo-re"};
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(HyphenateLyricLine(u" abore  x ", h), u" a-bo-re  x");
}

TEST(HyphenFiles, DataFolderOverrideComesFirst) {
  std::string dir = cvtest::TempDir();
  std::filesystem::create_directories(dir + "/hyphenation");
  std::ofstream(dir + "/hyphenation/Lang_ger.hyp") << "x";
  setenv("CANTOVEX_DATA_DIR", dir.c_str(), 1);
  EXPECT_EQ(FindHyphenationDir(""), dir + "/hyphenation");
  unsetenv("CANTOVEX_DATA_DIR");
  // Next to the binary (an installed program), then the source tree.
  std::filesystem::create_directories(dir + "/bin/data/hyphenation");
  std::ofstream(dir + "/bin/data/hyphenation/Lang_ger.hyp") << "x";
  EXPECT_EQ(FindHyphenationDir(dir + "/bin"), dir + "/bin/data/hyphenation");
  EXPECT_EQ(FindHyphenationDir(dir + "/nowhere"),
            std::filesystem::path(std::string(CANTOVEX_DATA_DIR) + "/hyphenation").lexically_normal().string());
}
