// Which real devices this machine offers to the tests.
#pragma once

#include <jack/jack.h>

#include <string>
#include <sys/stat.h>

namespace cvtest {

// True when a JACK server runs (the test script starts one on its dummy driver).
inline bool JackServerRunning() {
  // JACK reports a missing server on stderr; the skip message says it once.
  jack_set_error_function([](const char*) {});
  jack_set_info_function([](const char*) {});
  jack_status_t status{};
  jack_client_t* client = jack_client_open("cantovex-probe", JackNoStartServer, &status);
  if (!client) return false;
  jack_client_close(client);
  return true;
}

inline const char* NoJackReason() {
  return "no JACK server is running (scripts/test.sh starts one with `jackd -d dummy`)";
}

inline bool AlsaSequencerPresent() {
  struct stat st {};
  return stat("/dev/snd/seq", &st) == 0;
}

}  // namespace cvtest
