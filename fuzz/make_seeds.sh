#!/usr/bin/env bash
# Writes the seeds of the geometry and picture fuzz targets into fuzz/corpus/ (they are kept in
# the repository; run again only to change them). Needs ImageMagick (scripts/setup.sh) and perl.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/corpus"

# geometry: int32 w0 h0, uint8 mode, float width height, int16 crop-to-fill x-anchor y-anchor,
# float offset x y, int8 turn, int32 crop x y w h (see geometry_fuzz.cpp).
geometry() {  # name w0 h0 mode width height crop xa ya ox oy turn cx cy cw ch
    local name=$1
    shift
    perl -e 'print pack("l<l<Cf<f<s<s<s<f<f<cl<l<l<l<", @ARGV)' "$@" >"geometry/$name.bin"
}
mkdir -p geometry
rm -f geometry/*.bin
geometry width-limit 4000 3000 0 800 0 1 1 0 0 0 0 0 0 0 0
geometry original 640 480 1 0 0 1 1 0 0 0 0 0 0 0 0
geometry crop-end 400 300 2 100 100 1 2 2 0 0 1 0 0 0 0
geometry fit-offset 300 400 3 300 300 0 1 0 12.5 -7 -1 0 0 0 0
geometry crop-rect 400 300 2 50 50 1 1 0 0 0 1 100 50 200 100
geometry strip 20000 1 0 500 0 1 1 0 0 0 0 0 0 0 0

# picture: eight bytes of settings, then the file (see picture_fuzz.cpp).
mkdir -p picture
rm -f picture/*.bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 16x12 gradient:red-blue -quality 50 "$work/a.jpg"
# The same with an EXIF segment that says "turn a quarter clockwise" (orientation 6).
perl -e 'local $/; my $j = <STDIN>;
  my $exif = "Exif\0\0" . pack("a2vVv vvVv(x2) V", "II", 42, 8, 1, 0x0112, 3, 1, 6, 0);
  print substr($j, 0, 2), "\xFF\xE1", pack("n", length($exif) + 2), $exif, substr($j, 2)' \
  <"$work/a.jpg" >"$work/turned.jpg"
convert -size 12x16 xc:none -fill '#20A0F080' -draw 'rectangle 2,2 9,13' "$work/alpha.png"
convert -size 16x12 gradient:black-white -depth 16 -colorspace Gray "$work/grey16.png"
convert -size 16x12 pattern:checkerboard -colors 4 "$work/a.gif"
convert -size 16x12 gradient:green-yellow -type TrueColor "BMP3:$work/a.bmp"
convert -size 16x12 gradient:white-purple -depth 8 -compress LZW "$work/a.tif"
# 8-bit RGB with the encoder's choice of filter per row, and a few chunks beside the picture.
convert -size 16x12 plasma:fractal -seed 3 -depth 8 -define png:color-type=2 \
  -define png:exclude-chunks=date,time "$work/rgb.png"
picture() {  # name settings(octal escapes) file
    { printf "$2"; cat "$3"; } >"picture/$1.bin"
}
picture jpeg-width      '\000\040\000\001\000\000\000\000' "$work/a.jpg"
picture jpeg-auto-turn  '\000\010\000\001\002\000\000\000' "$work/turned.jpg"
picture png-alpha-crop  '\002\030\030\003\003\000\000\021' "$work/alpha.png"
picture png16-fit       '\002\040\020\000\004\012\000\000' "$work/grey16.png"
picture png-rgb-width   '\000\012\000\001\000\000\000\000' "$work/rgb.png"
picture gif-original    '\001\001\001\001\000\015\050\000' "$work/a.gif"
picture bmp-custom      '\002\010\030\047\005\003\000\000' "$work/a.bmp"
picture tiff-brightness '\000\020\000\001\006\015\340\000' "$work/a.tif"
# plainpng: a PNG file as it is.
mkdir -p plainpng
rm -f plainpng/*.png
cp "$work/rgb.png" plainpng/rgb.png
# 5 x 5 pixels, a row for each filter type, stored without compression (so that changes of the
# rows reach the unfiltering).
perl -MCompress::Zlib -e 'srand(5); my $raw = join "", map { chr($_) . join "", map { chr int rand 256 } 1 .. 15 } 0 .. 4;
  sub chunk { my ($t, $d) = @_; pack("N", length $d) . $t . $d . pack("N", crc32($t . $d)) }
  print "\x89PNG\r\n\x1a\n", chunk("IHDR", pack("NNC5", 5, 5, 8, 2, 0, 0, 0)),
    chunk("IDAT", compress($raw, 0)), chunk("IEND", "")' >plainpng/filters.png
# requantize: three bytes of options (orientation, quality, flags), then a JPEG file.
mkdir -p requantize
rm -f requantize/*.bin
convert -size 32x16 plasma:fractal -seed 4 -sampling-factor 2x2 -quality 92 -strip "$work/q420.jpg"
convert -size 24x16 plasma:fractal -seed 6 -sampling-factor 1x1 -quality 70 -strip "$work/q444.jpg"
{ printf '\006\120\000'; cat "$work/q420.jpg"; } >requantize/turned-420.bin
{ printf '\001\132\005'; cat "$work/q444.jpg"; } >requantize/progressive-444.bin
{ printf '\003\100\000'; cat "$work/q420.jpg"; } >requantize/half-turn.bin
# wholejpeg: one byte (the scale), then a JPEG file: 4:2:0 and 4:4:4, baseline and progressive,
# sizes that no scale divides.
mkdir -p wholejpeg
rm -f wholejpeg/*.bin
convert -size 37x21 plasma:fractal -seed 8 -sampling-factor 2x2 -quality 85 -strip "$work/w420.jpg"
convert -size 19x27 plasma:fractal -seed 9 -sampling-factor 1x1 -quality 60 -interlace JPEG -strip "$work/w444p.jpg"
{ printf '\002'; cat "$work/w420.jpg"; } >wholejpeg/quarter-420.bin
{ printf '\001'; cat "$work/w444p.jpg"; } >wholejpeg/half-444-progressive.bin
{ printf '\000'; cat "$work/q420.jpg"; } >wholejpeg/whole-420.bin
wc -c geometry/* picture/* plainpng/* requantize/* wholejpeg/*
