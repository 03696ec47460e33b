#!/usr/bin/env bash
# screenshots.sh [FILE] [FOLDER]: pictures of the window's mode, preview and done
# pages (page-0.png, page-3.png, page-5.png) while it repairs FILE and saves it
# into FOLDER (default build/screenshots), on a virtual display. TARVEX_GUI names
# a tarvex-gui already built; without it the script builds one.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
file="${1:-$root/../shared/fixtures/real/jet4_northwind2000.mdb}"
folder="${2:-$root/build/screenshots}"
"$root/scripts/install-deps.sh" gui >&2
gui="${TARVEX_GUI:-}"
if [[ -z "$gui" ]]; then
  "$root/scripts/build.sh" "$root/build/run" -DTARVEX_BUILD_TESTS=OFF -DTARVEX_BUILD_SHELL=ON >&2
  gui="$root/build/run/src/shell/tarvex-gui"
fi
mkdir -p "$folder"
folder="$(cd "$folder" && pwd)"
rm -f "$folder"/page-*.png "$folder"/Tarvex_*
# A lock file of its own, so that a window the user has open does not stop the pictures.
runtime="$(mktemp -d)"
trap 'rm -rf "$runtime"' EXIT
XDG_RUNTIME_DIR="$runtime" xvfb-run -a -s "-screen 0 1280x800x24" \
  "$gui" --screenshots "$folder" "$file"
ls "$folder"/page-*.png
