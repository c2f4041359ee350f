#!/usr/bin/perl
# The programs' own artwork, drawn by rule so that the build makes the same
# bytes every time: window shapes (black = outside), backgrounds, icons.
#
#   perl mkart.pl <name> <out-file>
use strict;
use warnings;

my ($name, $out) = @ARGV;
die "usage: mkart.pl <name> <out>\n" unless defined $out;

# A rounded rectangle with a notch at the top right: the launcher's shape.
sub inside_shape {
    my ($x, $y, $w, $h, $r) = @_;
    my ($cx, $cy);
    $cx = $x < $r ? $r : ($x >= $w - $r ? $w - $r - 1 : $x);
    $cy = $y < $r ? $r : ($y >= $h - $r ? $h - $r - 1 : $y);
    return 0 if ($x - $cx) ** 2 + ($y - $cy) ** 2 > $r * $r;
    return 0 if $y < 24 && $x > $w - 200 && $x < $w - 40;   # the notch
    return 1;
}

sub le16 { pack('v', $_[0]) }
sub le32 { pack('V', $_[0]) }

# rows: top row first, each an array of [r,g,b] (24-bit) or indexes (8-bit)
sub bmp24 {
    my ($w, $h, $pix) = @_;
    my $stride = int(($w * 24 + 31) / 32) * 4;
    my $data = '';
    for my $y (reverse 0 .. $h - 1) {
        my $row = '';
        for my $x (0 .. $w - 1) { my ($r, $g, $b) = @{ $pix->($x, $y) }; $row .= pack('CCC', $b, $g, $r); }
        $row .= "\0" x ($stride - length $row);
        $data .= $row;
    }
    my $off = 14 + 40;
    return 'BM' . le32($off + length $data) . le32(0) . le32($off)
         . le32(40) . le32($w) . le32($h) . le16(1) . le16(24) . le32(0) . le32(length $data)
         . le32(2835) . le32(2835) . le32(0) . le32(0) . $data;
}

sub bmp8 {
    my ($w, $h, $pal, $pix) = @_;   # pal: 256 [r,g,b]
    my $stride = int(($w * 8 + 31) / 32) * 4;
    my $data = '';
    for my $y (reverse 0 .. $h - 1) {
        my $row = '';
        $row .= pack('C', $pix->($_, $y)) for 0 .. $w - 1;
        $row .= "\0" x ($stride - length $row);
        $data .= $row;
    }
    my $table = join '', map { pack('CCCC', $_->[2], $_->[1], $_->[0], 0) } @$pal;
    my $off = 14 + 40 + length $table;
    return 'BM' . le32($off + length $data) . le32(0) . le32($off)
         . le32(40) . le32($w) . le32($h) . le16(1) . le16(8) . le32(0) . le32(length $data)
         . le32(2835) . le32(2835) . le32(256) . le32(256) . $table . $data;
}

# Index 0 black, then a blue-to-cyan ramp.
sub ramp_palette {
    my @p = ([0, 0, 0]);
    for my $i (1 .. 255) { push @p, [int($i / 6), 40 + int($i * 0.6), 90 + int($i * 0.6)]; }
    return \@p;
}

sub shape_colour {
    my ($x, $y, $w, $h) = @_;
    my $t = int(255 * ($x + $y) / ($w + $h));
    return [10 + int($t / 8), 50 + int($t / 3), 110 + int($t / 2)];
}

my $bytes;
if ($name eq 'region132') {          # launcher mode: 640x300, 24 bits
    $bytes = bmp24(640, 300, sub {
        my ($x, $y) = @_;
        inside_shape($x, $y, 640, 300, 24) ? shape_colour($x, $y, 640, 300) : [0, 0, 0];
    });
} elsif ($name eq 'region142') {     # sale modes: 640x300, 8 bits, 256 colours
    $bytes = bmp8(640, 300, ramp_palette(), sub {
        my ($x, $y) = @_;
        inside_shape($x, $y, 640, 300, 16) ? 1 + int(254 * ($x + $y) / 940) : 0;
    });
} elsif ($name eq 'shape340') {      # small windows: 340x108, 8 bits
    $bytes = bmp8(340, 108, ramp_palette(), sub {
        my ($x, $y) = @_;
        inside_shape($x, $y, 340, 108, 12) ? 1 + int(254 * $y / 108) : 0;
    });
} elsif ($name eq 'icon') {          # 32x32, 8 bits, with its AND mask
    my $pal = ramp_palette();
    my ($w, $h) = (32, 32);
    my $xor = '';
    for my $y (reverse 0 .. $h - 1) {
        for my $x (0 .. $w - 1) {
            my $d = ($x - 15.5) ** 2 + ($y - 15.5) ** 2;
            $xor .= pack('C', $d < 225 ? 60 + int(($x + $y) * 3) : 0);
        }
    }
    my $and = '';
    for my $y (reverse 0 .. $h - 1) {
        my $bits = 0;
        my $row = '';
        for my $x (0 .. $w - 1) {
            my $d = ($x - 15.5) ** 2 + ($y - 15.5) ** 2;
            $bits = ($bits << 1) | ($d < 225 ? 0 : 1);
            if ($x % 8 == 7) { $row .= pack('C', $bits); $bits = 0; }
        }
        $and .= $row;   # 32 pixels = 4 bytes: already aligned
    }
    my $table = join '', map { pack('CCCC', $_->[2], $_->[1], $_->[0], 0) } @$pal;
    my $dib = le32(40) . le32($w) . le32($h * 2) . le16(1) . le16(8) . le32(0) . le32(length($xor) + length($and))
            . le32(0) . le32(0) . le32(256) . le32(0) . $table . $xor . $and;
    $bytes = le16(0) . le16(1) . le16(1)
           . pack('CCCC', $w, $h, 0, 0) . le16(1) . le16(8) . le32(length $dib) . le32(22) . $dib;
} else {
    die "mkart.pl: unknown picture $name\n";
}

open(my $fh, '>:raw', $out) or die "mkart.pl: cannot write $out: $!\n";
print $fh $bytes;
close $fh;
