// The synthesizer plugin's entry points (see platform/Devices.h).
#include "platform/synth/OggEncoder.h"
#include "platform/synth/Synthesizer.h"

extern "C" cv::SynthDevice* CantovexMakeSynthesizer(const cv::SynthOptions* options) {
  return new cv::TSynthesizer(*options);
}

extern "C" void CantovexAudioDevices(std::vector<cv::TAudioDevice>* devices) {
  *devices = cv::TSynthesizer::AudioDevices();
}

extern "C" void CantovexDefaultSoundFont(std::string* path) { *path = cv::TSynthesizer::DefaultSoundFont(); }

extern "C" bool CantovexOggVorbisWritable() { return cv::OggVorbisWritable(); }

extern "C" bool CantovexWavToOggVorbis(const std::string* wav, std::vector<uint8_t>* ogg, std::string* error) {
  return cv::WavToOggVorbis(*wav, *ogg, *error);
}
