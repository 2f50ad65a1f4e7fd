#!/usr/bin/env bash
# Times TavuZip against vipsthumbnail and ImageMagick's mogrify on one folder of photos.
#
#   bench/run.sh [--rounds N] [PHOTODIR]     speed: the three commands round-robin, N rounds (default 3),
#                                            PHOTODIR defaults to bench/photos (make it with make_photos.sh)
#   bench/run.sh --memory [PHOTODIR24]       peak memory of TavuZip on 24 MP photos (default bench/photos24),
#                                            with the two other tools alongside for reference
#   bench/run.sh --job JOB[,JOB...] [--rounds N]
#                                            TavuZip against vipsthumbnail, paired: the two alternate in each
#                                            round; prints wall, CPU (user + sys) and peak RSS of each, and the
#                                            median of the paired ratios. JOB: w800 (camera JPEGs -> 800 px, q85),
#                                            progressive (the same photos as progressive JPEGs), keep (8 photos
#                                            at their own size, q80), keepopt (the same, vipsthumbnail also
#                                            writing optimised Huffman tables, as TavuZip does up to 16 MP),
#                                            png (PNG sources -> 800 px PNG), small
#                                            (1,000 JPEGs of about 1 MP -> 320 px), keep24 (the 24 MP photos at
#                                            their own size, q80), or all. The sets are made from bench/photos
#                                            (and bench/photos24) on first use, under bench/sets.
#
# Every run writes to its own fresh, empty temporary output folder, which is removed afterwards.
# Environment:
#   TAVUZIP=path     the TavuZip binary (default build/tavuzip under the repository root)
#   SKIP_OURS=1      leave TavuZip out (time only vipsthumbnail and mogrify)
#   ROUNDS=N         same as --rounds N
#   MAX_RSS_MB=N     with --memory: exit 1 when TavuZip's peak resident memory is above N MiB
# Needs: bash, GNU time (/usr/bin/time), awk, libvips-tools, imagemagick.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"

mode=speed
rounds="${ROUNDS:-3}"
photodir=""
while [ $# -gt 0 ]; do
  case "$1" in
    --memory) mode=memory ;;
    --job) mode=jobs; jobs_wanted="${2:?--job needs a name}"; shift ;;
    --job=*) mode=jobs; jobs_wanted="${1#--job=}" ;;
    --rounds) rounds="${2:?--rounds needs a number}"; shift ;;
    --rounds=*) rounds="${1#--rounds=}" ;;
    -h|--help) sed -n '2,26p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "run.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
    *) photodir="$1" ;;
  esac
  shift
done
if ! [[ "$rounds" =~ ^[0-9]+$ ]] || [ "$rounds" -lt 1 ]; then
  echo "run.sh: the number of rounds must be a positive whole number, got '$rounds'" >&2; exit 2
fi
if [ "$mode" = jobs ]; then
  exec bash "$here/pairs.sh" "$rounds" "$jobs_wanted"
fi
if [ -z "$photodir" ]; then
  if [ "$mode" = memory ]; then photodir="$here/photos24"; else photodir="$here/photos"; fi
fi
photodir="$(cd "$photodir" 2>/dev/null && pwd)" || {
  echo "run.sh: no photo folder '$photodir'; make one with bench/make_photos.sh (or --24mp for --memory)" >&2; exit 1; }

for tool in /usr/bin/time vipsthumbnail vipsheader mogrify awk; do
  command -v "$tool" >/dev/null || { echo "run.sh: '$tool' is missing (Debian packages: time libvips-tools imagemagick)" >&2; exit 1; }
done

tavuzip="${TAVUZIP:-$root/build/tavuzip}"
skip_ours="${SKIP_OURS:-0}"
if [ "$skip_ours" != 1 ] && [ ! -x "$tavuzip" ]; then
  cat >&2 <<EOF
run.sh: the TavuZip binary '$tavuzip' is missing or not executable.
  Build it:  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release && cmake --build build
  or point TAVUZIP at it, or set SKIP_OURS=1 to time only vipsthumbnail and mogrify.
EOF
  exit 1
fi

mapfile -t photos < <(find "$photodir" -maxdepth 1 -type f \( -iname '*.jpg' -o -iname '*.jpeg' \) | LC_ALL=C sort)
n=${#photos[@]}
[ "$n" -gt 0 ] || { echo "run.sh: no JPEG files in $photodir" >&2; exit 1; }

work="$(mktemp -d "${TMPDIR:-/tmp}/tavuzip-bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT

# Fills $cmd with the command line of one tool writing into folder $1.
make_cmd() {
  local out="$1"
  case "$tool_name" in
    ours)
      cmd=("$tavuzip" --batch -w 800 -f jpg -q 85 -o "$out" --quiet "$photodir") ;;
    vipsthumbnail)
      # an absolute output pattern puts the files in $out; one process, files one after another
      cmd=(vipsthumbnail --size 800x -o "$out/%s.jpg[Q=85]" "${photos[@]}") ;;
    mogrify)
      # jpeg:size lets libjpeg decode at a reduced scale no smaller than twice the target;
      # -auto-orient so it shows EXIF-rotated photos upright, as the other two do
      cmd=(mogrify -path "$out" -define jpeg:size=1600x1600 -auto-orient -resize 800x -quality 85 "${photos[@]}") ;;
  esac
}

