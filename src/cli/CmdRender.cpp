// cantovex-cli render SONG -o OUT.wav: the song through the synthesizer, faster than real time.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <iomanip>
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliPlayback.h"
#include "cli/CliSong.h"
#include "platform/Devices.h"
#include "playback/WavFile.h"
#include "song/Language.h"

namespace cvcli {
namespace {

namespace fs = std::filesystem;

int Render(CliContext& ctx) {
  SongOptions songOptions = TakeSongOptions(ctx.args, false);
  SongChanges changes = TakeSongChanges(ctx.args);
  const auto out = TakeValue(ctx.args, "-o");
  const auto soundFont = TakeValue(ctx.args, "--soundfont");
  const bool force = TakeFlag(ctx.args, "--force");
  const std::string path = TakeSongPath(ctx.args);
  if (!out) throw CliUsageError{cv::Tr("-o DATEI.wav fehlt.", "-o FILE.wav is missing.")};
  CliSession opened(ctx);
  if (!OpenChangedSong(opened, path, songOptions, changes)) return 1;
  cv::Song& song = opened.Song();
  // Refused before a byte is written: what a WAV file cannot hold, what the disk cannot take, and
  // without --force a render of more than an hour.
  std::error_code ec;
  const fs::path folder = fs::absolute(fs::u8path(*out), ec).parent_path();
  const fs::space_info space = fs::space(folder, ec);
  const cv::RenderPlan plan = cv::PlanWavRender(cv::RenderLengthMs(song), cv::kRenderSampleRate,
                                                ec ? UINT64_MAX : space.available, force, *out);
  if (plan.Verdict != cv::RenderVerdict::Go) throw CliFailure(plan.Message, *out);
  cv::SynthOptions options;
  options.Sink = cv::AudioSink::WavFile;
  options.WavPath = *out;
  if (soundFont) options.SoundFont = *soundFont;
  const std::unique_ptr<cv::SynthDevice> synth = cv::MakeSynthesizer(options);
  ReportSynthMessages(synth->Messages(), synth->isOK() && synth->Sink() == cv::AudioSink::WavFile, ctx.output,
                      *out);

  const bool bar = !ctx.output.IsJson() && IsTerminal(2);
  std::ostream& err = ctx.output.Err();
  const auto started = std::chrono::steady_clock::now();
  const int64_t ms = synth->RenderSong(song, [&](int64_t done, int64_t total) {
    if (!bar || total <= 0) return;
    const int width = 40;
    const int filled = static_cast<int>(done * width / total);
    err << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << std::setw(3)
             << done * 100 / total << " %" << std::flush;
  });
  if (bar) err << "\n";
  std::string message;
  if (!synth->Finish(&message)) throw CliFailure(message, *out);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  ctx.output.Result({{"written", *out},
                     {"audioSeconds", static_cast<double>(ms) / 1000.0},
                     {"renderSeconds", seconds},
                     {"soundFont", synth->SoundFontPath()}},
                    RenderedText);
  return 0;
}

CliRegistrar registrar({"render",
                        {"[OPTIONS] SONG -o OUT.wav"},
                        "Render the song through the synthesizer into a WAV file / Spielt den Song in eine WAV-Datei",
                        Options({{{"-o", "OUT.wav", "The WAV file to write / Die zu schreibende WAV-Datei",
                                   ValueKind::Wav},
                                  {"--soundfont", "FILE", "SoundFont of the synthesizer / SoundFont des Synthesizers",
                                   ValueKind::SoundFont},
                                  {"--force", "", "Render even more than an hour / Auch mehr als eine Stunde "
                                                  "aufnehmen"}},
                                 SongChangeList(), ReadSongOptionList()}),
                        {ValueKind::Song},
                        Render});

}  // namespace
}  // namespace cvcli
