// cantovex-cli ports: the MIDI outputs and audio devices playback can use.
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
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
  Json result = {{"midiSystem", nullptr}, {"midiOutputs", Json::array()}, {"audioDevices", Json::array()},
                 {"soundFont", nullptr}};
#ifdef HAVE_CANTOVEX_MIDIPORT
  cv::TMidiOutput port;
  result["midiSystem"] = port.ApiName();
  for (const std::string& name : port.DeviceNames()) result["midiOutputs"].push_back(name);
  if (port.HasVirtualPort()) result["midiOutputs"].push_back(port.DeviceName(cv::TMidiOutput::VirtualPortID));
#endif
#ifdef HAVE_CANTOVEX_SYNTH
  for (const auto& d : cv::TSynthesizer::AudioDevices())
    result["audioDevices"].push_back({{"Driver", d.Driver}, {"Name", d.Name}});
  if (const std::string font = cv::TSynthesizer::DefaultSoundFont(); !font.empty()) result["soundFont"] = font;
#endif
  ctx.output.Result(result, PortsText);
  return 0;
}

CliRegistrar registrar({"ports", {""}, "List MIDI outputs and audio devices / Zeigt MIDI-Ausgänge und Audiogeräte", {}, {},
                        Ports});

}  // namespace
}  // namespace cvcli
