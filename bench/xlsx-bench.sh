#!/usr/bin/env bash
# The .xlsx workbook of a generated one-series archive against the CSV export
# of the same series in the same run: medians over RUNS runs (default 5,
# alternating the two) of the wall and the CPU time (user + system, steadier
# on a loaded machine), and the workbook's peak resident memory against the
# .mnr file plus the workbook written.
# Usage: bench/xlsx-bench.sh [RECORDS [RUNS]] (default 1000000 records).
# Uses build/release/bin/tervik-cli unless TERVIK_CLI is set; needs GNU time
# (/usr/bin/time) and perl.
set -euo pipefail

records=${1:-1000000}
runs=${2:-5}
here=$(dirname "$0")
cli=${TERVIK_CLI:-$here/../build/release/bin/tervik-cli}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
perl "$here/gen-mnr.pl" "$records" 0 "$dir/in.mnr"

# Appends "WALL_MS RSS_KB CPU_MS" of one run to $dir/<name>.
run_once() {
  local name=$1 t0 t1
  shift
  t0=$EPOCHREALTIME
  /usr/bin/time -f '%M %U %S' -o "$dir/time.log" "$cli" "$@" >/dev/null 2>"$dir/err.log" || {
    echo "failed: $*" >&2; cat "$dir/err.log" >&2; exit 1; }
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" '{ printf "%.1f %d %.0f\n", (b - a) * 1000, $1, ($2 + $3) * 1000 }' "$dir/time.log" >>"$dir/$name"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for ((i = 0; i < runs; i++)); do
  run_once csv export "$dir/in.mnr" --series 1 --format csv -o "$dir/out.csv"
  run_once xlsx export "$dir/in.mnr" --series 1 -o "$dir/out.xlsx"
done
csv_ms=$(cut -d' ' -f1 "$dir/csv" | median)
xlsx_ms=$(cut -d' ' -f1 "$dir/xlsx" | median)
xlsx_kb=$(cut -d' ' -f2 "$dir/xlsx" | median)
csv_cpu=$(cut -d' ' -f3 "$dir/csv" | median)
xlsx_cpu=$(cut -d' ' -f3 "$dir/xlsx" | median)
mnr=$(stat -c %s "$dir/in.mnr")
out=$(stat -c %s "$dir/out.xlsx")
echo "$records records, $runs runs each; .mnr $mnr bytes, .csv $(stat -c %s "$dir/out.csv") bytes, .xlsx $out bytes"
awk -v c="$csv_ms" -v x="$xlsx_ms" -v cc="$csv_cpu" -v xc="$xlsx_cpu" -v r="$xlsx_kb" -v m="$mnr" -v o="$out" 'BEGIN {
  printf "export --format csv: %.0f ms wall, %.0f ms CPU\n", c, cc
  printf "export -o .xlsx:     %.0f ms wall = %.2f x the CSV, %.0f ms CPU = %.2f x\n", x, x / c, xc, xc / cc
  printf "peak memory of the .xlsx export: %.1f MB = %.2f x (.mnr + .xlsx)\n", r / 1024, r * 1024 / (m + o) }'
