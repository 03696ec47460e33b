#!/usr/bin/env bash
# run.sh ARGS...: builds the tarvex command line if needed and runs it with ARGS,
# for example: scripts/run.sh scan ../shared/fixtures/real/jet4_northwind2000.mdb
# run.sh gui [FILE]: starts the window instead (with FILE, its repair starts at once).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [[ "${1:-}" == "gui" ]]; then
  shift
  "$root/scripts/install-deps.sh" gui >&2
  "$root/scripts/build.sh" "$root/build/run" -DTARVEX_BUILD_TESTS=OFF -DTARVEX_BUILD_SHELL=ON >&2
  exec "$root/build/run/src/shell/tarvex-gui" "$@"
fi
# The command line alone does not wait for the window to compile.
"$root/scripts/install-deps.sh" >&2
"$root/scripts/build.sh" "$root/build/run" -DTARVEX_BUILD_TESTS=OFF -DTARVEX_BUILD_SHELL=OFF >&2
exec "$root/build/run/src/cli/tarvex" "$@"
