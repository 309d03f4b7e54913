#!/usr/bin/env perl
# Writes a generated *.mnr archive: gen-mnr.pl RECORDS SINGLE OUT.
# One long series (a zero cycle in ten, a cycle a minute), or with SINGLE=1
# as many one-record series as records.
use strict;
use warnings;

my ($n, $single, $out) = @ARGV;
die "usage: gen-mnr.pl RECORDS SINGLE OUT\n" unless defined $out;
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
