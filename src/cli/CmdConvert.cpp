// cantovex-cli convert: one song into a format 0 or 1 file, or a whole folder (the Multi mode).
#include <cstdio>
#include <iostream>
#include <mutex>

#include <unistd.h>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "output/BatchConvert.h"
#include "song/Language.h"
#include "song/OpenSong.h"

namespace cvcli {
namespace {

struct ConvertArgs {
  std::string format;  // "0", "1", "auto"
  std::string batchFolder;
  std::string outFolder;
  bool recursive = false;
  bool inPlace = false;
  unsigned jobs = 0;
  cv::TConfiguration config;
  std::vector<std::string> positional;
};

std::string Value(std::vector<std::string>& args, size_t& i, const std::string& option) {
  if (i + 1 >= args.size()) throw CliUsageError{option + ": " + cv::Tr("Wert fehlt", "value missing")};
  return args[++i];
}

int Number(const std::string& text, const std::string& option, int low, int high) {
  try {
    size_t used = 0;
    int v = std::stoi(text, &used);
    if (used == text.size() && v >= low && v <= high) return v;
  } catch (const std::exception&) {
  }
  throw CliUsageError{option + ": " + std::to_string(low) + ".." + std::to_string(high)};
}

ConvertArgs ParseArgs(std::vector<std::string> args) {
  ConvertArgs a;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& s = args[i];
    if (s == "--format") a.format = Value(args, i, s);
    else if (s == "--batch") a.batchFolder = Value(args, i, s);
    else if (s == "--out") a.outFolder = Value(args, i, s);
    else if (s == "--recursive") a.recursive = true;
    else if (s == "--in-place") a.inPlace = true;
    else if (s == "--jobs") a.jobs = static_cast<unsigned>(Number(Value(args, i, s), s, 1, 1024));
    else if (s == "--prompta") a.config.PromptaEnabled = true;
    else if (s == "--copyright") a.config.CopyrightString = Value(args, i, s);
    else if (s == "--ctrl32") {
      a.config.InsertController32 = true;
      a.config.Controller32Value = static_cast<uint8_t>(Number(Value(args, i, s), s, 0, 127));
    } else if (s == "--delete-ctrl32") a.config.DeleteController32 = true;
    else if (s.rfind("--", 0) == 0) throw CliUsageError{cv::Tr("Unbekannte Option: ", "Unknown option: ") + s};
    else a.positional.push_back(s);
  }
  const bool batch = !a.batchFolder.empty();
  if (a.format != "0" && a.format != "1" && !(batch && a.format == "auto"))
    throw CliUsageError{batch ? "--format: 0 | 1 | auto" : "--format: 0 | 1"};
  if (!batch && (a.recursive || a.inPlace || a.jobs || !a.outFolder.empty()))
    throw CliUsageError{cv::Tr("--recursive, --jobs, --out und --in-place gelten nur mit --batch.",
                               "--recursive, --jobs, --out and --in-place need --batch.")};
  if (batch ? !a.positional.empty() : a.positional.size() != 2)
    throw CliUsageError{cv::Tr("Falsche Zahl von Argumenten.", "Wrong number of arguments.")};
  return a;
}

int ConvertOne(CliContext& ctx, const ConvertArgs& a, const SongOptions& options) {
  CliSession song(ctx);
  song.session.SetConfiguration(a.config);
  if (!song.Open(a.positional[0], options)) return 1;
  return song.session.WriteTo(a.positional[1], a.format == "0" ? 0 : 1) ? 0 : 1;
}

int ConvertBatch(CliContext& ctx, const ConvertArgs& a, const SongOptions& options) {
  cv::BatchOptions batch;
  batch.Folder = a.batchFolder;
  batch.Format = a.format == "0" ? cv::BatchFormat::Format0 : a.format == "1" ? cv::BatchFormat::Format1
                                                                               : cv::BatchFormat::Auto;
  batch.Recursive = a.recursive;
  batch.Jobs = a.jobs;
  batch.OutFolder = a.outFolder;
  batch.InPlace = a.inPlace;
  const std::vector<cv::BatchItem> items = cv::CollectBatch(batch);

  std::ostream& err = *ctx.err;
  const bool terminal = ctx.err == &std::cerr && isatty(STDERR_FILENO);
  size_t shown = 0;  // width of the progress line on screen
  auto clearProgress = [&] {
    if (shown) err << "\r" << std::string(shown, ' ') << "\r";
    shown = 0;
  };
  cv::BatchSummary summary = cv::RunBatch(
      batch, items,
      [&](cv::Song& song, const std::string& path) {
        song.Configuration = a.config;
        cv::OpenSongOptions open;
        open.ForceEncoding = options.encoding;
        open.AskRemovePrompta = [&options](const std::string&) { return options.removePrompta; };
        cv::DateiOeffnen(song, path, open);
      },
      [&](const cv::BatchFileResult& r, size_t done, size_t total) {
        if (r.Outcome == cv::BatchOutcome::Failed) {
          clearProgress();
          // The open flow's messages already name the file.
          const std::string prefix = r.Source + ": ";
          const bool named = r.Message.rfind(prefix, 0) == 0;
          err << prefix << (named ? r.Message.substr(prefix.size()) : r.Message) << "\n";
        }
        if (terminal) {
          clearProgress();
          std::string line = "[" + std::to_string(done) + "/" + std::to_string(total) + "] " + r.Source;
          if (line.size() > 100) line = line.substr(0, 97) + "...";
          err << line << std::flush;
          shown = line.size();
        }
      });
  clearProgress();
  if (ctx.json) {
    *ctx.out << "{\"converted\": " << summary.Converted << ", \"skipped\": " << summary.Skipped
             << ", \"failed\": [";
    for (size_t i = 0; i < summary.Failures.size(); ++i)
      *ctx.out << (i ? ", " : "") << "{\"file\": " << JsonString(summary.Failures[i].Source)
               << ", \"message\": " << JsonString(summary.Failures[i].Message) << "}";
    *ctx.out << "]}\n";
  } else {
    *ctx.out << cv::BatchSummaryText(summary) << "\n";
  }
  return summary.Failed ? 1 : 0;
}

int RunConvert(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  ConvertArgs a = ParseArgs(ctx.args);
  return a.batchFolder.empty() ? ConvertOne(ctx, a, options) : ConvertBatch(ctx, a, options);
}

const CliRegistrar registrar({"convert",
                              "convert SONG OUT --format 0|1 | --batch FOLDER --format 0|1|auto [--recursive] "
                              "[--jobs N] [--out FOLDER] [--in-place]  [--prompta] [--copyright TEXT] "
                              "[--ctrl32 VALUE] [--delete-ctrl32] " +
                                  std::string(kSongOptionsUsage),
                              "Save songs as MIDI files of format 0 or 1 / Speichert Songs als MIDI-Dateien im "
                              "Format 0 oder 1",
                              RunConvert});

}  // namespace
}  // namespace cvcli
