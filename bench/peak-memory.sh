#!/usr/bin/env bash
# Peak resident memory of tervik-cli commands on generated archives, against
# the file's size. Usage: bench/peak-memory.sh [RECORDS] (default 18750000, a
# 300 MB file). Uses build/release/bin/tervik-cli unless TERVIK_CLI is set;
# needs GNU time (/usr/bin/time) and perl.
set -euo pipefail

records=${1:-18750000}
cli=${TERVIK_CLI:-$(dirname "$0")/../build/release/bin/tervik-cli}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

generate() {
  perl "$(dirname "$0")/gen-mnr.pl" "$records" "$1" "$2"
}

measure() {
  local file=$1; shift
  local size rss
  size=$(stat -c %s "$file")
  /usr/bin/time -v -o "$dir/time.log" "$cli" "$@" >/dev/null 2>"$dir/err.log" || {
    echo "failed: $*" >&2; cat "$dir/err.log" >&2; }
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$dir/time.log")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$dir/time.log")
  awk -v r="$rss" -v s="$size" -v w="$wall" -v c="${*//$dir\//}" \
    'BEGIN { printf "%-50s %9.1f MB  %5.2f x file  %s\n", c, r / 1024, r * 1024 / s, w }'
}

generate 0 "$dir/long.mnr"
echo "file: $(stat -c %s "$dir/long.mnr") bytes, $records records in one series"
long=$dir/long.mnr
measure "$long" info "$long"
measure "$long" stats "$long" --series 1
measure "$long" export "$long" --series 1 -o "$dir/out.txt"
measure "$long" export "$long" --series 1 --format csv -o "$dir/out.csv"
measure "$long" save "$long" --series 1 -o "$dir/copy.mnr"
measure "$long" render "$long" --series 1 -o "$dir/out.png"
rm -f "$dir"/out.* "$dir/copy.mnr"

generate 1 "$dir/single.mnr"
echo "file: $(stat -c %s "$dir/single.mnr") bytes, $records one-record series"
measure "$dir/single.mnr" info "$dir/single.mnr"
