#!/usr/bin/env bash
# Installs the Debian packages (and, for the tests, the npm oracle) that the
# build needs, asking apt only for what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make pkg-config libcli11-dev nlohmann-json3-dev)
# run: what the repair demo needs to show its result.
[[ "${1:-}" == "run" ]] && packages+=(mdbtools)
# gui: the window, and a display server for a machine without one (scripts/screenshots.sh).
[[ "${1:-}" == "gui" ]] && packages+=(qt6-base-dev xvfb xauth)
# package: the Debian packages and their check (scripts/package-check.sh).
[[ "${1:-}" == "package" ]] && packages+=(qt6-base-dev help2man dpkg-dev man-db xvfb xauth)
if [[ "${1:-}" == "test" ]]; then
  packages+=(qt6-base-dev libgtest-dev googletest mdbtools libsqlite3-dev libbenchmark-dev)
  # A machine may carry its own Node.js (with npm inside); Debian's npm conflicts with it.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}" >/dev/null
fi

# mdb-reader, the second independent reader the tests check our files against.
if [[ "${1:-}" == "test" && -f tests/oracles/package.json && ! -d tests/oracles/node_modules/mdb-reader ]]; then
  npm install --silent --no-audit --no-fund --prefix tests/oracles >/dev/null
fi
