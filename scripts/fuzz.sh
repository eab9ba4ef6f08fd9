#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) in build-fuzz/ and runs each for a bounded
# time, seeded with the test songs (tests/data/corpus, and the extra corpus folder
# $CANTOVEX_CORPUS_DIR or ../shared/corpus when present) and tests/fuzz/seeds/<name>/ when it exists.
# CANTOVEX_FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${CANTOVEX_FUZZ_BUILD_DIR:-$top/build-fuzz}
seconds=${CANTOVEX_FUZZ_SECONDS:-20}
if ! command -v clang++ >/dev/null; then
  echo "fuzz: clang++ not found, fuzzers not built" >&2
  exit 1
fi
cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCANTOVEX_FUZZ=ON -DCANTOVEX_SANITIZE=ON \
  -DCANTOVEX_BUILD_TESTS=OFF -DCANTOVEX_BUILD_BENCH=OFF -DCANTOVEX_BUILD_GUI=OFF >/dev/null
targets=$(cd "$top/tests/fuzz" && ls fuzz_*.cpp 2>/dev/null | sed 's/\.cpp$//')
[ -n "$targets" ] || exit 0
cmake --build "$build" -j"$(nproc)" --target $targets
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for t in $targets; do
  name=${t#fuzz_}
  seeds=()
  seeds+=("$top/tests/data/corpus")
  extra=${CANTOVEX_CORPUS_DIR:-$top/../shared/corpus}
  [ -d "$extra" ] && seeds+=("$extra")
  [ -d "$top/tests/fuzz/seeds/$name" ] && seeds+=("$top/tests/fuzz/seeds/$name")
  mkdir -p "$work/$t" "$build/fuzz-artifacts"
  echo "== $t (${seconds}s)"
  # Leaks inside libgsf only show with full malloc stacks; they are suppressed there.
  sanitizer_env=()
  [ "$t" = fuzz_document_doc ] && sanitizer_env=(env "ASAN_OPTIONS=${ASAN_OPTIONS:-}:fast_unwind_on_malloc=0"
    "LSAN_OPTIONS=${LSAN_OPTIONS:-}:suppressions=$top/tests/fuzz/lsan.supp")
  # New inputs go to the scratch folder only; the seed folders are read, never written.
  ${sanitizer_env[@]+"${sanitizer_env[@]}"} "$build/tests/fuzz/$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/fuzz-artifacts/" -print_final_stats=1 "$work/$t" ${seeds[@]+"${seeds[@]}"} 2>"$work/$t.log" || {
    tail -n 60 "$work/$t.log" >&2
    echo "fuzz: $t found a failure" >&2
    exit 1
  }
  grep -E "stat::number_of_executed_units|Done" "$work/$t.log" | tail -n 2
done
