// cantovex-cli prompter SONG: what the hardware prompter would hold after receiving the song.
#include <cstdio>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "output/PromptaDecoder.h"
#include "song/Language.h"
#include "song/TextCodec.h"
#include "song/TimeMap.h"

namespace cvcli {
namespace {

constexpr size_t kColumns = 80;

Json Prompter(cv::Song& song, const std::string& path) {
  const cv::TSongPrompter p = cv::DecodeSongPrompter(song);
  const cv::TPromptaDisplay& d = p.Display;
  const bool own = p.FromSong;
  Json settings = {{"source", own ? "song" : "syllables"},
                   {"Controller", own ? song.PromptaController : song.Configuration.PromptaCmdController},
                   {"Channel", (own ? song.PromptaControllerChannel : song.Configuration.PromptaMidiChannel) + 1},
                   {"Signature", d.Signature},
                   {"Font", d.Font},
                   {"FontHeight", d.FontHeight},
                   {"InversVideo", d.InversVideo},
                   {"Complete", d.Complete}};
  Json lines = Json::array();
  for (const std::u16string& l : d.Lines) lines.push_back(cv::Utf16ToUtf8(l));
  Json cues = Json::array();
  for (const cv::TPromptaCue& c : d.Cues)
    cues.push_back({{"SongPosition", c.SongPosition},
                    {"Time", c.Time},
                    {"MTC", cv::Utf16ToUtf8(cv::SongPositionToMTC(song, c.SongPosition))},
                    {"line", c.Line},
                    {"column", c.Column}});
  Json problems = Json::array();
  for (const cv::TPromptaProblem& q : d.Problems)
    problems.push_back({{"SongPosition", q.SongPosition},
                        {"Time", q.Time},
                        {"MTC", cv::Utf16ToUtf8(cv::SongPositionToMTC(song, q.SongPosition))},
                        {"message", q.Message}});
  return {{"file", path}, {"settings", settings}, {"lines", lines}, {"cues", cues}, {"problems", problems}};
}

// A line longer than the display is shown wrapped, its continuation marked with "+".
void PrintLine(std::ostream& out, int index, const std::string& utf8) {
  const std::u16string text = cv::Utf8ToUtf16(utf8);
  char head[16];
  std::snprintf(head, sizeof head, "%5d  ", index);
  out << head << cv::Utf16ToUtf8(text.substr(0, kColumns)) << "\n";
  for (size_t from = kColumns; from < text.size(); from += kColumns)
    out << "    +  " << cv::Utf16ToUtf8(text.substr(from, kColumns)) << "\n";
}

void PrompterText(const Json& r, std::ostream& out) {
  const Json& s = r["settings"];
  out << (s["source"] == "song" ? cv::Tr("Prompta-Daten des Liedes", "The song's prompter data")
                                : cv::Tr("Prompta-Daten aus den Silben", "Prompter data built from the syllables"))
      << cv::Tr(" (Controller ", " (controller ") << s["Controller"] << cv::Tr(", Kanal ", ", channel ") << s["Channel"]
      << ")\n"
      << cv::Tr("Schrift ", "Font ") << s["Font"] << cv::Tr(", Höhe ", ", height ") << s["FontHeight"]
      << cv::Tr(", invers ", ", inverse ") << (s["InversVideo"].get<bool>() ? cv::Tr("ja", "on") : cv::Tr("nein", "off"))
      << (s["Complete"].get<bool>() ? "" : cv::Tr(", unvollständig", ", incomplete")) << "\n\n";
  out << cv::Tr("Zeilen:\n", "Lines:\n");
  int i = 0;
  for (const Json& l : r["lines"]) PrintLine(out, i++, l.get<std::string>());
  out << cv::Tr("\nMarken:\n", "\nCues:\n") << cv::Tr("    #  Position          Tick        ms  Zeile Spalte\n",
                                                       "    #  Position          Tick        ms  line column\n");
  i = 0;
  char buf[96];
  for (const Json& c : r["cues"]) {
    std::snprintf(buf, sizeof buf, "%5d  %-12s %9d %9d  %5d %5d\n", i++, c["MTC"].get<std::string>().c_str(),
                  c["SongPosition"].get<int>(), c["Time"].get<int>(), c["line"].get<int>(), c["column"].get<int>());
    out << buf;
  }
  if (!r["problems"].empty()) {
    out << cv::Tr("\nNicht verstanden:\n", "\nNot understood:\n");
    for (const Json& q : r["problems"])
      out << "  " << q["MTC"].get<std::string>() << "  " << q["SongPosition"] << "  " << q["message"].get<std::string>()
          << "\n";
  }
}

int RunPrompter(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args, false);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  ctx.output.Result(Prompter(song.Song(), path), PrompterText);
  return 0;
}

CliRegistrar registrar({"prompter",
                        {"[OPTIONS] SONG"},
                        "Show what the prompter would hold: settings, lines, cues / Zeigt, was der Prompta anzeigen würde",
                        ReadSongOptionList(),
                        {ValueKind::Song},
                        RunPrompter});

}  // namespace
}  // namespace cvcli
