// cantovex-cli ports: the MIDI outputs and audio devices playback can use.
#include <ostream>

#include "cli/CliCommand.h"
#include "cli/CliSong.h"
#include "song/Language.h"

#ifdef HAVE_CANTOVEX_MIDIPORT
#include "platform/midiport/MidiOut.h"
#endif
#ifdef HAVE_CANTOVEX_SYNTH
#include "platform/synth/Synthesizer.h"
#endif

namespace cvcli {
namespace {

int Ports(CliContext& ctx) {
  if (!ctx.args.empty()) throw CliUsageError{cv::Tr("Unbekanntes Argument: ", "Unknown argument: ") + ctx.args[0]};
  std::vector<std::string> midi;
  std::string midiSystem = "none";
#ifdef HAVE_CANTOVEX_MIDIPORT
  cv::TMidiOutput port;
  midiSystem = port.ApiName();
  midi = port.DeviceNames();
  if (port.HasVirtualPort()) midi.push_back(port.DeviceName(cv::TMidiOutput::VirtualPortID));
#endif
  std::vector<std::pair<std::string, std::string>> audio;  // driver, name
  std::string soundFont;
#ifdef HAVE_CANTOVEX_SYNTH
  for (const auto& d : cv::TSynthesizer::AudioDevices()) audio.emplace_back(d.Driver, d.Name);
  soundFont = cv::TSynthesizer::DefaultSoundFont();
#endif
  std::ostream& out = *ctx.out;
  if (ctx.json) {
    out << "{\n  \"MidiSystem\": " << JsonString(midiSystem) << ",\n  \"MidiOutputs\": [";
    for (size_t i = 0; i < midi.size(); ++i) out << (i ? ", " : "") << JsonString(midi[i]);
    out << "],\n  \"AudioDevices\": [";
    for (size_t i = 0; i < audio.size(); ++i)
      out << (i ? ", " : "") << "{\"Driver\": " << JsonString(audio[i].first) << ", \"Name\": " << JsonString(audio[i].second) << "}";
    out << "],\n  \"SoundFont\": " << JsonString(soundFont) << "\n}\n";
    return 0;
  }
  if (midiSystem == "none") midiSystem = cv::Tr("kein MIDI-System", "no MIDI system");
  out << cv::Tr("MIDI-Ausgänge", "MIDI outputs") << " (" << midiSystem << "):\n";
  if (midi.empty()) out << "  " << cv::Tr("(keine)", "(none)") << "\n";
  for (const auto& m : midi) out << "  " << m << "\n";
  out << cv::Tr("Audiogeräte", "Audio devices") << ":\n";
  if (audio.empty()) out << "  " << cv::Tr("(keine: der Synthesizer kann in eine WAV-Datei spielen)", "(none: the synthesizer can render into a WAV file)") << "\n";
  for (const auto& a : audio) out << "  " << a.second << "  [" << a.first << "]\n";
  if (!soundFont.empty()) out << "SoundFont: " << soundFont << "\n";
  return 0;
}

CliRegistrar registrar({"ports", "ports", "List MIDI outputs and audio devices / Zeigt MIDI-Ausgänge und Audiogeräte", Ports});

}  // namespace
}  // namespace cvcli