# Runs $tool_name once into a fresh folder; sets $wall (seconds) and $rss (KiB).
run_one() {
  local out t0 t1 made
  out="$(mktemp -d "$work/out-$tool_name.XXXXXX")"
  make_cmd "$out"
  t0=$(date +%s.%N)
  if ! /usr/bin/time -f '%M' -o "$work/rss" "${cmd[@]}" >"$work/log" 2>&1; then
    echo "run.sh: $tool_name failed:" >&2
    echo "  ${cmd[*]:0:12} ..." >&2
    tail -n 20 "$work/log" >&2
    exit 1
  fi
  t1=$(date +%s.%N)
  wall=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.3f", b - a }')
  rss=$(tail -n 1 "$work/rss")
  made=$(find "$out" -type f | wc -l)
  if [ "$made" -ne "$n" ]; then
    echo "run.sh: warning: $tool_name wrote $made files for $n photos" >&2
  fi
  rm -rf "$out"
}

median() { LC_ALL=C sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) exit; if (NR % 2) printf "%.3f", v[(NR + 1) / 2]; else printf "%.3f", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

tools=()
[ "$skip_ours" = 1 ] || tools+=(ours)
tools+=(vipsthumbnail mogrify)

megapixels=0
for f in "${photos[@]}"; do
  megapixels=$(( megapixels + $(vipsheader -f width "$f") * $(vipsheader -f height "$f") ))
done
# read the photos once so that every timed run finds them in the page cache
cat "${photos[@]}" >/dev/null

echo "photos:   $n JPEG files, $(awk -v p="$megapixels" -v n="$n" 'BEGIN { printf "%.1f MP in all, %.1f MP each on average", p / 1e6, p / 1e6 / n }') ($photodir)"
echo "machine:  $(nproc) cores; $(vips --version); $(mogrify -version | head -n 1 | sed 's/^Version: //')"
if [ "$skip_ours" = 1 ]; then echo "tavuzip:  skipped (SKIP_OURS=1)"; else echo "tavuzip:  $tavuzip"; fi
echo "task:     each photo to 800 px wide, JPEG quality 85"
echo

if [ "$mode" = memory ]; then
  echo "peak resident memory (max RSS), one run each:"
  ours_mib=""
  for tool_name in "${tools[@]}"; do
    run_one
    printf '  %-14s %6s MiB   (%s s)\n' "$tool_name" "$(mib "$rss")" "$wall"
    if [ "$tool_name" = ours ]; then ours_mib=$(mib "$rss"); fi
  done
  if [ -n "${MAX_RSS_MB:-}" ] && [ -n "$ours_mib" ]; then
    if [ "$ours_mib" -gt "$MAX_RSS_MB" ]; then
      echo "run.sh: TavuZip peaked at $ours_mib MiB, above MAX_RSS_MB=$MAX_RSS_MB" >&2; exit 1
    fi
    echo "TavuZip stayed within MAX_RSS_MB=$MAX_RSS_MB"
  fi
  exit 0
fi

declare -A walls rsses
k=${#tools[@]}
echo "wall time in seconds; the order of the commands turns by one each round"
for ((r = 1; r <= rounds; r++)); do
  line=""
  for ((j = 0; j < k; j++)); do
    tool_name=${tools[(r - 1 + j) % k]}
    run_one
    walls[$tool_name,$r]=$wall
    rsses[$tool_name,$r]=$rss
  done
  for tool_name in "${tools[@]}"; do line+=$(printf '  %s %s' "$tool_name" "${walls[$tool_name,$r]}"); done
  if [ "$skip_ours" != 1 ]; then
    for ref in vipsthumbnail mogrify; do
      line+=$(awk -v a="${walls[ours,$r]}" -v b="${walls[$ref,$r]}" -v ref="$ref" 'BEGIN { printf "   ours/%s %.2f", ref, a / b }')
    done
  fi
  echo "round $r:$line"
done

echo
printf '%-14s %12s %12s %14s %16s\n' command "median s" "fastest s" "s per photo" "peak RSS MiB"
for tool_name in "${tools[@]}"; do
  med=$(for ((r = 1; r <= rounds; r++)); do echo "${walls[$tool_name,$r]}"; done | median)
  best=$(for ((r = 1; r <= rounds; r++)); do echo "${walls[$tool_name,$r]}"; done | LC_ALL=C sort -g | head -n 1)
  peak=$(for ((r = 1; r <= rounds; r++)); do echo "${rsses[$tool_name,$r]}"; done | LC_ALL=C sort -g | tail -n 1)
  printf '%-14s %12s %12s %14s %16s\n' "$tool_name" "$med" "$best" "$(awk -v m="$med" -v n="$n" 'BEGIN { printf "%.3f", m / n }')" "$(mib "$peak")"
done
if [ "$skip_ours" != 1 ]; then
  echo
  for ref in vipsthumbnail mogrify; do
    ratio=$(for ((r = 1; r <= rounds; r++)); do awk -v a="${walls[ours,$r]}" -v b="${walls[$ref,$r]}" 'BEGIN { printf "%.4f\n", a / b }'; done | median)
    printf 'median ratio ours/%-14s %.2f   (below 1: TavuZip is faster)\n' "$ref" "$ratio"
  done
fi
