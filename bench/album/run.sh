#!/bin/sh
# Album mode against the same files normalised one by one: one quillan-batch call over 200 files
# of 10 s (16-bit stereo 44.1 kHz, peaks from -3 to -14 dB), without and with --album, in the
# peak, rms-average and loudness modes. Prints the medians and the album / one-by-one ratio.
#   bench/album/run.sh BUILD_DIR [WORK_DIR]
# BUILD_DIR is a Release build (QUILLAN_BENCH on) with quillan-batch and gen_wav built; needs
# GNU time.
# RUNS (default 7) runs per command, JOBS (default 2) for -j, OUT the results' folder (default
# WORK_DIR/out; a tmpfs folder such as /dev/shm/out leaves the disk's writeback out of the
# figures); the files (about 400 MB) are generated into WORK_DIR (default
# /tmp/quillan-album-bench) once and kept.
set -eu
build=$(cd "${1:?usage: run.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-/tmp/quillan-album-bench}
runs=${RUNS:-7}
jobs=${JOBS:-2}
out=${OUT:-$work/out}
gen="$build/bench/engine/gen_wav"
qb="$build/cli/quillan-batch"
mkdir -p "$work/in"
i=0
while [ $i -lt 200 ]; do
    f=$(printf '%s/in/t%03d.wav' "$work" $i)
    [ -f "$f" ] || "$gen" "$f" --seconds 10 --seed $((i + 1)) --peak -$((i % 12 + 3))
    i=$((i + 1))
done
# Read once so that every run finds the files in the page cache.
cat "$work"/in/*.wav >/dev/null

# run MODE [--album]: one timed call, the last output removed and synced first; prints "wall_ms cpu_ms".
run() {
    mode=$1
    shift
    rm -rf "$out" && mkdir "$out" && sync
    /usr/bin/time -f '%e %U %S' -o "$work/time" \
        "$qb" -q -j "$jobs" -o "$out" --normalize "$mode" "$@" "$work"/in/*.wav
    awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$work/time"
}

# median COLUMN FILE: the median of a column of numbers.
median() {
    cut -d' ' -f"$1" "$2" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'
}

# The two commands of a mode take turns, so that the machine's other load meets both alike.
echo "| mode (200 files, -j $jobs) | one by one ms (CPU) | album ms (CPU) | album / one by one, wall (CPU) |"
echo "|---|---:|---:|---:|"
for mode in peak rms-average loudness; do
    : >"$work/single" && : >"$work/album"
    n=0
    while [ $n -lt "$runs" ]; do
        run $mode >>"$work/single"
        run $mode --album >>"$work/album"
        n=$((n + 1))
    done
    sw=$(median 1 "$work/single") sc=$(median 2 "$work/single")
    aw=$(median 1 "$work/album") ac=$(median 2 "$work/album")
    ratio=$(awk -v aw="$aw" -v sw="$sw" -v ac="$ac" -v sc="$sc" \
        'BEGIN { printf "%.2f (%.2f)", aw / sw, ac / sc }')
    echo "| $mode | $sw ($sc) | $aw ($ac) | $ratio |"
done
rm -rf "$out"
