#!/usr/bin/env bash
# Draws the border frames shipped in dist/bk/: 1200x900 PNGs, opaque frame, clear centre with a
# soft shadow that the frame casts onto the picture. The program stretches a frame over the whole
# result, so each is drawn for a 4:3 picture and stays thin enough to stretch to other shapes.
#
#   scripts/make_borders.sh [OUTDIR]     default dist/bk
#   scripts/make_borders.sh --preview PHOTO [OUTDIR]
#                                        also writes OUTDIR/preview/NAME.jpg: each frame over PHOTO
#
# Output is deterministic (fixed noise seeds). Needs: imagemagick (scripts/setup.sh installs it).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
photo=""
if [ "${1:-}" = "--preview" ]; then
  photo="$2"
  shift 2
fi
case "${1:-}" in -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac
out="${1:-$here/../dist/bk}"
mkdir -p "$out"

W=1200
H=900
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT

# Trapezoids of a frame T pixels wide, mitred at the corners.
top()    { echo "polygon 0,0 $((W-1)),0 $((W-1-$1)),$(($1-1)) $1,$(($1-1))"; }
bottom() { echo "polygon 0,$((H-1)) $((W-1)),$((H-1)) $((W-1-$1)),$((H-$1)) $1,$((H-$1))"; }
left()   { echo "polygon 0,0 $(($1-1)),$1 $(($1-1)),$((H-1-$1)) 0,$((H-1))"; }
right()  { echo "polygon $((W-1)),0 $((W-$1)),$1 $((W-$1)),$((H-1-$1)) $((W-1)),$((H-1))"; }

# light FRAME T: light from the top left: the top side brighter, the bottom darker.
light() {
  convert "$1" \
    -fill 'rgba(255,255,255,0.16)' -draw "$(top "$2")" \
    -fill 'rgba(255,255,255,0.07)' -draw "$(left "$2")" \
    -fill 'rgba(0,0,0,0.12)' -draw "$(right "$2")" \
    -fill 'rgba(0,0,0,0.22)' -draw "$(bottom "$2")" \
    "$1"
}

# profile FRAME COLOURS...: a moulding drawn ring by ring from the outer edge inwards, one
# colour per ring; the rings meet in mitres at the corners.
profile() {
  local file="$1"
  shift
  local draw="" i=0
  for c in "$@"; do
    draw+="stroke $c fill none rectangle $i,$i $((W-1-i)),$((H-1-i)) "
    i=$((i + 1))
  done
  convert "$file" -strokewidth 1 -draw "$draw" "$file"
}

# ramp FROM TO N: N colours from one to the other, along a half cosine (a rounded moulding).
ramp() {
  awk -v a="$1" -v b="$2" -v n="$3" '
  function hex(s) { s = tolower(s); return (index("0123456789abcdef", substr(s, 1, 1)) - 1) * 16 + index("0123456789abcdef", substr(s, 2, 1)) - 1 }
  BEGIN {
    for (k = 0; k < 3; k++) { A[k] = hex(substr(a, 2 + 2 * k, 2)); B[k] = hex(substr(b, 2 + 2 * k, 2)) }
    for (i = 0; i < n; i++) {
      t = n > 1 ? (1 - cos(3.14159265 * i / (n - 1))) / 2 : 0
      printf "#%02x%02x%02x ", A[0] + (B[0] - A[0]) * t, A[1] + (B[1] - A[1]) * t, A[2] + (B[2] - A[2]) * t
    }
  }'
}
repeat() { for ((k = 0; k < $2; k++)); do printf '%s ' "$1"; done; }

# finish FRAME T SHADOW_PX SHADOW_STRENGTH NAME: the frame opaque outside its T-wide ring; inside,
# a shadow fading over SHADOW_PX pixels; written to OUTDIR/NAME.png.
finish() {
  local frame="$1" t="$2" blur="$3" strength="$4" name="$5"
  # Inside: 1 far from the frame, less near it.
  convert -size ${W}x${H} xc:black -fill white -draw "rectangle $t,$t $((W-1-t)),$((H-1-t))" \
    -blur 0x"$blur" "$tmp/inner.png"
  convert -size ${W}x${H} xc:black -fill white -draw "rectangle $t,$t $((W-1-t)),$((H-1-t))" "$tmp/hole.png"
  # alpha = 1 on the frame; inside, strength * (1 - inner)
  convert "$tmp/inner.png" -negate -evaluate multiply "$strength" "$tmp/hole.png" -compose multiply -composite \
    \( "$tmp/hole.png" -negate \) -compose lighten -composite "$tmp/alpha.png"
  convert "$frame" -fill black -draw "rectangle $t,$t $((W-1-t)),$((H-1-t))" \
    "$tmp/alpha.png" -alpha off -compose CopyOpacity -composite \
    -define png:compression-level=9 -strip "PNG32:$out/$name.png"
  echo "wrote $out/$name.png"
}

