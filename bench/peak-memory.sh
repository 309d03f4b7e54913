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

# One long series (a zero cycle in ten, a cycle a minute), or with single=1
# as many one-record series as records.
generate() {
  perl -e '
    my ($n, $single, $out) = @ARGV;
    open(my $f, ">:raw", $out) or die "$out: $!";
    print $f "KX208M__ARC_DATA", pack("C8 C8", 0x77, 0x20, 0x88, 3, 1, 0, 0, 0, (0x99) x 8);
    sub bcd { my $v = shift; return int($v / 10) % 10 * 16 + $v % 10; }
    my $buf = "";
    for my $i (0 .. $n - 1) {
      my $day = int($i / 1440);
      $buf .= pack("C8 s< S< f<", 0, bcd($i % 60), bcd(int($i / 60) % 24), bcd($day % 28 + 1),
                   bcd(int($day / 28) % 12 + 1), bcd(int($day / 336) % 100), $i % 10 == 0 ? 1 : 0,
                   $single ? $i % 2 : 1, 215, 745, 1.5 + ($i % 100) / 100);
      if (length($buf) >= 1 << 20) { print $f $buf; $buf = ""; }
    }
    print $f $buf;
    close($f) or die;
  ' "$records" "$1" "$2"
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
