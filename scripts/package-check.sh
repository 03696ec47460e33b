#!/usr/bin/env bash
# package-check.sh [FILE]: builds the Debian packages tarvex and tarvex-gui with cpack, installs
# them with apt, checks that `tarvex --help`, `man tarvex` and the window (on a virtual display,
# repairing FILE) start from the installed files, then removes the packages again. Needs root or
# sudo; refuses to run where either package is installed already, so as not to remove the user's.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
file="${1:-$root/../shared/fixtures/real/jet4_northwind2000.mdb}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)

for package in tarvex tarvex-gui; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    echo "package-check: $package is installed already; remove it first" >&2
    exit 2
  fi
done

"$root/scripts/install-deps.sh" package >&2
build="$root/build/package"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
"$root/scripts/build.sh" "$build" -DTARVEX_BUILD_TESTS=OFF -DTARVEX_PACKAGE=ON "${launcher[@]}" >&2
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB >&2)

scratch="$(mktemp -d)"
remove() {
  "${sudo_cmd[@]}" apt-get remove -y -qq tarvex tarvex-gui >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap remove EXIT
cd "$build"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt install -y -qq ./tarvex_*.deb ./tarvex-gui_*.deb \
  >/dev/null 2>&1
version="$(sed -n 's/^project(TarvexForAccess VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")"

check() {
  local what=$1
  shift
  if "$@" >"$scratch/out" 2>&1; then
    echo "ok: $what"
  else
    echo "FAILED: $what" >&2
    cat "$scratch/out" >&2
    exit 1
  fi
}
check "tarvex --version prints $version" grep -qx "tarvex $version" <(/usr/bin/tarvex --version)
check "tarvex --help" /usr/bin/tarvex --help
check "man tarvex" bash -c "MANPAGER=cat man tarvex | grep -q 'repair damaged Microsoft Access'"
check "desktop entry" test -f /usr/share/applications/tarvex-gui.desktop
check "icon" test -f /usr/share/icons/hicolor/256x256/apps/tarvex-gui.png
check "tarvex-gui --version prints $version" \
  bash -c "QT_QPA_PLATFORM=offscreen /usr/bin/tarvex-gui --version | grep -q '$version'"
# The window repairs and saves FILE on a virtual display, as scripts/screenshots.sh has it do.
check "tarvex-gui repairs $(basename "$file") on a virtual display" \
  env XDG_RUNTIME_DIR="$scratch" TARVEX_WORK_DIR="$scratch/work" \
  xvfb-run -a -s "-screen 0 1280x800x24" /usr/bin/tarvex-gui --screenshots "$scratch" "$file"
"${sudo_cmd[@]}" apt-get remove -y -qq tarvex tarvex-gui >/dev/null
check "removed cleanly" bash -c \
  "! dpkg-query -W -f='\${Status}' tarvex tarvex-gui 2>/dev/null | grep -q 'ok installed' &&
   ! test -e /usr/bin/tarvex && ! test -e /usr/bin/tarvex-gui && ! test -e /usr/share/man/man1/tarvex.1.gz"
echo "package-check: every check passed"
