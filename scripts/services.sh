# Sourced by the test script: starts and stops the services that tests need.
# A JACK server on its dummy driver gives the MIDI port and audio tests real devices on a machine
# without sound hardware. One that already runs is used and left alone.
export JACK_NO_START_SERVER=1
start_services() {
  CANTOVEX_JACKD_PID=
  command -v jackd >/dev/null 2>&1 || { echo "services: jackd not installed; device tests will be skipped"; return 0; }
  if jack_lsp >/dev/null 2>&1; then
    echo "services: a JACK server is already running"
    return 0
  fi
  JACK_NO_AUDIO_RESERVATION=1 jackd --no-realtime -d dummy -r 44100 -p 256 \
    >"${TMPDIR:-/tmp}/cantovex-jackd.log" 2>&1 &
  CANTOVEX_JACKD_PID=$!
  for _ in $(seq 50); do
    jack_lsp >/dev/null 2>&1 && { echo "services: JACK (dummy driver) started"; return 0; }
    sleep 0.1
  done
  echo "services: JACK did not start (see ${TMPDIR:-/tmp}/cantovex-jackd.log); device tests will be skipped"
}
stop_services() {
  if [ -n "${CANTOVEX_JACKD_PID:-}" ]; then
    kill "$CANTOVEX_JACKD_PID" 2>/dev/null || true
    wait "$CANTOVEX_JACKD_PID" 2>/dev/null || true
    CANTOVEX_JACKD_PID=
  fi
}
