#!/bin/sh
# Seeds for the fuzz targets, one folder per target, cut from every Access file
# among the shared fixtures by the seed maker (and, for the whole-file fuzzers,
# the folder "whole": the first 128 KB of each file). Made on demand, never
# kept in the repository.
# Usage: make_seed_corpus.sh FIXTURES_DIR OUTPUT_DIR SEED_MAKER
set -eu
fixtures=$1
out=$2
maker=$3
mkdir -p "$out"
find "$fixtures/real" "$fixtures/synthetic" -maxdepth 1 -type f \( -name '*.mdb' -o -name '*.accdb' \) \
  -print0 | sort -z | xargs -0 "$maker" "$out"
