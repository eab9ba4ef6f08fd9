#include "session/OutputChoice.h"

#include "playback/CV_MidiPlayer.h"
#include "song/Language.h"

namespace cv {

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

// A wanted port that is not there: its name and the ports there are, so the user can pick one.
std::string NotThereText(const TOutputRequest& request) {
  std::string ports;
  for (const std::string& name : request.PortNames) ports += "\n  " + name;
  if (!request.VirtualPortName.empty()) ports += "\n  virtual (" + request.VirtualPortName + ")";
  return NotInstalledText(request.WantedName) + ".\n" +
         (ports.empty() ? Tr("Es gibt keine MIDI-Ausgänge.", "There are no MIDI outputs.")
                        : Tr("Vorhandene MIDI-Ausgänge:", "MIDI outputs there are:") + ports);
}

TOutputChoice From(const TDeviceList& entry) {
  TOutputChoice c;
  c.Output = entry.VSTi ? TOutputChoice::Kind::Synth : TOutputChoice::Kind::Port;
  c.PortIndex = entry.VSTi ? 0 : static_cast<uint32_t>(entry.DeviceID);
  c.Name = entry.Name;
  return c;
}
}  // namespace

TOutputChoice ChooseOutputFor(const TOutputRequest& request) {
  std::string noOutput;
  const std::vector<TDeviceList> list =
      BuildDeviceList(request.PortNames, request.SynthName, request.SynthAllowed, &noOutput);
  const std::string& wanted = request.WantedName;
  if (!wanted.empty()) {
    for (int i = static_cast<int>(list.size()) - 1; i >= 0; --i)
      if (list[i].Name == wanted) return From(list[i]);
    // Port names carry client numbers that change between sessions: a unique part will do.
    const TDeviceList* partial = nullptr;
    int partials = 0;
    for (const TDeviceList& entry : list)
      if (!entry.VSTi && Lower(entry.Name).find(Lower(wanted)) != std::string::npos) partial = &entry, ++partials;
    if (partials == 1) return From(*partial);
    if (!request.VirtualPortName.empty() && (wanted == "virtual" || wanted == request.VirtualPortName)) {
      TOutputChoice c;
      c.Output = TOutputChoice::Kind::VirtualPort;
      c.Name = request.VirtualPortName;
      return c;
    }
    if (!request.FallBack) {
      TOutputChoice c;
      c.Message = NotThereText(request);
      return c;
    }
  }
  if (request.SynthAllowed) return From(list.back());
  if (request.FallBack && !list.empty()) return From(list.front());
  TOutputChoice none;
  none.Message = NoMidiPortMessage();
  return none;
}

}  // namespace cv
