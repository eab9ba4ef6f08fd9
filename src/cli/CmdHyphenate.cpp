// cantovex-cli hyphenate --lang de|en|fr|it|es WORD...: the words as the Hyphenate command splits them.
#include <cstdlib>
#include <filesystem>
#include <ostream>

#include "cli/CliCommand.h"
#include "lyrics/CV_Hyphen.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

std::string ExecutableDir() {
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.parent_path().string();
}

int RunHyphenate(CliContext& ctx) {
  std::optional<cv::THyphenLanguage> language;
  std::string settingsDir;
  std::vector<std::string> words;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if ((a == "--lang" || a == "--exceptions-dir") && i + 1 < ctx.args.size()) {
      const std::string& value = ctx.args[++i];
      if (a == "--exceptions-dir") {
        settingsDir = value;
        continue;
      }
      language = cv::ParseHyphenLanguage(value);
      if (!language)
        throw CliUsageError{cv::Tr("Unbekannte Sprache: ", "Unknown language: ") + value + " (de, en, fr, it, es)"};
    } else if (a.rfind("--", 0) == 0) {
      throw CliUsageError{cv::Tr("Unbekannte Option: ", "Unknown option: ") + a};
    } else {
      words.push_back(a);
    }
  }
  if (!language) throw CliUsageError{cv::Tr("--lang fehlt.", "--lang is missing.")};
  if (words.empty()) throw CliUsageError{cv::Tr("Kein Wort angegeben.", "No word given.")};

  cv::THyphenator h = cv::LoadHyphenator(*language, cv::FindHyphenationDir(ExecutableDir()), settingsDir);
  if (ctx.json) *ctx.out << "[";
  for (size_t i = 0; i < words.size(); ++i) {
    std::string result = cv::Utf16ToUtf8(h.HyphenateWord(cv::Utf8ToUtf16(words[i])));
    if (ctx.json) {
      std::string escaped;
      for (char c : result) {
        if (c == '"' || c == '\\') escaped.push_back('\\');
        escaped.push_back(c);
      }
      *ctx.out << (i ? ", " : "") << "\"" << escaped << "\"";
    } else {
      *ctx.out << result << "\n";
    }
  }
  if (ctx.json) *ctx.out << "]\n";
  return 0;
}

const CliRegistrar kRegistrar({"hyphenate", "hyphenate --lang de|en|fr|it|es [--exceptions-dir DIR] WORD...",
                               "Hyphenate words / Trennt Wörter in Silben", RunHyphenate});

}  // namespace
}  // namespace cvcli
