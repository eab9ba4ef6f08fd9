#include "output/BatchConvert.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "output/MidiFileWriter0.h"
#include "output/MidiFileWriter1.h"
#include "output/KarFileWriter.h"
#include "output/SaveFile.h"
#include "song/Language.h"
#include "song/MessageSink.h"

namespace cv {

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool IsSongFile(const fs::path& p) {
  const std::string ext = Lower(p.extension().string());
  return ext == ".mid" || ext == ".kar";
}

// Results of an earlier run beside the sources: NAME.f0.EXT, NAME.f1.EXT and NAME.k.kar.
bool IsEarlierResult(const fs::path& p) {
  const std::string stem = Lower(p.stem().string());
  return (stem.size() > 3 && (stem.ends_with(".f0") || stem.ends_with(".f1"))) ||
         (stem.size() > 2 && stem.ends_with(".k") && Lower(p.extension().string()) == ".kar");
}

bool IsInside(const fs::path& path, const fs::path& folder) {
  auto f = folder.begin(), p = path.begin();
  for (; f != folder.end(); ++f, ++p)
    if (p == path.end() || *p != *f) return false;
  return true;
}

fs::path Normal(const fs::path& p) {
  std::error_code ec;
  fs::path abs = fs::weakly_canonical(fs::absolute(p, ec), ec);
  return ec ? p.lexically_normal() : abs;
}

struct CollectingSink : MessageSink {
  std::string text;
  void ShowMessage(const std::string&, const std::string& message) override {
    if (!text.empty()) text += "; ";
    text += message;
  }
};

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  return text;
}

BatchFileResult ConvertOne(const BatchOptions& options, const BatchItem& item, const SongOpener& open) {
  BatchFileResult r{item.Source, item.Target, BatchOutcome::Failed, {}};
  if (!item.SkipReason.empty()) {
    r.Outcome = BatchOutcome::Skipped;
    r.Message = item.SkipReason;
    r.Notice = true;
    return r;
  }
  try {
    Song song;
    open(song, item.Source);
    bool format0 = options.Format == BatchFormat::Format0;
    if (options.Format == BatchFormat::Auto) {
      if (song.MidiFileFormat != 0) {
        r.Outcome = BatchOutcome::Skipped;
        r.Message = Tr("kein Format 0", "not format 0");
        return r;
      }
      format0 = false;
    }
    std::error_code ec;
    if (!options.InPlace && fs::exists(item.Target, ec) && fs::equivalent(item.Source, item.Target, ec)) {
      r.Message = Tr("Das Ziel ist die Quelldatei selbst (dafür --in-place).",
                     "The target is the source itself (use --in-place for that).");
      return r;
    }
    const fs::path parent = fs::path(item.Target).parent_path();
    if (!parent.empty()) fs::create_directories(parent, ec);
    SaveGuard guard;
    std::string message;
    if (!guard.Begin(item.Target, song.Configuration.MakeBackup, song.Configuration.ReplaceBackup, message)) {
      r.Message = OneLine(message);
      return r;
    }
    CollectingSink sink;
    const bool saved = options.Format == BatchFormat::Kar ? SaveToKarFile(song, item.Target, options.LanguageTag, sink)
                       : format0                          ? SaveToFileFormat0(song, item.Target, sink)
                                                          : SaveToFileFormat1(song, item.Target, sink);
    if (saved) {
      r.Outcome = BatchOutcome::Converted;
    } else {
      r.Message = OneLine(sink.text);
    }
  } catch (const std::exception& e) {
    r.Message = OneLine(e.what());
  }
  return r;
}

}  // namespace

