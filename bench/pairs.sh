#!/usr/bin/env bash
# TavuZip against vipsthumbnail on one job at a time, paired: in every round the two run one after
# the other (the order turning each round), so load from elsewhere on the machine falls on both.
#   bench/pairs.sh ROUNDS JOB[,JOB...]     (run.sh --job calls this; JOB: w800 progressive keep keepopt
#                                           png small keep24, or all)
# Prints per job: median wall, CPU (user + sys) and highest peak RSS of each tool, and the medians of
# the paired ratios ours/vipsthumbnail. The load average before each job is printed with it.
# For the jobs that reduce (w800, progressive, png, small) the results are then checked by
# check_outputs.py: width, aspect, JPEG quality, and mean PSNR against a full-decode Lanczos
# reference within 0.5 dB of vipsthumbnail's, and the same files byte for byte from a -j 1 run;
# a failed check makes the run exit 1.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
rounds="$1"; wanted="$2"
[ "$wanted" = all ] && wanted=w800,progressive,keep,keepopt,keep24,png,small
tavuzip="${TAVUZIP:-$root/build/tavuzip}"
[ -x "$tavuzip" ] || { echo "pairs: no TavuZip binary at $tavuzip (build it, or set TAVUZIP)" >&2; exit 1; }
for tool in /usr/bin/time vipsthumbnail vips vipsheader jpegtran python3 compare identify; do
  command -v "$tool" >/dev/null || { echo "pairs: '$tool' is missing (scripts/setup.sh --bench)" >&2; exit 1; }
done
photos="$here/photos"; photos24="$here/photos24"; sets="$here/sets"
work="$(mktemp -d "${TMPDIR:-/tmp}/tavuzip-pairs.XXXXXX")"
trap 'rm -rf "$work"' EXIT

need() { [ -n "$(ls "$1"/*.jpg 2>/dev/null)" ] || { echo "pairs: no photos in $1; run bench/make_photos.sh $2" >&2; exit 1; }; }

