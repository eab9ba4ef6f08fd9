#include "support/Corpus.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include "TestPaths.h"

namespace cvtest {
namespace {

namespace fs = std::filesystem;

const fs::path kShipped = CANTOVEX_SHIPPED_CORPUS_DIR;

// Listed in the shipped corpus's table of origins: the song belongs to the repository.
bool ListedAsShipped(const std::string& relative) {
  std::ifstream table(kShipped / "SOURCES.md");
  const std::string name = "| `" + fs::path(relative).filename().string() + "` |";
  for (std::string line; std::getline(table, line);)
    if (line.rfind(name, 0) == 0) return true;
  return false;
}

}  // namespace

std::string ExtraCorpusDir() {
  if (const char* env = std::getenv("CANTOVEX_CORPUS_DIR"); env && *env) return env;
  std::error_code ec;
  return fs::is_directory(CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR, ec) ? CANTOVEX_DEFAULT_EXTRA_CORPUS_DIR : "";
}

std::string CorpusFile(const std::string& relative) {
  std::error_code ec;
  const fs::path shipped = kShipped / relative;
  if (fs::exists(shipped, ec)) return shipped.string();
  const std::string extra = ExtraCorpusDir();
  if (!extra.empty()) {
    const fs::path path = fs::path(extra) / relative;
    if (!fs::exists(path, ec))
      ADD_FAILURE() << "test song " << relative << " is missing: neither in " << kShipped.string() << " nor in "
                    << extra;
    return path.string();
  }
  if (ListedAsShipped(relative)) {
    ADD_FAILURE() << "test song " << relative << " is missing from " << kShipped.string();
    return shipped.string();
  }
  return "";
}

std::string CorpusSkipReason(const std::string& relative) {
  return relative +
         " is a test-only song (not redistributable, so not in tests/data/corpus); set CANTOVEX_CORPUS_DIR to "
         "a corpus folder that holds it (CI uses ../shared/corpus)";
}

std::vector<CorpusSong> AllCorpusSongs() {
  std::map<std::string, std::string> songs;
  for (const std::string& dir : {ExtraCorpusDir(), kShipped.string()}) {
    std::error_code ec;
    if (dir.empty() || !fs::is_directory(dir, ec)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
      songs[fs::relative(entry.path(), dir).generic_string()] = entry.path().string();  // shipped wins
    }
  }
  std::vector<CorpusSong> out;
  for (const auto& [relative, path] : songs) out.push_back({relative, path});
  return out;
}

}  // namespace cvtest
