// cantovex-cli lyrics SONG: the syllable list as the open flow leaves it.
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "cli/EditOptions.h"

namespace cvcli {
namespace {

int RunLyrics(CliContext& ctx) {
  EditOptions edits = TakeEditOptions(ctx.args);
  SongOptions options = TakeSongOptions(ctx.args, false);
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options) || !ApplyEditOptions(song, edits, ctx.output)) return 1;
  WriteSyllables(ctx.output, song.Song(), path);
  return 0;
}

CliRegistrar registrar({"lyrics",
                        {"[OPTIONS] SONG"},
                        "Show the syllables: position, tick, ms, text / Zeigt die Silben: Position, Tick, ms, Text",
                        Options({ReadSongOptionList(), EditOptionList()}),
                        {ValueKind::Song},
                        RunLyrics});

}  // namespace
}  // namespace cvcli
