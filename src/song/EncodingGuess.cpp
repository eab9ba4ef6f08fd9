#include "song/EncodingGuess.h"

#include <algorithm>
#include <cstdlib>

namespace cv {

namespace {

// ---------------------------------------------------------------- pages of two-byte characters

enum class Cjk { Gbk, ShiftJis, Uhc, Big5, EucJp };

struct CjkPage {
  Cjk kind;
  const char* name;      // as the converter knows it
  const char* detector;  // as the detector names it
  const char* language;  // the user language that prefers it
};

// In the order that breaks the last ties.
constexpr CjkPage kCjkPages[] = {
    {Cjk::Gbk, "GBK", "GB18030", "zh"},         {Cjk::ShiftJis, "Shift_JIS", "Shift_JIS", "ja"},
    {Cjk::Uhc, "windows-949", "windows-949", "ko"}, {Cjk::Big5, "Big5", "Big5", "zh_TW"},
    {Cjk::EucJp, "EUC-JP", "EUC-JP", "ja"},
};

// The bytes as one page reads them: whether every sequence is one of its characters, how many
// characters of more than one byte there are, and how many of them are the common ones (the first
// level of the page's national standard, its punctuation and kana; a half-width katakana counts
// half, since pairs of them read as common Chinese characters too). A character right beside a
// Latin letter is not a common one: an accented letter of a Latin text reads so.
struct CjkTally {
  bool valid = true;
  int chars = 0;
  double common = 0;
  bool fourByte = false;   // GB18030 sequences beyond GBK
  bool hangulOnly = true;  // every character a Hangul syllable (windows-949)
};

bool IsAsciiLetter(uint8_t b) { return (b | 0x20) >= 'a' && (b | 0x20) <= 'z'; }

bool In(uint8_t b, uint8_t low, uint8_t high) { return b >= low && b <= high; }

CjkTally TallyCjk(Cjk kind, std::string_view s) {
  CjkTally t;
  auto at = [&](size_t i) -> uint8_t { return i < s.size() ? static_cast<uint8_t>(s[i]) : 0; };
  for (size_t i = 0; i < s.size() && t.valid;) {
    const uint8_t a = at(i), b = at(i + 1);
    if (a < 0x80) {
      ++i;
      continue;
    }
    size_t length = 2;
    bool ok = false;
    double common = 0;
    switch (kind) {
      case Cjk::Gbk:
        if (In(a, 0x81, 0xFE) && In(b, 0x30, 0x39)) {
          length = 4;
          ok = In(at(i + 2), 0x81, 0xFE) && In(at(i + 3), 0x30, 0x39);
          t.fourByte = true;
        } else {
          ok = In(a, 0x81, 0xFE) && In(b, 0x40, 0xFE) && b != 0x7F;
          common = (In(a, 0xB0, 0xD7) || In(a, 0xA1, 0xA5)) && b >= 0xA1 ? 1 : 0;
        }
        break;
      case Cjk::Big5:
        ok = In(a, 0x81, 0xFE) && (In(b, 0x40, 0x7E) || In(b, 0xA1, 0xFE));
        common = In(a, 0xA1, 0xC6) ? 1 : 0;
        break;
      case Cjk::ShiftJis:
        if (In(a, 0xA1, 0xDF)) {
          length = 1;
          ok = true;
          common = 0.5;
        } else {
          ok = (In(a, 0x81, 0x9F) || In(a, 0xE0, 0xFC)) && In(b, 0x40, 0xFC) && b != 0x7F;
          common = In(a, 0x81, 0x83) || In(a, 0x88, 0x98) ? 1 : 0;
        }
        break;
      case Cjk::EucJp:
        if (a == 0x8E) {
          ok = In(b, 0xA1, 0xDF);
          common = 0.5;
        } else if (a == 0x8F) {
          length = 3;
          ok = In(b, 0xA1, 0xFE) && In(at(i + 2), 0xA1, 0xFE);
        } else {
          ok = In(a, 0xA1, 0xFE) && In(b, 0xA1, 0xFE);
          common = In(a, 0xA1, 0xA5) || In(a, 0xB0, 0xCF) ? 1 : 0;
        }
        break;
      case Cjk::Uhc: {
        ok = In(a, 0x81, 0xFE) && (In(b, 0x41, 0x5A) || In(b, 0x61, 0x7A) || In(b, 0x81, 0xFE));
        const bool hangul = In(a, 0xB0, 0xC8) && b >= 0xA1;
        // The extension's syllables (81-C6 with a low second byte) are Hangul too, less common.
        const bool extension = In(a, 0x81, 0xC6) && b < 0xA1;
        common = hangul || (In(a, 0xA1, 0xA3) && b >= 0xA1) ? 1 : extension ? 0.5 : 0;
        if (!hangul && !extension) t.hangulOnly = false;
        break;
      }
    }
    if (IsAsciiLetter(i > 0 ? at(i - 1) : 0) || IsAsciiLetter(at(i + length))) common = 0;
    t.valid = ok;
    ++t.chars;
    t.common += common;
    i += length;
  }
  return t;
}

// ---------------------------------------------------------------- plausible characters

enum class Script { None, Latin, Greek, Cyrillic, Hebrew, Arabic, Thai, Cjk };

// The script of a letter; None for punctuation and signs text uses; nullopt for a character that
// no lyric holds (controls, box drawing, replacement characters, private use).
std::optional<Script> ScriptOf(char16_t c) {
  if (c < 0x80) return (c >= 0x20 || c == u'\n' || c == u'\r' || c == u'\t') ? std::optional(Script::None) : std::nullopt;
  if (c < 0xA0) return std::nullopt;
  if (c < 0xC0) return Script::None;
  if (c < 0x250) return c == 0xD7 || c == 0xF7 ? Script::None : Script::Latin;
  if (c >= 0x370 && c < 0x400) return Script::Greek;
  if (c >= 0x400 && c < 0x530) return Script::Cyrillic;
  if (c >= 0x590 && c < 0x600) return Script::Hebrew;
  if (c >= 0x600 && c < 0x700) return Script::Arabic;
  if (c >= 0xE00 && c < 0xE80) return Script::Thai;
  if (c >= 0x1E00 && c < 0x1F00) return Script::Latin;
  if (c >= 0x2000 && c < 0x2070) return Script::None;                   // general punctuation
  if (c == 0x20AC || c == 0x2116 || c == 0x2122) return Script::None;  // euro, numero, trade mark
  if ((c >= 0x3000 && c < 0xA000) || (c >= 0xAC00 && c < 0xD7A4) || (c >= 0xFF00 && c < 0xFFF0)) return Script::Cjk;
  return std::nullopt;
}

bool IsUpper(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB) ||
         (c >= 0x400 && c <= 0x42F);
}
bool IsLower(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= 0xDF && c <= 0xFF && c != 0xF7) || (c >= 0x3AC && c <= 0x3CE) ||
         (c >= 0x430 && c <= 0x45F);
}

