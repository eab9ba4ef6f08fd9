// Peak memory (maximum resident set) of cantovex-cli check on a song of 200 000 syllables, next to
// opening the same song (info, lyrics). Usage: bench_check [CLI] (default: the one built beside it).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "GenerateSong.h"

extern char** environ;

namespace {

// Runs the program with stdout and stderr to /dev/null; returns its peak resident set in MiB.
double PeakMiB(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
    std::perror(argv[0]);
    std::exit(1);
  }
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One format 0 track: a long note every 100 syllables, so nearly every syllable shares its note
// with the one before and is a finding of its own.
std::vector<uint8_t> SharedNoteSong(int syllables) {
  std::vector<uint8_t> body;
  for (int i = 0; i < syllables; ++i) {
    cvbench::VarLen(body, 10);
    if (i % 100 == 0) body.insert(body.end(), {0x90, 60, 100, 0});
    body.insert(body.end(), {0xFF, 0x05, 3, 'l', 'a', static_cast<uint8_t>(i % 8 == 7 ? '\r' : ' ')});
  }
  body.insert(body.end(), {10, 0x80, 60, 0, 0, 0xFF, 0x2F, 0});
  const uint32_t n = static_cast<uint32_t>(body.size());
  std::vector<uint8_t> file{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0,
                            'M', 'T', 'r', 'k', static_cast<uint8_t>(n >> 24), static_cast<uint8_t>(n >> 16),
                            static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
  file.insert(file.end(), body.begin(), body.end());
  return file;
}

void Measure(const std::string& cli, const std::string& title, const std::vector<uint8_t>& bytes) {
  char dir[] = "/tmp/bench-check-XXXXXX";
  if (!mkdtemp(dir)) std::exit(1);
  const std::string song = std::string(dir) + "/syllables.mid";
  std::ofstream(song, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
  std::printf("%s (%.1f MB)\n", title.c_str(), static_cast<double>(bytes.size()) / 1e6);
  const std::vector<std::pair<const char*, std::vector<std::string>>> runs = {
      {"info", {cli, "info", song}},
      {"lyrics", {cli, "lyrics", song}},
      {"check", {cli, "check", song}},
      {"check --json", {cli, "--json", "check", song}},
  };
  for (const auto& [name, args] : runs) std::printf("  %-14s peak %7.1f MiB\n", name, PeakMiB(args));
  std::remove(song.c_str());
  rmdir(dir);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string cli = argc > 1 ? argv[1] : CANTOVEX_CLI;
  // A conductor and one melody track: a syllable on every other note, few findings.
  Measure(cli, "200 000 syllables on their notes", cvbench::GenerateSong(cvbench::SongShape{2, 440000, 20, 200000, 480}));
  Measure(cli, "200 000 syllables sharing notes, each a finding", SharedNoteSong(200000));
  return 0;
}
