// Which output plays the song: a MIDI port, the synthesizer, or none. The caller lists what the
// machine offers; the devices themselves are made by the caller's adapters.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cv {

struct TOutputRequest {
  std::vector<std::string> PortNames;  // as the port adapter lists them, index = device id
  std::string SynthName;               // shown for the synthesizer
  bool SynthAllowed = false;           // the synthesizer may play (enabled, and it loads)
  // A port wanted by name: the exact name, else the one port whose name contains it (any case).
  std::string WantedName;
  // With no wanted port found: the synthesizer when allowed, else the first port by name.
  bool FallBack = true;
  // Name of our own virtual port ("virtual" asks for it too); empty when there is none.
  std::string VirtualPortName;
};

struct TOutputChoice {
  enum class Kind { None, Port, VirtualPort, Synth } Output = Kind::None;
  uint32_t PortIndex = 0;  // Kind::Port: index into PortNames
  std::string Name;
  std::string Message;  // Kind::None: why, in the user's language
};

TOutputChoice ChooseOutputFor(const TOutputRequest& request);

}  // namespace cv