// How plausible a decoded text is as lyrics in one script; none when it holds a character no lyric
// holds or letters of two scripts besides Latin ones. Words with a capital after a small letter
// count against it, so does a text mostly in capitals (lyrics are mostly small letters), and so
// do accented Latin letters outnumbering plain ones (another script read as Latin-1).
std::optional<int> Plausibility(std::u16string_view text) {
  Script script = Script::None;
  int breaks = 0, lower = 0, upper = 0, plain = 0, accented = 0;
  char16_t before = u' ';
  for (char16_t c : text) {
    const std::optional<Script> s = ScriptOf(c);
    if (!s) return std::nullopt;
    if (c < 0x80 && ((c | 0x20) >= u'a' && (c | 0x20) <= u'z')) ++plain;
    if (c >= 0xC0 && *s == Script::Latin) ++accented;
    if (*s != Script::None && c >= 0xC0 && *s != Script::Latin) {
      if (script != Script::None && script != *s) return std::nullopt;
      script = *s;
    }
    if (IsLower(c)) ++lower;
    if (IsUpper(c)) {
      ++upper;
      if (IsLower(before)) ++breaks;
    }
    before = c;
  }
  return -4 * breaks - (upper > lower ? 1 : 0) - (script == Script::None && accented > plain ? 1 : 0);
}

