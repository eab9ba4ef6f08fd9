// Offline rendering speed of the synthesizer as a multiple of real time, default SoundFont.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "BenchSongs.h"
#include "platform/synth/OfflineRender.h"
#include "platform/synth/Synthesizer.h"
#include "session/OpenSong.h"

using namespace cv;

int main() {
  const std::string wav = (std::filesystem::temp_directory_path() / "cantovex-bench-render.wav").string();
  for (const char* file : {"kar/twinkle.kar", "kar/HeyJude.kar", "kar/jingle_bells.kar"}) {
    const std::string path = BenchSongPath(file);
    if (path.empty()) {
      std::printf("%s: %s\n", file, kBenchSongMissing);
      continue;
    }
    Song song;
    try {
      DateiOeffnen(song, path);
    } catch (const std::exception& e) {
      std::printf("%s: %s\n", file, e.what());
      continue;
    }
    for (AudioSink sink : {AudioSink::Null, AudioSink::WavFile}) {
      SynthOptions options;
      options.Sink = sink;
      options.WavPath = wav;
      TSynthesizer synth(options);
      if (!synth.isOK()) {
        std::printf("no SoundFont: %s\n", synth.Messages().empty() ? "" : synth.Messages()[0].c_str());
        return 1;
      }
      const auto t0 = std::chrono::steady_clock::now();
      const std::clock_t c0 = std::clock();
      const int64_t ms = RenderSongOffline(song, synth);
      synth.Finish(nullptr);
      const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
      const double cpu = static_cast<double>(std::clock() - c0) / CLOCKS_PER_SEC;
      // Wall time depends on what else the machine runs; CPU time is the rendering's own cost.
      std::printf("%-22s %-8s %6.1f s of audio in %6.2f s (CPU %6.2f s): %6.1fx real time (%6.1fx per CPU second)\n",
                  file, sink == AudioSink::Null ? "render" : "to WAV", ms / 1000.0, s, cpu, ms / 1000.0 / s,
                  ms / 1000.0 / cpu);
    }
  }
  std::remove(wav.c_str());
  return 0;
}
