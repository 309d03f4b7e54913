#!/usr/bin/env bash
# Whole-process times of tervik-cli render and info on generated one-series
# archives of 1,000,000 and 1,000 records: medians over RUNS runs (default 7)
# of wall time, CPU time (user + system) and peak resident memory (GNU time),
# and each against the 1,000-record render of the same run.
# Usage: bench/process-bench.sh [RUNS]
# Uses build/release/bin/tervik-cli unless TERVIK_CLI is set; with
# TERVIK_BASE_CLI set, that build is run too, each run alternating the two,
# and the last column gives TERVIK_CLI's wall time against it. Needs perl.
set -euo pipefail

runs=${1:-7}
here=$(dirname "$0")
cli=${TERVIK_CLI:-$here/../build/release/bin/tervik-cli}
base=${TERVIK_BASE_CLI:-}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

perl "$here/gen-mnr.pl" 1000000 0 "$dir/big.mnr"
perl "$here/gen-mnr.pl" 1000 0 "$dir/small.mnr"

cases=(render-small render-big info-small info-big)
args_of() {
  local f=$dir/${1#*-}.mnr
  case $1 in
  render-*) echo "render $f --series 1 -o $dir/out.png" ;;
  info-*) echo "info $f" ;;
  esac
}

# Appends "WALL_MS CPU_MS RSS_KB" of one run to $dir/<which>-<case>.
run_once() {
  local which=$1 exe=$2 key=$3 t0 t1
  # GNU time's wall clock has 10 ms steps; the shell's clock is finer.
  t0=$EPOCHREALTIME
  # shellcheck disable=SC2046
  /usr/bin/time -f '%U %S %M' -o "$dir/time.log" "$exe" $(args_of "$key") >/dev/null 2>"$dir/err.log" || {
    echo "failed: $exe $(args_of "$key")" >&2; cat "$dir/err.log" >&2; exit 1; }
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" '{ printf "%.1f %.0f %d\n", (b - a) * 1000, ($1 + $2) * 1000, $3 }' \
    "$dir/time.log" >>"$dir/$which-$key"
}

for ((i = 0; i < runs; ++i)); do
  for key in "${cases[@]}"; do
    run_once new "$cli" "$key"
    [[ -z $base ]] || run_once base "$base" "$key"
  done
done

median() { sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
col() { awk -v c="$2" '{ print $c }' "$dir/$1" | median; }

report() {
  local which=$1 ref last=""
  ref=$(col "$which-render-small" 1)
  [[ -z $base || $which != new ]] || last="   x base"
  printf '%-24s %8s %8s %8s %9s%s\n' "$which, median of $runs" "wall ms" "CPU ms" "RSS MiB" "x render" "$last"
  for key in "${cases[@]}"; do
    local w c r vs=""
    w=$(col "$which-$key" 1)
    c=$(col "$which-$key" 2)
    r=$(col "$which-$key" 3)
    if [[ -n $base && $which == new ]]; then
      vs=$(awk -v a="$w" -v b="$(col "base-$key" 1)" 'BEGIN { printf "%9.2f", a / b }')
    fi
    awk -v k="$key" -v w="$w" -v c="$c" -v r="$r" -v b="$ref" -v vs="$vs" \
      'BEGIN { n = k; sub("-small", " 1,000", n); sub("-big", " 1,000,000", n);
               printf "%-24s %8.0f %8.0f %8.1f %9.2f%s\n", n, w, c, r / 1024, w / b, vs }'
  done
}

[[ -z $base ]] || report base
report new
