#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test suite.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
build=${CANTOVEX_BUILD_DIR:-$top/build}
bash "$top/scripts/build.sh"
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
set +e
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)" --timeout 600 | tee "$TMPDIR/ctest.out"
code=${PIPESTATUS[0]}
set -e
# Why each skipped test did not run (GoogleTest's skip message, a script's SKIP line), then the
# suites' summary once more so it closes the output.
if grep -q '(Skipped)' "$TMPDIR/ctest.out"; then
  echo "Skipped tests and why:"
  awk '/^[0-9]+\/[0-9]+ Test: /{name=$3} /: Skipped$/{getline msg; print "  " name ": " msg}
       /^SKIP: /{print "  " name ": " substr($0, 7)}' Testing/Temporary/LastTest.log
  sed -n '/tests passed, /,$p' "$TMPDIR/ctest.out"
fi
exit "$code"
