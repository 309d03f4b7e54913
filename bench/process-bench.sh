#!/usr/bin/env bash
# Whole-process times of tervik-cli render and info on generated one-series
# archives of 1,000,000 and 1,000 records: medians over RUNS runs (default 7)
# of wall time and peak resident memory (GNU time), and each against the
# 1,000-record render of the same run. Usage: bench/process-bench.sh [RUNS]
# Uses build/release/bin/tervik-cli unless TERVIK_CLI is set; needs perl.
set -euo pipefail

runs=${1:-7}
here=$(dirname "$0")
cli=${TERVIK_CLI:-$here/../build/release/bin/tervik-cli}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

perl "$here/gen-mnr.pl" 1000000 0 "$dir/big.mnr"
perl "$here/gen-mnr.pl" 1000 0 "$dir/small.mnr"

# Prints "MEDIAN_WALL_MS MEDIAN_RSS_KB" of RUNS runs of the command.
median_of() {
  local i
  : >"$dir/samples"
  for ((i = 0; i < runs; ++i)); do
    # GNU time's wall clock has 10 ms steps; the shell's clock is finer.
    local t0=$EPOCHREALTIME
    /usr/bin/time -f '%M' -o "$dir/time.log" "$cli" "$@" >/dev/null 2>"$dir/err.log" || {
      echo "failed: $*" >&2; cat "$dir/err.log" >&2; exit 1; }
    local t1=$EPOCHREALTIME
    echo "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') $(cat "$dir/time.log")" >>"$dir/samples"
  done
  awk '{ print $1 * 1000 }' "$dir/samples" | sort -n | awk '{ a[NR] = $1 } END { printf "%s ", a[int((NR + 1) / 2)] }'
  awk '{ print $2 }' "$dir/samples" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

declare -A wall rss
for size in small big; do
  f=$dir/$size.mnr
  read -r wall[render-$size] rss[render-$size] < <(median_of render "$f" --series 1 -o "$dir/out.png")
  read -r wall[info-$size] rss[info-$size] < <(median_of info "$f")
done

base=${wall[render-small]}
printf '%-22s %9s %9s %8s\n' "median of $runs" "wall ms" "RSS MiB" "x render"
for key in render-small render-big info-small info-big; do
  awk -v k="$key" -v w="${wall[$key]}" -v r="${rss[$key]}" -v b="$base" \
    'BEGIN { n = k; sub("-small", " 1,000", n); sub("-big", " 1,000,000", n);
             printf "%-22s %9.0f %9.1f %8.2f\n", n, w, r / 1024, w / b }'
done
