#!/usr/bin/env bash
# Builds in Release and runs every benchmark binary under build-bench/bench.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
export CANTOVEX_BUILD_DIR=$top/build-bench CANTOVEX_BUILD_TYPE=Release
bash "$top/scripts/build.sh"
for b in "$top"/build-bench/bench/bench_*; do
  [ -x "$b" ] || continue
  echo "== $(basename "$b")"
  "$b"
done
