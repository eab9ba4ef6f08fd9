// cantovex-cli lyrics SONG: the syllable list as the open flow leaves it.
#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "cli/EditOptions.h"

namespace cvcli {
namespace {

int RunLyrics(CliContext& ctx) {
  EditOptions edits = TakeEditOptions(ctx.args);
  SongOptions options = TakeSongOptions(ctx.args);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options) || !ApplyEditOptions(song, edits, *ctx.err)) return 1;
  PrintSyllables(song.Song(), ctx);
  return 0;
}

CliRegistrar registrar({"lyrics", std::string("lyrics ") + kSongOptionsUsage + " " + kEditOptionsUsage + " SONG",
                        "Show the syllables: position, tick, ms, text / Zeigt die Silben: Position, Tick, ms, Text",
                        RunLyrics});

}  // namespace
}  // namespace cvcli
