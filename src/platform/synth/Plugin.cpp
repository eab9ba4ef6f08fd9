// The synthesizer plugin's entry points (see platform/Devices.h).
#include "platform/synth/Synthesizer.h"

extern "C" cv::SynthDevice* CantovexMakeSynthesizer(const cv::SynthOptions* options) {
  return new cv::TSynthesizer(*options);
}

extern "C" void CantovexAudioDevices(std::vector<cv::TAudioDevice>* devices) {
  *devices = cv::TSynthesizer::AudioDevices();
}

extern "C" void CantovexDefaultSoundFont(std::string* path) { *path = cv::TSynthesizer::DefaultSoundFont(); }
