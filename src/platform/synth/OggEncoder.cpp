// WAV to Ogg Vorbis through the system's libsndfile, into memory so the caller writes the file
// through the safe save like every other file.
#include "platform/synth/OggEncoder.h"

#include <sndfile.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "song/Language.h"

namespace cv {

namespace {

constexpr int kOggVorbis = SF_FORMAT_OGG | SF_FORMAT_VORBIS;

// libsndfile's virtual file over a growing byte vector.
struct MemoryFile {
  std::vector<uint8_t>* bytes;
  sf_count_t at = 0;
};

sf_count_t Length(void* user) { return static_cast<sf_count_t>(static_cast<MemoryFile*>(user)->bytes->size()); }

sf_count_t Seek(sf_count_t offset, int whence, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const sf_count_t base = whence == SEEK_CUR ? f->at : whence == SEEK_END ? Length(user) : 0;
  f->at = std::max<sf_count_t>(0, base + offset);
  return f->at;
}

sf_count_t Read(void* ptr, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const sf_count_t n = std::clamp<sf_count_t>(Length(user) - f->at, 0, count);
  if (n > 0) std::memcpy(ptr, f->bytes->data() + f->at, static_cast<size_t>(n));
  f->at += n;
  return n;
}

sf_count_t Write(const void* ptr, sf_count_t count, void* user) {
  auto* f = static_cast<MemoryFile*>(user);
  const size_t end = static_cast<size_t>(f->at + count);
  if (end > f->bytes->size()) f->bytes->resize(end);
  std::memcpy(f->bytes->data() + f->at, ptr, static_cast<size_t>(count));
  f->at += count;
  return count;
}

sf_count_t Tell(void* user) { return static_cast<MemoryFile*>(user)->at; }

struct Closer {
  void operator()(SNDFILE* f) const { sf_close(f); }
};

}  // namespace

bool OggVorbisWritable() {
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = kOggVorbis;
  return sf_format_check(&info) != 0;
}

bool WavToOggVorbis(const std::string& wavPath, std::vector<uint8_t>& ogg, std::string& error) {
  SF_INFO in{};
  const std::unique_ptr<SNDFILE, Closer> wav(sf_open(wavPath.c_str(), SFM_READ, &in));
  if (!wav) {
    error = std::string(Tr("Die Aufnahme kann nicht gelesen werden: ", "Cannot read the recording: ")) + sf_strerror(nullptr);
    return false;
  }
  SF_INFO out{};
  out.samplerate = in.samplerate;
  out.channels = in.channels;
  out.format = kOggVorbis;
  ogg.clear();
  MemoryFile file{&ogg};
  SF_VIRTUAL_IO io{Length, Seek, Read, Write, Tell};
  std::unique_ptr<SNDFILE, Closer> encoded(sf_open_virtual(&io, SFM_WRITE, &out, &file));
  if (!encoded) {
    error = std::string(Tr("Ogg Vorbis kann hier nicht geschrieben werden: ", "Ogg Vorbis cannot be written here: ")) +
            sf_strerror(nullptr);
    return false;
  }
  double quality = 0.5;  // about 160 kbit/s for a song: clear enough to sing to, a tenth of the WAV
  sf_command(encoded.get(), SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
  std::vector<float> block(static_cast<size_t>(4096 * std::max(1, in.channels)));
  for (sf_count_t n; (n = sf_readf_float(wav.get(), block.data(), 4096)) > 0;) {
    if (sf_writef_float(encoded.get(), block.data(), n) != n) {
      error = "Ogg Vorbis: " + std::string(sf_strerror(encoded.get()));
      return false;
    }
  }
  encoded.reset();  // flushes the last pages into ogg
  return true;
}

}  // namespace cv
