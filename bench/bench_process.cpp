// bench_process: the program as the user runs it, one process per step, on the large song: open it
// (`cantovex-cli info`), convert it to format 0, and save it over itself with its backup NAME~
// (`convert` onto the same name), against the bare decoding pass over the same bytes in the same
// run.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BarePass.h"
#include "GenerateSong.h"

namespace fs = std::filesystem;

namespace {

struct Run {
  double wallMs, cpuMs;
};

// One process, its output thrown away; wall clock and its own CPU time (user + system).
Run RunProcess(const std::vector<std::string>& args) {
  std::fflush(stdout);
  const auto t0 = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    std::freopen("/dev/null", "w", stdout);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "%s failed\n", args[1].c_str());
    std::exit(1);
  }
  auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_usec) / 1e3; };
  return {wall, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

void Measure(const char* what, int runs, double bare, double target, const std::vector<std::string>& args) {
  std::vector<double> wall, cpu;
  for (int r = 0; r < runs; ++r) {
    const Run run = RunProcess(args);
    wall.push_back(run.wallMs);
    cpu.push_back(run.cpuMs);
  }
  cvbench::PrintRatio((std::string(what) + ", wall clock").c_str(), cvbench::Median(wall), bare, target);
  cvbench::PrintRatio((std::string(what) + ", process CPU").c_str(), cvbench::Median(cpu), bare);
}

}  // namespace

// bench_process [RUNS [SONG]]: SONG replaces the generated large song; CANTOVEX_BENCH_CLI names
// another cantovex-cli to measure.
int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const fs::path dir = fs::exists("/dev/shm") ? fs::path("/dev/shm/cantovex-bench-process")
                                              : fs::temp_directory_path() / "cantovex-bench-process";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const std::string song = (dir / "large.mid").string();
  if (argc > 2) {
    fs::copy_file(argv[2], song);
  } else {
    const std::vector<uint8_t> bytes = cvbench::GenerateSong(cvbench::LargeSong());
    std::ofstream(song, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  std::ifstream in(song, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Another build's program (CANTOVEX_BENCH_CLI) compares two versions in one run.
  const char* other = std::getenv("CANTOVEX_BENCH_CLI");
  const std::string cli = other && *other ? other : CANTOVEX_CLI;
  const double bare = cvbench::BarePassMs(bytes);
  std::printf("song: %zu bytes; bare pass %.2f ms; medians of %d runs\n", bytes.size(), bare, runs);
  Measure("open (info)", runs, bare, 6, {cli, "info", song});
  Measure("convert to format 0", runs, bare, 10, {cli, "convert", song, (dir / "out0.mid").string(), "--format", "0"});
  // The first save over the song makes its backup; later ones keep it, so each run starts afresh.
  const std::string copy = (dir / "copy.mid").string();
  std::vector<double> wall;
  for (int r = 0; r < runs; ++r) {
    fs::copy_file(song, copy, fs::copy_options::overwrite_existing);
    fs::remove(copy + "~");
    wall.push_back(RunProcess({cli, "convert", copy, copy, "--format", "1"}).wallMs);
  }
  cvbench::PrintRatio("save over itself as format 1, with backup", cvbench::Median(wall), bare);
  std::printf("  bare pass again: %.2f ms\n", cvbench::BarePassMs(bytes));
  fs::remove_all(dir);
  return 0;
}
