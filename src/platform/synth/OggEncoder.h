// Ogg Vorbis for the audio a karaoke game plays, where the system's encoder is there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cv {

// The system's libsndfile can write Ogg Vorbis.
bool OggVorbisWritable();
// The WAV file encoded as Ogg Vorbis into ogg; false with the reason in error.
bool WavToOggVorbis(const std::string& wavPath, std::vector<uint8_t>& ogg, std::string& error);

}  // namespace cv
