#!/usr/bin/env bash
# Peak resident memory of tervik-cli commands and of the window on generated
# archives, against the file's size. Usage: bench/peak-memory.sh [RECORDS]
# (default 18750000, a 300 MB file). Uses build/release/bin/tervik-cli and
# tervik-window-peak unless TERVIK_CLI or TERVIK_WINDOW is set; needs GNU time
# (/usr/bin/time) and perl.
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

# Interval tables and the PDF report: rows are written as they are finished
# (a day of one-minute intervals or a century of hours costs one row), and a
# report takes at most 10,000 intervals, so a day each.
measure "$long" intervals "$long" --series 1
measure "$long" intervals "$long" --series 1 --interval 1 --format csv
measure "$long" report "$long" --series 1 --interval 1d -o "$dir/out.pdf"
rm -f "$dir"/out.*
# Three records spanning 2000-2099 (80 bytes): memory by data, not by span;
# an hour a row is 876,000 rows, a minute a row is refused at once.
perl -e 'print "KX208M__ARC_DATA", pack("C8 C8", 0x77, 0x20, 0x88, 3, 1, 0, 0, 0, (0x99) x 8);
  for my $y (0x00, 0x50, 0x99) { print pack("C8 s< S< f<", 0, 0, 0x12, 1, 1, $y, $y == 0 ? 1 : 0, 1, 215, 745, 2) }' \
  >"$dir/span.mnr"
echo "file: $(stat -c %s "$dir/span.mnr") bytes, three records 2000-2099"
measure "$dir/span.mnr" intervals "$dir/span.mnr" --series 1 --zero-correction no
measure "$dir/span.mnr" intervals "$dir/span.mnr" --series 1 --zero-correction no --interval 1
measure "$dir/span.mnr" report "$dir/span.mnr" --series 1 --zero-correction no -o "$dir/out.pdf"

generate 1 "$dir/single.mnr"
echo "file: $(stat -c %s "$dir/single.mnr") bytes, $records one-record series"
measure "$dir/single.mnr" info "$dir/single.mnr"

# Each program also against its fixed part (libraries, the window itself):
# the same command on a file of 1,000 records, and the peak beyond it as a
# multiple of the file. Goals beyond the fixed part: every command 1.5 x,
# the window 2.5 x.
window=${TERVIK_WINDOW:-$(dirname "$0")/../build/release/bin/tervik-window-peak}
tiny=$dir/tiny.mnr
perl "$(dirname "$0")/gen-mnr.pl" 1000 0 "$tiny"

rss_of() {
  /usr/bin/time -f %M -o "$dir/rss" "$@" >/dev/null 2>"$dir/err.log" || {
    echo "failed: $*" >&2; cat "$dir/err.log" >&2; }
  cat "$dir/rss"
}

# beyond FILE COMMAND...: COMMAND with @F@ standing for the file.
beyond() {
  local file=$1; shift
  local big small size
  big=$(rss_of "${@//@F@/$file}")
  small=$(rss_of "${@//@F@/$tiny}")
  size=$(stat -c %s "$file")
  awk -v b="$big" -v f="$small" -v s="$size" -v c="${*//@F@/$(basename "$file")}" -v d="$dir/" \
    'BEGIN { gsub(d, "", c); sub(/^[^ ]*\//, "", c);
             printf "%-50s %9.1f MB  %5.2f x file  fixed %5.1f MB, beyond it %5.2f x file\n",
                    c, b / 1024, b * 1024 / s, f / 1024, (b - f) * 1024 / s }'
}

echo "beyond the fixed part (1,000 records), one series of $records records:"
for out in png svg pdf; do
  beyond "$long" "$cli" render @F@ --series 1 -o "$dir/out.$out"
done
beyond "$long" "$cli" report @F@ --series 1 --interval 1d -o "$dir/out.pdf"
beyond "$long" "$cli" info @F@
beyond "$long" "$cli" stats @F@ --series 1
beyond "$long" "$cli" export @F@ --series 1 -o "$dir/out.txt"
beyond "$long" "$cli" save @F@ --series 1 -o "$dir/copy.mnr"
beyond "$long" "$window" @F@
echo "beyond the fixed part, $records one-record series:"
beyond "$dir/single.mnr" "$cli" info @F@
beyond "$dir/single.mnr" "$window" @F@
