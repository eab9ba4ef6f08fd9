// cantovex-cli hyphenate --lang de|en|fr|it|es WORD...: the words as the Hyphenate command splits them.
#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "lyrics/CV_Hyphen.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

int RunHyphenate(CliContext& ctx) {
  std::optional<cv::THyphenLanguage> language;
  std::string settingsDir;
  std::vector<std::string> words;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if ((a == "--lang" || a == "--exceptions-dir") && i + 1 < ctx.args.size()) {
      const std::string& value = ctx.args[++i];
      if (a == "--exceptions-dir") {
        settingsDir = ExistingFolder(a, value);
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
  Json hyphenated = Json::array();
  for (const std::string& word : words) hyphenated.push_back(cv::Utf16ToUtf8(h.HyphenateWord(cv::Utf8ToUtf16(word))));
  ctx.output.Result({{"words", hyphenated}}, WordsText);
  return 0;
}

const CliRegistrar kRegistrar(
    {"hyphenate",
     {"--lang de|en|fr|it|es [--exceptions-dir DIR] WORD..."},
     "Hyphenate words / Trennt Wörter in Silben",
     {{"--lang", "de|en|fr|it|es", "Language of the words / Sprache der Wörter", ValueKind::Choice},
      {"--exceptions-dir", "DIR", "Folder of the user's hyphenation exception lists / Ordner der eigenen "
                                  "Trennausnahmen",
       ValueKind::Folder}},
     {ValueKind::Text},
     RunHyphenate});

}  // namespace
}  // namespace cvcli
