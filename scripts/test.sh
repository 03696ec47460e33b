#!/usr/bin/env bash
# Runs every test: a plain build, then an AddressSanitizer/UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

scripts/build.sh build/release
(cd build/release && ctest --output-on-failure -j"$(nproc)" --timeout 900)

scripts/build.sh build/asan -DTARVEX_SANITIZE=ON
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$(nproc)" --timeout 1800)
