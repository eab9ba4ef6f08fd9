#include "lyrics/UnicodeText.h"

#include <algorithm>
#include <cstdint>

namespace cv {
namespace {

struct CodeRange {
  uint32_t first;
  uint32_t last;
};
struct CodePair {
  uint32_t from;
  uint32_t to;
};

#include "lyrics/UnicodeTables.inc"

}  // namespace

bool IsWordCharacter(char32_t c) {
  const auto* end = std::end(kWordRanges);
  const auto* it = std::upper_bound(std::begin(kWordRanges), end, static_cast<uint32_t>(c),
                                    [](uint32_t v, const CodeRange& r) { return v < r.first; });
  if (it == std::begin(kWordRanges)) return false;
  --it;
  return c >= it->first && c <= it->last;
}

char32_t ToUpperSimple(char32_t c) {
  const auto* end = std::end(kUpperPairs);
  const auto* it = std::lower_bound(std::begin(kUpperPairs), end, static_cast<uint32_t>(c),
                                    [](const CodePair& p, uint32_t v) { return p.from < v; });
  return it != end && it->from == c ? static_cast<char32_t>(it->to) : c;
}

char32_t CodePointAt(std::u16string_view text, size_t i, size_t* units) {
  char16_t c = text[i];
  if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
    char16_t d = text[i + 1];
    if (d >= 0xDC00 && d <= 0xDFFF) {
      *units = 2;
      return 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (d - 0xDC00);
    }
  }
  *units = 1;
  return c;
}

void AppendCodePoint(std::u16string& out, char32_t c) {
  if (c >= 0x10000) {
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
  } else {
    out.push_back(static_cast<char16_t>(c));
  }
}

std::u16string ToUpperText(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    size_t n = 1;
    AppendCodePoint(out, ToUpperSimple(CodePointAt(text, i, &n)));
    i += n;
  }
  return out;
}

}  // namespace cv
