#include "platform/Devices.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>

#include <dlfcn.h>
#include <unistd.h>

#include "output/SaveFile.h"
#include "song/Language.h"
#include "song/SafeFile.h"

namespace cv {

namespace {

namespace fs = std::filesystem;

// A plugin's entry points all have C names, so any build of the plugin can be found by name.
using MakeMidiPortFn = MidiPortDevice* (*)(int system);
using MakeSynthesizerFn = SynthDevice* (*)(const SynthOptions* options);
using AudioDevicesFn = void (*)(std::vector<TAudioDevice>* devices);
using DefaultSoundFontFn = void (*)(std::string* path);
using OggVorbisWritableFn = bool (*)();
using WavToOggVorbisFn = bool (*)(const std::string* wav, std::vector<uint8_t>* ogg, std::string* error);
using DocumentReadersFn = void (*)(std::vector<std::unique_ptr<DocumentReader>>* readers);

constexpr const char* kMidiPortPlugin = "cantovex-midiport.so";
constexpr const char* kSynthPlugin = "cantovex-synth.so";
constexpr const char* kDocumentsPlugin = "cantovex-documents.so";

struct LoadedPlugin {
  void* handle = nullptr;
  std::string error;  // the user's text when the plugin could not be loaded
};

std::string ProgramFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : exe.parent_path().string();
}

// Loaded once and kept for the program's life: objects it made may live until the end.
const LoadedPlugin& Plugin(const std::string& file) {
  static std::mutex mutex;
  static std::map<std::string, LoadedPlugin> plugins;
  std::lock_guard<std::mutex> lock(mutex);
  auto [it, added] = plugins.try_emplace(file);
  LoadedPlugin& plugin = it->second;
  if (!added) return plugin;
  std::string looked, reason;
  for (const std::string& folder : PluginFolders()) {
    const fs::path path = fs::path(folder) / file;
    looked += (looked.empty() ? "" : ", ") + folder;
    std::error_code ec;
    if (!fs::exists(path, ec)) continue;
    plugin.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (plugin.handle) {
      // Said only if one of its entry points is not there (a plugin of another version).
      plugin.error = Tr("Dem Zusatzmodul \"" + path.string() + "\" fehlt ein Einsprungpunkt.",
                        "The plugin \"" + path.string() + "\" lacks an entry point.");
      return plugin;
    }
    const char* why = ::dlerror();
    reason = why ? why : "";
    break;
  }
  if (reason.empty())
    plugin.error = Tr("Das Zusatzmodul \"" + file + "\" fehlt (gesucht in: " + looked + ").",
                      "The plugin \"" + file + "\" is missing (looked in: " + looked + ").");
  else
    plugin.error = Tr("Das Zusatzmodul \"" + file + "\" lässt sich nicht laden: " + reason,
                      "The plugin \"" + file + "\" cannot be loaded: " + reason);
  return plugin;
}

template <class Fn>
Fn Entry(const LoadedPlugin& plugin, const char* name) {
  return plugin.handle ? reinterpret_cast<Fn>(::dlsym(plugin.handle, name)) : nullptr;
}

// The do-nothing port: no device, never open, every message dropped.
class NullMidiPort : public MidiPortDevice {
 public:
  explicit NullMidiPort(std::string why) : why_(std::move(why)) {}
  bool Open() override { error_ = why_; return false; }
  bool Close() override { return true; }
  void PutShort(uint8_t, uint8_t, uint8_t) override {}
  void PutLong(const uint8_t*, size_t) override {}
  std::string DeviceName(uint32_t) override { return {}; }
  std::vector<std::string> DeviceNames() override { return {}; }
  bool HasVirtualPort() const override { return false; }
  std::string ApiName() const override { return "none"; }
  const std::string& SystemError() const override { return why_; }
  void SetDeviceID(uint32_t) override {}
  const std::string& ProductName() const override { return empty_; }
  const std::string& Error() const override { return error_; }

 private:
  std::string why_, error_, empty_;
};

// Stands in for the synthesizer when its plugin is missing: never OK, says why.
class MissingSynthesizer : public SynthDevice {
 public:
  explicit MissingSynthesizer(std::string why) : messages_{std::move(why)} {}
  bool isOK() const override { return false; }
  const std::vector<std::string>& Messages() const override { return messages_; }
  const std::string& SoundFontPath() const override { return empty_; }
  std::string SinkDescription() const override { return Tr("nichts", "nothing"); }
  AudioSink Sink() const override { return AudioSink::Null; }
  std::string AudioHintString() const override { return messages_.front(); }
  void SetVolume(int) override {}
  bool Finish(std::string*) override { return true; }
  int64_t RenderSong(const Song&, const std::function<void(int64_t, int64_t)>&, int) override {
    throw EMidiOutputError(messages_.front());
  }
  void PutShort(uint8_t, uint8_t, uint8_t) override {}
  void PutLong(const uint8_t*, size_t) override {}
  uint32_t AudioBufferTime() const override { return 0; }
  uint32_t AudioTotalLatencyTime() const override { return 0; }
  void PrepareStart() override {}
  void PutNewData(uint32_t) override {}
  bool HasAudioClock() const override { return false; }
  void SetProcessHook(std::function<void()>) override {}

 private:
  std::vector<std::string> messages_;
  std::string empty_;
};

// Takes every document when the readers' plugin is missing, and says so when asked to read.
class MissingDocumentReader : public DocumentReader {
 public:
  explicit MissingDocumentReader(std::string why) : why_(std::move(why)) {}
  std::string NameFilter() const override { return "Text (*.txt *.rtf *.doc *.docx *.odt)"; }
  bool SupportsFile(const std::string&) const override { return true; }
  std::vector<std::u16string> ReadLines(const std::string&) const override { throw EDocumentError(why_); }

