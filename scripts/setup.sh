#!/usr/bin/env bash
# Installs every Debian package the project needs (lists in scripts/packages/*.txt).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
pkgs=$(grep -hv '^\s*#' "$here"/packages/*.txt | tr -s ' \n' ' ')
missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
