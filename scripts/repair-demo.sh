#!/usr/bin/env bash
# repair-demo.sh [HEALTHY_FILE]: the main job end to end. Damages a copy of a
# healthy Access file (page 0, the header, and page 2, the catalogue's
# definition, zeroed), repairs the copy with `tarvex repair` and lists what came
# back with mdbtools. The shared fixture jet4_northwind2000.mdb by default; the
# original is only read. Everything is left in build/repair-demo/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
healthy="${1:-$root/../shared/fixtures/real/jet4_northwind2000.mdb}"
"$root/scripts/install-deps.sh" run >&2
"$root/scripts/build.sh" "$root/build/run" -DTARVEX_BUILD_TESTS=OFF -DTARVEX_BUILD_SHELL=OFF >&2

demo="$root/build/repair-demo"
rm -rf "$demo"
mkdir -p "$demo"
name="$(basename "$healthy")"
damaged="$demo/damaged_$name"
cp "$healthy" "$damaged"
chmod u+w "$damaged"
# The version byte at 0x14 is 0 in Jet 3 files (2048-byte pages), else 4096-byte pages.
version=$(od -An -tu1 -j20 -N1 "$healthy" | tr -d ' ')
page=$([[ "$version" == 0 ]] && echo 2048 || echo 4096)
for number in 0 2; do
  dd if=/dev/zero of="$damaged" bs="$page" seek="$number" count=1 conv=notrunc status=none
done
echo "Damaged copy: $damaged (pages 0 and 2 zeroed)"

repaired="$demo/Tarvex_$name"
"$root/build/run/src/cli/tarvex" repair "$damaged" -o "$repaired" --report "$demo/report.json"

echo
echo "Tables of the repaired database, as mdbtools reads them:"
mdb-tables -1 "$repaired" | while IFS= read -r table; do
  printf '  %s: %s rows\n' "$table" "$(mdb-count "$repaired" "$table")"
done
echo "Report: $demo/report.json"
