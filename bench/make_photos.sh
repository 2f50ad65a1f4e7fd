#!/usr/bin/env bash
# Builds a folder of camera-sized JPEG photos for the benchmarks, from real photographs that Debian ships in
# the package lomiri-wallpapers-16.04 (CC-licensed photos; see /usr/share/doc/lomiri-wallpapers-16.04/copyright).
#
#   bench/make_photos.sh [OUTDIR] [COUNT]          12-20 MP photos, default bench/photos, 12 files
#   bench/make_photos.sh --24mp [OUTDIR] [COUNT]   6000x4000 (24 MP) photos, default bench/photos24, 6 files
#
# Each photo is cropped to camera frame proportions, upscaled (1.0x-2.0x, lanczos3) to a camera sensor size,
# given a little luminance noise, and saved as a baseline JPEG at quality 92 with 4:2:0 chroma, like a camera.
# Then a small camera-like EXIF block is added with exiv2 (Make, Model, DateTimeOriginal, Orientation).
# Variety: some photos are portrait, and some are stored sideways with EXIF Orientation 6 (rotate 90 degrees
# clockwise to display), as phones and cameras do.
# Output is deterministic (fixed noise seeds). Existing files in OUTDIR with the same names are overwritten.
# Needs: libvips-tools, exiv2, lomiri-wallpapers-16.04 (scripts/setup.sh --bench installs them).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
mode=camera
if [ "${1:-}" = "--24mp" ]; then mode=24mp; shift; fi
case "${1:-}" in -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;; esac

if [ "$mode" = 24mp ]; then
  outdir="${1:-$here/photos24}"; count="${2:-6}"
else
  outdir="${1:-$here/photos}"; count="${2:-12}"
fi
if ! [[ "$count" =~ ^[0-9]+$ ]] || [ "$count" -lt 1 ]; then
  echo "make_photos: COUNT must be a positive whole number, got '$count'" >&2; exit 2
fi

src=/usr/share/backgrounds
pkg=lomiri-wallpapers-16.04

