// cantovex-hyphcheck: how many words of a word list our pattern file hyphenates like libhyphen
// with a reference dictionary (the full public pattern set).
//   cantovex-hyphcheck --hyp Lang_ger.hyp --dic reference.dic --words /usr/share/dict/ngerman
//                      [--lhmin 2] [--rhmin 2] [--show 10]
// Breaks are compared at the positions lhmin .. hn - rhmin, before the program's fixed rules.
#include <hyphen.h>

#include <cstring>
#include <fstream>
#include <iostream>

#include "lyrics/CV_Hyphen.h"
#include "song/TextCodec.h"

namespace {

char16_t Lower(char16_t c) {
  if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  std::string hyp, dic, words;
  int lhmin = 2, rhmin = 2, show = 0;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string a = argv[i];
    if (a == "--hyp") hyp = argv[i + 1];
    else if (a == "--dic") dic = argv[i + 1];
    else if (a == "--words") words = argv[i + 1];
    else if (a == "--lhmin") lhmin = std::atoi(argv[i + 1]);
    else if (a == "--rhmin") rhmin = std::atoi(argv[i + 1]);
    else if (a == "--show") show = std::atoi(argv[i + 1]);
  }
  if (hyp.empty() || dic.empty() || words.empty()) {
    std::cerr << "usage: cantovex-hyphcheck --hyp FILE --dic FILE --words FILE [--lhmin N] [--rhmin N] [--show N]\n";
    return 2;
  }
  try {
    cv::THyphenPatterns patterns = cv::THyphenPatterns::LoadFile(hyp);
    HyphenDict* reference = hnj_hyphen_load(dic.c_str());
    if (!reference) throw std::runtime_error("cannot load " + dic);
    std::ifstream dicFile(dic);
    std::string encoding;
    std::getline(dicFile, encoding);
    const bool latin1 = encoding.rfind("ISO8859-1", 0) == 0;
    std::ifstream list(words);
    if (!list) throw std::runtime_error("cannot open " + words);
    std::string line;
    // libhyphen adds its own rule at apostrophes (no break before "t'" in "sant'anna"); the
    // patterns themselves are compared on the words without one, reported apart.
    long compared = 0, same = 0, apostropheWords = 0, apostropheSame = 0;
    while (std::getline(list, line)) {
      std::u16string w = cv::Utf8ToUtf16(line);
      if (w.size() < 3 || w.size() >= cv::THyphenPatterns::kMaxWordLength) continue;
      std::string ansi;
      bool letters = true;
      for (char16_t& c : w) {
        c = Lower(c);
        int b = cv::Windows1252Code(c);
        letters = letters && b >= 0 && patterns.LetterCode(static_cast<uint8_t>(b)) != 127;
        ansi.push_back(static_cast<char>(b));
      }
      if (!letters) continue;
      const int hn = static_cast<int>(w.size());
      std::vector<uint8_t> ours = patterns.BreakValues(ansi, false);
      std::string bytes = latin1 ? ansi : cv::Utf16ToUtf8(w);
      std::vector<char> hyphens(bytes.size() + 5, '0');
      char** rep = nullptr;
      int* pos = nullptr;
      int* cut = nullptr;
      hnj_hyphen_hyphenate2(reference, bytes.c_str(), static_cast<int>(bytes.size()), hyphens.data(), nullptr,
                            &rep, &pos, &cut);
      if (rep) {
        for (size_t i = 0; i < bytes.size(); ++i) std::free(rep[i]);
        std::free(rep);
        std::free(pos);
        std::free(cut);
      }
      bool equal = true;
      std::string a, b;
      for (int j = 1; j <= hn; ++j) {
        bool inRange = j >= lhmin && j <= hn - rhmin;
        bool ourBreak = inRange && (ours[static_cast<size_t>(j)] & 1);
        bool refBreak = inRange && (hyphens[static_cast<size_t>(j - 1)] & 1);
        equal = equal && ourBreak == refBreak;
        std::string ch = cv::Utf16ToUtf8(w.substr(static_cast<size_t>(j - 1), 1));
        a += ch + (ourBreak ? "-" : "");
        b += ch + (refBreak ? "-" : "");
      }
      if (line.find('\'') != std::string::npos || line.find("\xE2\x80\x99") != std::string::npos) {
        ++apostropheWords;
        if (equal) ++apostropheSame;
        continue;
      }
      ++compared;
      if (equal) ++same;
      else if (show > 0) {
        std::cout << "  ours " << a << "   reference " << b << "\n";
        --show;
      }
    }
    hnj_hyphen_free(reference);
    std::cout << hyp << ": " << same << " of " << compared << " words the same ("
              << (compared ? 100.0 * static_cast<double>(same) / static_cast<double>(compared) : 0.0) << " %)";
    if (apostropheWords)
      std::cout << "; with an apostrophe " << apostropheSame << " of " << apostropheWords;
    std::cout << "\n";
  } catch (const std::exception& e) {
    std::cerr << "cantovex-hyphcheck: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
