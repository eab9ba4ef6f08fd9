// cantovex-cli convert: one song into a format 0 or 1 file or a karaoke file, or a whole folder
// (the Multi mode).
#include <cstdio>
#include <iostream>
#include <mutex>

#include <unistd.h>

#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "cli/CliSong.h"
#include "lyrics/CV_Hyphen.h"
#include "output/BatchConvert.h"
#include "output/KarFileWriter.h"
#include "session/OpenSong.h"
#include "song/Language.h"

namespace cvcli {
namespace {

struct ConvertArgs {
  std::string format;  // "0", "1", "kar", "auto"
  cv::THyphenLanguage language = cv::CurrLanguage() == cv::TLanguage::Deutsch ? cv::THyphenLanguage::German
                                                                               : cv::THyphenLanguage::English;
  std::string batchFolder;
  std::string outFolder;
  bool recursive = false;
  bool inPlace = false;
  unsigned jobs = 0;
  cv::TConfiguration config;
  std::vector<std::string> positional;
};

ConvertArgs ParseArgs(std::vector<std::string> args) {
  ConvertArgs a;
  TakeBackupWish(args).ApplyTo(a.config);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& s = args[i];
    if (s == "--format") a.format = NextValue(args, i, s);
    else if (s == "--batch") a.batchFolder = NextValue(args, i, s);
    else if (s == "--song-lang") a.language = ParseSongLanguage(NextValue(args, i, s));
    else if (s == "--out") a.outFolder = NextValue(args, i, s);
    else if (s == "--recursive") a.recursive = true;
    else if (s == "--in-place") a.inPlace = true;
    else if (s == "--jobs") a.jobs = static_cast<unsigned>(ParseNumber(s, NextValue(args, i, s), 1, 1024));
    else if (s == "--prompta") a.config.PromptaEnabled = true;
    else if (s == "--copyright") a.config.CopyrightString = NextValue(args, i, s);
    else if (s == "--ctrl32") {
      a.config.InsertController32 = true;
      a.config.Controller32Value = static_cast<uint8_t>(ParseNumber(s, NextValue(args, i, s), 0, 127));
    } else if (s == "--delete-ctrl32") a.config.DeleteController32 = true;
    else if (s.rfind("--", 0) == 0) throw CliUsageError{cv::Tr("Unbekannte Option: ", "Unknown option: ") + s};
    else a.positional.push_back(s);
  }
  const bool batch = !a.batchFolder.empty();
  if (a.format != "0" && a.format != "1" && a.format != "kar" && !(batch && a.format == "auto"))
    throw CliUsageError{batch ? "--format: 0 | 1 | kar | auto" : "--format: 0 | 1 | kar"};
  if (!batch && (a.recursive || a.inPlace || a.jobs || !a.outFolder.empty()))
    throw CliUsageError{cv::Tr("--recursive, --jobs, --out und --in-place gelten nur mit --batch.",
                               "--recursive, --jobs, --out and --in-place need --batch.")};
  if (a.inPlace && !a.outFolder.empty())
    throw CliUsageError{cv::Tr("--in-place und --out schließen sich aus.", "--in-place and --out exclude each other.")};
  if (batch ? !a.positional.empty() : a.positional.size() != 2)
    throw CliUsageError{cv::Tr("Falsche Zahl von Argumenten.", "Wrong number of arguments.")};
  return a;
}

int ConvertOne(CliContext& ctx, const ConvertArgs& a, const SongOptions& options) {
  CliSession song(ctx);
  song.session.SetConfiguration(a.config);
  if (!song.Open(a.positional[0], options)) return 1;
  const int format = a.format == "0" ? 0 : a.format == "kar" ? cv::kKarFormat : 1;
  song.session.SetSongLanguage(a.language);
  if (!song.session.WriteTo(a.positional[1], format)) return 1;
  ctx.output.Result(Written(song.Song(), a.positional[1], format), WrittenText);
  return 0;
}

int ConvertBatch(CliContext& ctx, const ConvertArgs& a, const SongOptions& options) {
  cv::BatchOptions batch;
  batch.Folder = a.batchFolder;
  batch.Format = a.format == "0"     ? cv::BatchFormat::Format0
                 : a.format == "1"   ? cv::BatchFormat::Format1
                 : a.format == "kar" ? cv::BatchFormat::Kar
                                     : cv::BatchFormat::Auto;
  batch.LanguageTag = cv::KaraokeLanguageTag(a.language);
  batch.Recursive = a.recursive;
  batch.Jobs = a.jobs;
  batch.OutFolder = a.outFolder;
  batch.InPlace = a.inPlace;
  const std::vector<cv::BatchItem> items = cv::CollectBatch(batch);

  std::ostream& err = ctx.output.Err();
  const bool terminal = !ctx.output.IsJson() && &err == &std::cerr && isatty(STDERR_FILENO);
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
        if (r.Outcome == cv::BatchOutcome::Failed || r.Notice) {
          clearProgress();
          ctx.output.Error(r.Message, r.Source);
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
  Json failed = Json::array();
  for (const cv::BatchFileResult& f : summary.Failures) failed.push_back({{"file", f.Source}, {"message", f.Message}});
  ctx.output.Result({{"converted", summary.Converted}, {"skipped", summary.Skipped}, {"failed", failed}}, BatchText);
  return summary.Failed ? 1 : 0;
}

int RunConvert(CliContext& ctx) {
  SongOptions options = TakeSongOptions(ctx.args);
  ConvertArgs a = ParseArgs(ctx.args);
  return a.batchFolder.empty() ? ConvertOne(ctx, a, options) : ConvertBatch(ctx, a, options);
}

const CliRegistrar registrar(
    {"convert",
     {"[OPTIONS] SONG OUT --format 0|1|kar", "[OPTIONS] --batch FOLDER --format 0|1|kar|auto"},
     "Save songs as MIDI files of format 0 or 1 or as karaoke files / Speichert Songs als MIDI-Dateien im Format 0 "
     "oder 1 oder als Karaoke-Dateien",
     Options({{{"--format", "0|1|kar|auto", "Format to write; kar: karaoke file (.kar); auto: format 0 songs become "
                                            "format 1 (with --batch) / Zielformat; kar: Karaoke-Datei (.kar); auto: "
                                            "Format-0-Songs werden Format 1 (mit --batch)",
                ValueKind::Choice},
               SongLanguageOption(),
               {"--batch", "FOLDER", "Convert every .mid and .kar of a folder / Alle .mid und .kar eines Ordners "
                                     "umwandeln",
                ValueKind::Folder},
               {"--recursive", "", "With --batch: subfolders too / Mit --batch: auch Unterordner"},
               {"--jobs", "N", "With --batch: songs at once (default: every core) / Mit --batch: Songs gleichzeitig "
                               "(Vorgabe: jeder Kern)",
                ValueKind::Number},
               {"--out", "FOLDER", "With --batch: results into this folder / Mit --batch: Ergebnisse in diesen Ordner",
                ValueKind::Folder},
               {"--in-place", "", "With --batch: replace the sources / Mit --batch: die Quellen ersetzen"},
               {"--prompta", "", "Write the Prompta data / Prompta-Daten schreiben"},
               {"--copyright", "TEXT", "Copyright text to write / Zu schreibender Copyright-Text", ValueKind::Text},
               {"--ctrl32", "VALUE", "Insert controller 32 with this value, 0..127 / Controller 32 mit diesem Wert "
                                     "einfügen, 0..127",
                ValueKind::Number},
               {"--delete-ctrl32", "", "Delete controller 32 events / Controller-32-Ereignisse löschen"}},
               BackupOptions(),
              SongOptionList()}),
     {ValueKind::Song, ValueKind::Song},
     RunConvert});

}  // namespace
}  // namespace cvcli
