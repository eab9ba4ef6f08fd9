// ALSA and JACK print their own diagnostics on stderr (a missing card or server is normal here);
// our adapters report failures themselves, so those prints are switched off once.
#pragma once

#include <alsa/asoundlib.h>
#include <jack/jack.h>

#include <sys/stat.h>

namespace cv {

inline void QuietAlsaHandler(const char*, int, const char*, int, const char*, ...) {}

inline void QuietAudioLogs() {
  static const bool done = [] {
    snd_lib_error_set_handler(&QuietAlsaHandler);
    jack_set_error_function([](const char*) {});
    jack_set_info_function([](const char*) {});
    return true;
  }();
  (void)done;
}

// True when a JACK server answers (never starts one).
inline bool JackServerAnswers() {
  QuietAudioLogs();
  jack_status_t status{};
  jack_client_t* client = jack_client_open("cantovex-probe", JackNoStartServer, &status);
  if (!client) return false;
  jack_client_close(client);
  return true;
}

inline bool AlsaSequencerExists() {
  struct stat st {};
  return stat("/dev/snd/seq", &st) == 0;
}

}  // namespace cv
