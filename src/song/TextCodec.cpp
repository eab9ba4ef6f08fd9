#include "song/TextCodec.h"

#include <atomic>

namespace cv {

namespace {
// 0x80..0x9F of Windows-1252; 0 marks the five unassigned codes (kept as C1 controls).
constexpr char16_t kHigh[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
}  // namespace

int Windows1252Code(char16_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return ch;
  for (int i = 0; i < 32; ++i) {
    if (kHigh[i] == ch) return 0x80 + i;
    if (kHigh[i] == 0 && ch == 0x80 + i) return ch;  // unassigned codes round-trip
  }
  return -1;
}

std::u16string DecodeWindows1252(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  for (unsigned char b : bytes) {
    if (b >= 0x80 && b < 0xA0 && kHigh[b - 0x80] != 0)
      out.push_back(kHigh[b - 0x80]);
    else
      out.push_back(b);
  }
  return out;
}

std::string EncodeWindows1252(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char16_t ch : text) {
    int code = Windows1252Code(ch);
    out.push_back(static_cast<char>(code < 0 ? '?' : code));
  }
  return out;
}

namespace {
// Length of the valid UTF-8 sequence at bytes[i], or 0.
size_t Utf8SequenceAt(std::string_view s, size_t i, char32_t& cp) {
  unsigned char b = s[i];
  size_t len;
  char32_t min;
  if (b < 0x80) { cp = b; return 1; }
  if ((b & 0xE0) == 0xC0) { len = 2; cp = b & 0x1F; min = 0x80; }
  else if ((b & 0xF0) == 0xE0) { len = 3; cp = b & 0x0F; min = 0x800; }
  else if ((b & 0xF8) == 0xF0) { len = 4; cp = b & 0x07; min = 0x10000; }
  else return 0;
  if (i + len > s.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    unsigned char c = s[i + k];
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return len;
}
}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = Utf8SequenceAt(bytes, i, cp);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

bool HasMultiByteUtf8(std::string_view bytes) {
  for (unsigned char b : bytes)
    if (b >= 0x80) return true;
  return false;
}

std::u16string Utf8ToUtf16(std::string_view bytes) {
  std::u16string out;
  out.reserve(bytes.size());
  char32_t cp;
  for (size_t i = 0; i < bytes.size();) {
    size_t n = Utf8SequenceAt(bytes, i, cp);
    if (n == 0) { out.push_back(0xFFFD); ++i; continue; }
    i += n;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

const TextEncoding TextEncoding::Utf8{"UTF-8"};
const TextEncoding TextEncoding::Windows1252{"Windows-1252"};

namespace {
std::atomic<const TextConverter*> converter{nullptr};

std::string Folded(std::string_view name) {
  std::string out;
  for (char c : name)
    if (c != '-' && c != '_' && c != ' ') out.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
  return out;
}

bool IsCore(const TextEncoding& encoding) {
  return encoding == TextEncoding::Utf8 || encoding == TextEncoding::Windows1252;
}
}  // namespace

void SetTextConverter(const TextConverter* c) { converter = c; }
const TextConverter* InstalledTextConverter() { return converter; }

std::optional<TextEncoding> FindTextEncoding(std::string_view name) {
  const std::string f = Folded(name);
  if (f == "utf8") return TextEncoding::Utf8;
  if (f == "cp1252" || f == "windows1252" || f == "1252") return TextEncoding::Windows1252;
  if (const TextConverter* c = converter) {
    std::string canonical = c->CanonicalName(name);
    if (!canonical.empty()) {
      const std::string cf = Folded(canonical);
      if (cf == "utf8") return TextEncoding::Utf8;
      if (cf == "windows1252") return TextEncoding::Windows1252;
      return TextEncoding{canonical};
    }
  }
  return std::nullopt;
}

std::u16string DecodeText(std::string_view bytes, const TextEncoding& encoding) {
  if (encoding == TextEncoding::Utf8) return Utf8ToUtf16(bytes);
  const TextConverter* c = converter;
  if (IsCore(encoding) || !c) return DecodeWindows1252(bytes);
  return c->Decode(bytes, encoding.Name);
}

std::optional<std::string> TryEncodeText(std::u16string_view text, const TextEncoding& encoding) {
  if (encoding == TextEncoding::Utf8) return Utf16ToUtf8(text);
  const TextConverter* c = converter;
  if (IsCore(encoding) || !c) {
    for (char16_t ch : text)
      if (Windows1252Code(ch) < 0) return std::nullopt;
    return EncodeWindows1252(text);
  }
  return c->Encode(text, encoding.Name);
}

std::string EncodeText(std::u16string_view text, const TextEncoding& encoding) {
  if (std::optional<std::string> bytes = TryEncodeText(text, encoding)) return *bytes;
  // Character by character, so only what cannot be held turns into '?'.
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const size_t n = i + 1 < text.size() && text[i] >= 0xD800 && text[i] <= 0xDBFF ? 2 : 1;
    std::optional<std::string> one = TryEncodeText(text.substr(i, n), encoding);
    out += one ? *one : std::string("?");
    i += n - 1;
  }
  return out;
}

const std::string& EncodingName(const TextEncoding& encoding) { return encoding.Name; }

TLeadBytes LeadBytesOf(const TextEncoding& encoding) {
  static const char* const kFrom81[] = {"gbk", "gb18030", "gb2312", "big5", "big5hkscs", "windows936",
                                        "windows949", "cp949", "cp936", "cp950", "windows950", "johab"};
  static const char* const kShiftJis[] = {"shiftjis", "sjis", "windows31j", "cp932", "windows932"};
  const std::string f = Folded(encoding.Name);
  for (const char* name : kFrom81)
    if (f == name) return TLeadBytes::From81;
  for (const char* name : kShiftJis)
    if (f == name) return TLeadBytes::ShiftJis;
  return TLeadBytes::None;
}

bool FitsTextEvents(const TextEncoding& encoding) {
  // Letters, digits, blanks and the line marks must stay the bytes they are in ASCII.
  static constexpr std::u16string_view kProbe = u"AZaz09 -_/\r\n";
  const std::optional<std::string> bytes = TryEncodeText(kProbe, encoding);
  return bytes && *bytes == "AZaz09 -_/\r\n";
}

}  // namespace cv
