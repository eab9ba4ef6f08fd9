// cantovex-cli text SONG [--mtc]: the lyrics as the editors show them.
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "lyrics/EditText.h"
#include "lyrics/MtcText.h"
#include "song/Language.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

int RunText(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  bool mtc = false;
  std::vector<std::string> rest;
  for (const std::string& a : ctx.args) {
    if (a == "--mtc")
      mtc = true;
    else
      rest.push_back(a);
  }
  ctx.args = rest;
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  const std::u16string text = mtc ? cv::BuildMtcText(song.Song()).Text : cv::BuildEditText(song.Song()).Text;
  if (ctx.json)
    *ctx.out << "{\"text\": " << JsonString(text) << "}\n";
  else if (!text.empty())
    *ctx.out << cv::Utf16ToUtf8(text) << "\n";
  return 0;
}

CliRegistrar registrar({"text", std::string("text ") + kSongOptionsUsage + " SONG [--mtc]",
                        "Print the edit text, or with --mtc the position text / Gibt den Bearbeitungstext aus, "
                        "mit --mtc den Positionstext",
                        RunText});

}  // namespace
}  // namespace cvcli
