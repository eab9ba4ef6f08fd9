// cantovex-cli text SONG [--mtc]: the lyrics as the editors show them.
#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "lyrics/EditText.h"
#include "lyrics/MtcText.h"
#include "song/TextCodec.h"

namespace cvcli {
namespace {

int RunText(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args, false);
  const bool mtc = TakeFlag(ctx.args, "--mtc");
  std::string path = TakeSongPath(ctx.args);
  CliSession song(ctx);
  if (!song.Open(path, options)) return 1;
  const std::u16string text = mtc ? cv::BuildMtcText(song.Song()).Text : cv::BuildEditText(song.Song()).Text;
  ctx.output.Result({{"file", path}, {"text", cv::Utf16ToUtf8(text)}}, PlainText);
  return 0;
}

CliRegistrar registrar({"text",
                        {"[OPTIONS] SONG"},
                        "Print the edit text, or with --mtc the position text / Gibt den Bearbeitungstext aus, "
                        "mit --mtc den Positionstext",
                        Options({{{"--mtc", "", "The position text (one syllable a line with its position) / Der "
                                                "Positionstext (eine Silbe je Zeile mit Position)"}},
                                 ReadSongOptionList()}),
                        {ValueKind::Song},
                        RunText});

}  // namespace
}  // namespace cvcli
