#!/usr/bin/env bash
# run.sh ARGS...: builds the tarvex command line if needed and runs it with ARGS,
# for example: scripts/run.sh scan ../shared/fixtures/real/jet4_northwind2000.mdb
# run.sh gui [FILE]: starts the window instead (with FILE, its repair starts at once).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" >&2
"$root/scripts/build.sh" "$root/build/run" -DTARVEX_BUILD_TESTS=OFF >&2
if [[ "${1:-}" == "gui" ]]; then
  shift
  exec "$root/build/run/src/shell/tarvex-gui" "$@"
fi
exec "$root/build/run/src/cli/tarvex" "$@"