std::vector<BatchItem> CollectBatch(const BatchOptions& options) {
  const fs::path folder = Normal(options.Folder);
  std::error_code ec;
  if (!fs::is_directory(folder, ec))
    throw EMidiError(Tr("Der Ordner \"" + options.Folder + "\" kann nicht gelesen werden.",
                        "Cannot read the folder \"" + options.Folder + "\"."));
  if (options.InPlace && !options.OutFolder.empty())
    throw EMidiError(Tr("--in-place und --out schließen sich aus.", "--in-place and --out exclude each other."));
  const fs::path out = options.OutFolder.empty() ? fs::path() : Normal(options.OutFolder);
  if (!out.empty() && out == folder)
    throw EMidiError(Tr("Der Zielordner ist der Quellordner (dafür --in-place).",
                        "The output folder is the source folder (use --in-place for that)."));

  std::vector<fs::path> sources;
  auto consider = [&](const fs::directory_entry& e) {
    if (!e.is_regular_file(ec) || !IsSongFile(e.path())) return;
    if (!out.empty() && IsInside(e.path(), out)) return;
    if (out.empty() && !options.InPlace && IsEarlierResult(e.path())) return;
    sources.push_back(e.path());
  };
  if (options.Recursive) {
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) consider(*it);
  } else {
    fs::directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) consider(*it);
  }
  if (ec)
    throw EMidiError(Tr("Der Ordner \"" + options.Folder + "\" kann nicht gelesen werden.",
                        "Cannot read the folder \"" + options.Folder + "\"."));
  std::sort(sources.begin(), sources.end());

  const bool kar = options.Format == BatchFormat::Kar;
  const char* suffix = kar ? ".k" : options.Format == BatchFormat::Format0 ? ".f0" : ".f1";
  // A karaoke file always ends in .kar: in place, a .mid source gets its .kar beside it.
  auto extension = [&](const fs::path& source) { return kar ? std::string(".kar") : source.extension().string(); };
  std::vector<BatchItem> items;
  items.reserve(sources.size());
  for (const fs::path& source : sources) {
    fs::path target;
    if (options.InPlace && fs::is_symlink(fs::symlink_status(source, ec))) {
      items.push_back({source.string(), source.string(),
                       Tr("eine symbolische Verknüpfung: wird nicht an Ort und Stelle ersetzt (die Datei, auf die "
                          "sie zeigt, kann außerhalb des Ordners liegen)",
                          "a symbolic link: not replaced in place (the file it points to may lie outside the "
                          "folder)")});
      continue;
    }
    if (options.InPlace)
      target = fs::path(source).replace_extension(extension(source));
    else if (!out.empty())
      target = (out / source.lexically_relative(folder)).replace_extension(extension(source));
    else
      target = source.parent_path() / (source.stem().string() + suffix + extension(source));
    items.push_back({source.string(), target.string(), {}});
  }
  return items;
}

BatchSummary RunBatch(const BatchOptions& options, const std::vector<BatchItem>& items, const SongOpener& open,
                      const BatchProgress& progress) {
  std::vector<BatchFileResult> results(items.size());
  std::atomic<size_t> next{0};
  std::mutex lock;
  size_t done = 0;
  auto work = [&] {
    for (size_t i = next++; i < items.size(); i = next++) {
      results[i] = ConvertOne(options, items[i], open);
      std::lock_guard<std::mutex> guard(lock);
      ++done;
      if (progress) progress(results[i], done, items.size());
    }
  };
  unsigned jobs = options.Jobs ? options.Jobs : std::max(1u, std::thread::hardware_concurrency());
  jobs = static_cast<unsigned>(std::min<size_t>(jobs, std::max<size_t>(items.size(), 1)));
  std::vector<std::thread> threads;
  for (unsigned j = 1; j < jobs; ++j) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();

  BatchSummary summary;
  for (BatchFileResult& r : results) {
    switch (r.Outcome) {
      case BatchOutcome::Converted: ++summary.Converted; break;
      case BatchOutcome::Skipped: ++summary.Skipped; break;
      case BatchOutcome::Failed:
        ++summary.Failed;
        summary.Failures.push_back(std::move(r));
        break;
    }
  }
  return summary;
}

std::string BatchSummaryText(const BatchSummary& s) {
  const std::string c = std::to_string(s.Converted), k = std::to_string(s.Skipped), f = std::to_string(s.Failed);
  return Tr(c + " umgewandelt, " + k + " übersprungen, " + f + " fehlgeschlagen",
            c + " converted, " + k + " skipped, " + f + " failed");
}

}  // namespace cv
