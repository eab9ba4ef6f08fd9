// cantovex-cli render SONG -o OUT.wav: the song through the synthesizer, faster than real time.
#include <chrono>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "cli/CliCommand.h"
#include "cli/CliPlayback.h"
#include "cli/CliSong.h"
#include "song/Language.h"

#ifdef HAVE_CANTOVEX_SYNTH
#include "platform/synth/OfflineRender.h"
#include "platform/synth/Synthesizer.h"
#endif

namespace cvcli {
namespace {

int Render(CliContext& ctx) {
  SongOptions songOptions = TakeSongOptions(ctx.args);
  SongChanges changes = TakeSongChanges(ctx.args);
  const auto out = TakeValue(ctx.args, "-o");
  const auto soundFont = TakeValue(ctx.args, "--soundfont");
  const std::string path = TakeSongPath(ctx.args);
  if (!out) throw CliUsageError{cv::Tr("-o DATEI.wav fehlt.", "-o FILE.wav is missing.")};
#ifdef HAVE_CANTOVEX_SYNTH
  CliSession opened(ctx);
  if (!OpenChangedSong(opened, path, songOptions, changes)) return 1;
  cv::Song& song = opened.Song();
  cv::SynthOptions options;
  options.Sink = cv::AudioSink::WavFile;
  options.WavPath = *out;
  if (soundFont) options.SoundFont = *soundFont;
  cv::TSynthesizer synth(options);
  for (const std::string& m : synth.Messages()) *ctx.err << m << "\n";
  if (!synth.isOK() || synth.Sink() != cv::AudioSink::WavFile) return 1;

  const bool bar = IsTerminal(2);
  const auto started = std::chrono::steady_clock::now();
  const int64_t ms = cv::RenderSongOffline(song, synth, [&](int64_t done, int64_t total) {
    if (!bar || total <= 0) return;
    const int width = 40;
    const int filled = static_cast<int>(done * width / total);
    *ctx.err << "\r[" << std::string(filled, '#') << std::string(width - filled, '.') << "] " << std::setw(3)
             << done * 100 / total << " %" << std::flush;
  });
  if (bar) *ctx.err << "\n";
  std::string message;
  if (!synth.Finish(&message)) {
    *ctx.err << message << "\n";
    return 1;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::ostringstream line;
  line << std::fixed << std::setprecision(1) << *out << ": " << ms / 1000.0 << " s "
       << cv::Tr("Audio in ", "of audio in ") << seconds << " s (" << (seconds > 0 ? ms / 1000.0 / seconds : 0.0) << "x "
       << cv::Tr("Echtzeit", "real time") << "), SoundFont " << synth.SoundFontPath();
  *ctx.out << line.str() << "\n";
  return 0;
#else
  (void)path;
  *ctx.err << cv::Tr("Dieses Programm wurde ohne Synthesizer gebaut.", "This program was built without the synthesizer.") << "\n";
  return 1;
#endif
}

CliRegistrar registrar({"render", std::string("render SONG -o OUT.wav [--soundfont FILE] ") + kSongChangesUsage,
                        "Render the song through the synthesizer into a WAV file / Spielt den Song in eine WAV-Datei",
                        Render});

}  // namespace
}  // namespace cvcli
