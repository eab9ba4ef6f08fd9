#!/usr/bin/env bash
# Regenerates data/hyphenation/Lang_*.hyp from the pattern sources in data/hyphenation/sources.
# The German source is too large for the file layout; pass --derive-german to derive the compact
# set again from hyph-de-1996.tex and the word list of wngerman (the result is committed).
# Usage: bash tools/hyphenation/build_patterns.sh [--derive-german] [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
derive=0
if [ "${1:-}" = "--derive-german" ]; then derive=1; shift; fi
build=${1:-$top/build}
cmake --build "$build" --target cantovex-hyphc cantovex-hyphprune -j2 >/dev/null
src=$top/data/hyphenation/sources
dst=$top/data/hyphenation
if [ $derive = 1 ]; then
  "$build/tools/cantovex-hyphprune" --words /usr/share/dict/ngerman -o "$src/hyph-de-1996-compact.pat" "$src/hyph-de-1996.tex"
fi
hyphc=$build/tools/cantovex-hyphc
"$hyphc" --title "Cantovex 3 hyphenation: German (from hyph-de-1996, MIT)" -o "$dst/Lang_ger.hyp" "$src/hyph-de-1996-compact.pat"
"$hyphc" --title "Cantovex 3 hyphenation: English (Knuth's hyphen.tex)" -o "$dst/Lang_eng.hyp" "$src/hyphen.tex"
"$hyphc" --apostrophe --title "Cantovex 3 hyphenation: French (hyph-fr, MIT)" -o "$dst/Lang_fre.hyp" "$src/hyph-fr.tex"
"$hyphc" --apostrophe --title "Cantovex 3 hyphenation: Italian (hyph-it, MIT)" -o "$dst/Lang_ita.hyp" "$src/hyph-it.tex"
"$hyphc" --title "Cantovex 3 hyphenation: Spanish (hyph-es, MIT)" -o "$dst/Lang_spa.hyp" "$src/hyph-es.tex"
