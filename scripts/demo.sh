#!/usr/bin/env bash
# Installs what is needed, builds, and runs the program's main job on the demo song.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/setup.sh"
bash "$top/scripts/build.sh"
build=${CANTOVEX_BUILD_DIR:-$top/build}
demo="$top/data/demo/demo.kar"
if [ -x "$build/src/app/cantovex" ] && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/src/app/cantovex" "$demo"
fi
[ -x "$build/src/app/cantovex" ] && echo "No display found: running the command-line demo instead."
"$build/src/cli/cantovex-cli" info "$demo"
"$build/src/cli/cantovex-cli" lyrics "$demo"
