// cantovex-cli edit SONG -o OUT: the song operations in the order given, then one of the writers.
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "cli/EditOptions.h"
#include "song/Language.h"

namespace cvcli {
namespace {

int RunEdit(CliContext& ctx) {
  std::string output;
  int format = -1;
  const BackupWish backup = TakeBackupWish(ctx.args);
  std::vector<std::string> args;
  for (size_t i = 0; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if (a == "-o" || a == "--output") {
      if (i + 1 >= ctx.args.size()) throw CliUsageError{a + ": " + cv::Tr("Zieldatei fehlt", "output file missing")};
      output = ctx.args[++i];
    } else if (a == "--format" || a.rfind("--format=", 0) == 0) {
      std::string v = a == "--format" ? (i + 1 < ctx.args.size() ? ctx.args[++i] : "") : a.substr(9);
      if (v != "0" && v != "1") throw CliUsageError{"--format: 0 | 1"};
      format = v[0] - '0';
    } else {
      args.push_back(a);
    }
  }
  EditOptions edits = TakeEditOptions(args);
  SongOptions songOptions = TakeSongOptions(args);
  songOptions.melody = TakeMelodyOption(args);
  std::string path = TakeSongPath(args);
  if (output.empty()) throw CliUsageError{cv::Tr("Keine Zieldatei angegeben (-o).", "No output file given (-o).")};

  CliSession song(ctx);
  backup.ApplyTo(song.Song().Configuration);
  if (!song.Open(path, songOptions) || !ApplyEditOptions(song, edits, ctx.output)) return 1;
  if (format < 0) format = song.session.NaturalFormat();
  if (!song.session.WriteTo(output, format)) return 1;
  ctx.output.Result(Written(song.Song(), output, format), WrittenText);
  return 0;
}

CliRegistrar registrar({"edit",
                        {"[OPTIONS] SONG -o OUT"},
                        "Apply song operations in the order given and write the song / Wendet Operationen der Reihe "
                        "nach an und schreibt das Lied",
                        Options({{{"-o", "OUT", "The file to write / Die zu schreibende Datei", ValueKind::Song},
                                  {"--format", "0|1", "Format of the written file (default: the song's, 2 as 1) / "
                                                      "Format der Datei (Vorgabe: das des Songs, 2 als 1)",
                                   ValueKind::Choice}},
                                  BackupOptions(), {MelodyOption()},
                                 EditOptionList(), SongOptionList()}),
                        {ValueKind::Song},
                        RunEdit});

}  // namespace
}  // namespace cvcli