# The sets, made once from the photos.
make_set() {
  local name="$1" dir="$sets/$1"
  [ -f "$dir/.done" ] && return 0
  rm -rf "$dir"; mkdir -p "$dir"
  case "$name" in
    progressive) need "$photos" ""
      for f in "$photos"/*.jpg; do jpegtran -copy all -progressive -outfile "$dir/$(basename "$f")" "$f"; done ;;
    keep) need "$photos" ""
      for f in $(ls "$photos"/*.jpg | LC_ALL=C sort | head -n 8); do cp "$f" "$dir/"; done ;;
    pngs) need "$photos" ""
      # 6 photos as PNG at half size (4-5 MP each: PNG sources are rarely camera-sized)
      for f in $(ls "$photos"/*.jpg | LC_ALL=C sort | head -n 6); do
        vips thumbnail "$f" "$dir/$(basename "${f%.jpg}").png" 2600; done ;;
    small) need "$photos" ""
      # about 1 MP each (1224 px wide), 1,000 files: the 12 photos again and again
      local i=0 base=() f
      for f in "$photos"/*.jpg; do vipsthumbnail --size 1224x -o "$work/s_%s.jpg[Q=90]" "$f"; done
      mapfile -t base < <(ls "$work"/s_*.jpg)
      for ((i = 0; i < 1000; i++)); do cp "${base[i % ${#base[@]}]}" "$dir/$(printf 'small_%04d.jpg' $i)"; done
      rm -f "$work"/s_*.jpg ;;
  esac
  touch "$dir/.done"
}

# Fills ours/peer with the two commands of job $1 writing into $out.
commands() {
  local job="$1"
  case "$job" in
    w800) need "$photos" ""; src="$photos"
      ours="'$tavuzip' --batch -w 800 -f jpg -q 85 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size 800x -o '$out/%s.jpg[Q=85]' '$src'/*.jpg" ;;
    progressive) make_set progressive; src="$sets/progressive"
      ours="'$tavuzip' --batch -w 800 -f jpg -q 85 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size 800x -o '$out/%s.jpg[Q=85]' '$src'/*.jpg" ;;
    keep) make_set keep; src="$sets/keep"
      ours="'$tavuzip' --batch --original -f jpg -q 80 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size '100000x100000>' -o '$out/%s.jpg[Q=80]' '$src'/*.jpg" ;;
    keepopt) make_set keep; src="$sets/keep"   # the same, the peer also with optimised Huffman tables
      ours="'$tavuzip' --batch --original -f jpg -q 80 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size '100000x100000>' -o '$out/%s.jpg[Q=80,optimize_coding]' '$src'/*.jpg" ;;
    keep24) need "$photos24" --24mp; src="$photos24"
      ours="'$tavuzip' --batch --original -f jpg -q 80 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size '100000x100000>' -o '$out/%s.jpg[Q=80]' '$src'/*.jpg" ;;
    png) make_set pngs; src="$sets/pngs"   # not "png": a folder named like a picture is taken as one
      ours="'$tavuzip' --batch -w 800 -f png -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size 800x -o '$out/%s.png' '$src'/*.png" ;;
    small) make_set small; src="$sets/small"
      ours="'$tavuzip' --batch -w 320 -f jpg -q 85 -o '$out' --quiet '$src'"
      peer="vipsthumbnail --size 320x -o '$out/%s.jpg[Q=85]' '$src'/*.jpg" ;;
    *) echo "pairs: unknown job '$job' (w800 progressive keep keepopt keep24 png small all)" >&2; exit 2 ;;
  esac
}

echo "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo); $(vips --version); $rounds rounds per job"
IFS=, read -r -a jobs <<<"$wanted"
for job in "${jobs[@]}"; do
  out="$work/out"; commands "$job"
  cat "$src"/* >/dev/null 2>&1 || true   # into the page cache
  load="$(cut -d' ' -f1-3 /proc/loadavg)"
  : >"$work/times"
  for ((r = 0; r < rounds; r++)); do
    for k in 0 1; do
      if [ $(((r + k) % 2)) -eq 0 ]; then who=ours; cmd="$ours"; else who=peer; cmd="$peer"; fi
      rm -rf "$out"; mkdir -p "$out"
      /usr/bin/time -f '%e %U %S %M' -o "$work/t" bash -c "$cmd" >"$work/log" 2>&1 || {
        echo "pairs: $job: $who failed:" >&2; tail -n 5 "$work/log" >&2; exit 1; }
      echo "$r $who $(cat "$work/t") $(find "$out" -type f | wc -l)" >>"$work/times"
    done
  done
  python3 - "$job" "$load" "$work/times" <<'PY'
import statistics as st, sys
job, load, path = sys.argv[1], sys.argv[2], sys.argv[3]
runs = {}
for line in open(path):
    r, who, e, u, s, m, n = line.split()
    runs.setdefault(who, {})[int(r)] = (float(e), float(u) + float(s), int(m) / 1024, int(n))
o, p = runs["ours"], runs["peer"]
rw = [o[r][0] / p[r][0] for r in o]; rc = [o[r][1] / p[r][1] for r in o]
med = lambda d, i: st.median(v[i] for v in d.values())
print(f"{job:12s} load {load}; files ours {max(v[3] for v in o.values())}, peer {max(v[3] for v in p.values())}")
print(f"  ours           wall {med(o,0):6.2f} s  CPU {med(o,1):6.2f} s  peak {max(v[2] for v in o.values()):5.0f} MiB")
print(f"  vipsthumbnail  wall {med(p,0):6.2f} s  CPU {med(p,1):6.2f} s  peak {max(v[2] for v in p.values()):5.0f} MiB")
print(f"  paired ratio ours/vipsthumbnail: wall {st.median(rw):.2f}  CPU {st.median(rc):.2f}")
PY
  # The results themselves: sizes, quality and closeness to a full-decode reference, ours beside the peer's.
  case "$job" in
    w800|progressive|png|small)
      width=800; quality=85
      [ "$job" = small ] && width=320
      [ "$job" = png ] && quality=""
      for who in ours peer; do
        out="$work/check_$who"; rm -rf "$out"; mkdir -p "$out"; commands "$job"
        if [ "$who" = ours ]; then bash -c "$ours" >/dev/null 2>&1; else bash -c "$peer" >/dev/null 2>&1; fi
      done
      checksrc="$src"
      if [ "$job" = small ]; then   # the set repeats 12 photos: check one copy of each
        checksrc="$work/check_src"; rm -rf "$checksrc"; mkdir -p "$checksrc"
        for f in $(ls "$src"/*.jpg | head -n 12); do ln -s "$f" "$checksrc/"; done
      fi
      python3 "$here/check_outputs.py" "$checksrc" "$work/check_ours" "$work/check_peer" "$width" $quality || checks_failed=1
      # One picture at a time gives the same files, byte for byte.
      out="$work/check_one"; rm -rf "$out"; mkdir -p "$out"; commands "$job"
      bash -c "${ours/--batch/--batch -j 1}" >/dev/null 2>&1
      if diff -r -q "$work/check_ours" "$work/check_one" >/dev/null; then
        echo "  one at a time (-j 1): the same files, byte for byte"
      else
        echo "  one at a time (-j 1): FAILED, the files differ from the parallel run's"; checks_failed=1
      fi
      rm -rf "$work/check_ours" "$work/check_peer" "$work/check_one" "$work/check_src" ;;
  esac
done
[ "${checks_failed:-0}" = 0 ] || { echo "pairs: some results failed their checks (see above)" >&2; exit 1; }