 private:
  std::string why_;
};

}  // namespace

std::vector<std::string> PluginFolders() {
  if (const char* env = std::getenv("CANTOVEX_PLUGIN_DIR"); env && *env) return {env};
  std::vector<std::string> folders;
  const fs::path exe = ProgramFolder();
  if (!exe.empty()) folders.push_back((exe / ".." / "lib" / "cantovex3" / "plugins").lexically_normal().string());
#ifdef CANTOVEX_BUILD_PLUGIN_DIR
  // A program run where it was built; an installed one (in a bin folder) never looks there, so a
  // package that lacks its plugins cannot pass by finding the build's.
  if (exe.filename() != "bin") folders.emplace_back(CANTOVEX_BUILD_PLUGIN_DIR);
#endif
  return folders;
}

std::unique_ptr<MidiPortDevice> MakeMidiPort(MidiSystem system) {
  const LoadedPlugin& plugin = Plugin(kMidiPortPlugin);
  if (auto make = Entry<MakeMidiPortFn>(plugin, "CantovexMakeMidiPort"))
    return std::unique_ptr<MidiPortDevice>(make(static_cast<int>(system)));
  return std::make_unique<NullMidiPort>(plugin.error);
}

std::unique_ptr<SynthDevice> MakeSynthesizer(const SynthOptions& options) {
  const LoadedPlugin& plugin = Plugin(kSynthPlugin);
  if (auto make = Entry<MakeSynthesizerFn>(plugin, "CantovexMakeSynthesizer"))
    return std::unique_ptr<SynthDevice>(make(&options));
  return std::make_unique<MissingSynthesizer>(plugin.error);
}

bool RenderSongToWav(const Song& song, const std::string& path, int mutedChannel, const std::string& soundFont,
                     std::string& message, const std::function<void(int64_t, int64_t)>& progress) {
  SynthOptions options;
  options.Sink = AudioSink::WavFile;
  options.WavPath = path;
  options.SoundFont = soundFont;
  try {
    const std::unique_ptr<SynthDevice> synth = MakeSynthesizer(options);
    if (!synth->isOK() || synth->Sink() != AudioSink::WavFile) {
      message.clear();
      for (const std::string& m : synth->Messages()) message += (message.empty() ? "" : "\n") + m;
      if (message.empty()) message = Tr("Der Synthesizer kann nicht in die WAV-Datei spielen.", "The synthesizer cannot render into the WAV file.");
      synth->Finish(nullptr);
      return false;
    }
    synth->RenderSong(song, progress, mutedChannel);
    return synth->Finish(&message);
  } catch (const std::exception& e) {
    message = e.what();
    return false;
  }
}

bool OggVorbisAvailable() {
  auto writable = Entry<OggVorbisWritableFn>(Plugin(kSynthPlugin), "CantovexOggVorbisWritable");
  return writable && writable();
}

bool RenderSongToAudio(const Song& song, const std::string& path, int mutedChannel, const std::string& soundFont,
                       std::string& message, const std::function<void(int64_t, int64_t)>& progress) {
  std::string extension = fs::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(), [](unsigned char c) { return std::tolower(c); });
  if (extension != ".ogg") return RenderSongToWav(song, path, mutedChannel, soundFont, message, progress);
  auto encode = Entry<WavToOggVorbisFn>(Plugin(kSynthPlugin), "CantovexWavToOggVorbis");
  if (!encode || !OggVorbisAvailable()) {
    message = Tr("Ogg Vorbis kann hier nicht geschrieben werden (libsndfile mit Vorbis fehlt); wählen Sie WAV.",
                 "Ogg Vorbis cannot be written here (libsndfile with Vorbis is missing); choose WAV.");
    return false;
  }
  std::error_code ec;
  const fs::path wav = fs::temp_directory_path(ec) /
                       ("cantovex-render-" + std::to_string(::getpid()) + "-" + fs::path(path).stem().string() + ".wav");
  struct Remove {
    const fs::path& file;
    ~Remove() {
      std::error_code ignored;
      fs::remove(file, ignored);
    }
  } removeWav{wav};
  if (!RenderSongToWav(song, wav.string(), mutedChannel, soundFont, message, progress)) return false;
  const std::string wavName = wav.string();
  std::vector<uint8_t> ogg;
  if (!encode(&wavName, &ogg, &message)) return false;
  const FileWriteResult written = WriteFileSafely(path, ogg);
  if (!written.Ok) {
    message = SaveMessage(SaveTexts::Other, written, path);
    return false;
  }
  return true;
}

std::vector<TAudioDevice> AudioDevices() {
  std::vector<TAudioDevice> devices;
  if (auto list = Entry<AudioDevicesFn>(Plugin(kSynthPlugin), "CantovexAudioDevices")) list(&devices);
  return devices;
}

std::string DefaultSoundFont() {
  std::string path;
  if (auto find = Entry<DefaultSoundFontFn>(Plugin(kSynthPlugin), "CantovexDefaultSoundFont")) find(&path);
  return path;
}

std::vector<std::unique_ptr<DocumentReader>> DocumentReaders() {
  std::vector<std::unique_ptr<DocumentReader>> readers;
  const LoadedPlugin& plugin = Plugin(kDocumentsPlugin);
  if (auto list = Entry<DocumentReadersFn>(plugin, "CantovexDocumentReaders"))
    list(&readers);
  else
    readers.push_back(std::make_unique<MissingDocumentReader>(plugin.error));
  return readers;
}

}  // namespace cv
