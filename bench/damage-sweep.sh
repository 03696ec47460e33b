#!/usr/bin/env bash
# damage-sweep.sh [ROUNDS]: the damage tests over every fixture, each kind of
# damage from ROUNDS seeds (20 by default). Too long for CI; run it after
# changing how damaged pages and rows are read.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build/release
TARVEX_DAMAGE_SWEEP="${1:-20}" build/release/tests/engine_tests \
  --gtest_filter='Fixtures/DamagedFixture.*' --gtest_brief=1
