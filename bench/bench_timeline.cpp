// bench_timeline: median time to draw one frame of the timeline (offscreen, 1600 x 300 pixels)
// on the two-million-event song at zoom levels from the whole song down to a few ticks per pixel,
// with and without the other channels; and what the timeline adds to opening a typical song.
// Targets: a frame at most 8 ms at any zoom; at most 20 ms added to opening.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchUi.h"
#include "GenerateSong.h"
#include "app/TimelineView.h"
#include "session/SongSession.h"
#include "session/Timeline.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string Write(const fs::path& dir, const char* name, const std::vector<uint8_t>& bytes) {
  const fs::path path = dir / name;
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

double Ms(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

// CPU time of this thread, ms: on a shared machine the wall clock also counts the other programs.
double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const fs::path dir = fs::temp_directory_path() / "cantovex-bench-timeline";
  fs::remove_all(dir);
  fs::create_directories(dir);

  // Opening a typical song: the model's build is what the timeline adds.
  {
    QuietUi ui;
    cv::SongSession session(ui);
    const std::string typical = Write(dir, "typical.mid", cvbench::GenerateSong(cvbench::TypicalSong()));
    std::vector<double> open, build;
    for (int k = 0; k < 15; ++k) {
      auto t0 = Clock::now();
      session.Open(typical);
      open.push_back(Ms(t0));
      cv::TimelineModel model;
      const double c0 = CpuMs();
      model.Build(session.CurrentSong());
      build.push_back(CpuMs() - c0);
    }
    std::printf("typical song: open %.2f ms, timeline model adds %.2f ms CPU (median of 15)\n", Median(open), Median(build));
  }

  QuietUi ui;
  cv::SongSession session(ui);
  const std::string large = Write(dir, "large.mid", cvbench::GenerateSong(cvbench::LargeSong()));
  auto t0 = Clock::now();
  if (!session.Open(large)) {
    std::fprintf(stderr, "the large song does not open\n");
    return 1;
  }
  std::printf("large song: open %.1f ms", Ms(t0));
  QScrollBar scroll(Qt::Horizontal);
  cvapp::TTimelineView view(session, &scroll);
  view.resize(1600, 300);
  t0 = Clock::now();
  view.Refresh();
  std::printf(", timeline model %.1f ms; %zu melody notes, %zu other notes, %zu blocks\n", Ms(t0),
              view.Model().Melody().Notes().size(), view.Model().Others().Notes().size(), view.Model().Blocks().size());

  QImage frame(view.size(), QImage::Format_ARGB32_Premultiplied);
  const int32_t end = view.Model().EndTick();
  const double whole = static_cast<double>(end) / 1592;
  double worst = 0;
  for (bool others : {false, true}) {
    view.SetShowOthers(others);
    for (double tpp : {whole, whole / 8, 200.0, 40.0, 8.0, 1.0, 0.1}) {
      view.SetTicksPerPixel(tpp, 0);
      std::vector<double> times, cpu;
      for (int k = 0; k < 40; ++k) {
        // A different stretch each frame, as when scrolling or following playback.
        view.ScrollTo(static_cast<int32_t>((static_cast<int64_t>(end) * (k % 20)) / 20));
        QPainter painter(&frame);
        const auto s = Clock::now();
        const double c0 = CpuMs();
        view.render(&painter);
        cpu.push_back(CpuMs() - c0);
        times.push_back(Ms(s));
      }
      const double m = Median(times), mc = Median(cpu);
      worst = std::max(worst, mc);
      std::printf("%s %10.2f ticks/pixel: median frame %.2f ms CPU (%.2f ms wall), slowest %.2f ms wall\n",
                  others ? "with other channels   " : "melody and syllables  ", tpp, mc, m,
                  *std::max_element(times.begin(), times.end()));
    }
  }
  std::printf("worst median frame: %.2f ms CPU (target 8 ms)\n", worst);
  fs::remove_all(dir);
  return worst <= 8.0 ? 0 : 2;
}
