#!/usr/bin/perl
# The programs' own artwork, drawn by rule so that the build makes the same
# bytes every time: window shapes (black = outside), backgrounds, icons, the
# launcher's skin file and its layout files, and the sale modes' splash
# picture with its splash file.
#
#   perl mkart.pl <name> <out-file>
#   names: region132 region142 shape340 dlbg340 selbg145 selshape146 selrow147 icon skin lcs lcd lcm
#          splash sp underconstruct capture1 .. capture5 (the catalogue's screenshots)
#          player_skin (the music player's skin.txt), player_<bitmap> (its pictures: sys_btn,
#          main_bg, main_btn, ..., level_pan)
#          login151 login152 login153 login154 (the login dialog)
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

# ---------------------------------------------------------------------------
# The launcher's skin: every picture of the main screen in one file, and the
# layout files of the catalogue rows and the sort header. All pictures share
# one 256-colour palette; layouts and pictures are drawn from the same tables
# so that a row item sits where its picture shows it.

# Palette indexes with a name; 32 .. 255 are the background's ramp.
my %C = (
    black => 0, white => 1, navy => 2, strip => 3, panel => 4, orange => 5, red => 6,
    green => 7, yellow => 8, grey => 9, lgrey => 10, dgrey => 11, face => 12, hover => 13,
    pressed => 14, disabled => 15, row => 16, rowsel => 17, rownot => 18, rowexp => 19,
    cyan => 20, purple => 21, frame => 22, glint => 23, dlface => 24, dlhover => 25,
);
sub skin_palette {
    my @p = ([0, 0, 0], [255, 255, 255], [16, 24, 48], [40, 60, 110], [230, 236, 245], [240, 140, 30],
             [220, 40, 40], [40, 170, 70], [250, 210, 40], [128, 128, 128], [200, 200, 200], [64, 64, 64],
             [60, 110, 190], [90, 150, 230], [30, 70, 140], [150, 160, 175], [245, 245, 250], [255, 240, 200],
             [225, 225, 225], [235, 245, 255], [40, 180, 200], [140, 80, 180], [24, 40, 80], [200, 230, 255],
             [200, 110, 20], [250, 170, 70]);
    push @p, [0, 0, 0] while @p < 32;
    for my $i (0 .. 223) { push @p, [16 + int($i / 8), 24 + int($i / 4), 48 + int($i / 2.5)]; }
    return \@p;
}