# --- 简约白框: a white mat with a fine bevelled cut and a hairline outside ------------------------
T=54
convert -size ${W}x${H} xc:'#fbfaf6' "$tmp/white.png"
profile "$tmp/white.png" '#9a9a96' '#d8d8d4' $(repeat '#fbfaf6' $((T - 6))) '#ffffff' '#ecebe6' '#dddcd6' '#cfcec8'
finish "$tmp/white.png" $T 6 0.45 简约白框

# --- 木纹相框: walnut with long straight grain, mitred, with a gilt inner fillet ---------------------
T=72
wood() {  # wood SIZE SEED OUT: horizontal grain
  convert -seed "$2" -size 5x"${1#*x}" xc: +noise Random -colorspace gray -resize "$1!" -blur 0x3 -normalize \
    -function sinusoid 1.5,0 \
    \( -seed $(($2 + 1)) -size 60x"${1#*x}" xc: +noise Random -colorspace gray -resize "$1!" -blur 0x0.7 \) \
    -compose softlight -composite \( -size 1x256 gradient:'#4a2c12'-'#a5703e' \) -clut "$3"
}
wood ${W}x${H} 11 "$tmp/woodh.png"
wood ${H}x${W} 21 "$tmp/woodv.png"
convert "$tmp/woodv.png" -rotate 90 "$tmp/woodv.png"
convert -size ${W}x${H} xc:black -fill white -draw "$(top $T)" -draw "$(bottom $T)" "$tmp/mask.png"
convert "$tmp/woodv.png" "$tmp/woodh.png" "$tmp/mask.png" -composite "$tmp/wood.png"
light "$tmp/wood.png" $T
# Outer edge rounded off, the inner rebate in shadow, a thin gilt fillet at the picture.
profile "$tmp/wood.png" '#2a1808' '#5a3818' '#7a5028'
convert "$tmp/wood.png" -strokewidth 1 -draw "$(
  i=$((T - 9)); for c in '#2e1a0a' '#3a2210' '#452a14' '#4e3018' '#55361c'; do
    echo "stroke $c fill none rectangle $i,$i $((W-1-i)),$((H-1-i))"; i=$((i + 1)); done
  for c in '#8a6a2a' '#d8b860' '#f0d888' '#b08a3a'; do
    echo "stroke $c fill none rectangle $i,$i $((W-1-i)),$((H-1-i))"; i=$((i + 1)); done)" "$tmp/wood.png"
finish "$tmp/wood.png" $T 9 0.55 木纹相框

# --- 金色画框: a gilded moulding: outer lip, rounded torus, groove, flat, bead, inner lip -------------
T=84
convert -size ${W}x${H} xc:'#b8923a' "$tmp/gold.png"
profile "$tmp/gold.png" \
  '#3c2a08' '#5e4412' '#7a5a18' \
  $(ramp '#8a6818' '#fff0b0' 9) $(ramp '#fff0b0' '#7a5a16' 12) \
  '#5a4010' '#4a340c' '#6a4e14' \
  $(ramp '#a8842c' '#e2c468' 14) $(ramp '#e2c468' '#b89234' 14) \
  '#8a6a20' $(ramp '#c8a440' '#fbe8a0' 4) $(ramp '#fbe8a0' '#9a7624' 5) \
  '#4a340a' '#5c4210' '#6e5016' '#7e5e1a' '#8e6c20' $(ramp '#d8b858' '#f4e098' 3) '#a07c28' '#3a2806'
# A little tooth in the gilding, then the light.
convert "$tmp/gold.png" \( -size ${W}x${H} xc:gray50 -seed 9 -attenuate 0.6 +noise Gaussian -blur 0x0.5 \) \
  -compose softlight -composite "$tmp/gold.png"
