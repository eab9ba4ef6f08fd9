#!/usr/bin/env bash
# Agreement of data/hyphenation/Lang_*.hyp with libhyphen on Debian word lists.
# Reference A: the full public pattern set (data/hyphenation/sources) turned into a libhyphen
# dictionary; reference B: Debian's hyphen-* dictionary of the language.
# Needs: libhyphen-dev hyphen-de hyphen-en-us hyphen-fr hyphen-it hyphen-es
#        wngerman wamerican wfrench witalian wspanish perl
# The hyphen minimum at both word ends (lhmin, rhmin) is applied to both sides alike.
# Usage: bash tools/hyphenation/measure.sh [BUILD_DIR]
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build}
cmake --build "$build" --target cantovex-hyphcheck -j2 >/dev/null
check=$build/tools/cantovex-hyphcheck
src=$top/data/hyphenation/sources
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# language  pattern file  source  Debian dictionary  word list  lhmin rhmin
while read -r lang hyp source debdic words lh rh; do
  /usr/bin/python3 "$top/tools/hyphenation/tex_patterns.py" "$src/$source" > "$tmp/$lang.pat"
  perl /usr/share/libhyphen/substrings.pl "$tmp/$lang.pat" "$tmp/$lang.dic" UTF-8 1 1 >/dev/null
  echo "== $lang: $hyp"
  printf '   A (full %s):    ' "$source"
  "$check" --hyp "$top/data/hyphenation/$hyp" --dic "$tmp/$lang.dic" --words "/usr/share/dict/$words" --lhmin "$lh" --rhmin "$rh"
  printf '   B (Debian %s): ' "$debdic"
  "$check" --hyp "$top/data/hyphenation/$hyp" --dic "/usr/share/hyphen/$debdic" --words "/usr/share/dict/$words" --lhmin "$lh" --rhmin "$rh"
done <<'LIST'
de Lang_ger.hyp hyph-de-1996.tex hyph_de_DE.dic ngerman 2 2
en Lang_eng.hyp hyphen.tex hyph_en_US.dic american-english 2 3
fr Lang_fre.hyp hyph-fr.tex hyph_fr.dic french 2 2
it Lang_ita.hyp hyph-it.tex hyph_it_IT.dic italian 2 2
es Lang_spa.hyp hyph-es.tex hyph_es_ES.dic spanish 2 2
LIST
