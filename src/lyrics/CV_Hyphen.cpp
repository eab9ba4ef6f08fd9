#include "lyrics/CV_Hyphen.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "song/Language.h"
#include "song/TextCodec.h"
#include "BuildPaths.h"

namespace cv {

namespace {

constexpr int kBoundary = 127;  // hc[0] and hc[hn + 1]
constexpr int kNoLetter = 256;  // hc[hn + 2]: no trie letter is 256

bool InVowelSet(int code) {
  return (code >= 1 && code <= 31) || code == 97 || code == 101 || code == 105 || code == 111 ||
         code == 117 || code == 121;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

[[noreturn]] void ThrowDamaged(const std::string& name, const std::string& de, const std::string& en) {
  throw EHyphenError(Tr("Die Silbentrennungsdatei " + Quoted(name) + " ist beschädigt: " + de,
                        "The hyphenation file " + Quoted(name) + " is damaged: " + en));
}

bool IsSpace(char16_t c) { return c == u' '; }

bool IsBlank(std::u16string_view s) {
  for (char16_t c : s)
    if (c != u' ') return false;
  return true;
}

std::u16string TrimRight(std::u16string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == u' ') --n;
  return std::u16string(s.substr(0, n));
}

bool ContainsBarMarker(std::u16string_view s) {
  static constexpr std::u16string_view kMarker = u"_takt";
  if (s.size() < kMarker.size()) return false;
  for (size_t i = 0; i + kMarker.size() <= s.size(); ++i) {
    bool same = true;
    for (size_t k = 0; k < kMarker.size() && same; ++k) {
      char16_t c = s[i + k];
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
      same = c == kMarker[k];
    }
    if (same) return true;
  }
  return false;
}

// Lower case for the letters of Windows-1252, enough to compare exception words.
char16_t FoldCase(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  switch (c) {
    case 0x160: return 0x161;
    case 0x17D: return 0x17E;
    case 0x152: return 0x153;
    case 0x178: return 0xFF;
    default: return c;
  }
}

bool IsWordPunctuation(char16_t c) {
  static constexpr std::u16string_view kPunct =
      u".,;:!?\"'()[]{}<>/\\*_=\u00AB\u00BB\u201E\u201C\u201D\u201A\u2018\u2019\u2026\u2013\u2014\u00BF\u00A1\u00B4`";
  return kPunct.find(c) != std::u16string_view::npos;
}

}  // namespace

namespace {

// The names of each language in the files and settings that name it, in enum order.
struct TLanguageNames {
  THyphenLanguage Language;
  const char* PatternFile;
  const char* Code;
  const char* Iso639_2;
  const char* EnglishName;
  const char* KaraokeTag;
};
constexpr TLanguageNames kLanguageNames[] = {
    {THyphenLanguage::German, "Lang_ger.hyp", "de", "ger", "German", "GERM"},
    {THyphenLanguage::English, "Lang_eng.hyp", "en", "eng", "English", "ENGL"},
    {THyphenLanguage::French, "Lang_fre.hyp", "fr", "fre", "French", "FREN"},
    {THyphenLanguage::Italian, "Lang_ita.hyp", "it", "ita", "Italian", "ITAL"},
    {THyphenLanguage::Spanish, "Lang_spa.hyp", "es", "spa", "Spanish", "SPAN"},
};

const TLanguageNames& NamesOf(THyphenLanguage language) {
  for (const TLanguageNames& n : kLanguageNames)
    if (n.Language == language) return n;
  return kLanguageNames[0];
}

}  // namespace

const char* HyphenPatternFileName(THyphenLanguage language) { return NamesOf(language).PatternFile; }
const char* HyphenLanguageCode(THyphenLanguage language) { return NamesOf(language).Code; }
const char* LanguageEnglishName(THyphenLanguage language) { return NamesOf(language).EnglishName; }
const char* KaraokeLanguageTag(THyphenLanguage language) { return NamesOf(language).KaraokeTag; }

std::optional<THyphenLanguage> ParseHyphenLanguage(std::string_view code) {
  for (const TLanguageNames& n : kLanguageNames)
    if (code == n.Code || code == n.Iso639_2) return n.Language;
  return std::nullopt;
}

std::string HyphenLanguageCaption(THyphenLanguage language) {
  switch (language) {
    case THyphenLanguage::German: return Tr("Deutsch", "German");
    case THyphenLanguage::English: return Tr("Englisch", "English");
    case THyphenLanguage::French: return Tr("Französisch", "French");
    case THyphenLanguage::Italian: return Tr("Italienisch", "Italian");
    case THyphenLanguage::Spanish: return Tr("Spanisch", "Spanish");
  }
  return {};
}

// ---------------------------------------------------------------------------------------------
// Pattern file

THyphenPatterns THyphenPatterns::LoadFile(const std::string& path) {
  std::string name = std::filesystem::path(path).filename().string();
  std::ifstream in(path, std::ios::binary);
  if (!in)
    throw EHyphenError(Tr("Die Silbentrennungsdatei " + Quoted(path) + " kann nicht geöffnet werden.",
                          "The hyphenation file " + Quoted(path) + " cannot be opened."));
  std::string bytes(kBufferSize, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(kBufferSize));
  if (in.bad())
    throw EHyphenError(Tr("Die Silbentrennungsdatei " + Quoted(path) + " kann nicht gelesen werden.",
                          "The hyphenation file " + Quoted(path) + " cannot be read."));
  bytes.resize(static_cast<size_t>(in.gcount()));
  return FromBytes(bytes, path);
}

THyphenPatterns THyphenPatterns::FromBytes(std::string_view bytes, const std::string& displayName) {
  if (bytes.size() < kTrieOffset + 4)
    ThrowDamaged(displayName, "Sie ist zu kurz (" + std::to_string(bytes.size()) + " Bytes).",
                 "it is too short (" + std::to_string(bytes.size()) + " bytes).");
  THyphenPatterns p;
  p.Buffer.assign(kBufferSize, 0);
  size_t n = std::min(bytes.size(), kBufferSize);
  for (size_t i = 0; i < n; ++i) p.Buffer[i] = static_cast<uint8_t>(bytes[i]);

  // Every op value must be a hyphenation value, and every output chain must end: a loop would
  // never stop the matcher.
  for (int v = 1; v < 256; ++v) {
    if (p.Buffer[kOpValueOffset + v] > 9)
      ThrowDamaged(displayName,
                   "Operation " + std::to_string(v) + " hat den Wert " +
                       std::to_string(p.Buffer[kOpValueOffset + v]) + " (erlaubt 0 bis 9).",
                   "op " + std::to_string(v) + " has the value " +
                       std::to_string(p.Buffer[kOpValueOffset + v]) + " (0 to 9 allowed).");
    int w = v;
    int steps = 0;
    while (w != 0 && steps <= 255) {
      w = p.Buffer[kOpNextOffset + w];
      ++steps;
    }
    if (w != 0)
      ThrowDamaged(displayName, "Die Operationskette ab " + std::to_string(v) + " endet nicht.",
                   "the op chain from " + std::to_string(v) + " never ends.");
  }
  return p;
}

std::vector<uint8_t> THyphenPatterns::BreakValues(std::string_view word, bool fixedRules) const {
  const size_t hn = word.size();
  if (hn < 3 || hn >= kMaxWordLength) return {};

  std::array<int, kMaxWordLength + 2> hc{};
  std::array<uint8_t, kMaxWordLength + 1> hyf{};
  for (size_t i = 1; i <= hn; ++i) hc[i] = LetterCode(static_cast<uint8_t>(word[i - 1]));
  hc[0] = kBoundary;
  hc[hn + 1] = kBoundary;
  hc[hn + 2] = kNoLetter;

  auto link = [&](int z) { return Buffer[kTrieOffset + 4 * z] | (Buffer[kTrieOffset + 4 * z + 1] << 8); };
  auto op = [&](int z) { return Buffer[kTrieOffset + 4 * z + 2]; };
  auto letter = [&](int z) { return Buffer[kTrieOffset + 4 * z + 3]; };

  // The start loop runs to hn - 1 as TeX's does: the public pattern sets rely on matches that
  // start at the last but one letter (final breaks such as "Stra-ße").
  for (int j = 0; j <= static_cast<int>(hn) - 1; ++j) {
    int z = hc[j];
    int l = j;
    while (z <= kMaxNode && letter(z) == hc[l]) {
      int v = op(z);
      for (int steps = 0; v != 0 && steps < 256; ++steps) {
        int i = l - Buffer[kOpDistanceOffset + v];
        // A damaged file must not reach outside hyf; such an op is ignored.
        if (i >= 0 && i <= static_cast<int>(kMaxWordLength)) {
          uint8_t value = Buffer[kOpValueOffset + v];
          if (value > hyf[i]) hyf[i] = value;
        }
        v = Buffer[kOpNextOffset + v];
      }
      ++l;
      if (l > static_cast<int>(hn) + 2) break;
      z = link(z) + hc[l];
      if (z > kMaxNode) z = 0;
    }
  }

  const int n = static_cast<int>(hn);
  if (!fixedRules) return std::vector<uint8_t>(hyf.begin(), hyf.begin() + n + 1);
  // Fixed rules about short syllables.
  if (!InVowelSet(hc[1]) || (InVowelSet(hc[1]) && InVowelSet(hc[2]))) hyf[1] = 0;
  if (!InVowelSet(hc[2]) && (hyf[2] & 1)) hyf[1] = 0;
  if (InVowelSet(hc[n - 1]) == InVowelSet(hc[n])) {
    hyf[n - 2] = 0;
  } else {
    bool vowelBefore = false;
    for (int i = 1; i <= n - 2; ++i) vowelBefore = vowelBefore || InVowelSet(hc[i]);
    if (!vowelBefore) hyf[n - 2] = 0;
  }
  hyf[n - 1] = 0;
  hyf[n] = 0;
  return std::vector<uint8_t>(hyf.begin(), hyf.begin() + n + 1);
}

std::string THyphenPatterns::HyphenateWord(std::string_view word) const {
  std::vector<uint8_t> hyf = BreakValues(word);
  if (hyf.empty()) return std::string(word);
  std::string out;
  out.reserve(word.size() * 2);
  for (size_t j = 1; j <= word.size(); ++j) {
    out.push_back(word[j - 1]);
    if ((hyf[j] & 1) && word[j - 1] != '-' && (j >= word.size() || word[j] != '-')) out.push_back('-');
  }
  return out;
}

std::u16string THyphenPatterns::HyphenateWord(std::u16string_view word) const {
  if (word.size() < 3 || word.size() >= kMaxWordLength) return std::u16string(word);
  // One byte per UTF-16 unit, so positions agree; characters outside Windows-1252 become a
  // byte that maps to no letter (the UTF-16 text itself is kept).
  std::string ansi;
  ansi.reserve(word.size());
  for (char16_t c : word) {
    int code = Windows1252Code(c);
    ansi.push_back(code < 0 ? '\x7F' : static_cast<char>(code));
  }
  std::vector<uint8_t> hyf = BreakValues(ansi);
  if (hyf.empty()) return std::u16string(word);
  std::u16string out;
  out.reserve(word.size() * 2);
  for (size_t j = 1; j <= word.size(); ++j) {
    char16_t c = word[j - 1];
    out.push_back(c);
    bool surrogatePair = c >= 0xD800 && c <= 0xDBFF;
    if ((hyf[j] & 1) && !surrogatePair && c != u'-' && (j >= word.size() || word[j] != u'-'))
      out.push_back(u'-');
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Exception list

void THyphenExceptions::Add(std::u16string_view hyphenated) {
  std::u16string letters;
  std::vector<bool> breaks;
  for (char16_t c : hyphenated) {
    if (c == u'-') {
      if (!letters.empty()) breaks.back() = true;
      continue;
    }
    letters.push_back(FoldCase(c));
    breaks.push_back(false);
  }
  if (letters.empty()) return;
  breaks.back() = false;
  Words[letters] = std::move(breaks);
}

THyphenExceptions THyphenExceptions::Parse(std::string_view utf8Text) {
  if (utf8Text.substr(0, 3) == "\xEF\xBB\xBF") utf8Text.remove_prefix(3);
  std::u16string text = Utf8ToUtf16(utf8Text);
  THyphenExceptions list;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string_view line(text.data() + pos, end - pos);
    pos = end + 1;
    size_t first = line.find_first_not_of(u" \t\r");
    if (first == std::u16string_view::npos || line[first] == u'#') continue;
    size_t i = first;
    while (i < line.size()) {
      while (i < line.size() && (line[i] == u' ' || line[i] == u'\t' || line[i] == u'\r')) ++i;
      size_t start = i;
      while (i < line.size() && line[i] != u' ' && line[i] != u'\t' && line[i] != u'\r') ++i;
      if (i > start) list.Add(line.substr(start, i - start));
    }
  }
  return list;
}

THyphenExceptions THyphenExceptions::LoadFile(const std::string& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return {};
  std::ifstream in(path, std::ios::binary);
  std::string bytes;
  if (in) {
    constexpr size_t kLimit = 16u * 1024 * 1024;
    bytes.resize(kLimit + 1);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (bytes.size() > kLimit)
      throw EHyphenError(Tr("Die Ausnahmeliste " + Quoted(path) + " ist zu groß.",
                            "The exception list " + Quoted(path) + " is too large."));
  }
  if (!in && !in.eof())
    throw EHyphenError(Tr("Die Ausnahmeliste " + Quoted(path) + " kann nicht gelesen werden.",
                          "The exception list " + Quoted(path) + " cannot be read."));
  return Parse(bytes);
}

std::optional<std::u16string> THyphenExceptions::Apply(std::u16string_view word) const {
  if (Words.empty()) return std::nullopt;
  size_t begin = 0;
  size_t end = word.size();
  while (begin < end && IsWordPunctuation(word[begin])) ++begin;
  while (end > begin && IsWordPunctuation(word[end - 1])) --end;
  if (begin == end) return std::nullopt;
  std::u16string_view core = word.substr(begin, end - begin);
  std::u16string key;
  for (char16_t c : core)
    if (c != u'-') key.push_back(FoldCase(c));
  auto it = Words.find(key);
  if (it == Words.end()) return std::nullopt;
  const std::vector<bool>& breaks = it->second;
  std::u16string out(word.substr(0, begin));
  size_t letter = 0;
  for (size_t k = 0; k < core.size(); ++k) {
    char16_t c = core[k];
    out.push_back(c);
    if (c == u'-') continue;
    bool nextIsHyphen = k + 1 < core.size() && core[k + 1] == u'-';
    if (letter < breaks.size() && breaks[letter] && !nextIsHyphen) out.push_back(u'-');
    ++letter;
  }
  out.append(word.substr(end));
  return out;
}

std::u16string THyphenator::HyphenateWord(std::u16string_view word) const {
  if (auto fixed = Exceptions.Apply(word)) return *fixed;
  // A hyphen the text already holds ends a word part, as in TeX: matched as one word, the
  // patterns read "-" as a letter and split already hyphenated lyrics again ("Mä-d-chen").
  std::u16string out;
  size_t start = 0;
  for (;;) {
    size_t hyphen = word.find(u'-', start);
    std::u16string_view part = word.substr(start, hyphen == std::u16string_view::npos ? hyphen : hyphen - start);
    std::optional<std::u16string> fixed = Exceptions.Apply(part);
    out += fixed ? *fixed : Patterns.HyphenateWord(part);
    if (hyphen == std::u16string_view::npos) return out;
    out.push_back(u'-');
    start = hyphen + 1;
  }
}

// ---------------------------------------------------------------------------------------------
// Files and lines

std::string FindHyphenationDir(const std::string& exeDir) {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates;
  if (const char* env = std::getenv("CANTOVEX_DATA_DIR"); env && *env)
    candidates.push_back(fs::path(env) / "hyphenation");
  if (!exeDir.empty()) {
    candidates.push_back(fs::path(exeDir) / "data" / "hyphenation");
    candidates.push_back(fs::path(exeDir) / ".." / "share" / "cantovex3" / "hyphenation");
  }
#ifdef CANTOVEX_DATA_DIR
  candidates.push_back(fs::path(CANTOVEX_DATA_DIR) / "hyphenation");
#endif
  std::error_code ec;
  for (const auto& dir : candidates)
    if (fs::is_regular_file(dir / HyphenPatternFileName(THyphenLanguage::German), ec))
      return dir.lexically_normal().string();
  return candidates.empty() ? std::string("hyphenation") : candidates.back().string();
}

std::string HyphenExceptionsPath(const std::string& settingsDir, THyphenLanguage language) {
  std::string file = HyphenPatternFileName(language);  // "Lang_ger.hyp" -> "Hyphenation_ger.txt"
  return (std::filesystem::path(settingsDir) / ("Hyphenation_" + file.substr(5, 3) + ".txt")).string();
}

THyphenator LoadHyphenator(THyphenLanguage language, const std::string& patternDir,
                           const std::string& settingsDir) {
  THyphenator h{THyphenPatterns::LoadFile(
                    (std::filesystem::path(patternDir) / HyphenPatternFileName(language)).string()),
                {}};
  if (!settingsDir.empty()) h.Exceptions = THyphenExceptions::LoadFile(HyphenExceptionsPath(settingsDir, language));
  return h;
}

std::u16string HyphenateLyricLine(std::u16string_view line, const THyphenator& hyphenator) {
  std::u16string trimmed = TrimRight(line);
  std::u16string out;
  out.reserve(trimmed.size() * 2);
  size_t i = 0;
  while (i < trimmed.size()) {
    if (IsSpace(trimmed[i])) {
      out.push_back(trimmed[i++]);
      continue;
    }
    size_t start = i;
    while (i < trimmed.size() && !IsSpace(trimmed[i])) ++i;
    out += hyphenator.HyphenateWord(std::u16string_view(trimmed).substr(start, i - start));
  }
  return out;
}

void HyphenateEditText(std::vector<std::u16string>& lines, const THyphenator& hyphenator) {
  for (size_t n = 0; n < lines.size(); ++n) {
    std::u16string& line = lines[n];
    if (IsBlank(line))
      line.clear();
    else if (n < 2 || ContainsBarMarker(line))
      line = TrimRight(line);
    else
      line = HyphenateLyricLine(line, hyphenator);
  }
}

}  // namespace cv