# A 5 x 7 letter for every character the skin writes.
my %GLYPH = (
    'A' => ['.###.', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'B' => ['####.', '#...#', '#...#', '####.', '#...#', '#...#', '####.'],
    'C' => ['.###.', '#...#', '#....', '#....', '#....', '#...#', '.###.'],
    'D' => ['####.', '#...#', '#...#', '#...#', '#...#', '#...#', '####.'],
    'E' => ['#####', '#....', '#....', '####.', '#....', '#....', '#####'],
    'F' => ['#####', '#....', '#....', '####.', '#....', '#....', '#....'],
    'G' => ['.###.', '#...#', '#....', '#.###', '#...#', '#...#', '.####'],
    'H' => ['#...#', '#...#', '#...#', '#####', '#...#', '#...#', '#...#'],
    'I' => ['.###.', '..#..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    'K' => ['#...#', '#..#.', '#.#..', '##...', '#.#..', '#..#.', '#...#'],
    'L' => ['#....', '#....', '#....', '#....', '#....', '#....', '#####'],
    'M' => ['#...#', '##.##', '#.#.#', '#.#.#', '#...#', '#...#', '#...#'],
    'N' => ['#...#', '##..#', '#.#.#', '#..##', '#...#', '#...#', '#...#'],
    'O' => ['.###.', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'P' => ['####.', '#...#', '#...#', '####.', '#....', '#....', '#....'],
    'R' => ['####.', '#...#', '#...#', '####.', '#.#..', '#..#.', '#...#'],
    'S' => ['.####', '#....', '#....', '.###.', '....#', '....#', '####.'],
    'T' => ['#####', '..#..', '..#..', '..#..', '..#..', '..#..', '..#..'],
    'U' => ['#...#', '#...#', '#...#', '#...#', '#...#', '#...#', '.###.'],
    'V' => ['#...#', '#...#', '#...#', '#...#', '#...#', '.#.#.', '..#..'],
    'W' => ['#...#', '#...#', '#...#', '#.#.#', '#.#.#', '##.##', '#...#'],
    'X' => ['#...#', '#...#', '.#.#.', '..#..', '.#.#.', '#...#', '#...#'],
    'Y' => ['#...#', '#...#', '.#.#.', '..#..', '..#..', '..#..', '..#..'],
    '_' => ['.....', '.....', '.....', '.....', '.....', '.....', '#####'],
    '^' => ['..#..', '.###.', '#####', '.....', '.....', '.....', '.....'],
    'v' => ['.....', '.....', '.....', '.....', '#####', '.###.', '..#..'],
    ' ' => ['.....', '.....', '.....', '.....', '.....', '.....', '.....'],
);

sub canvas { my ($w, $h, $c) = @_; return { w => $w, h => $h, p => [($c) x ($w * $h)] }; }
sub put { my ($cv, $x, $y, $c) = @_; return if $x < 0 || $y < 0 || $x >= $cv->{w} || $y >= $cv->{h}; $cv->{p}[$y * $cv->{w} + $x] = $c; }
sub fill { my ($cv, $x0, $y0, $w, $h, $c) = @_; for my $y ($y0 .. $y0 + $h - 1) { put($cv, $_, $y, $c) for $x0 .. $x0 + $w - 1; } }
sub box { my ($cv, $x0, $y0, $w, $h, $c) = @_; fill($cv, $x0, $y0, $w, 1, $c); fill($cv, $x0, $y0 + $h - 1, $w, 1, $c); fill($cv, $x0, $y0, 1, $h, $c); fill($cv, $x0 + $w - 1, $y0, 1, $h, $c); }
sub in_round { my ($x, $y, $w, $h, $r) = @_;
    my $cx = $x < $r ? $r : ($x > $w - 1 - $r ? $w - 1 - $r : $x);
    my $cy = $y < $r ? $r : ($y > $h - 1 - $r ? $h - 1 - $r : $y);
    return ($x - $cx) ** 2 + ($y - $cy) ** 2 <= $r * $r + 1; }
sub text_width { my ($s, $k) = @_; return length($s) * 6 * ($k // 1) - ($k // 1); }
sub text { my ($cv, $x, $y, $s, $c, $k) = @_; $k //= 1;
    for my $ch (split //, $s) {
        my $g = $GLYPH{$ch} or die "mkart.pl: no letter '$ch'\n";
        for my $r (0 .. 6) { for my $q (0 .. 4) { fill($cv, $x + $q * $k, $y + $r * $k, $k, $k, $c) if substr($g->[$r], $q, 1) eq '#'; } }
        $x += 6 * $k;
    } }
sub text_centred { my ($cv, $s, $c, $k) = @_; $k //= 1;
    text($cv, int(($cv->{w} - text_width($s, $k)) / 2), int(($cv->{h} - 7 * $k) / 2), $s, $c, $k); }
sub canvas_bmp { my ($cv) = @_; return bmp8($cv->{w}, $cv->{h}, skin_palette(), sub { $cv->{p}[$_[1] * $cv->{w} + $_[0]] }); }

# A masked picture keeps black outside its shape (SRCPAINT adds nothing
# there); its mask is black inside the shape and white outside (SRCAND keeps
# what lies beneath).
sub round_mask { my ($w, $h, $r) = @_; my $m = canvas($w, $h, $C{white});
    for my $y (0 .. $h - 1) { for my $x (0 .. $w - 1) { put($m, $x, $y, $C{black}) if in_round($x, $y, $w, $h, $r); } }
    return $m; }
sub button { my ($w, $h, $label, $face, $ink, $frame) = @_;
    my $cv = canvas($w, $h, $C{black});
    for my $y (0 .. $h - 1) { for my $x (0 .. $w - 1) { put($cv, $x, $y, $face) if in_round($x, $y, $w, $h, 4); } }
    fill($cv, 4, 1, $w - 8, 1, $C{white}) unless $face == $C{disabled};   # the lit top edge
    # A sweeping glint: frame 0 .. 7 of the animated buttons.
    if (defined $frame) { my $gx = int(($w + 8) * $frame / 8) - 4;
        for my $y (2 .. $h - 3) { for my $d (0 .. 2) { my $x = $gx + $d - int($y / 3);
            put($cv, $x, $y, $C{glint}) if $x > 2 && $x < $w - 3 && in_round($x, $y, $w, $h, 4); } } }
    text_centred($cv, $label, $ink);
    return $cv; }
# Hovered, normal, pressed, disabled and the mask of a button.
sub button_states { my ($w, $h, $label, $face, $hover) = @_;
    $face //= $C{face}; $hover //= $C{hover};
    return { 0 => button($w, $h, $label, $hover, $C{white}), 1 => button($w, $h, $label, $face, $C{white}),
             2 => button($w, $h, $label, $C{pressed}, $C{lgrey}), 3 => button($w, $h, $label, $C{disabled}, $C{lgrey}),
             4 => round_mask($w, $h, 4) }; }
# The eight frames (slots 0, 5 .. 11) and the mask of an animated button.
sub button_frames { my ($w, $h, $label, $face) = @_;
    my %s = (4 => round_mask($w, $h, 4));
    my @slot = (0, 5, 6, 7, 8, 9, 10, 11);
    $s{$slot[$_]} = button($w, $h, $label, $face, $C{white}, $_) for 0 .. 7;
    return \%s; }
sub disc_icon { my ($c, $mark) = @_; my $cv = canvas(16, 16, $C{black});
    for my $y (0 .. 15) { for my $x (0 .. 15) { put($cv, $x, $y, $c) if ($x - 7.5) ** 2 + ($y - 7.5) ** 2 <= 56; } }
    text($cv, 5, 4, $mark, $C{white}) if defined $mark;
    return { 1 => $cv, 4 => round_mask(16, 16, 7) }; }

# Row layouts: items of the collapsed row (lcs.bin) and the expanded row
# (lcd.bin), relative to the row; the sort header (lcm.bin).
my @ROW_TOP = (['ICON', 4, 4, 16, 16], ['ICON_VELQA', 22, 4, 16, 16], ['TITLE', 42, 5, 250, 16],
               ['MAKER', 296, 5, 120, 16], ['PLATFORM', 420, 5, 60, 16], ['GENRE', 484, 5, 50, 16],
               ['SALEDAY', 538, 5, 60, 16]);
my %LAYOUT = (
    lcs => [['BG', 0, 0, 600, 25], @ROW_TOP],
    lcd => [['BG', 0, 0, 600, 125], @ROW_TOP,
            ['IMG_GAMECAPTURE', 4, 29, 120, 90], ['EXPLAN', 130, 29, 300, 58], ['BTNPROP', 130, 94, 40, 16],
            ['RUNCNT', 176, 96, 100, 16], ['BTN_GAMEPLAY', 440, 30, 72, 22], ['BTN_GAMEMANUAL', 518, 30, 72, 22],
            ['BTN_GAMESOUND', 440, 58, 72, 22], ['BTN_GAMEOPERATION', 518, 58, 72, 22],
            ['BTN_FAVORITE', 440, 86, 72, 22], ['BTN_WEBSALEPAGE_PROJECTTIV', 518, 86, 72, 22]],
    lcm => [['BG', 0, 0, 600, 20], ['TITLE_SORT_UP', 262, 2, 14, 16], ['TITLE_SORT_DOWN', 278, 2, 14, 16],
            ['MAKER_SORT', 296, 2, 120, 16], ['PLATFORM_SORT', 420, 2, 60, 16], ['GENRE_SORT', 484, 2, 50, 16],
            ['SALEDAY_SORT_UP', 564, 2, 14, 16], ['SALEDAY_SORT_DOWN', 580, 2, 14, 16]],
);
sub layout_item { my ($name, $key) = @_; for (@{ $LAYOUT{$name} }) { return $_ if $_->[0] eq $key; } die "no $key in $name\n"; }

# Plain text, CR LF lines, every byte inverted.
sub layout_file { my ($name) = @_;
    my $t = join '', map { "$_->[0]\r\n$_->[1],$_->[2],$_->[3],$_->[4]\r\n" } @{ $LAYOUT{$name} };
    return join '', map { chr(~ord($_) & 0xFF) } split //, $t; }

# Where the main window's controls sit (640 x 300).
my %MAIN = (
    1 => [16, 30, 80, 22, 'UPDATE'], 46 => [100, 30, 80, 22, 'HOME'], 67 => [184, 30, 80, 22, 'SHOP'],
    47 => [268, 30, 80, 22, 'SETTING'], 55 => [576, 30, 24, 22, '_'], 3 => [604, 30, 24, 22, 'X'],
);
my @LIST_RECT = (12, 78, 617, 170);
# The two web panes under the list: news on the left, the banner on the right.
my @NEWS_RECT = (12, 254, 404, 42);
my @BANNER_RECT = (420, 254, 208, 42);
my @SORT_RECT = (12, 56, 600, 20);

sub main_background {
    my $cv = canvas(640, 300, 0);
    for my $y (0 .. 299) { for my $x (0 .. 639) { put($cv, $x, $y, 32 + int(223 * ($x + 2 * $y) / 1240)); } }
    fill($cv, 0, 0, 640, 25, $C{strip});
    fill($cv, 0, 25, 640, 1, $C{white});
    text($cv, 30, 6, 'TIV', $C{yellow}, 2);
    text($cv, 80, 10, 'LAUNCHER', $C{white});
    # The frame around the header and the list.
    my ($x, $y) = ($SORT_RECT[0] - 2, $SORT_RECT[1] - 2);
    fill($cv, $x, $y, $LIST_RECT[2] + 4, $LIST_RECT[1] + $LIST_RECT[3] - $y + 2, $C{frame});
    box($cv, $x, $y, $LIST_RECT[2] + 4, $LIST_RECT[1] + $LIST_RECT[3] - $y + 2, $C{cyan});
    # A pane the page has not reached yet shows this frame and its fill.
    for my $r (\@NEWS_RECT, \@BANNER_RECT) {
        fill($cv, $r->[0] - 1, $r->[1] - 1, $r->[2] + 2, $r->[3] + 2, $C{frame});
        box($cv, $r->[0] - 1, $r->[1] - 1, $r->[2] + 2, $r->[3] + 2, $C{cyan}); }
    return $cv; }

sub sort_header {
    my $cv = canvas(600, 20, $C{strip});
    fill($cv, 0, 19, 600, 1, $C{cyan});
    for my $k (['TITLE', 42], ['MAKER', 296], ['PLATFORM', 420], ['GENRE', 484], ['DATE', 538]) { text($cv, $k->[1], 7, $k->[0], $C{white}); }
    for my $s (['TITLE_SORT_UP', '^'], ['TITLE_SORT_DOWN', 'v'], ['SALEDAY_SORT_UP', '^'], ['SALEDAY_SORT_DOWN', 'v']) {
        my $i = layout_item('lcm', $s->[0]);
        fill($cv, $i->[1], $i->[2], $i->[3], $i->[4], $C{face});
        text($cv, $i->[1] + 4, $i->[2] + 5, $s->[1], $C{white}); }
    return $cv; }

sub row_background { my ($h, $face) = @_;
    my $cv = canvas(600, $h, $face);
    fill($cv, 0, $h - 1, 600, 1, $C{lgrey});
    if ($h > 25) {
        fill($cv, 0, 25, 600, 1, $C{lgrey});
        my $c = layout_item('lcd', 'IMG_GAMECAPTURE');
        box($cv, $c->[1] - 1, $c->[2] - 1, $c->[3] + 2, $c->[4] + 2, $C{grey});
        my $w = layout_item('lcd', 'BTN_WEBSALEPAGE_PROJECTTIV');
        my $b = button($w->[3], $w->[4], 'WEB', $C{cyan}, $C{white});
        for my $y (0 .. $w->[4] - 1) { for my $x (0 .. $w->[3] - 1) {
            my $p = $b->{p}[$y * $w->[3] + $x]; put($cv, $w->[1] + $x, $w->[2] + $y, $p) if $p != $C{black}; } }
    }
    return $cv; }

# The download window's background: the skin's (image 75) and the
# program's own, for a program without a skin, differ in their title strip.
sub download_background { my ($strip) = @_;
    my $cv = canvas(340, 108, $C{panel});
    fill($cv, 0, 0, 340, 20, $strip // $C{strip});
    text($cv, 10, 7, 'DOWNLOAD', $C{white});
    box($cv, 0, 0, 340, 108, $C{cyan});
    return $cv; }

# The slot chooser: a 350x187 panel with eight row places at (20, 25 + 19i),
# the cover that hides an unused place, and the shape (black outside).
sub select_picture { my ($which) = @_;
    if ($which eq 'row147') { return canvas(313, 18, $C{panel}); }
    my $cv = canvas(350, 187, $C{panel});
    for my $y (0 .. 186) { for my $x (0 .. 349) {
        my $in = inside_shape($x, $y, 350, 187, 10);
        put($cv, $x, $y, $which eq 'shape146' ? ($in ? $C{white} : $C{black}) : ($in ? $C{panel} : $C{black}));
    } }
    return $cv if $which eq 'shape146';
    fill($cv, 0, 0, 350, 22, $C{strip});
    box($cv, 0, 0, 350, 187, $C{cyan});
    for my $i (0 .. 7) { my $y = 25 + 19 * $i;
        fill($cv, 20, $y, 313, 18, $C{row}); box($cv, 20, $y, 313, 18, $C{frame}); }
    return $cv; }

sub skin_images {
    my @img;   # [type, x, y, w, h, {slot => canvas}]
    push @img, [0, 0, 0, 640, 300, { 0 => main_background() }];
    for my $t (sort { $a <=> $b } keys %MAIN) { my ($x, $y, $w, $h, $l) = @{ $MAIN{$t} };
        push @img, [$t, $x, $y, $w, $h, button_states($w, $h, $l, $t == 3 ? $C{red} : undef)]; }
    push @img, [8, @LIST_RECT, {}];
    push @img, [10, 356, 30, 150, 200, {}];
    push @img, [49, @NEWS_RECT, {}];
    push @img, [50, @BANNER_RECT, {}];
    my $hd = sort_header();
    push @img, [52, @SORT_RECT, { 0 => $hd, 1 => $hd }];
    push @img, [53, 0, 0, 14, 16, button_states(14, 16, '^')];
    push @img, [54, 0, 0, 14, 16, button_states(14, 16, 'v')];
    push @img, [33, 0, 0, 600, 25, { 0 => row_background(25, $C{row}), 2 => row_background(25, $C{rowsel}),
                                     3 => row_background(25, $C{rownot}) }];
    push @img, [34, 0, 0, 600, 125, { 0 => row_background(125, $C{rowexp}), 2 => row_background(125, $C{rowsel}),
                                      3 => row_background(125, $C{rownot}) }];
    my $prop = canvas(40, 16, $C{black});
    for my $y (0 .. 15) { for my $x (0 .. 39) { put($prop, $x, $y, $C{orange}) if in_round($x, $y, 40, 16, 4); } }
    text($prop, 11, 4, 'NEW', $C{white});
    push @img, [35, 0, 0, 40, 16, { 1 => $prop, 4 => round_mask(40, 16, 4) }];
    my %label = (39 => 'MANUAL', 40 => 'GUIDE', 41 => 'MUSIC', 42 => 'PLAY');
    push @img, [$_, 0, 0, 72, 22, button_states(72, 22, $label{$_})] for 39 .. 42;
    push @img, [51, 0, 0, 72, 22, button_states(72, 22, 'FAV', $C{yellow} , $C{orange})];
    push @img, [68, 0, 0, 72, 22, button_states(72, 22, 'FAV')];
    my %anim = (69 => 'PLAY', 70 => 'MANUAL', 71 => 'MUSIC');
    push @img, [$_, 0, 0, 72, 22, button_frames(72, 22, $anim{$_}, $C{green})] for 69 .. 71;
    my %dl = (57 => 'PLAY', 58 => 'MANUAL', 59 => 'MUSIC');
    push @img, [$_, 0, 0, 72, 22, button_frames(72, 22, $dl{$_}, $C{dlface})] for 57 .. 59;
    push @img, [$_ + 3, 0, 0, 72, 22, { 0 => button(72, 22, $dl{$_}, $C{dlhover}, $C{white}), 4 => round_mask(72, 22, 4) }] for 57 .. 59;
    push @img, [63, 0, 0, 16, 16, disc_icon($C{green})];
    push @img, [64, 0, 0, 16, 16, disc_icon($C{orange}, 'v')];
    push @img, [65, 0, 0, 16, 16, disc_icon($C{purple})];
    push @img, [66, 0, 0, 16, 16, disc_icon($C{grey})];
    push @img, [45, 0, 0, 16, 16, button_frames(16, 16, ' ', $C{cyan})];
    push @img, [75, 0, 0, 340, 108, { 0 => download_background() }];
    return @img; }

# The skin file: the header (a word nobody reads, the data offset, the
# count), one 56-byte directory entry per picture, then the bitmaps in
# directory order. Animated types use nine sizes for the slots 0, 5 .. 11, 4;
# the others five sizes for the slots 0 .. 4.
sub skin_file {
    my @img = skin_images();
    my %animated = map { $_ => 1 } (45, 56, 57, 58, 59, 69, 70, 71);
    my ($dir, $data) = ('', '');
    for my $e (@img) {
        my ($type, $x, $y, $w, $h, $slots) = @$e;
        my @order = $animated{$type} ? (0, 5, 6, 7, 8, 9, 10, 11, 4) : (0 .. 4);
        my @sizes = (0) x 9;
        for my $i (0 .. $#order) {
            next unless $slots->{ $order[$i] };
            my $b = canvas_bmp($slots->{ $order[$i] });
            $sizes[$i] = length $b;
            $data .= $b;
        }
        $dir .= join('', map { le32($_) } @sizes) . le32($type) . le32($x) . le32($y) . le32($w) . le32($h);
    }
    return le32(0x4E494B53) . le32(12 + length $dir) . le32(scalar @img) . $dir . $data; }

# Screenshots of the catalogue rows (120 x 90, 8 bits, as lcd.bin's capture
# item): the placeholder shown until a capture has arrived, and the demo
# catalogue's captures, a little scene each.
sub underconstruct {
    my $cv = canvas(120, 90, $C{lgrey});
    for my $y (0 .. 89) { for my $x (0 .. 119) { put($cv, $x, $y, $C{yellow}) if (($x + $y) / 10) % 2 == 0 && $y > 66; } }
    fill($cv, 0, 66, 120, 1, $C{dgrey});
    box($cv, 0, 0, 120, 90, $C{grey});
    text_centred_at($cv, 20, 'NO', $C{dgrey}, 2);
    text_centred_at($cv, 40, 'IMAGE', $C{dgrey}, 2);
    return $cv; }
sub text_centred_at { my ($cv, $y, $s, $c, $k) = @_; text($cv, int(($cv->{w} - text_width($s, $k)) / 2), $y, $s, $c, $k); }
sub capture { my ($n) = @_;
    my @sky = ($C{navy}, $C{strip}, $C{purple}, $C{frame}, $C{navy});
    my @ground = ($C{green}, $C{orange}, $C{cyan}, $C{grey}, $C{red});
    my $cv = canvas(120, 90, $sky[$n - 1]);
    for my $i (0 .. 24) { put($cv, (37 * $i * $n) % 120, (53 * $i + 11 * $n) % 50, $C{white}); }   # stars
    for my $x (0 .. 119) { my $h = 60 + int(8 * sin(($x + 17 * $n) / (6 + $n))); fill($cv, $x, $h, 1, 90 - $h, $ground[$n - 1]); }
    text_centred_at($cv, 8, 'DEMO ' . ('I' x $n), $C{yellow}, 1);
    box($cv, 0, 0, 120, 90, $C{white});
    return $cv; }
# The sale modes' splash: a 400 x 240 picture and sp.bin, which names it
# and gives the window its size (plain text, CR LF lines, every byte
# inverted). The red square in the bottom right corner is where a test
# looks for the picture.
my @SPLASH_SIZE = (400, 240);
sub splash_picture {
    my ($w, $h) = @SPLASH_SIZE;
    my $cv = canvas($w, $h, $C{strip});
    box($cv, 0, 0, $w, $h, $C{cyan});
    fill($cv, 0, 0, $w, 25, $C{frame});
    text($cv, 40, 50, 'TIV', $C{yellow}, 6);
    text($cv, 40, 130, 'NOW LOADING', $C{white}, 2);
    fill($cv, $w - 40, $h - 40, 20, 20, $C{red});
    return $cv; }
sub splash_file {
    my $t = "[bg]\r\nsplash.bmp\r\n$SPLASH_SIZE[0],$SPLASH_SIZE[1]\r\n";
    return join '', map { chr(~ord($_) & 0xFF) } split //, $t; }

# ---------------------------------------------------------------------------
# The music player's skin: 24-bit pictures on the grids its windows cut them
# by, and the skin description that places them. Every cell of a grid has a
# colour of its own, so that a capture tells which cell a window copied.
my %GLYPH_PLAYER = (
    '<' => ['...#.', '..#..', '.#...', '#....', '.#...', '..#..', '...#.'],
    '>' => ['.#...', '..#..', '...#.', '....#', '...#.', '..#..', '.#...'],
    '=' => ['.....', '.....', '#####', '.....', '#####', '.....', '.....'],
    '0' => ['.###.', '#...#', '#..##', '#.#.#', '##..#', '#...#', '.###.'],
    '1' => ['..#..', '.##..', '..#..', '..#..', '..#..', '..#..', '.###.'],
    '2' => ['.###.', '#...#', '....#', '...#.', '..#..', '.#...', '#####'],
    '3' => ['####.', '....#', '....#', '.###.', '....#', '....#', '####.'],
    '4' => ['...#.', '..##.', '.#.#.', '#..#.', '#####', '...#.', '...#.'],
    '5' => ['#####', '#....', '####.', '....#', '....#', '#...#', '.###.'],
    '6' => ['.###.', '#....', '#....', '####.', '#...#', '#...#', '.###.'],
    '7' => ['#####', '....#', '...#.', '..#..', '.#...', '.#...', '.#...'],
    '8' => ['.###.', '#...#', '#...#', '.###.', '#...#', '#...#', '.###.'],
    '9' => ['.###.', '#...#', '#...#', '.####', '....#', '....#', '.###.'],
    'Q' => ['.###.', '#...#', '#...#', '#...#', '#.#.#', '#..#.', '.##.#'],
    'Z' => ['#####', '....#', '...#.', '..#..', '.#...', '#....', '#####'],
    'J' => ['..###', '...#.', '...#.', '...#.', '...#.', '#..#.', '.##..'],
);
$GLYPH{$_} //= $GLYPH_PLAYER{$_} for keys %GLYPH_PLAYER;

sub rgb_canvas { my ($w, $h, $c) = @_; return canvas($w, $h, $c); }
sub canvas_bmp24 { my ($cv) = @_; return bmp24($cv->{w}, $cv->{h}, sub { $cv->{p}[$_[1] * $cv->{w} + $_[0]] }); }
# A colour from a hue (0 .. 359) at a given brightness (0 .. 1).
sub hue { my ($h, $v, $s) = @_; $s //= 0.6; $h %= 360;
    my $c = $v * $s; my $x = $c * (1 - abs((($h / 60) % 2) + ($h / 60 - int($h / 60)) - 1)); my $m = $v - $c;
    my @t = $h < 60 ? ($c, $x, 0) : $h < 120 ? ($x, $c, 0) : $h < 180 ? (0, $c, $x)
          : $h < 240 ? (0, $x, $c) : $h < 300 ? ($x, 0, $c) : ($c, 0, $x);
    return [map { int(255 * ($_ + $m) + 0.5) } @t]; }
sub darker { my ($c) = @_; return [map { int($_ * 0.55) } @$c]; }
# One cell of a grid: its own colour, a darker frame and an optional label.
sub cell { my ($cv, $x, $y, $w, $h, $c, $label, $ink) = @_;
    fill($cv, $x, $y, $w, $h, $c);
    box($cv, $x, $y, $w, $h, darker($c)) if $w > 2 && $h > 2;
    if (defined $label && $label ne '' && text_width($label) <= $w - 2 && $h >= 9) {
        text($cv, $x + int(($w - text_width($label)) / 2), $y + int(($h - 7) / 2), $label, $ink // [255, 255, 255]);
    } }
# State rows of a button picture: normal, pressed, hover, disabled.
my @STATE_V = (0.80, 0.50, 1.00, 0.40);

# Main window: where each part lies and where its button cells start.
my @PLAYER_MAIN_POS = (
    [close => '509,5,12,12'], [minimize => '492,5,12,12'], [ss => '25,61,100,75'], [disp => '127,61,316,75,'],
    [play => '127,21,72,24'], [stop => '205,21,24,24'], [rec => '235,21,24,24'], [tmin => '299,21,24,24'],
    [tdec => '329,21,24,24'], [trst => '359,21,24,24'], [tinc => '389,21,24,24'], [tmax => '419,21,24,24'],
    [vol => '449,21,72,24'], [dsp => '449,51,72,24'], [kbd => '449,81,72,24'], [lvl => '449,111,72,24'],
    [cfg => '449,141,72,24'], [stat => '25,144,16,16'], [title => '43,144,299,16'], [time => '345,144,98,16'],
    [list => '21,171,500,94'], [tempo => '359,61,0,0']);
my @PLAYER_MAIN_SKIN = ([play => 0, 72, 'PLAY', 'PAUSE'], [stop => 144, 24, 'S'], [rec => 168, 24, 'R'],
    [tmin => 192, 24, '<<'], [tdec => 216, 24, '<'], [trst => 240, 24, '='], [tinc => 264, 24, '>'],
    [tmax => 288, 24, '>>'], [dsp => 312, 72, 'DISP'], [kbd => 384, 72, 'KBD'], [lvl => 456, 72, 'LVL'],
    [cfg => 528, 72, 'CFG']);
# Chips in the order of their type numbers, with their channels' cells.
my @PLAYER_CHIPS = ([ym2203 => 6, 1, 0], [ym2608 => 16, 7, 6], [ym2151 => 8, 23, 22], [ym2149 => 3, 31, 30],
                    [ay38910 => 3, 34, 33], [msm6258 => 1, 37, 36]);
my @PLAYER_CH_KINDS = ([fm => 1, 8], [ssg => 9, 3], [psg => 12, 3], [adpcm => 15, 1], [rhythm => 16, 6]);
my %PLAYER_POS = (
    keyboard => [[close => '509,5,12,12'], [minimize => '492,5,12,12'], [kbd => '163,21,350,16'], [trk => '29,21,128,16']],
    level => [[close => '509,5,12,12'], [minimize => '492,5,12,12'], [lvl => '31,29,30,64'], [pan => '31,94,30,25'],
              [chip => '31,122,30,16'], [ch => '31,139,30,24']]);
sub pos_of { my ($list, $key) = @_; for (@$list) { return split /,/, $_->[1] if $_->[0] eq $key; } die "no $key\n"; }

sub player_skin_txt {
    my @l = ('; The music player\'s skin: where each part of its three windows lies',
             '; (x,y,w,h in client pixels) and where its pictures start in the bitmaps (x,y).',
             '; Values that hold commas are quoted.', '', '[sys_skin]', 'close="0,0"', 'minimize="12,0"', '',
             '[main_pos]');
    push @l, map { "$_->[0]=\"$_->[1]\"" } @PLAYER_MAIN_POS;
    push @l, '', '[main_skin]', map { "$_->[0]=\"$_->[1],0\"" } @PLAYER_MAIN_SKIN;
    push @l, '', '[main_color]', 'disp="0,0,0"', 'title="0,0,0"', 'tempo="255,0,0"';
    push @l, '', '[keyboard_pos]', map { "$_->[0]=\"$_->[1]\"" } @{ $PLAYER_POS{keyboard} };
    push @l, '', '[keyboard_skin]', map { "$_->[0]=$_->[2]" } @PLAYER_CHIPS;
    push @l, '', '[level_pos]', map { "$_->[0]=\"$_->[1]\"" } @{ $PLAYER_POS{level} };
    push @l, '', '[level_skin]', (map { "$_->[0]=$_->[3]" } @PLAYER_CHIPS), (map { "$_->[0]=$_->[1]" } @PLAYER_CH_KINDS);
    return join('', map { "$_\r\n" } @l);
}

# A window face: a gradient, a title strip and a sunken panel under every part.
sub player_background { my ($w, $h, $seed, $parts) = @_;
    my $cv = rgb_canvas($w, $h, [0, 0, 0]);
    for my $y (0 .. $h - 1) { for my $x (0 .. $w - 1) { put($cv, $x, $y, hue($seed + int($y / 8), 0.30 + 0.25 * $x / $w, 0.35)); } }
    fill($cv, 0, 0, $w, 18, hue($seed + 180, 0.35, 0.5));
    for my $r (@$parts) { my ($x, $y, $pw, $ph) = @$r; next unless $pw && $ph;
        fill($cv, $x - 1, $y - 1, $pw + 2, $ph + 2, [20, 20, 28]); fill($cv, $x, $y, $pw, $ph, [235, 238, 242]); }
    return $cv; }

sub player_picture {
    my ($name) = @_;
    if ($name eq 'sys_btn') {            # close, minimise: two columns, four states
        my $cv = rgb_canvas(24, 48, [0, 0, 0]);
        for my $s (0 .. 3) { for my $v (0 .. 1) {
            my $c = hue(10 + 170 * $v + 23 * $s, $STATE_V[$s]); cell($cv, 12 * $v, 12 * $s, 12, 12, $c);
            if ($v == 0) { for my $d (3 .. 8) { put($cv, 12 * $v + $d, 12 * $s + $d, [255, 255, 255]); put($cv, 12 * $v + 11 - $d, 12 * $s + $d, [255, 255, 255]); } }
            else { fill($cv, 12 * $v + 3, 12 * $s + 8, 6, 1, [255, 255, 255]); } } }
        return $cv; }
    if ($name eq 'main_btn') {
        my $cv = rgb_canvas(600, 96, [0, 0, 0]);
        my $k = 0;
        for my $b (@PLAYER_MAIN_SKIN) { my ($key, $x, $w, @labels) = @$b;
            for my $v (0 .. $#labels) { for my $s (0 .. 3) {
                cell($cv, $x + $w * $v, 24 * $s, $w, 24, hue(29 * $k + 47 * $v + 11 * $s, $STATE_V[$s]), $labels[$v]); } }
            $k++; }
        return $cv; }
    if ($name eq 'main_wave') {          # cell k: a wave as tall as level k
        my $cv = rgb_canvas(128, 64, [8, 16, 8]);
        for my $k (0 .. 31) { my $c = hue(90 + 4 * $k, 0.9); my $a = $k;
            fill($cv, 4 * $k, 32 - $a, 4, 2 * $a || 1, $c); }
        return $cv; }
    if ($name eq 'main_spect') {         # cell k: a bar of height 4k from the bottom
        my $cv = rgb_canvas(64, 64, [8, 8, 16]);
        for my $k (0 .. 15) { my $hgt = 4 * $k; fill($cv, 4 * $k, 64 - $hgt, 4, $hgt, hue(200 + 9 * $k, 0.95)) if $hgt; }
        return $cv; }
    if ($name eq 'main_stat') {          # none, play, stop, pause, record
        my $cv = rgb_canvas(16, 80, [235, 238, 242]);
        for my $s (0 .. 4) { my $y0 = 16 * $s; my $c = hue(60 * $s + 20, 0.8);
            if ($s == 1) { for my $y (0 .. 11) { my $hw = $y < 6 ? $y : 11 - $y; fill($cv, 4, $y0 + 2 + $y, $hw + 1, 1, $c); } }
            elsif ($s == 2) { fill($cv, 3, $y0 + 3, 10, 10, $c); }
            elsif ($s == 3) { fill($cv, 3, $y0 + 3, 3, 10, $c); fill($cv, 10, $y0 + 3, 3, 10, $c); }
            elsif ($s == 4) { for my $y (0 .. 15) { for my $x (0 .. 15) { put($cv, $x, $y0 + $y, $c) if ($x - 7.5) ** 2 + ($y - 7.5) ** 2 <= 25; } } } }
        return $cv; }
    if ($name eq 'main_bg') {
        my @parts = map { [split /,/, $_->[1]] } grep { $_->[0] =~ /^(ss|disp|title|time|list|stat)$/ } @PLAYER_MAIN_POS;
        my $cv = player_background(541, 285, 200, \@parts);
        text($cv, 8, 6, 'TIV SOUND PLAYER', [255, 255, 255]);
        return $cv; }
    if ($name eq 'keyboard_bg') {
        my @kbd = pos_of($PLAYER_POS{keyboard}, 'kbd'); my @trk = pos_of($PLAYER_POS{keyboard}, 'trk');
        my $cv = player_background(541, 282, 140, [[$kbd[0], $kbd[1], 350, 16 * 16], [$trk[0], $trk[1], $trk[2], 16 * 16]]);
        text($cv, 8, 6, 'KEYBOARD', [255, 255, 255]);
        return $cv; }
    if ($name eq 'keyboard_kbd') {       # one octave; image 0 idle, 1..12 key k down, 13 muted
        my $cv = rgb_canvas(35, 224, [0, 0, 0]);
        my @white = (0, 2, 4, 5, 7, 9, 11); my %black = (1 => 0, 3 => 1, 6 => 3, 8 => 4, 10 => 5);
        for my $img (0 .. 13) { my $y0 = 16 * $img; my $lit = hue(30 * $img, 1.0, 0.9);
            for my $i (0 .. 6) { my $down = $img >= 1 && $img <= 12 && $white[$i] == $img - 1;
                fill($cv, 5 * $i, $y0, 4, 16, $img == 13 ? [90, 90, 90] : $down ? $lit : [250, 250, 250]); }
            for my $n (keys %black) { my $down = $img >= 1 && $img <= 12 && $n == $img - 1;
                fill($cv, 5 * $black{$n} + 3, $y0, 3, 10, $img == 13 ? [40, 40, 40] : $down ? $lit : [10, 10, 10]); } }
        return $cv; }
    if ($name eq 'keyboard_trk') {       # a row per channel name; eight 128-pixel cells across
        my $cv = rgb_canvas(1024, 608, [0, 0, 0]);
        my @names = ('');
        for my $c (@PLAYER_CHIPS) { my ($key, $n) = @$c; my $tag = uc(substr($key, 0, 2) eq 'ym' ? substr($key, 2) : substr($key, 0, 4));
            push @names, map { "$tag $_" } 1 .. $n; }
        for my $r (0 .. 37) { for my $cl (0 .. 7) {
            cell($cv, 128 * $cl, 16 * $r, 128, 16, hue(9 * $r + 45 * $cl, ($cl & 4) ? 0.95 : 0.65), $names[$r] // ''); } }
        return $cv; }
    if ($name eq 'level_bg') {
        my @l = map { [pos_of($PLAYER_POS{level}, $_)] } qw(lvl pan chip ch);
        my $cv = player_background(541, 172, 280, [map { [$_->[0], $_->[1], $_->[2] * 16, $_->[3]] } @l]);
        text($cv, 8, 6, 'LEVEL', [255, 255, 255]);
        return $cv; }
    if ($name eq 'level_lvl') {          # 16 cells of 30 x 64: a bar of k + 1 steps
        my $cv = rgb_canvas(480, 64, [16, 16, 16]);
        for my $k (0 .. 15) { for my $st (0 .. $k - 1) { fill($cv, 30 * $k + 6, 60 - 4 * $st, 18, 3, hue(120 - 8 * $st, 0.95)); }
            box($cv, 30 * $k, 0, 30, 64, hue(17 * $k, 0.5)); }
        return $cv; }
    if ($name eq 'level_pan') {          # 8 cells of 30 x 25: 0 left .. 3 centre .. 6 right, 7 off
        my $cv = rgb_canvas(30, 200, [0, 0, 0]);
        for my $p (0 .. 7) { cell($cv, 0, 25 * $p, 30, 25, hue(40 * $p, 0.35));
            fill($cv, 3 + 4 * $p, 25 * $p + 8, 3, 9, [255, 255, 255]) if $p < 7; }
        return $cv; }
    if ($name eq 'level_chip') {         # 37 name cells of 30 across, eight state rows of 16
        my $cv = rgb_canvas(1110, 128, [0, 0, 0]);
        for my $c (@PLAYER_CHIPS) { my ($key, $n, undef, $first) = @$c;
            for my $s (0 .. 7) { my $col = hue(60 * ($first % 6) + 13 * $first + 7 * $s, $STATE_V[$s % 4]);
                cell($cv, 30 * $first, 16 * $s, 30 * $n, 16, $col, uc($key)); } }
        return $cv; }
    if ($name eq 'level_ch') {           # 22 channel-name cells of 30 across, eight state rows of 24
        my $cv = rgb_canvas(660, 192, [0, 0, 0]);
        my %tag = (fm => 'F', ssg => 'S', psg => 'P', adpcm => 'A', rhythm => 'R');
        for my $i (0 .. 21) { my ($kind) = grep { $i >= $_->[1] && $i < $_->[1] + $_->[2] } @PLAYER_CH_KINDS;
            my $label = $kind ? $tag{ $kind->[0] } . ($i - $kind->[1] + 1) : '';
            for my $s (0 .. 7) { cell($cv, 30 * $i, 24 * $s, 30, 24, hue(16 * $i + 31 * $s, ($s & 4) ? 0.95 : 0.6), $label); } }
        return $cv; }
    die "mkart.pl: unknown player picture $name\n";
}

# The login dialog (320 x 200): its shape (151), background (152) and the
# strips of its OK (153, 38 rows a state) and CANCEL (154, 24 rows a state)
# buttons, normal above pressed. The places of the edits and buttons are
# login/logindlg.h's; the dialog puts its controls there.
my @LOGIN_SIZE = (320, 200);
my %LOGIN_AT = (id => [120, 72, 170, 20], pw => [120, 104, 170, 20], ok => [200, 140, 90, 38], cancel => [40, 147, 90, 24]);
sub login_inside { my ($x, $y) = @_; return in_round($x, $y, $LOGIN_SIZE[0], $LOGIN_SIZE[1], 18); }
sub login_background {
    my ($w, $h) = @LOGIN_SIZE;
    my $cv = canvas($w, $h, $C{black});
    for my $y (0 .. $h - 1) { for my $x (0 .. $w - 1) {
        put($cv, $x, $y, 32 + int(223 * ($x + 2 * $y) / ($w + 2 * $h))) if login_inside($x, $y); } }
    for my $y (0 .. 33) { for my $x (0 .. $w - 1) { put($cv, $x, $y, $C{strip}) if login_inside($x, $y); } }
    fill($cv, 0, 34, $w, 1, $C{white});
    text($cv, 30, 10, 'TIV', $C{yellow}, 2);
    text($cv, 76, 14, 'LOGIN', $C{white});
    text($cv, 40, 78, 'ID', $C{white});
    text($cv, 40, 110, 'PASSWORD', $C{white});
    for my $k ('id', 'pw') { my ($x, $y, $bw, $bh) = @{ $LOGIN_AT{$k} };
        fill($cv, $x - 2, $y - 2, $bw + 4, $bh + 4, $C{frame}); box($cv, $x - 2, $y - 2, $bw + 4, $bh + 4, $C{cyan}); }
    return $cv; }
sub login_strip { my ($k, $label) = @_;
    my ($bw, $bh) = @{ $LOGIN_AT{$k} }[2, 3];
    my $cv = canvas($bw, 2 * $bh, $C{black});
    for my $state (0, 1) {
        my $b = button($bw, $bh, $label, $state ? $C{pressed} : ($k eq 'ok' ? $C{face} : $C{dgrey}), $state ? $C{lgrey} : $C{white});
        for my $y (0 .. $bh - 1) { for my $x (0 .. $bw - 1) {
            # The corners show the background the button sits on.
            my $p = $b->{p}[$y * $bw + $x];
            put($cv, $x, $state * $bh + $y, $p == $C{black} ? $C{frame} : $p); } }
        box($cv, 1, $state * $bh + 1, $bw - 2, $bh - 2, $C{white}) if $state;   # pressed: a lit frame
    }
    return $cv; }

my $bytes;
if ($name eq 'player_skin') {
    $bytes = player_skin_txt();
} elsif ($name =~ /^player_(\w+)$/) {
    $bytes = canvas_bmp24(player_picture($1));
} elsif ($name eq 'underconstruct') {
    $bytes = canvas_bmp(underconstruct());
} elsif ($name =~ /^capture([1-5])$/) {
    $bytes = canvas_bmp(capture($1));
} elsif ($name eq 'login151') {
    $bytes = bmp8(@LOGIN_SIZE, ramp_palette(), sub { login_inside($_[0], $_[1]) ? 1 + int(254 * $_[1] / $LOGIN_SIZE[1]) : 0 });
} elsif ($name eq 'login152') {
    $bytes = canvas_bmp(login_background());
} elsif ($name eq 'login153') {
    $bytes = canvas_bmp(login_strip('ok', 'LOGIN'));
} elsif ($name eq 'login154') {
    $bytes = canvas_bmp(login_strip('cancel', 'CANCEL'));
} elsif ($name eq 'skin') {
    $bytes = skin_file();
} elsif ($name eq 'splash') {
    $bytes = canvas_bmp(splash_picture());
} elsif ($name eq 'sp') {
    $bytes = splash_file();
} elsif ($name =~ /^(lcs|lcd|lcm)$/) {
    $bytes = layout_file($name);
} elsif ($name eq 'region132') {          # launcher mode: 640x300, 24 bits
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
} elsif ($name eq 'dlbg340') {       # the download window without a skin
    $bytes = canvas_bmp(download_background($C{cyan}));
} elsif ($name =~ /^sel(bg145|shape146|row147)$/) {   # the slot chooser
    $bytes = canvas_bmp(select_picture($1));
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
