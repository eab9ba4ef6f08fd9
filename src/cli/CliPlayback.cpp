#include "cli/CliPlayback.h"

#include "cli/CliArgs.h"
#include "cli/EditOptions.h"
#include "song/Language.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace cvcli {

const std::vector<CliOption>& SongChangeList() {
  // The same two options as edit's, without its chain.
  static const std::vector<CliOption> options = [] {
    std::vector<CliOption> list;
    for (const CliOption& o : EditOptionList())
      if (o.name == "--speed" || o.name == "--transpose") list.push_back(o);
    return list;
  }();
  return options;
}

SongChanges TakeSongChanges(std::vector<std::string>& args) {
  SongChanges changes;
  if (auto v = TakeValue(args, "--speed")) {
    const int pct = ParseNumber("--speed", *v, 50, 100);
    if (pct % 10 != 0) throw CliUsageError{"--speed: 100, 90, 80, 70, 60 " + std::string(cv::Tr("oder", "or")) + " 50"};
    changes.speedPercent = pct;
  }
  if (auto v = TakeValue(args, "--transpose")) changes.transpose = ParseNumber("--transpose", *v, cv::kTransposeMin, cv::kTransposeMax);
  return changes;
}

bool OpenChangedSong(CliSession& song, const std::string& path, const SongOptions& options, const SongChanges& changes) {
  if (!song.Open(path, options)) return false;
  // Playing slower stretches the song's times; its tempos stay (edit --speed rewrites them).
  if (changes.speedPercent && *changes.speedPercent != 100 &&
      !song.session.SetPlaybackSpeed(static_cast<uint8_t>((100 - *changes.speedPercent) / 10)))
    return false;
  if (changes.transpose && *changes.transpose != 0 && !song.session.Transpose(*changes.transpose, cv::TTransposeOptions{}))
    return false;
  return true;
}

void ReportSynthMessages(const std::vector<std::string>& messages, bool ok, CliOutput& output, const std::string& file) {
  std::string all;
  for (const std::string& m : messages) all += (all.empty() ? "" : "\n") + m;
  if (!ok)
    throw CliFailure(all.empty() ? cv::Tr("Der Synthesizer kann nicht spielen.", "The synthesizer cannot play.") : all, file);
  if (!all.empty()) output.Warning(all);
}

bool IsTerminal(int fd) {
#if defined(_WIN32)
  return _isatty(fd) != 0;
#else
  return isatty(fd) != 0;
#endif
}

}  // namespace cvcli
