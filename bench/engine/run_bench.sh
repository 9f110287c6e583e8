#!/bin/sh
# Whole-job figures of the edit engine against baselines measured in the same run.
#   bench/engine/run_bench.sh BUILD_DIR [WORK_DIR]
# BUILD_DIR is a Release build with the targets gen_wav and edit_driver built.
# Needs hyperfine, valgrind and GNU time; the test files (about 0.6 GB for the 60-minute
# one) are generated into WORK_DIR (default /tmp/quillan-bench) once and kept.
set -eu
build=$(cd "${1:?usage: run_bench.sh BUILD_DIR [WORK_DIR]}" && pwd)
work=${2:-/tmp/quillan-bench}
gen="$build/bench/engine/gen_wav"
drv="$build/bench/engine/edit_driver"
mkdir -p "$work"
cd "$work"

make_wav() { # name args...
    name=$1
    shift
    [ -f "$name" ] || "$gen" "$name" "$@"
}
make_wav s16.wav --seconds 600
make_wav s24.wav --seconds 600 --bits 24 --rate 48000
make_wav s8.wav --seconds 600 --bits 8 --channels 1
make_wav s16_1m.wav --seconds 60
make_wav s16_60m.wav --seconds 3600

job="--trim -45 -45 --norm 0 0"
calc="--trim -45 -45 --norm 3 -20 --gate 300 -40"
hf() { hyperfine -N -w 2 -r "${RUNS:-10}" --prepare "rm -f $work/out.wav" "$@"; }

echo "== trim + peak, 16-bit stereo 44.1 kHz, 10 min"
hf "cp s16.wav out.wav" "sh -c 'cat s16.wav >/dev/null; cat s16.wav > out.wav'" "$drv s16.wav out.wav $job"
for f in s24 s8; do
    echo "== trim + peak, $f, 10 min"
    hf "sh -c 'cat $f.wav >/dev/null; cat $f.wav > out.wav'" "$drv $f.wav out.wav $job"
done
echo "== trim + RMS(Calc), 16-bit stereo, 10 min (three passes)"
hf "sh -c 'cat s16.wav >/dev/null; cat s16.wav >/dev/null; cat s16.wav > out.wav'" "$drv s16.wav out.wav $calc"

echo "== peak memory (maximum resident set size, kB)"
for f in s16_1m s16_60m; do
    rm -f out.wav
    printf '%s: ' "$f"
    /usr/bin/time -v "$drv" $f.wav out.wav $job 2>&1 | sed -n 's/.*Maximum resident set size (kbytes): //p'
done

echo "== instructions per sample (callgrind, 16-bit stereo, 1 min)"
samples=$(($(stat -c %s s16_1m.wav) / 2))
for args in "$job" "$calc"; do
    rm -f out.wav
    refs=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$drv" s16_1m.wav out.wav $args 2>&1 |
        sed -n 's/.*Collected : //p')
    echo "$args: $refs instructions, $(echo "scale=2; $refs / $samples" | bc) per sample"
done
