// Converting many songs at once (the Multi mode): every .mid/.kar of a folder is opened and saved
// with one of the writers, several songs at a time.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "song/Song.h"

namespace cv {

// Auto: only format 0 songs become format 1. Kar: karaoke files (.kar).
enum class BatchFormat { Format0, Format1, Auto, Kar };

struct BatchOptions {
  std::string Folder;
  BatchFormat Format = BatchFormat::Format1;
  bool Recursive = false;
  unsigned Jobs = 0;      // 0: every core
  std::string OutFolder;  // empty: beside each source as NAME.f0.EXT / NAME.f1.EXT / NAME.k.kar
  std::string LanguageTag = "GERM";  // karaoke files' "@L"
  bool InPlace = false;   // replace the sources themselves
};

struct BatchItem {
  std::string Source;
  std::string Target;
  std::string SkipReason;  // not converted, and the user is told why
};

enum class BatchOutcome { Converted, Skipped, Failed };

struct BatchFileResult {
  std::string Source;
  std::string Target;
  BatchOutcome Outcome = BatchOutcome::Failed;
  std::string Message;  // why it failed or was skipped
  bool Notice = false;  // a skip the user is told about, not one the options asked for
};

struct BatchSummary {
  size_t Converted = 0;
  size_t Skipped = 0;
  size_t Failed = 0;
  std::vector<BatchFileResult> Failures;  // in source order
};

// Opens a song the way the program does (settings, lyrics, controller 32, Prompta); throws
// EMidiError with the user's text.
using SongOpener = std::function<void(Song& song, const std::string& path)>;
// Called after each song, one call at a time, from the worker threads.
using BatchProgress = std::function<void(const BatchFileResult& result, size_t done, size_t total)>;

// The songs of the folder in name order with their targets. Throws EMidiError when the folder
// cannot be read or the options contradict each other. In place, a symbolic link is skipped: its
// file may lie outside the folder, and replacing the link itself would break what it stood for.
std::vector<BatchItem> CollectBatch(const BatchOptions& options);

// Converts the items on options.Jobs threads; a failing song never stops the others.
BatchSummary RunBatch(const BatchOptions& options, const std::vector<BatchItem>& items, const SongOpener& open,
                      const BatchProgress& progress = {});

// "3 converted, 1 skipped, 0 failed" in the user's language.
std::string BatchSummaryText(const BatchSummary& summary);

}  // namespace cv