need=()
[ -f "$src/sunset_by_Aitzol_Berasategi.jpg" ] || need+=("$pkg")
command -v exiv2 >/dev/null || need+=(exiv2)
command -v vips >/dev/null || need+=(libvips-tools)
[ ${#need[@]} -eq 0 ] || bash "$here/../scripts/setup.sh" --bench

# source photo | stored width x height | EXIF orientation
# For orientation 6 the stored pixels are the displayed picture turned 90 degrees counter-clockwise,
# so a viewer that honours the tag shows it upright; "displays" says what a viewer shows.
if [ "$mode" = 24mp ]; then
  plan=(
    "sunset_by_Aitzol_Berasategi        6000 4000 1"   # landscape
    "Dragonfly_by_Bolly                 4000 6000 1"   # portrait crop
    "friends_by_Aitzol_Berasategi       6000 4000 6"   # displays 4000x6000 portrait
    "seeding_by_Clements_Engelhardt     6000 4000 1"
    "picosdeeuropa_by_Aitzol_Berasategi 6000 4000 1"
    "Wine_by_Jakkub_Mede                4000 6000 1"   # portrait
  )
else
  plan=(
    "Bridge_by_Sander_Klootwijk         5472 3080 1"   # 16.9 MP, 16:9
    "Dragonfly_by_Bolly                 3456 4608 1"   # 15.9 MP, portrait crop
    "Picture_0B_by_freespace            5184 3456 1"   # 17.9 MP, 2.0x upscale
    "Wine_by_Jakkub_Mede                3456 5184 1"   # 17.9 MP, portrait
    "aitzgorri_by_Aitzol_Berasategi     4896 3264 1"   # 16.0 MP
    "free_by_Peter_Nerlich              4000 3000 1"   # 12.0 MP
    "friends_by_Aitzol_Berasategi       5184 3456 6"   # 17.9 MP, displays 3456x5184 portrait
    "greentock_by_Peter_Nerlich         4608 3456 1"   # 15.9 MP
    "life_by_Aitzol_Berasategi          5472 3648 1"   # 20.0 MP
    "picosdeeuropa_by_Aitzol_Berasategi 3456 4608 6"   # 15.9 MP, displays 4608x3456 landscape
    "seeding_by_Clements_Engelhardt     5472 3080 1"   # 16.9 MP
    "sunset_by_Aitzol_Berasategi        5184 3456 1"   # 17.9 MP
  )
fi

mkdir -p "$outdir"
tmp="$(mktemp -d "${TMPDIR:-/tmp}/tavuzip-photos.XXXXXX")"
trap 'rm -rf "$tmp"' EXIT

prefix=IMG; [ "$mode" = 24mp ] && prefix=IMG24
echo "make_photos: writing $count photos to $outdir" >&2
for ((i = 0; i < count; i++)); do
  read -r name w h orient <<<"${plan[i % ${#plan[@]}]}"
  pass=$((i / ${#plan[@]}))   # past the end of the plan, reuse photos mirrored, with other noise
  out="$outdir/$(printf '%s_%04d.jpg' "$prefix" $((i + 1)))"

  # displayed size: for orientation 6 the stored frame is turned, so build the picture the other way round
  if [ "$orient" = 6 ]; then dw=$h; dh=$w; else dw=$w; dh=$h; fi

  # crop to the frame proportions and scale to the sensor size (upscaling allowed)
  vips thumbnail "$src/$name.jpg" "$tmp/a.v" "$dw" --height "$dh" --size both --crop centre
  if [ $((pass % 2)) -eq 1 ]; then vips flip "$tmp/a.v" "$tmp/f.v" horizontal; mv "$tmp/f.v" "$tmp/a.v"; fi
  # sensor-like noise: sigma 2.5 grey levels, same on all bands
  vips gaussnoise "$tmp/n.v" "$dw" "$dh" --sigma 2.5 --mean 128 --seed $((1000 + i))
  vips cast "$tmp/n.v" "$tmp/n8.v" uchar
  vips add "$tmp/a.v" "$tmp/n8.v" "$tmp/s.v"
  vips linear --uchar -- "$tmp/s.v" "$tmp/b.v" 1 -128
  if [ "$orient" = 6 ]; then vips rot "$tmp/b.v" "$tmp/r.v" d270; mv "$tmp/r.v" "$tmp/b.v"; fi
  vips jpegsave "$tmp/b.v" "$out" --Q 92 --subsample-mode on
  rm -f "$tmp"/*.v

  stamp="$(printf '2024:06:%02d 10:%02d:%02d' $((1 + i % 28)) $((i % 60)) $(((i * 7) % 60)))"
  exiv2 -M"set Exif.Image.Make TavuBench" \
        -M"set Exif.Image.Model Camera-$((w * h / 1000000))MP" \
        -M"set Exif.Image.Orientation Short $orient" \
        -M"set Exif.Photo.DateTimeOriginal Ascii $stamp" \
        -M"set Exif.Image.Artist Ascii ${name##*_by_}" \
        "$out"
done

# check what was written: sizes, megapixels, orientation
bad=0
for f in "$outdir"/"$prefix"_*.jpg; do
  w=$(vipsheader -f width "$f"); h=$(vipsheader -f height "$f")
  o=$(vipsheader -f orientation "$f" 2>/dev/null || echo 1)
  mp=$(awk -v w="$w" -v h="$h" 'BEGIN { printf "%.1f", w * h / 1e6 }')
  printf '%s  %5dx%-5d %5s MP  orientation %s  %s\n' "$(basename "$f")" "$w" "$h" "$mp" "$o" "$(du -k "$f" | cut -f1) KB"
  if [ "$mode" = 24mp ]; then
    [ $((w * h)) -eq 24000000 ] || { echo "make_photos: $f is not 24 MP" >&2; bad=1; }
  else
    if [ $((w * h)) -lt 12000000 ] || [ $((w * h)) -gt 20000000 ]; then echo "make_photos: $f is not 12-20 MP" >&2; bad=1; fi
  fi
done
exit $bad
