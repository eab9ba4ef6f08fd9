// cantovex-cli info SONG: what the reader found in a song.
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"

namespace cvcli {
namespace {

int RunInfo(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args, false);
  options.melody = TakeMelodyOption(ctx.args);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  ctx.output.Result(SongInfo(song.Song(), path), SongInfoText);
  return 0;
}

CliRegistrar registrar({"info",
                        {"[OPTIONS] SONG"},
                        "Show what a song holds: tracks, tempo, signatures, lyrics / Zeigt, was ein Lied enthält",
                        Options({ReadSongOptionList(), {MelodyOption()}}),
                        {ValueKind::Song},
                        RunInfo});

}  // namespace
}  // namespace cvcli
