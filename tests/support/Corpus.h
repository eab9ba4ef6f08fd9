// Real songs for tests: those that ship with the repository (tests/data/corpus) and, when present,
// an extra corpus folder with songs that may only be used for testing, never redistributed.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace cvtest {

// The extra folder: $CANTOVEX_CORPUS_DIR, else ../shared/corpus beside the checkout when it
// exists; "" when there is none.
std::string ExtraCorpusDir();

// Path of a corpus song such as "kar/twinkle.kar": the repository's copy, else the extra folder's.
// "" when the song is not in the repository and there is no extra folder (the test skips); a song
// missing where it should be is a test failure that names it (the path is returned all the same).
std::string CorpusFile(const std::string& relative);

// Why a test that needs `relative` does not run without the extra folder.
std::string CorpusSkipReason(const std::string& relative);

struct CorpusSong {
  std::string relative;  // e.g. "kar/twinkle.kar"
  std::string path;
};
// Every song of the repository's corpus and of the extra folder (the repository's copy of a song
// in both), sorted by relative path.
std::vector<CorpusSong> AllCorpusSongs();

}  // namespace cvtest

// Declares `var` as the path of a corpus song, or skips the test with the reason. In a table the
// rows that need test-only songs come last, so every row before them has run when it skips.
#define CVTEST_CORPUS_FILE_OR_SKIP(var, relative)          \
  const std::string var = ::cvtest::CorpusFile(relative); \
  if (var.empty()) GTEST_SKIP() << ::cvtest::CorpusSkipReason(relative)
