#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
build=${CANTOVEX_BUILD_DIR:-$top/build}
CANTOVEX_WERROR=${CANTOVEX_WERROR:-ON} bash "$top/scripts/build.sh"
# Everything the tests write (temporary files, sockets, lock files, logs) stays in the build folder.
export TMPDIR=$build/test-tmp
rm -rf "$TMPDIR"
mkdir -p "$TMPDIR"
# Every libFuzzer target for a bounded time, in its own sanitizer build (build-fuzz/).
bash "$top/scripts/fuzz.sh"
# Services some tests need (a JACK server on its dummy driver); stopped on exit.
. "$top/scripts/services.sh"
start_services
trap stop_services EXIT
cd "$build"
# Last, so the suites' summary closes the output.
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600
