#include "PatternCompiler.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "song/TextCodec.h"

namespace cvtools {

namespace {

constexpr int kBoundary = 127;
constexpr int kMaxNode = 8000;
constexpr int kLeafLink = kMaxNode + 1;  // every child index from here lies beyond the trie
constexpr size_t kTrieOffset = 1184;

struct TPattern {
  std::vector<int> Letters;
  std::vector<int> Digits;  // Letters.size() + 1 values
};

struct TTrieNode {
  std::map<int, int> Children;  // letter code -> node index in the build list
  std::vector<std::pair<int, int>> Outputs;  // (distance, value)
  int Op = 0;
  int Slot = 0;
};

// Parses one pattern; false when a character has no letter code.
bool ParsePattern(const std::string& utf8, const std::array<uint8_t, 256>& map, TPattern& p) {
  std::u16string s = cv::Utf8ToUtf16(utf8);
  p.Letters.clear();
  p.Digits.assign(1, 0);
  for (char16_t c : s) {
    if (c >= u'0' && c <= u'9') {
      p.Digits.back() = c - u'0';
      continue;
    }
    int code;
    if (c == u'.') {
      code = kBoundary;
    } else {
      int b = cv::Windows1252Code(c);
      if (b < 0 || map[static_cast<size_t>(b)] == kBoundary) return false;
      code = map[static_cast<size_t>(b)];
    }
    p.Letters.push_back(code);
    p.Digits.push_back(0);
  }
  return !p.Letters.empty();
}

}  // namespace

std::array<uint8_t, 256> BuildCharMap(bool apostropheIsLetter) {
  std::array<uint8_t, 256> map;
  map.fill(kBoundary);
  for (int c = 'a'; c <= 'z'; ++c) {
    map[static_cast<size_t>(c)] = static_cast<uint8_t>(c);
    map[static_cast<size_t>(c - 32)] = static_cast<uint8_t>(c);
  }
  // Accented vowels: codes 1..31, upper case sharing the lower-case code.
  static constexpr uint8_t kVowels[] = {0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE8, 0xE9, 0xEA,
                                        0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6,
                                        0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFF, 0x9C};
  uint8_t code = 1;
  for (uint8_t v : kVowels) {
    map[v] = code;
    if (v >= 0xE0 && v != 0xFF) map[v - 0x20] = code;
    ++code;
  }
  map[0x9F] = map[0xFF];  // Ÿ
  map[0x8C] = map[0x9C];  // Œ
  // Other letters keep their lower-case byte as code (all above 127, none a vowel).
  static constexpr std::pair<uint8_t, uint8_t> kOthers[] = {
      {0xDF, 0xDF}, {0xE7, 0xC7}, {0xF1, 0xD1}, {0x9A, 0x8A}, {0x9E, 0x8E}, {0xF0, 0xD0}, {0xFE, 0xDE}};
  for (auto [lower, upper] : kOthers) {
    map[lower] = lower;
    map[upper] = lower;
  }
  if (apostropheIsLetter)
    for (uint8_t a : {0x27, 0x92, 0x91, 0xB4, 0x60, 0x82}) map[a] = 0x27;
  return map;
}

std::vector<std::string> ReadPatternText(const std::string& text, bool exceptions) {
  std::string body = text;
  const std::string command = exceptions ? "\\hyphenation{" : "\\patterns{";
  if (size_t at = text.find(command); at != std::string::npos) {
    size_t end = text.find('}', at);
    body = text.substr(at + command.size(), end == std::string::npos ? std::string::npos : end - at - command.size());
  } else if (text.find("\\patterns{") != std::string::npos || text.find("\\hyphenation{") != std::string::npos) {
    return {};
  }
  std::vector<std::string> out;
  size_t i = 0;
  while (i < body.size()) {
    char c = body[i];
    if (c == '%') {
      while (i < body.size() && body[i] != '\n') ++i;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      ++i;
    } else {
      size_t start = i;
      while (i < body.size() && body[i] != ' ' && body[i] != '\t' && body[i] != '\r' && body[i] != '\n' &&
             body[i] != '%')
        ++i;
      out.push_back(body.substr(start, i - start));
    }
  }
  return out;
}

TCompileResult CompilePatterns(const std::vector<std::string>& patterns,
                               const std::vector<std::string>& exceptions,
                               const TCompileOptions& options) {
  const std::array<uint8_t, 256> map = BuildCharMap(options.ApostropheIsLetter);
  TCompileResult result;

  // Merge patterns by their letters (the higher digit wins, as in TeX for exceptions below).
  std::map<std::vector<int>, std::vector<int>> merged;
  auto addPattern = [&](const TPattern& p) {
    auto [it, inserted] = merged.emplace(p.Letters, p.Digits);
    if (!inserted)
      for (size_t i = 0; i < p.Digits.size(); ++i) it->second[i] = std::max(it->second[i], p.Digits[i]);
  };
  TPattern p;
  for (const std::string& s : patterns) {
    if (ParsePattern(s, map, p))
      addPattern(p);
    else
      result.Skipped.push_back(s);
  }
  // An exception word ".as-so-ciate." becomes a whole-word pattern: 9 at its breaks, 8 between
  // all other letters, so no pattern can change it.
  for (const std::string& word : exceptions) {
    std::string plain;
    std::vector<bool> breaks;
    for (char c : word) {
      if (c == '-') {
        if (!breaks.empty()) breaks.back() = true;
      } else {
        plain.push_back(c);
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) breaks.push_back(false);
      }
    }
    if (!ParsePattern("." + plain + ".", map, p) || p.Letters.size() != breaks.size() + 2) {
      result.Skipped.push_back(word);
      continue;
    }
    for (size_t i = 1; i < breaks.size(); ++i) p.Digits[i + 1] = 8;
    for (size_t i = 0; i + 1 < breaks.size(); ++i)
      if (breaks[i]) p.Digits[i + 2] = 9;
    addPattern(p);
  }
  result.Patterns = static_cast<int>(merged.size());

