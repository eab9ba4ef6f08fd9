// cantovex-cli ports: the MIDI outputs and audio devices playback can use.
#include "cli/CliArgs.h"
#include "cli/CliCommand.h"
#include "cli/CliFormat.h"
#include "platform/Devices.h"
#include "song/Language.h"

namespace cvcli {
namespace {

int Ports(CliContext& ctx) {
  RejectUnknownOptions(ctx.args);
  if (!ctx.args.empty()) throw CliUsageError{cv::Tr("Unbekanntes Argument: ", "Unknown argument: ") + ctx.args[0]};
  Json result = {{"midiSystem", nullptr}, {"midiOutputs", Json::array()}, {"audioDevices", Json::array()},
                 {"soundFont", nullptr}};
  const std::unique_ptr<cv::MidiPortDevice> port = cv::MakeMidiPort();
  // Without a MIDI system the JSON says null and the text says so in words.
  if (const std::string api = port->ApiName(); api != "none") result["midiSystem"] = api;
  for (const std::string& name : port->DeviceNames()) result["midiOutputs"].push_back(name);
  if (port->HasVirtualPort()) result["midiOutputs"].push_back(port->DeviceName(cv::MidiPortDevice::VirtualPortID));
  // Why there is no MIDI system (no server, no sequencer, no plugin).
  if (port->ApiName() == "none" && !port->SystemError().empty()) ctx.output.Warning(port->SystemError());
  for (const auto& d : cv::AudioDevices())
    result["audioDevices"].push_back({{"Driver", d.Driver}, {"Name", d.Name}});
  if (const std::string font = cv::DefaultSoundFont(); !font.empty()) result["soundFont"] = font;
  ctx.output.Result(result, PortsText);
  return 0;
}

CliRegistrar registrar({"ports", {""}, "List MIDI outputs and audio devices / Zeigt MIDI-Ausgänge und Audiogeräte", {}, {},
                        Ports});

}  // namespace
}  // namespace cvcli
