// The MIDI port plugin's entry point (see platform/Devices.h).
#include "platform/midiport/MidiOut.h"

extern "C" cv::MidiPortDevice* CantovexMakeMidiPort(int system) {
  return new cv::TMidiOutput(static_cast<cv::MidiSystem>(system));
}
