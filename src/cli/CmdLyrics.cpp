// cantovex-cli lyrics SONG: the syllable list as the open flow leaves it.
#include "cli/CliCommand.h"
#include "cli/CliSong.h"

namespace cvcli {
namespace {

int RunLyrics(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  std::string path = TakeSongPath(ctx.args);
  cv::Song song;
  OpenCliSong(song, path, options);
  PrintSyllables(song, ctx);
  return 0;
}

CliRegistrar registrar({"lyrics", std::string("lyrics ") + kSongOptionsUsage + " SONG",
                        "Show the syllables: position, tick, ms, text / Zeigt die Silben: Position, Tick, ms, Text",
                        RunLyrics});

}  // namespace
}  // namespace cvcli
