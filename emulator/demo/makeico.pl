#!/usr/bin/perl
# Writes the icon file of a demo program (32 and 64 pixel images, 32-bit with alpha), drawn
# from simple shapes so that each demo carries a picture of its own.
#
#   makeico.pl scanner|notes|volume OUT.ico
use strict;
use warnings;

die "usage: makeico.pl scanner|notes|volume OUT.ico\n" unless @ARGV == 2;
my ($kind, $out) = @ARGV;

sub inrect { my ($u, $v, $l, $t, $r, $b) = @_; return $u >= $l && $u < $r && $v >= $t && $v < $b; }
sub inround {
  my ($u, $v, $l, $t, $r, $b, $rad) = @_;
  return 0 unless inrect($u, $v, $l, $t, $r, $b);
  my $cx = $u < $l + $rad ? $l + $rad : $u > $r - $rad ? $r - $rad : $u;
  my $cy = $v < $t + $rad ? $t + $rad : $v > $b - $rad ? $b - $rad : $v;
  return ($u - $cx) ** 2 + ($v - $cy) ** 2 <= $rad ** 2;
}

# Colour (r, g, b) at a point of the unit square, or undef where the icon is transparent.
my %shape = (
  scanner => sub {
    my ($u, $v) = @_;
    return [0xD0, 0x20, 0x20] if inrect($u, $v, 0.14, 0.40, 0.86, 0.45);
    if (inrect($u, $v, 0.18, 0.20, 0.82, 0.64)) {
      my @bars = (0, 1, 1, 0, 1, 0, 0, 1, 1, 1, 0, 1, 0, 1, 1, 0);
      return $bars[int(($u - 0.18) / 0.64 * @bars)] ? [0, 0, 0] : [0xFF, 0xFF, 0xFF];
    }
    return [0x90, 0xA0, 0xB0] if inround($u, $v, 0.30, 0.72, 0.70, 0.86, 0.04);
    return [0x1E, 0x4F, 0xA0] if inround($u, $v, 0.06, 0.08, 0.94, 0.94, 0.14);
    return undef;
  },
  notes => sub {
    my ($u, $v) = @_;
    return undef unless inrect($u, $v, 0.14, 0.06, 0.86, 0.94);
    return undef if $u - 0.64 > 0.94 - $v + 0.0 && $v > 0.72;  # the folded corner's cut
    return [0xC8, 0xA0, 0x20] if $u > 0.64 && $v > 0.72;
    return [0x50, 0x50, 0x60] if $u > 0.24 && $u < 0.76 && inrect($u, $v, 0, 0.22, 1, 0.66) && (($v - 0.22) / 0.11 - int(($v - 0.22) / 0.11)) < 0.3;
    return [0xF6, 0xD7, 0x43];
  },
  volume => sub {
    my ($u, $v) = @_;
    my $d = sqrt(($u - 0.5) ** 2 + ($v - 0.5) ** 2);
    return undef if $d > 0.46;
    return [0xFF, 0xFF, 0xFF] if inrect($u, $v, 0.22, 0.40, 0.34, 0.60);
    return [0xFF, 0xFF, 0xFF] if $u >= 0.34 && $u < 0.52 && abs($v - 0.5) <= 0.10 + ($u - 0.34) * 0.9;
    my $a = sqrt(($u - 0.50) ** 2 + ($v - 0.5) ** 2);
    return [0xFF, 0xFF, 0xFF] if $u > 0.58 && (abs($a - 0.16) < 0.03 || abs($a - 0.27) < 0.03);
    return [0x2E, 0x8B, 0x57];
  },
);
my $draw = $shape{$kind} or die "unknown icon kind $kind\n";

sub image {
  my ($n) = @_;
  my $pixels = '';
  my $ss = 4;
  for my $y (reverse 0 .. $n - 1) {          # bottom-up rows
    for my $x (0 .. $n - 1) {
      my ($r, $g, $b, $cover) = (0, 0, 0, 0);
      for my $sy (0 .. $ss - 1) {
        for my $sx (0 .. $ss - 1) {
          my $c = $draw->(($x + ($sx + 0.5) / $ss) / $n, ($y + ($sy + 0.5) / $ss) / $n);
          next unless $c;
          $r += $c->[0]; $g += $c->[1]; $b += $c->[2]; ++$cover;
        }
      }
      my $alpha = int(255 * $cover / ($ss * $ss) + 0.5);
      $pixels .= $cover ? pack('C4', $b / $cover, $g / $cover, $r / $cover, $alpha) : pack('C4', 0, 0, 0, 0);
    }
  }
  my $mask = "\0" x ((int(($n + 31) / 32) * 4) * $n);  # alpha decides; the AND mask is all zero
  return pack('V3v2V6', 40, $n, 2 * $n, 1, 32, 0, length($pixels) + length($mask), 0, 0, 0, 0) . $pixels . $mask;
}

my @sizes = (32, 64);
my @images = map { image($_) } @sizes;
my $offset = 6 + 16 * @sizes;
my $file = pack('v3', 0, 1, scalar @sizes);
for my $i (0 .. $#sizes) {
  $file .= pack('C4v2V2', $sizes[$i] % 256, $sizes[$i] % 256, 0, 0, 1, 32, length($images[$i]), $offset);
  $offset += length($images[$i]);
}
$file .= join('', @images);
open(my $fh, '>:raw', $out) or die "$out: $!\n";
print $fh $file;
close($fh);
