// cantovex-cli export --lrc SONG -o FILE.lrc: the syllables as timed lyrics for other players.
#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "song/Language.h"

namespace cvcli {
namespace {

void ExportedText(const Json& result, std::ostream& out) {
  out << cv::Tr("Geschrieben: ", "Written: ") << result["written"].get<std::string>() << " (LRC, "
      << result["syllables"] << cv::Tr(" Silben)", " syllables)") << "\n";
}

int RunExport(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args, false);
  const bool lrc = TakeFlag(ctx.args, "--lrc");
  std::string output = TakeValue(ctx.args, "-o").value_or("");
  if (output.empty()) output = TakeValue(ctx.args, "--output").value_or("");
  std::string path = TakeSongPath(ctx.args);
  if (!lrc) throw CliUsageError{cv::Tr("Das Ausgabeformat fehlt (--lrc).", "The output format is missing (--lrc).")};
  if (output.empty()) throw CliUsageError{cv::Tr("Keine Zieldatei angegeben (-o).", "No output file given (-o).")};
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  if (!song.session.ExportLrc(output) || song.ui.Failed()) return 1;
  ctx.output.Result({{"written", output}, {"syllables", song.Song().HyphenArrayElements}}, ExportedText);
  return 0;
}

CliRegistrar registrar({"export",
                        {"--lrc [OPTIONS] SONG -o FILE.lrc"},
                        "Write the syllables as timed lyrics (enhanced LRC, UTF-8) / Schreibt die Silben als "
                        "Liedtext mit Zeiten (LRC, UTF-8)",
                        Options({{{"--lrc", "", "Enhanced LRC: a stamp per line and per syllable / LRC mit "
                                                "Zeitmarke je Zeile und Silbe"},
                                  {"-o", "FILE", "The file to write / Die zu schreibende Datei", ValueKind::AnyFile}},
                                 ReadSongOptionList()}),
                        {ValueKind::Song},
                        RunExport});

}  // namespace
}  // namespace cvcli
