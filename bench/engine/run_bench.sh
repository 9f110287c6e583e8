#!/bin/sh
# Whole-job figures of the edit engine against baselines measured in the same run. The
# baselines: two reads and one write of the file (three reads for the three-pass job).
#   bench/engine/run_bench.sh BUILD_DIR [WORK_DIR]
# BUILD_DIR is a Release build with the targets gen_wav and edit_driver built.
# Needs hyperfine, jq, valgrind, strace and GNU time; the test files (about 0.6 GB for the 60-minute
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
make_wav f32.wav --seconds 600 --bits 32 --float 1 --rate 48000
make_wav s24_6ch.wav --seconds 600 --bits 24 --channels 6 --rate 48000

job="--trim -45 -45 --norm 0 0"
calc="--trim -45 -45 --norm 3 -20 --gate 300 -40"
# hf LABEL BASELINE OURS: one table row with the medians of both and their ratios (wall
# time, and processor time user + system, which the machine's other load disturbs less).
hf() {
    label=$1
    shift
    hyperfine -N -w 2 -r "${RUNS:-15}" --prepare "rm -f $work/out.wav" \
        --export-json "$work/hf.json" "$@" >/dev/null
    jq -r --arg l "$label" '.results as $r | $r[0] as $b | $r[1] as $o |
        "| \($l) | \($b.median * 1000 | round) ms | \($o.median * 1000 | round) ms | " +
        "\($o.median / $b.median * 100 | round / 100) | " +
        "\(($o.user + $o.system) / ($b.user + $b.system) * 100 | round / 100) |"' "$work/hf.json"
}

floor2() { echo "sh -c 'cat $1 >/dev/null; cat $1 > out.wav'"; }
floor3() { echo "sh -c 'cat $1 >/dev/null; cat $1 >/dev/null; cat $1 > out.wav'"; }

echo "| job (10 min) | baseline median | edit_driver median | wall ratio | CPU ratio |"
echo "|---|---|---|---|---|"
hf "trim + peak, 16-bit stereo 44.1 kHz, vs cp" "cp s16.wav out.wav" "$drv s16.wav out.wav $job"
hf "trim + peak, 16-bit stereo 44.1 kHz" "$(floor2 s16.wav)" "$drv s16.wav out.wav $job"
hf "trim + peak, 24-bit stereo 48 kHz" "$(floor2 s24.wav)" "$drv s24.wav out.wav $job"
hf "trim + peak, 8-bit mono 44.1 kHz" "$(floor2 s8.wav)" "$drv s8.wav out.wav $job"
hf "trim + peak, 32-bit float stereo 48 kHz" "$(floor2 f32.wav)" "$drv f32.wav out.wav $job"
hf "trim + peak, 24-bit 6 channels 48 kHz" "$(floor2 s24_6ch.wav)" "$drv s24_6ch.wav out.wav $job"
hf "trim + RMS(Calc), 16-bit stereo (3 passes)" "$(floor3 s16.wav)" "$drv s16.wav out.wav $calc"
echo

echo "== bytes read per byte of the source (strace, pread64)"
for f in s16 s24; do
    for args in "$job" "$calc"; do
        rm -f out.wav
        strace -f -qq -e trace=pread64 -o "$work/strace.txt" "$drv" $f.wav out.wav $args >/dev/null
        read=$(grep -o '= [0-9]*$' "$work/strace.txt" | awk '{s += $2} END {print s}')
        echo "$f $args: $(echo "scale=3; $read / $(stat -c %s $f.wav)" | bc)"
    done
done

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
