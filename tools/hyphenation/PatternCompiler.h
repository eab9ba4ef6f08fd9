// Compiles Liang hyphenation patterns (TeX notation, e.g. ".ab1c", "2ß1") into the program's
// pattern file layout: character map, op tables and a packed trie of at most 8001 nodes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace cvtools {

struct TCompileOptions {
  bool ApostropheIsLetter = false;  // French and Italian
  std::string Title;                // up to 63 characters, stored in the unused header
};

struct TCompileResult {
  std::string Bytes;   // the file
  int Nodes = 0;       // highest trie index used + 1
  int Ops = 0;         // ops used (1 .. 255)
  int Patterns = 0;    // distinct patterns compiled
  std::vector<std::string> Skipped;  // patterns with characters the map cannot hold
};

// Letter codes of the 256 Windows-1252 bytes: a-z (and A-Z) at 97..122, accented vowels 1..31,
// other letters outside the vowel set, everything else the word boundary 127.
std::array<uint8_t, 256> BuildCharMap(bool apostropheIsLetter);

// patterns: UTF-8 pattern strings; exceptions: words written with hyphens ("as-so-ciate"),
// turned into whole-word patterns. Throws std::runtime_error when the trie or the ops overflow.
TCompileResult CompilePatterns(const std::vector<std::string>& patterns,
                               const std::vector<std::string>& exceptions,
                               const TCompileOptions& options);

// Whitespace-separated entries of a pattern text; "%" starts a comment. A TeX file's
// \patterns{...} (or \hyphenation{...} when exceptions is true) block is taken when present.
std::vector<std::string> ReadPatternText(const std::string& text, bool exceptions = false);

}  // namespace cvtools
