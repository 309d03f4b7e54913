#!/usr/bin/env bash
# Peak resident memory of `tervik-cli merge` on a campaign of READS reads of
# PER records each, every one overlapping the one before by half, against
# the bound of 1.5 x the merged archive plus one read, beyond the fixed part
# (the same command on two reads of 1,000 records). Usage:
# bench/campaign-memory.sh [READS] [PER] (default 30 x 44,000). Uses
# build/release/bin/tervik-cli unless TERVIK_CLI is set; needs GNU time and perl.
set -euo pipefail

reads=${1:-30}
per=${2:-44000}
cli=${TERVIK_CLI:-$(dirname "$0")/../build/release/bin/tervik-cli}
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT

# cut LONG READS PER STEM: reads of PER records, each starting PER/2 after the last.
cut() {
  perl -e 'my ($long, $n, $per, $stem) = @ARGV; open(my $f, "<:raw", $long) or die; local $/;
    my $d = <$f>; my $head = substr($d, 0, 32);
    for my $i (0 .. $n - 1) { open(my $o, ">:raw", "$stem$i.mnr") or die;
      print $o $head, substr($d, 32 + $i * $per / 2 * 16, $per * 16); close($o) or die; }' "$@"
}

perl "$(dirname "$0")/gen-mnr.pl" $(((reads + 1) * per / 2)) 0 "$dir/long.mnr"
cut "$dir/long.mnr" "$reads" "$per" "$dir/read"
perl "$(dirname "$0")/gen-mnr.pl" 1500 0 "$dir/tiny.mnr"
cut "$dir/tiny.mnr" 2 1000 "$dir/tiny"

rss_of() {
  /usr/bin/time -f "%M %e" -o "$dir/rss" "$@" >/dev/null 2>"$dir/err.log" || {
    echo "failed: $*" >&2; cat "$dir/err.log" >&2; }
  cat "$dir/rss"
}

files=()
for ((i = 0; i < reads; ++i)); do files+=("$dir/read$i.mnr"); done
read -r big wall < <(rss_of "$cli" merge "${files[@]}" -o "$dir/merged.mnr")
read -r small _ < <(rss_of "$cli" merge "$dir/tiny0.mnr" "$dir/tiny1.mnr" -o "$dir/tiny-merged.mnr")
cmp -s "$dir/merged.mnr" "$dir/long.mnr" && same="the long archive byte for byte" || same="NOT the long archive"
merged=$(stat -c %s "$dir/merged.mnr")
one=$(stat -c %s "$dir/read0.mnr")
awk -v b="$big" -v f="$small" -v m="$merged" -v o="$one" -v n="$reads" -v p="$per" -v w="$wall" -v s="$same" \
  'BEGIN { bound = 1.5 * m + o;
           printf "merge of %d reads of %d records (%.1f MB merged, %.2f MB a read; %s), %s s\n",
                  n, p, m / 1e6, o / 1e6, s, w;
           printf "peak %.1f MB, fixed part %.1f MB, beyond it %.1f MB = %.2f x (1.5 x merged + one read)\n",
                  b * 1024 / 1e6, f * 1024 / 1e6, (b - f) * 1024 / 1e6, (b - f) * 1024 / bound }'
