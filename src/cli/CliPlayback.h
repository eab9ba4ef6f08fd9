// Options shared by the play and render commands of cantovex-cli.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/CliArgs.h"
#include "cli/CliSong.h"

namespace cvcli {

struct SongChanges {
  std::optional<int> speedPercent;  // --speed 100|90|80|70|60|50
  std::optional<int> transpose;     // --transpose -9..9
};
// The options TakeSongChanges understands, for help and completion.
const std::vector<CliOption>& SongChangeList();
SongChanges TakeSongChanges(std::vector<std::string>& args);
// Opens the song with the speed in effect and transposes it; false when that failed (reported).
bool OpenChangedSong(CliSession& song, const std::string& path, const SongOptions& options, const SongChanges& changes);

// The synthesizer's messages: its failure (about file, e.g. the WAV file) when it cannot play, else
// warnings.
void ReportSynthMessages(const std::vector<std::string>& messages, bool ok, CliOutput& output,
                         const std::string& file = {});

// True when the stream goes to a terminal (progress bars, highlighting).
bool IsTerminal(int fd);

}  // namespace cvcli
