#!/usr/bin/env bash
# Runs every in-memory fuzz target in turn for its share of MINUTES, one
# process on one core at low priority, and prints per target the inputs run,
# inputs per second and findings.
#   [FUZZ_TARGETS="row sql_parser"] fuzz/run-all.sh MINUTES [BUILD_DIR]   (default build/fuzz)
# It configures and builds BUILD_DIR with clang++ and libFuzzer when needed and
# makes the seed corpora from the shared fixtures once (BUILD_DIR/seeds). New
# corpus entries are kept in BUILD_DIR/corpus/TARGET, findings (crashes, hangs,
# leaks, sanitizer reports, broken round trips) go to BUILD_DIR/findings/TARGET
# and each run's log to BUILD_DIR/logs/TARGET.log. A finding, once mended, is
# kept for the tests in fuzz/regressions/TARGET.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=${1:?usage: fuzz/run-all.sh MINUTES [BUILD_DIR]}
build=${2:-build/fuzz}
fixtures=${TARVEX_FIXTURES:-../shared/fixtures}

# The longest input each target takes: its selector bytes and pages.
declare -A max_len=(
  [page_header]=64 [header_page]=4096 [data_page]=5000 [row]=4700 [table_definition]=12289
  [long_value]=12600 [usage_map]=8500 [index_page]=4700 [property_blob]=4096 [query_rows]=8192
  [sql_parser]=4096 [value_text]=512
)
# FUZZ_TARGETS="row sql_parser" runs only those.
targets=()
for source in fuzz/targets/*.cpp; do targets+=("$(basename "$source" .cpp)"); done
[[ -n ${FUZZ_TARGETS:-} ]] && read -ra targets <<<"$FUZZ_TARGETS"

scripts/install-deps.sh fuzz
if [[ ! -f $build/CMakeCache.txt ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DTARVEX_BUILD_FUZZ=ON -DTARVEX_BUILD_TESTS=OFF -DTARVEX_BUILD_SHELL=OFF >/dev/null
fi
nice -n 10 cmake --build "$build" -j2 --target fuzz_seed_maker "${targets[@]/#/fuzz_}" >/dev/null
if [[ ! -d $build/seeds ]]; then
  fuzz/make_seed_corpus.sh "$fixtures" "$build/seeds" "$build/fuzz/fuzz_seed_maker"
fi

seconds=$((minutes * 60 / ${#targets[@]}))
((seconds > 0)) || seconds=1
# On a shared machine the wall clock says little of a target's speed: exec/cpu-s counts the
# processor time it had.
TIMEFORMAT='%U %S'
printf '%-18s %12s %10s %12s %9s\n' target executions exec/s exec/cpu-s findings
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target" "$build/findings/$target" "$build/logs" "$build/seeds/$target"
  log=$build/logs/$target.log
  { time nice -n 10 "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 \
    -rss_limit_mb=2048 -max_len="${max_len[$target]}" -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target/" \
    "$build/corpus/$target" "$build/seeds/$target" "fuzz/regressions/$target" >"$log" 2>&1; } \
    2>"$build/logs/$target.time" || true
  executions=$(awk '/stat::number_of_executed_units/ {print $2}' "$log")
  rate=$(awk '/stat::average_exec_per_sec/ {print $2}' "$log")
  cpuRate=$(awk -v n="${executions:-0}" 'END {t = $1 + $2; print (t > 0 ? int(n / t) : "?")}' \
    "$build/logs/$target.time")
  findings=$(find "$build/findings/$target" -type f | wc -l)
  printf '%-18s %12s %10s %12s %9s\n' "$target" "${executions:-?}" "${rate:-?}" "$cpuRate" "$findings"
done
