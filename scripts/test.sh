#!/usr/bin/env bash
# Runs every test: a plain build, then an AddressSanitizer/UBSan build.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test

# The benchmarks are built (not run) so that they keep compiling.
scripts/build.sh build/release -DTARVEX_BUILD_BENCH=ON
(cd build/release && ctest --output-on-failure -j"$(nproc)" --timeout 900)

# The sanitized run also replays every fuzz target's kept inputs (fuzz/regressions, tests FuzzReplay.*).
scripts/build.sh build/asan -DTARVEX_SANITIZE=ON
(cd build/asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --output-on-failure -j"$(nproc)" --timeout 1800)
