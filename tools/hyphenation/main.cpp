// cantovex-hyphc: compiles pattern lists into a pattern file.
//   cantovex-hyphc [--apostrophe] [--title TEXT] [--exceptions FILE] -o OUT.hyp PATTERNS...
#include <fstream>
#include <iostream>
#include <sstream>

#include "PatternCompiler.h"

namespace {

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace

int main(int argc, char** argv) {
  cvtools::TCompileOptions options;
  std::string out;
  std::vector<std::string> patterns, exceptions;
  try {
    for (int i = 1; i < argc; ++i) {
      std::string a = argv[i];
      if (a == "--apostrophe") {
        options.ApostropheIsLetter = true;
      } else if (a == "--title" && i + 1 < argc) {
        options.Title = argv[++i];
      } else if (a == "--exceptions" && i + 1 < argc) {
        auto e = cvtools::ReadPatternText(ReadAll(argv[++i]), true);
        exceptions.insert(exceptions.end(), e.begin(), e.end());
      } else if (a == "-o" && i + 1 < argc) {
        out = argv[++i];
      } else {
        std::string text = ReadAll(a);
        auto p = cvtools::ReadPatternText(text);
        patterns.insert(patterns.end(), p.begin(), p.end());
        if (text.find("\\hyphenation{") != std::string::npos) {
          auto e = cvtools::ReadPatternText(text, true);
          exceptions.insert(exceptions.end(), e.begin(), e.end());
        }
      }
    }
    if (out.empty() || patterns.empty()) {
      std::cerr << "usage: cantovex-hyphc [--apostrophe] [--title TEXT] [--exceptions FILE] -o OUT PATTERNS...\n";
      return 2;
    }
    cvtools::TCompileResult r = cvtools::CompilePatterns(patterns, exceptions, options);
    std::ofstream f(out, std::ios::binary);
    f.write(r.Bytes.data(), static_cast<std::streamsize>(r.Bytes.size()));
    if (!f) throw std::runtime_error("cannot write " + out);
    std::cout << out << ": " << r.Patterns << " patterns, " << r.Nodes << " nodes, " << r.Ops << " ops";
    if (!r.Skipped.empty()) std::cout << ", " << r.Skipped.size() << " skipped (first: " << r.Skipped[0] << ")";
    std::cout << "\n";
  } catch (const std::exception& e) {
    std::cerr << "cantovex-hyphc: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
