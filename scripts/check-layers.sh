#!/usr/bin/env bash
# The core's folders include only their own layer and the layers below it:
#   song  <-  output  <-  lyrics  <-  session        song  <-  playback
# and never the adapters or the programs. Prints every include that breaks the order and fails.
# --graph prints the folder edges found instead (to see the structure of any checkout).
set -euo pipefail
mode=check
if [[ ${1:-} == --graph ]]; then mode=graph; shift; fi
src=${1:-$(dirname "$0")/../src}

declare -A allowed=(
  [song]="song"
  [output]="song output"
  [lyrics]="song output lyrics"
  [playback]="song playback"
  [session]="song lyrics output playback session"
)

bad=0
declare -A edges=()
for layer in song output lyrics playback session; do
  [[ -d $src/$layer ]] || continue
  # file:line:folder for every include of another folder
  while IFS=: read -r file line target; do
    edges["$layer -> $target"]=1
    if [[ $mode == check && " ${allowed[$layer]} " != *" $target "* ]]; then
      echo "layer order broken: $file:$line includes $target/ ($layer may use: ${allowed[$layer]})"
      bad=1
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^/"]+/' "$src/$layer" |
           sed -E 's/^([^:]*):([0-9]+):.*#[[:space:]]*include[[:space:]]+"([^/"]+)\/.*/\1:\2:\3/' |
           awk -F: -v self="$layer" '$3 != self')
done

if [[ $mode == graph ]]; then
  printf '%s\n' "${!edges[@]}" | sort
  exit 0
fi
if [[ $bad == 0 ]]; then echo "core layers: one-way order holds"; fi
exit $bad
