#!/usr/bin/env bash
# Builds the .deb, unpacks it below the build folder and runs what it installed: the command-line
# tool on the demo song and the desktop program offscreen. Exit 77: a tool the test needs is absent.
set -euo pipefail
build=$1
work=$build/package-test
for tool in cpack dpkg-deb dpkg-shlibdeps file desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/setup.sh installs it)"; exit 77; }
done
rm -rf "$work"
mkdir -p "$work/home"
gui_pid=
cleanup() {
  if [ -n "$gui_pid" ]; then kill "$gui_pid" 2>/dev/null || true; wait "$gui_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log"; echo "FAIL: cpack -G DEB"; exit 1; }
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"

# Depends: the linked runtime libraries and the SoundFont.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for need in libqt6widgets6 libqt6network6 libfluidsynth3 librtmidi6 librtaudio6 libgsf-1-114 libzip4 libpugixml1v5 \
            "timgm6mb-soundfont | fluid-soundfont-gm"; do
  [[ "$depends" == *"$need"* ]] || { echo "FAIL: Depends lacks $need"; exit 1; }
done

root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
for f in usr/bin/cantovex usr/bin/cantovex-cli usr/share/cantovex3/demo/demo.kar \
         usr/share/cantovex3/hyphenation/Lang_ger.hyp usr/share/cantovex3/manual/OperatingManual.html \
         usr/share/cantovex3/manual/Bedienungsanleitung.html usr/share/icons/hicolor/scalable/apps/de.maravelt.cantovex3.svg \
         usr/share/icons/hicolor/48x48/apps/de.maravelt.cantovex3.png usr/share/doc/cantovex3/LICENSE \
         usr/share/doc/cantovex3/THIRD_PARTY_NOTICES.md usr/share/bash-completion/completions/cantovex-cli; do
  [ -e "$root/$f" ] || { echo "FAIL: the package lacks /$f"; exit 1; }
done
desktop-file-validate "$share/applications/de.maravelt.cantovex3.desktop"
grep -qx 'MimeType=audio/midi;' "$share/applications/de.maravelt.cantovex3.desktop"
appstreamcli validate --no-net "$share/metainfo/de.maravelt.cantovex3.metainfo.xml" >/dev/null

# The unpacked programs run with their own data: no data folder from the environment, a home of
# their own inside the build folder.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_CACHE_HOME=$work/home/.cache \
       XDG_DATA_HOME=$work/home/.local/share TMPDIR=$work/home
unset CANTOVEX_DATA_DIR
cli=$root/usr/bin/cantovex-cli
info=$("$cli" --lang en info "$share/cantovex3/demo/demo.kar")
echo "$info" | head -n 3
[[ "$info" == *"Row"* ]] || { echo "FAIL: cantovex-cli info did not show the demo song"; exit 1; }
words=$("$cli" hyphenate --lang de Silbentrennung)
[ "$words" = "Sil-ben-tren-nung" ] || { echo "FAIL: hyphenate gave '$words'"; exit 1; }
completed=$(bash -c 'source "$1"; COMP_WORDS=(cantovex-cli hyph); COMP_CWORD=1; _cantovex_cli; echo "${COMPREPLY[*]}"' \
  _ "$share/bash-completion/completions/cantovex-cli")
[ "$completed" = "hyphenate" ] || { echo "FAIL: bash completion gave '$completed'"; exit 1; }

# The plugins come with the package, and the unpacked programs load them from it.
plugins=$root/usr/lib/cantovex3/plugins
for p in cantovex-midiport cantovex-synth cantovex-documents; do
  [ -e "$plugins/$p.so" ] || { echo "FAIL: the package lacks /usr/lib/cantovex3/plugins/$p.so"; exit 1; }
done
loaded=$(LD_DEBUG=libs "$cli" --lang en ports 2>&1 >/dev/null | grep -o "calling init: $plugins/[a-z-]*\.so" | sort -u)
echo "$loaded"
for p in cantovex-midiport cantovex-synth; do
  [[ "$loaded" == *"$plugins/$p.so"* ]] || { echo "FAIL: cantovex-cli ports did not load $p from the package"; exit 1; }
done
printf 'Birthday\nFolk\nHap-py birth-day\n' >"$work/words.txt"
"$cli" --lang en import "$share/cantovex3/demo/demo.kar" "$work/words.txt" -o "$work/imported.mid" ||
  { echo "FAIL: cantovex-cli import through the package's document plugin"; exit 1; }

# The desktop program: started offscreen on the demo song; it must still run after a few seconds,
# then it is stopped (the trap stops it whatever happens).
CANTOVEX_INSTANCE_KEY="cantovex-package-test-$$" QT_QPA_PLATFORM=offscreen \
  "$root/usr/bin/cantovex" "$share/cantovex3/demo/demo.kar" >"$work/gui.log" 2>&1 &
gui_pid=$!
sleep 4
if ! kill -0 "$gui_pid" 2>/dev/null; then
  wait "$gui_pid" && code=0 || code=$?
  gui_pid=
  cat "$work/gui.log"
  echo "FAIL: the desktop program ended by itself (exit code $code)"
  exit 1
fi
kill "$gui_pid"
wait "$gui_pid" 2>/dev/null || true
gui_pid=
echo "PASS: the package installs and both programs run"
