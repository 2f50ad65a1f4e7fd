#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ (clang, libFuzzer, AddressSanitizer + UBSan) in build-fuzz and
# runs each for a while on a copy of its seed corpus, so that the repository is not modified.
# Fails when any target finds a crash, undefined behaviour, a leak, a timeout or a property of the
# program that does not hold; the input that did it is kept in build-fuzz/findings/<target>/.
#   scripts/fuzz.sh                        every target, 30 s each, as many at once as cores
#   FUZZ_SECONDS=300 scripts/fuzz.sh picture   one target, longer
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

seconds=${FUZZ_SECONDS:-30}
jobs=${FUZZ_JOBS:-$(nproc)}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(sizepresets settings naming cliargs geometry picture plainpng requantize wholejpeg)

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTAVU_FUZZ=ON >/dev/null
cmake --build build-fuzz -j "$(nproc)"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TMPDIR=$work  # the targets' scratch folders go with it

run() {  # target
    local t=$1 dir=$work/$1
    mkdir -p "$dir/corpus" "$dir/artifacts"
    cp fuzz/corpus/"$t"/* "$dir/corpus/"
    local opts=(-max_total_time="$seconds" -print_final_stats=1 -timeout=10 -artifact_prefix="$dir/artifacts/")
    if [ "$t" = picture ] || [ "$t" = wholejpeg ]; then
        # The decoders keep caches that look like leaks; the target holds pictures to 8 MB.
        opts+=(-rss_limit_mb=1536 -detect_leaks=0)
    else
        opts+=(-rss_limit_mb=512)
    fi
    local start end
    start=$(date +%s%N)
    if build-fuzz/fuzz/fuzz_"$t" "${opts[@]}" "$dir/corpus" >"$dir/log" 2>&1; then
        echo ok >"$dir/result"
    else
        echo FOUND >"$dir/result"
    fi
    end=$(date +%s%N)
    echo $(((end - start) / 1000000)) >"$dir/ms"
}

echo "== fuzzing: ${#targets[@]} targets, ${seconds} s each, $jobs at once"
running=0
for t in "${targets[@]}"; do
    [ -d fuzz/corpus/"$t" ] || { echo "no such fuzz target: $t" >&2; exit 2; }
    run "$t" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n
        running=$((running - 1))
    fi
done
wait

failed=0
printf '%-12s %12s %8s %10s  %s\n' target executions seconds corpus result
for t in "${targets[@]}"; do
    dir=$work/$t
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log")
    units=$(find "$dir/corpus" -type f | wc -l)
    result=$(cat "$dir/result")
    printf '%-12s %12s %8s %10s  %s\n' "$t" "${execs:-?}" "$(awk "BEGIN{printf \"%.1f\", $(cat "$dir/ms")/1000}")" \
        "$units" "$result"
    if [ "$result" != ok ]; then
        failed=1
        mkdir -p build-fuzz/findings/"$t"
        cp "$dir"/artifacts/* build-fuzz/findings/"$t"/ 2>/dev/null || true
        cp "$dir/log" build-fuzz/findings/"$t"/log.txt
        grep -E 'ERROR|SUMMARY|runtime error|property does not hold' "$dir/log" | head -5 | sed 's/^/    /'
    fi
done
if [ "$failed" -ne 0 ]; then
    echo "fuzzing found problems: inputs and logs in build-fuzz/findings/" >&2
    exit 1
fi
echo "fuzzing: nothing found"
