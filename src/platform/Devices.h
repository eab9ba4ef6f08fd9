// Platform choices in one place: the MIDI port, the synthesizer and its audio devices, the
// do-nothing port, and the lyric document readers. The heavy adapters are plugins (shared objects
// in the plugin folder) loaded the first time one of them is asked for, so a command that never
// plays, lists devices or reads a document never loads a sound, MIDI or document library.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "lyrics/DocumentReader.h"
#include "playback/AudioPath.h"
#include "playback/MidiSink.h"
#include "song/Song.h"

namespace cv {

// Which system MIDI layer to use; Auto takes the first that has ports.
enum class MidiSystem { Auto, Alsa, Jack };

// The MIDI output port as the programs use it.
class MidiPortDevice : public MidiPortSink {
 public:
  // The device ID of the virtual output port other programs connect to (Linux and macOS).
  static constexpr uint32_t VirtualPortID = 0xFFFFFFFF;
  static constexpr const char* ProgramPortName = "Cantovex 3";

  // Name of a port as the system lists it (indices change when devices come and go).
  virtual std::string DeviceName(uint32_t index) = 0;
  virtual std::vector<std::string> DeviceNames() = 0;
  // True when this system offers a virtual output port.
  virtual bool HasVirtualPort() const = 0;
  // The system layer in use ("ALSA", "JACK", ... or "none"), and why none works when so.
  virtual std::string ApiName() const = 0;
  virtual const std::string& SystemError() const = 0;
  virtual void SetDeviceID(uint32_t id) = 0;
  virtual const std::string& ProductName() const = 0;
  // The last failure's text (empty when the last call succeeded).
  virtual const std::string& Error() const = 0;
};

enum class AudioSink { Device, WavFile, Null };

struct SynthOptions {
  std::string SoundFont;        // empty: the default General MIDI SoundFont
  AudioSink Sink = AudioSink::Device;
  std::string AudioOutDeviceName;  // empty or unknown: the first device
  std::string WavPath;          // for AudioSink::WavFile, and the fallback when no device opens
  uint32_t AudioBufferTime = 60;   // ms of queued audio (and how early MIDI is sent)
  int VolumeValue = 100;        // 0..130
};

// The software instrument as the programs use it.
class SynthDevice : public InstrumentSink {
 public:
  static constexpr const char* OutputName = "Synthesizer - FluidSynth";

  // The SoundFont loaded; without it the synthesizer is not offered as an output.
  virtual bool isOK() const = 0;
  // What set-up had to tell the user (missing SoundFont or plugin, no audio device and where it
  // renders instead).
  virtual const std::vector<std::string>& Messages() const = 0;
  virtual const std::string& SoundFontPath() const = 0;
  // "JACK: system", "WAV file out.wav", "nothing".
  virtual std::string SinkDescription() const = 0;
  virtual AudioSink Sink() const = 0;
  // Device facts for the options dialog's hint, one per line.
  virtual std::string AudioHintString() const = 0;
  virtual void SetVolume(int volumeValue) = 0;
  // Closes the WAV file (when rendering into one); false with the message when it failed.
  virtual bool Finish(std::string* message) = 0;
  // Renders the whole song as fast as it can (no clock), then a 3.5 s tail; progress(doneMs,
  // totalMs) now and then. The notes of mutedChannel (0..15; -1: none) are left out. Returns the
  // rendered length in ms.
  virtual int64_t RenderSong(const Song& song, const std::function<void(int64_t, int64_t)>& progress,
                             int mutedChannel = -1) = 0;
};

// The MIDI port of this system. Without its plugin: the do-nothing port, which lists no device
// and whose SystemError() says why.
std::unique_ptr<MidiPortDevice> MakeMidiPort(MidiSystem system = MidiSystem::Auto);
// The synthesizer. Without its plugin: one that is not OK and says why in Messages().
std::unique_ptr<SynthDevice> MakeSynthesizer(const SynthOptions& options);
// The song through a synthesizer of its own into the WAV file path, without the notes of
// mutedChannel (-1: none); false with the user's message when it failed (the file not made then).
bool RenderSongToWav(const Song& song, const std::string& path, int mutedChannel, const std::string& soundFont,
                     std::string& message, const std::function<void(int64_t, int64_t)>& progress = nullptr);
// Ogg Vorbis can be written here (the synthesizer plugin and the system's encoder are there).
bool OggVorbisAvailable();
// As RenderSongToWav, and for a path ending in ".ogg" the song as Ogg Vorbis: rendered into a WAV
// in the temporary folder (removed again), encoded and written through the safe save.
bool RenderSongToAudio(const Song& song, const std::string& path, int mutedChannel, const std::string& soundFont,
                       std::string& message, const std::function<void(int64_t, int64_t)>& progress = nullptr);
// Usable audio output devices, named and sorted for the user (none without the plugin).
std::vector<TAudioDevice> AudioDevices();
// The SoundFont used when none is configured (empty without the plugin).
std::string DefaultSoundFont();
// One reader per lyric text format (doc, docx, odt, rtf, txt in the load dialog's order). Without
// the plugin: one reader that takes every file and says the plugin is missing.
std::vector<std::unique_ptr<DocumentReader>> DocumentReaders();

// Where plugins are looked for, the first folder holding the file wins: only $CANTOVEX_PLUGIN_DIR
// when set, else <program folder>/../lib/cantovex3/plugins (installed), then the build's plugin
// folder for a program run where it was built.
std::vector<std::string> PluginFolders();

}  // namespace cv