bool NeverText(const std::string& name) {
  std::string n;
  for (char c : name) n.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c));
  // A text event's line feeds and ASCII letters are single bytes: UTF-16/32, the stateful ISO-2022
  // pages and EBCDIC cannot be what it holds.
  return n.rfind("UTF-", 0) == 0 || n.rfind("ISO-2022", 0) == 0 || n.rfind("IBM42", 0) == 0;
}

bool LanguageIs(std::string_view language, std::string_view wanted) {
  if (wanted.size() > 2) return language == wanted;
  // "zh" wants the simplified pages: not Taiwan's or Hong Kong's.
  if (wanted == "zh" && (language == "zh_TW" || language == "zh_HK")) return false;
  return language.substr(0, 2) == wanted;
}

// The single-byte pages a user language writes in.
bool PrefersPage(std::string_view language, const std::string& page) {
  static const struct {
    const char* language;
    const char* pages;
  } kPreferred[] = {{"ru", "windows-1251 KOI8-R ISO-8859-5"}, {"uk", "windows-1251 KOI8-U"},
                    {"bg", "windows-1251"}, {"el", "windows-1253 ISO-8859-7"}, {"pl", "windows-1250 ISO-8859-2"},
                    {"cs", "windows-1250 ISO-8859-2"}, {"hu", "windows-1250 ISO-8859-2"},
                    {"tr", "windows-1254 ISO-8859-9"}, {"he", "windows-1255 ISO-8859-8"},
                    {"ar", "windows-1256 ISO-8859-6"}};
  for (const auto& p : kPreferred)
    if (LanguageIs(language, p.language) && (" " + std::string(p.pages) + " ").find(" " + page + " ") != std::string::npos)
      return true;
  return false;
}

int Confidence(const std::vector<TextConverter::Guess>& guesses, std::string_view name) {
  for (const TextConverter::Guess& g : guesses)
    if (g.Name == name) return g.Confidence;
  return 0;
}

}  // namespace

std::string LocaleLanguage() {
  for (const char* variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* value = std::getenv(variable);
    if (!value || !*value) continue;
    std::string v(value);
    if (v == "C" || v.rfind("C.", 0) == 0 || v == "POSIX") return {};
    return v.substr(0, std::min(v.find_first_of(".@"), size_t{5}));
  }
  return {};
}

std::optional<TextEncoding> GuessLegacyEncoding(std::string_view all, const TextConverter& converter,
                                                std::string_view language) {
  const std::string locale = language.empty() ? LocaleLanguage() : std::string(language);
  const std::vector<TextConverter::Guess> guesses = converter.Detect(all);

  // A page of two-byte characters that reads every sequence, mostly as its common characters.
  std::optional<TextEncoding> best;
  double bestScore = 0;
  for (const CjkPage& page : kCjkPages) {
    const CjkTally t = TallyCjk(page.kind, all);
    if (!t.valid || t.chars == 0 || t.common < 0.75 * t.chars) continue;
    const std::string name = page.kind == Cjk::Gbk && t.fourByte ? "GB18030" : page.name;
    const std::u16string text = converter.Decode(all, name);
    if (text.find(u'\uFFFD') != std::u16string::npos) continue;
    // Text made only of Hangul syllables is Korean: Chinese text keeps to their byte range
    // only by chance.
    const double score = 100.0 * t.common / t.chars + (LanguageIs(locale, page.language) ? 10 : 0) +
                         (page.kind == Cjk::Uhc && t.hangulOnly ? 5 : 0) + Confidence(guesses, page.detector) / 10.0;
    if (score > bestScore) {
      bestScore = score;
      best = FindTextEncoding(name);
    }
  }
  if (best) return best;

  // Otherwise the detector's guesses that read as one script, the most plausible first; the
  // user's language, then the detector's order break ties.
  int bestPlausibility = 0;
  for (const TextConverter::Guess& g : guesses) {
    if (NeverText(g.Name)) continue;
    const std::optional<TextEncoding> page = FindTextEncoding(g.Name);
    if (!page) continue;
    const std::optional<int> p = Plausibility(converter.Decode(all, page->Name));
    if (!p) continue;
    const int score = 2 * *p + (PrefersPage(locale, page->Name) ? 1 : 0);
    if (!best || score > bestPlausibility) {
      best = page;
      bestPlausibility = score;
    }
  }
  return best;
}

}  // namespace cv