  // Trie of the patterns; node 0 of the build list is the root.
  std::vector<TTrieNode> nodes(1);
  for (const auto& [letters, digits] : merged) {
    int n = 0;
    for (int c : letters) {
      auto it = nodes[static_cast<size_t>(n)].Children.find(c);
      if (it == nodes[static_cast<size_t>(n)].Children.end()) {
        nodes.emplace_back();
        int child = static_cast<int>(nodes.size()) - 1;
        nodes[static_cast<size_t>(n)].Children.emplace(c, child);
        n = child;
      } else {
        n = it->second;
      }
    }
    const int k = static_cast<int>(letters.size());
    for (int i = k; i >= 0; --i)
      if (digits[static_cast<size_t>(i)] > 0) nodes[static_cast<size_t>(n)].Outputs.emplace_back(k - i, digits[static_cast<size_t>(i)]);
  }

  // Ops: (distance, value, next) triples shared between chains.
  std::map<std::array<int, 3>, int> opIndex;
  std::vector<std::array<int, 3>> ops(1, {0, 0, 0});
  for (TTrieNode& node : nodes) {
    int next = 0;
    for (auto [distance, value] : node.Outputs) {
      std::array<int, 3> key{distance, value, next};
      auto it = opIndex.find(key);
      if (it == opIndex.end()) {
        if (ops.size() >= 256) throw std::runtime_error("more than 255 ops");
        ops.push_back(key);
        it = opIndex.emplace(key, static_cast<int>(ops.size()) - 1).first;
      }
      next = it->second;
    }
    node.Op = next;
  }
  result.Ops = static_cast<int>(ops.size()) - 1;

  // Packing: the root's children sit at their letter codes; every other family gets a base of
  // its own (first fit, big families first) so no lookup can land in a foreign family.
  std::vector<int> letterAt(kMaxNode + 1, -1);
  std::vector<bool> baseTaken(kMaxNode + 1, false);
  std::vector<int> link(nodes.size(), kLeafLink);
  baseTaken[0] = true;
  link[0] = 0;
  for (auto [c, child] : nodes[0].Children) {
    letterAt[static_cast<size_t>(c)] = c;
    nodes[static_cast<size_t>(child)].Slot = c;
  }
  std::vector<int> families;
  for (size_t n = 1; n < nodes.size(); ++n)
    if (!nodes[n].Children.empty()) families.push_back(static_cast<int>(n));
  std::stable_sort(families.begin(), families.end(), [&](int a, int b) {
    return nodes[static_cast<size_t>(a)].Children.size() > nodes[static_cast<size_t>(b)].Children.size();
  });
  int firstFree = 1;
  for (int f : families) {
    const auto& children = nodes[static_cast<size_t>(f)].Children;
    const int low = children.begin()->first;
    const int high = children.rbegin()->first;
    while (firstFree <= kMaxNode && letterAt[static_cast<size_t>(firstFree)] >= 0) ++firstFree;
    int base = std::max(1, firstFree - low);
    for (;; ++base) {
      if (base + high > kMaxNode)
        throw std::runtime_error("the trie needs more than " + std::to_string(kMaxNode + 1) + " nodes");
      if (baseTaken[static_cast<size_t>(base)]) continue;
      bool fits = true;
      for (const auto& entry : children)
        if (letterAt[static_cast<size_t>(base + entry.first)] >= 0) {
          fits = false;
          break;
        }
      if (fits) break;
    }
    baseTaken[static_cast<size_t>(base)] = true;
    link[static_cast<size_t>(f)] = base;
    for (auto [c, child] : children) {
      letterAt[static_cast<size_t>(base + c)] = c;
      nodes[static_cast<size_t>(child)].Slot = base + c;
    }
  }

  int highest = 0;
  for (size_t n = 1; n < nodes.size(); ++n) highest = std::max(highest, nodes[n].Slot);
  result.Nodes = highest + 1;

  std::string& out = result.Bytes;
  out.assign(kTrieOffset + 4 * static_cast<size_t>(result.Nodes), '\0');
  std::string title = options.Title.substr(0, 63);
  std::copy(title.begin(), title.end(), out.begin());
  for (int b = 0; b < 256; ++b) {
    out[64 + static_cast<size_t>(b)] = static_cast<char>(map[static_cast<size_t>(b)]);
    if (map[static_cast<size_t>(b)] != kBoundary) out[320 + static_cast<size_t>(b / 8)] |= static_cast<char>(1 << (b % 8));
  }
  for (size_t v = 1; v < ops.size(); ++v) {
    out[416 + v] = static_cast<char>(ops[v][0]);
    out[672 + v] = static_cast<char>(ops[v][1]);
    out[928 + v] = static_cast<char>(ops[v][2]);
  }
  for (size_t n = 1; n < nodes.size(); ++n) {
    size_t at = kTrieOffset + 4 * static_cast<size_t>(nodes[n].Slot);
    int l = link[n];
    out[at] = static_cast<char>(l & 0xFF);
    out[at + 1] = static_cast<char>(l >> 8);
    out[at + 2] = static_cast<char>(nodes[n].Op);
    out[at + 3] = static_cast<char>(letterAt[static_cast<size_t>(nodes[n].Slot)]);
  }
  return result;
}

}  // namespace cvtools
