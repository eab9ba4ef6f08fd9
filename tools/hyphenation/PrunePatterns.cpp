// cantovex-hyphprune: derives a compact pattern set that fits the pattern file layout from a large
// one. Every word of a word list is hyphenated with the full set (the reference); then the
// patterns that decide the fewest reference breaks are dropped, round by round, until the set
// compiles into at most 8001 nodes and 255 ops.
//   cantovex-hyphprune --words /usr/share/dict/ngerman -o compact.pat SOURCE.tex
#include <algorithm>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string_view>
#include <unordered_map>

#include "PatternCompiler.h"
#include "song/TextCodec.h"

namespace {

struct TPat {
  std::string Text;     // UTF-8 as in the source
  std::string Letters;  // letter codes
  std::vector<uint8_t> Digits;
};

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  std::string wordsPath, out, source;
  int lhmin = 2, rhmin = 2;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--words" && i + 1 < argc) wordsPath = argv[++i];
    else if (a == "-o" && i + 1 < argc) out = argv[++i];
    else source = a;
  }
  if (wordsPath.empty() || out.empty() || source.empty()) {
    std::cerr << "usage: cantovex-hyphprune --words LIST -o OUT.pat SOURCE\n";
    return 2;
  }
  const auto map = cvtools::BuildCharMap(false);
  auto codeOf = [&](char16_t c) -> int {
    if (c == u'.') return 127;
    int b = cv::Windows1252Code(c);
    return b < 0 ? -1 : map[static_cast<size_t>(b)];
  };

  std::vector<TPat> pats;
  std::unordered_map<std::string, int> index;
  size_t maxLen = 0;
  for (const std::string& s : cvtools::ReadPatternText(ReadAll(source))) {
    TPat p{s, {}, {0}};
    bool ok = true;
    for (char16_t c : cv::Utf8ToUtf16(s)) {
      if (c >= u'0' && c <= u'9') {
        p.Digits.back() = static_cast<uint8_t>(c - u'0');
        continue;
      }
      int code = codeOf(c);
      if (code < 0 || (code == 127 && c != u'.')) ok = false;
      p.Letters.push_back(static_cast<char>(code));
      p.Digits.push_back(0);
    }
    if (!ok || index.count(p.Letters)) continue;
    index.emplace(p.Letters, static_cast<int>(pats.size()));
    maxLen = std::max(maxLen, p.Letters.size());
    pats.push_back(std::move(p));
  }

  // Words and the pattern occurrences in each.
  std::vector<std::string> words;
  {
    std::ifstream list(wordsPath);
    std::string line;
    while (std::getline(list, line)) {
      std::string w;
      bool ok = true;
      for (char16_t c : cv::Utf8ToUtf16(line)) {
        int code = c == u'.' ? -1 : codeOf(c);
        ok = ok && code >= 0 && code != 127;
        w.push_back(static_cast<char>(code));
      }
      if (ok && w.size() >= 3 && w.size() < 64) words.push_back(w);
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
  }
  std::vector<int> occPat;
  std::vector<uint8_t> occStart;
  std::vector<size_t> wordBegin{0};
  for (const std::string& w : words) {
    std::string dotted = "\x7F" + w + "\x7F";
    for (size_t s = 0; s < dotted.size(); ++s)
      for (size_t len = 1; len <= maxLen && s + len <= dotted.size(); ++len) {
        auto it = index.find(dotted.substr(s, len));
        if (it != index.end()) {
          occPat.push_back(it->second);
          occStart.push_back(static_cast<uint8_t>(s));
        }
      }
    wordBegin.push_back(occPat.size());
  }
  std::cerr << pats.size() << " patterns, " << words.size() << " words, " << occPat.size() << " occurrences\n";

  std::vector<bool> active(pats.size(), true);
  std::vector<std::vector<uint8_t>> reference(words.size());
  std::vector<long> score(pats.size());
  // Hyphenates every word with the active patterns; fills the scores when asked.
  // Every fourth word is held out: the scores come from the others, the held-out words show how
  // the compact set does on words it was not fitted to.
  auto heldOut = [](size_t w) { return w % 4 == 3; };
  double heldOutAgreement = 0;
  auto evaluate = [&](bool fillReference) {
    long same = 0, heldSame = 0, held = 0;
    std::fill(score.begin(), score.end(), 0);
    for (size_t w = 0; w < words.size(); ++w) {
      const int hn = static_cast<int>(words[w].size());
      uint8_t best[66] = {}, second[66] = {};
      int holder[66];
      std::fill(std::begin(holder), std::end(holder), -1);
      for (size_t o = wordBegin[w]; o < wordBegin[w + 1]; ++o) {
        int p = occPat[o];
        if (!active[static_cast<size_t>(p)]) continue;
        const auto& d = pats[static_cast<size_t>(p)].Digits;
        for (size_t i = 0; i < d.size(); ++i) {
          int at = occStart[o] + static_cast<int>(i) - 1;
          if (at < lhmin || at > hn - rhmin || d[i] == 0) continue;
          if (d[i] > best[at]) {
            second[at] = best[at];
            best[at] = d[i];
            holder[at] = p;
          } else if (d[i] == best[at]) {
            holder[at] = -1;  // shared: no single pattern decides it
            second[at] = d[i];
          } else if (d[i] > second[at]) {
            second[at] = d[i];
          }
        }
      }
      if (fillReference) {
        reference[w].assign(best + 0, best + hn + 1);
        for (auto& v : reference[w]) v &= 1;
      }
      bool equal = true;
      for (int at = lhmin; at <= hn - rhmin; ++at) {
        bool correct = (best[at] & 1) == reference[w][static_cast<size_t>(at)];
        equal = equal && correct;
        if (!heldOut(w) && holder[at] >= 0 && ((best[at] ^ second[at]) & 1)) score[static_cast<size_t>(holder[at])] += correct ? 1 : -1;
      }
      if (heldOut(w)) {
        ++held;
        if (equal) ++heldSame;
      }
      if (equal) ++same;
    }
    heldOutAgreement = 100.0 * static_cast<double>(heldSame) / static_cast<double>(std::max(1L, held));
    return 100.0 * static_cast<double>(same) / static_cast<double>(words.size());
  };
  evaluate(true);

  auto activeTexts = [&] {
    std::vector<std::string> t;
    for (size_t p = 0; p < pats.size(); ++p)
      if (active[p]) t.push_back(pats[p].Text);
    return t;
  };
  for (int round = 1;; ++round) {
    double agreement = evaluate(false);
    std::vector<std::string> texts = activeTexts();
    int nodes = -1, ops = -1;
    bool fits = true;
    try {
      auto r = cvtools::CompilePatterns(texts, {}, {});
      nodes = r.Nodes;
      ops = r.Ops;
    } catch (const std::exception&) {
      fits = false;
    }
    std::cerr << "round " << round << ": " << texts.size() << " patterns, " << agreement << " % of words (held out " << heldOutAgreement << " %), nodes "
              << nodes << ", ops " << ops << "\n";
    if (fits) {
      std::ofstream f(out, std::ios::binary);
      f << "% Derived by cantovex-hyphprune from " << source.substr(source.find_last_of('/') + 1) << " on "
        << wordsPath.substr(wordsPath.find_last_of('/') + 1) << ": " << texts.size() << " patterns, "
        << agreement << " % of the words hyphenated as by the full set (" << heldOutAgreement
        << " % of the held-out quarter).\n";
      for (const auto& t : texts) f << t << "\n";
      break;
    }
    // Drop the weakest patterns: a twentieth of them (at least 100), the least useful first.
    std::vector<size_t> order;
    for (size_t p = 0; p < pats.size(); ++p)
      if (active[p]) order.push_back(p);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
      if (score[a] != score[b]) return score[a] < score[b];
      return pats[a].Letters.size() > pats[b].Letters.size();
    });
    size_t drop = std::max<size_t>(100, order.size() / 20);
    for (size_t k = 0; k < drop && k < order.size(); ++k) active[order[k]] = false;
  }
  return 0;
}
