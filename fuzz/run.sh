#!/usr/bin/env bash
# Builds the fuzz targets and runs each for SECONDS (default 30) on a copy of
# the seed corpus; crashes land in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build/fuzz/findings
for t in mnr dat orlo2; do
  work=build/fuzz/corpus/$t
  mkdir -p "$work"
  cp -n fuzz/corpus/$t/* "$work"/ 2>/dev/null || true
  echo "== fuzz_$t for ${seconds}s"
  status=0
  build/fuzz/bin/fuzz_$t -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build/fuzz/findings/$t- -max_len=8192 "$work" >build/fuzz/$t.log 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::new_units_added|==[0-9]+==ERROR|SUMMARY)' build/fuzz/$t.log || true
  if [ "$status" -ne 0 ]; then
    tail -40 build/fuzz/$t.log
    echo "fuzz_$t found a fault (exit $status); the input is in build/fuzz/findings/"
    exit 1
  fi
done
