#!/usr/bin/perl
# Writes a Windows BMP file from a picture drawn as text (see plug.txt): the build makes the
# launcher's bitmap resources from these drawings.
#
#   makebmp.pl DRAWING.txt OUT.bmp
#
# A drawing holds "size W H", "bits 4|24", one "colour CHAR RRGGBB" line per character used,
# then "pixels" and H rows of W characters, top row first. "#" starts a comment line.
use strict;
use warnings;

die "usage: makebmp.pl DRAWING.txt OUT.bmp\n" unless @ARGV == 2;
my ($in, $out) = @ARGV;
open(my $fh, '<', $in) or die "$in: $!\n";
my ($w, $h, $bits);
my (%index, @palette, @rows);
my $in_pixels = 0;
while (my $line = <$fh>) {
  chomp $line;
  $line =~ s/\r$//;
  if ($in_pixels) {
    next if $line eq '';
    die "$in: row " . (@rows + 1) . " is not $w wide\n" unless length($line) == $w;
    push @rows, $line;
    next;
  }
  next if $line =~ /^\s*(#|$)/;
  if ($line =~ /^size\s+(\d+)\s+(\d+)$/) { ($w, $h) = ($1, $2); }
  elsif ($line =~ /^bits\s+(4|24)$/) { $bits = $1; }
  elsif ($line =~ /^colour\s+(\S)\s+([0-9A-Fa-f]{6})$/) {
    die "$in: colour '$1' given twice\n" if exists $index{$1};
    $index{$1} = scalar @palette;
    push @palette, [hex(substr($2, 0, 2)), hex(substr($2, 2, 2)), hex(substr($2, 4, 2))];
  }
  elsif ($line eq 'pixels') { $in_pixels = 1; }
  else { die "$in: cannot read '$line'\n"; }
}
close $fh;
die "$in: size, bits and pixels are needed\n" unless $w && $h && $bits && $in_pixels;
die "$in: $h rows expected, " . scalar(@rows) . " found\n" unless @rows == $h;
die "$in: a 4-bit picture has at most 16 colours\n" if $bits == 4 && @palette > 16;
for my $row (@rows) {
  for my $c (split //, $row) { die "$in: colour '$c' not declared\n" unless exists $index{$c}; }
}

my $stride = int(($w * $bits + 31) / 32) * 4;
my $colours = $bits == 4 ? 16 : 0;
my $offset = 14 + 40 + 4 * $colours;
my $image = '';
for my $row (reverse @rows) {  # bottom-up, as BMP stores rows
  my $data = '';
  my @px = map { $index{$_} } split //, $row;
  if ($bits == 24) {
    $data .= pack('C3', $palette[$_][2], $palette[$_][1], $palette[$_][0]) for @px;
  } else {
    push @px, 0 if @px % 2;
    for (my $i = 0; $i < @px; $i += 2) { $data .= pack('C', ($px[$i] << 4) | $px[$i + 1]); }
  }
  $data .= "\0" x ($stride - length($data));
  $image .= $data;
}
my $bmp = pack('a2 V v v V', 'BM', $offset + length($image), 0, 0, $offset);
$bmp .= pack('V l l v v V V l l V V', 40, $w, $h, 1, $bits, 0, length($image), 2835, 2835, $colours, 0);
if ($colours) {
  for my $i (0 .. $colours - 1) {
    my $c = $palette[$i] // [0, 0, 0];
    $bmp .= pack('C4', $c->[2], $c->[1], $c->[0], 0);
  }
}
$bmp .= $image;
open(my $oh, '>:raw', $out) or die "$out: $!\n";
print $oh $bmp;
close $oh or die "$out: $!\n";
