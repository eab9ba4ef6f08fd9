#!/usr/bin/env bash
# Configures and builds everything into build/ (or $CANTOVEX_BUILD_DIR). The test and demo
# commands both build through here with the same settings, so whichever runs second reuses the
# first one's build; warnings are errors by default, as in CI.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${CANTOVEX_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${CANTOVEX_BUILD_TYPE:-RelWithDebInfo} \
  -DCANTOVEX_WERROR=${CANTOVEX_WERROR:-ON} "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