light "$tmp/gold.png" $T
finish "$tmp/gold.png" $T 10 0.6 金色画框

# --- 胶片边框: a strip of 35 mm film: black base, sprocket holes, edge print ---------------------------
TB=96  # top and bottom bands
TS=22  # sides
convert -size ${W}x${H} xc:'#141210' "$tmp/film.png"
holes=""
n=$(((W - 30 - 2 * 14) / 52 + 1))  # holes 30 wide every 52, centred along the strip
for ((x = (W - (n - 1) * 52 - 30) / 2, k = 0; k < n; x += 52, k++)); do
  holes+="roundrectangle $x,20 $((x + 30)),52 5,5 "
  holes+="roundrectangle $x,$((H - 53)) $((x + 30)),$((H - 21)) 5,5 "
done
convert "$tmp/film.png" -fill '#f2efe6' -draw "$holes" \
  -font DejaVu-Sans-Bold -pointsize 15 -fill '#e6a03a' \
  -draw "text 60,76 'TAVU 400'" -draw "text 420,76 '12'" -draw "text 760,76 '12A'" \
  -draw "text 1040,76 'TAVU 400'" -draw "text 160,$((H - 66)) '13'" -draw "text 520,$((H - 66)) '13A'" \
  -draw "text 880,$((H - 66)) '14'" "$tmp/film.png"
# Clear sprocket holes: the photo shows through them, as light would.
convert "$tmp/film.png" -fill black -draw "rectangle $TS,$TB $((W-1-TS)),$((H-1-TB))" "$tmp/filmc.png"
convert -size ${W}x${H} xc:black -fill white -draw "rectangle $TS,$TB $((W-1-TS)),$((H-1-TB))" \
  -blur 0x4 -negate -evaluate multiply 0.5 \
  -fill white -draw "rectangle 0,0 $((W-1)),$((TB-1))" -draw "rectangle 0,$((H-TB)) $((W-1)),$((H-1))" \
  -draw "rectangle 0,0 $((TS-1)),$((H-1))" -draw "rectangle $((W-TS)),0 $((W-1)),$((H-1))" \
  -fill 'gray(15%)' -draw "$holes" "$tmp/filma.png"
convert "$tmp/filmc.png" "$tmp/filma.png" -alpha off -compose CopyOpacity -composite \
  -define png:compression-level=9 -strip "PNG32:$out/胶片边框.png"
echo "wrote $out/胶片边框.png"

# --- 拍立得: an instant print: a white card with a deep lower margin ---------------------------------
convert -size ${W}x${H} xc:'#f7f5ee' "$tmp/inst.png"
convert -size ${W}x${H} xc:black -fill white -draw "rectangle 48,44 $((W-49)),$((H-151))" "$tmp/ihole.png"
convert "$tmp/inst.png" -fill black -draw "rectangle 48,44 $((W-49)),$((H-151))" "$tmp/instc.png"
convert "$tmp/ihole.png" -blur 0x5 -negate -evaluate multiply 0.4 "$tmp/ihole.png" -compose multiply -composite \
  \( "$tmp/ihole.png" -negate \) -compose lighten -composite "$tmp/inst_a.png"
convert "$tmp/instc.png" -fill '#d8d6cf' -draw "rectangle 0,0 $((W-1)),1" -draw "rectangle 0,0 1,$((H-1))" \
  -fill '#c8c6bf' -draw "rectangle $((W-2)),0 $((W-1)),$((H-1))" -draw "rectangle 0,$((H-2)) $((W-1)),$((H-1))" \
  "$tmp/inst_a.png" -alpha off -compose CopyOpacity -composite \
  -define png:compression-level=9 -strip "PNG32:$out/拍立得.png"
echo "wrote $out/拍立得.png"

if [ -n "$photo" ]; then
  mkdir -p "$out/preview"
  convert "$photo" -auto-orient -resize "${W}x${H}^" -gravity center -extent ${W}x${H} "$tmp/photo.png"
  for f in "$out"/*.png; do
    n="$(basename "$f" .png)"
    convert "$tmp/photo.png" "$f" -compose over -composite -quality 90 "$out/preview/$n.jpg"
    echo "wrote $out/preview/$n.jpg"
  done
fi
