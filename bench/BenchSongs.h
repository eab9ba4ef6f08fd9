// Real songs for benchmarks: the repository's test songs, then the extra corpus folder
// ($CANTOVEX_CORPUS_DIR, else ../shared/corpus beside the checkout) for the test-only ones.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include "TestPaths.h"

// Path of a song such as "kar/twinkle.kar", or "" when neither folder holds it.
inline std::string BenchSongPath(const std::string& relative) {
  namespace fs = std::filesystem;
  const char* env = std::getenv("CANTOVEX_CORPUS_DIR");
  for (const fs::path& dir : {fs::path(CANTOVEX_SHIPPED_CORPUS_DIR),
                             fs::path(env && *env ? env : CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR)}) {
    std::error_code ec;
    if (fs::is_regular_file(dir / relative, ec)) return (dir / relative).string();
  }
  return "";
}

inline const char* kBenchSongMissing = "test-only song, not in the repository: set CANTOVEX_CORPUS_DIR to measure it";
