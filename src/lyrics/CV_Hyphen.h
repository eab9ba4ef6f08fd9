// Hyphenation: Liang's patterns in the packed-trie pattern files "Lang_*.hyp", the program's fixed
// rules about short syllables, a user exception list, and the hyphenation of edit-text lines.
//
// Typical use (the editor's Hyphenate command, the CLI):
//   cv::THyphenator h = cv::LoadHyphenator(cv::THyphenLanguage::German,
//                                          cv::FindHyphenationDir(exeDir), settingsDir);
//   cv::HyphenateEditText(lines, h);        // all lines of the edit text, in place
//   std::u16string w = h.HyphenateWord(u"Straße");   // u"Stra-ße"
// Loading throws EHyphenError with a finished bilingual message naming the file.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace cv {

class EHyphenError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class THyphenLanguage { German, English, French, Italian, Spanish };

// "Lang_ger.hyp", "Lang_eng.hyp", "Lang_fre.hyp", "Lang_ita.hyp", "Lang_spa.hyp".
const char* HyphenPatternFileName(THyphenLanguage language);
// "de", "en", "fr", "it", "es".
const char* HyphenLanguageCode(THyphenLanguage language);
// "German", "English", ... (the karaoke game files name the language in English).
const char* LanguageEnglishName(THyphenLanguage language);
// The karaoke files' "@L" tag: "GERM", "ENGL", "FREN", "ITAL", "SPAN".
const char* KaraokeLanguageTag(THyphenLanguage language);
// Accepts the codes above (and "ger", "eng", ...); nullopt otherwise.
std::optional<THyphenLanguage> ParseHyphenLanguage(std::string_view code);
// Radio caption in the current user language ("Deutsch" / "german", ...).
std::string HyphenLanguageCaption(THyphenLanguage language);

// One loaded pattern file (the fixed binary layout: character map, op tables, packed trie).
class THyphenPatterns {
 public:
  static constexpr size_t kBufferSize = 65500;
  static constexpr int kMaxNode = 8000;
  static constexpr size_t kCharMapOffset = 64;
  static constexpr size_t kCharSetOffset = 320;
  static constexpr size_t kOpDistanceOffset = 416;
  static constexpr size_t kOpValueOffset = 672;
  static constexpr size_t kOpNextOffset = 928;
  static constexpr size_t kTrieOffset = 1184;
  // Words this long or longer are returned unchanged.
  static constexpr size_t kMaxWordLength = 64;

  // Reads the file; throws EHyphenError naming the file when it cannot be read or is damaged.
  static THyphenPatterns LoadFile(const std::string& path);
  // Same checks on bytes already in memory; displayName is used in messages.
  static THyphenPatterns FromBytes(std::string_view bytes, const std::string& displayName);

  // Break values hyf[0 .. hn] of a single-byte (Windows-1252) word after the patterns and (unless
  // switched off for measurements) the fixed rules; an odd hyf[j] allows a break after letter j.
  // Empty for words shorter than 3 or of kMaxWordLength or more characters.
  std::vector<uint8_t> BreakValues(std::string_view ansiWord, bool fixedRules = true) const;
  // The single-byte word with "-" inserted at its breaks.
  std::string HyphenateWord(std::string_view ansiWord) const;
  // The same on a UTF-16 word: characters without a Windows-1252 code count as non-letters and
  // are kept as they are.
  std::u16string HyphenateWord(std::u16string_view word) const;

  uint8_t LetterCode(uint8_t ansiByte) const { return Buffer[kCharMapOffset + ansiByte]; }

 private:
  std::vector<uint8_t> Buffer;  // kBufferSize bytes, zero beyond the file
};

// Words the user hyphenates by hand, one or more a line, written with their hyphens ("Stra-ße");
// a word without hyphens is never hyphenated. "#" starts a comment line. Case is ignored.
class THyphenExceptions {
 public:
  // UTF-8 text (a byte-order mark is skipped).
  static THyphenExceptions Parse(std::string_view utf8Text);
  // A missing file gives an empty list; an unreadable one throws EHyphenError.
  static THyphenExceptions LoadFile(const std::string& path);

  bool Empty() const { return Words.empty(); }
  // The hyphenated word when the list holds it (leading and trailing punctuation of the word
  // stay around the result), else nullopt.
  std::optional<std::u16string> Apply(std::u16string_view word) const;
  // Adds or replaces one entry, e.g. u"Stra-ße".
  void Add(std::u16string_view hyphenated);

 private:
  std::map<std::u16string, std::vector<bool>> Words;  // folded letters -> break after letter i
};

// Patterns of one language together with the user's exceptions for it.
struct THyphenator {
  THyphenPatterns Patterns;
  THyphenExceptions Exceptions;
  // Exceptions first, then patterns and fixed rules on each part between the hyphens the word
  // already holds.
  std::u16string HyphenateWord(std::u16string_view word) const;
};

// Where the pattern files are: $CANTOVEX_DATA_DIR/hyphenation, then data/hyphenation or
// ../share/cantovex3/hyphenation next to exeDir, then the source tree's data/hyphenation.
// Returns the first folder that holds "Lang_ger.hyp" (the last candidate when none does).
std::string FindHyphenationDir(const std::string& exeDir);
// Exception list file of a language in the settings folder: "<dir>/Hyphenation_ger.txt".
std::string HyphenExceptionsPath(const std::string& settingsDir, THyphenLanguage language);
// Loads the pattern file from patternDir and, when settingsDir is not empty, the exception list.
THyphenator LoadHyphenator(THyphenLanguage language, const std::string& patternDir,
                           const std::string& settingsDir);

// One lyric line: leading spaces stay, trailing spaces go, the words between spaces are
// hyphenated and joined with the same runs of spaces.
std::u16string HyphenateLyricLine(std::u16string_view line, const THyphenator& hyphenator);
// The whole edit text in place: lines 1 and 2 (song name, artist) and lines containing "_Takt"
// only lose trailing spaces, blank lines become empty, every other line is hyphenated.
void HyphenateEditText(std::vector<std::u16string>& lines, const THyphenator& hyphenator);

}  // namespace cv
