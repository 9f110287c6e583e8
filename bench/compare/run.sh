#!/usr/bin/env bash
# Whole-job comparison of quillan-batch with common tools, measured with hyperfine in one
# run so that every figure can be read as a ratio against a baseline of the same run.
#
#   bench/compare/run.sh [work-folder]
#
# Builds quillan-batch and the test-file generator (Release, build-compare/), makes a
# 10-minute 16-bit stereo file and 200 files of 5 s each, times the jobs (trim + peak against
# common tools, loudness normalisation against ffmpeg's loudnorm), measures the peak memory on
# a 60-minute file and prints Markdown tables of the results. QUILLAN_COMPARE_ONLY=loudness
# runs the loudness table alone.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
work=${1:-${TMPDIR:-/tmp}/quillan-compare}
build=${QUILLAN_COMPARE_BUILD:-$repo/build-compare}
jobs=${QUILLAN_BENCH_JOBS:-2}

need() { command -v "$1" >/dev/null || { echo "run.sh: $1 is missing" >&2; exit 1; }; }
need hyperfine; need sox; need ffmpeg; need python3
have_normalize=0; command -v normalize-audio >/dev/null && have_normalize=1

cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLAN_SANITIZE=OFF >/dev/null
cmake --build "$build" --target quillan-batch gen_wav -j "$jobs" >/dev/null
qb=$build/cli/quillan-batch
gen=$build/bench/engine/gen_wav

mkdir -p "$work"
cd "$work"
rm -rf out many out-many norm-work
mkdir -p out many out-many
[ -f long.wav ] || "$gen" long.wav --seconds 598 --lead 1 --tail 1 --peak -6 --seed 7
for i in $(seq -w 1 200); do
    [ -f "many/take$i.wav" ] || "$gen" "many/take$i.wav" --seconds 4.5 --lead 0.25 --tail 0.25 \
        --peak -9 --seed "$i"
done

# ffmpeg two-pass: measure the peak, then apply the gain that brings it to 0 dB.
cat > ffmpeg2pass.sh <<'SH'
#!/usr/bin/env bash
set -e
g=$(ffmpeg -hide_banner -nostats -i "$1" -af volumedetect -f null - 2>&1 |
    sed -n 's/.*max_volume: -\{0,1\}\([0-9.]*\) dB.*/\1/p')
ffmpeg -hide_banner -v error -y -i "$1" -af "volume=${g}dB" -c:a pcm_s16le "$2"
SH
chmod +x ffmpeg2pass.sh

# ffmpeg's loudnorm to -23 LUFS, -1 dBTP: the analysis pass alone, and the two-pass linear
# mode (one gain for the whole file, as quillan applies).
loudnorm="loudnorm=I=-23:TP=-1:LRA=20"
cat > loudnorm2pass.sh <<'SH'
#!/usr/bin/env bash
set -e
ln="loudnorm=I=-23:TP=-1:LRA=20"
m=$(ffmpeg -hide_banner -nostats -i "$1" -af "$ln:print_format=json" -f null - 2>&1)
get() { printf '%s\n' "$m" | sed -n "s/.*\"$1\" : \"\([^\"]*\)\".*/\1/p"; }
measured="measured_I=$(get input_i):measured_TP=$(get input_tp):measured_LRA=$(get input_lra)"
measured="$measured:measured_thresh=$(get input_thresh):offset=$(get target_offset)"
ffmpeg -hide_banner -v error -y -i "$1" -af "$ln:linear=true:$measured" -ar 44100 \
    -c:a pcm_s16le "$2"
SH
chmod +x loudnorm2pass.sh

hf() { hyperfine --style basic --warmup 1 --runs "${QUILLAN_BENCH_RUNS:-3}" "$@"; }

# Every timed command starts with its output gone and no dirty pages of earlier runs left
# to flush (sync), so that no command pays for another's writes.
# The loudness table: wall-clock means and CPU time (user + system), as ratios against the
# trim + peak job and against loudnorm's analysis pass.
cat > loudness_table.py <<'PY'
import json
def table():
    runs = {r["command"]: r for r in json.load(open("loudness.json"))["results"]}
    wall = {c: r["mean"] for c, r in runs.items()}
    cpu = {c: r["user"] + r["system"] for c, r in runs.items()}
    base, ref = "quillan-batch trim+peak", "ffmpeg loudnorm analysis pass"
    print("\n10-minute 16-bit stereo file: loudness normalisation to -23 LUFS\n")
    print("| command | mean s | CPU s | x trim+peak | loudnorm analysis / command |")
    print("|---|---:|---:|---:|---:|")
    for c in runs:
        print(f"| {c} | {wall[c]:.3f} | {cpu[c]:.3f} | {wall[c] / wall[base]:.2f} "
              f"| {wall[ref] / wall[c]:.2f} |")
PY

clean="rm -f out/*; sync"
hf --export-json loudness.json \
    --prepare "$clean" -n "quillan-batch trim+peak" "$qb -q -j 1 -o out long.wav" \
    --prepare "$clean" -n "quillan-batch trim+loudness, no ceiling" \
    "$qb -q -j 1 -o out --normalize loudness --no-true-peak long.wav" \
    --prepare "$clean" -n "quillan-batch trim+loudness, true-peak ceiling" \
    "$qb -q -j 1 -o out --normalize loudness --true-peak -1 long.wav" \
    --prepare "$clean" -n "ffmpeg loudnorm analysis pass" \
    "ffmpeg -hide_banner -nostats -i long.wav -af $loudnorm:print_format=json -f null - 2>/dev/null" \
    --prepare "$clean" -n "ffmpeg loudnorm two-pass linear" "./loudnorm2pass.sh long.wav out/long.wav"
if [ "${QUILLAN_COMPARE_ONLY:-}" = loudness ]; then
    python3 - <<'PY'
import json
import sys
sys.path.insert(0, ".")
from loudness_table import table
table()
PY
    exit 0
fi
hf --export-json single.json \
    --prepare "$clean" -n cp "cp long.wav out/long.wav" \
    --prepare "$clean" -n "two reads, one write" "cat long.wav >/dev/null; cat long.wav >out/long.wav" \
    --prepare "$clean" -n "quillan-batch trim+peak" "$qb -q -j 1 -o out long.wav" \
    --prepare "$clean" -n "sox norm 0" "sox long.wav out/long.wav norm 0" \
    --prepare "$clean" -n "sox silence+reverse+norm 0" \
    "sox long.wav out/long.wav silence 1 0.05 -45d reverse silence 1 0.05 -45d reverse norm 0" \
    --prepare "$clean" -n "ffmpeg two-pass" "./ffmpeg2pass.sh long.wav out/long.wav"

clean_many="rm -rf out-many/*; sync"
many_cmds=(--prepare "$clean_many" -n "one cp of 200 files" "cp many/*.wav out-many/"
    --prepare "$clean_many" -n "quillan-batch -j 2 trim+peak" "$qb -q -j 2 -o out-many many/*.wav"
    --prepare "$clean_many" -n "sox norm loop"
    'for f in many/*.wav; do sox "$f" "out-many/${f#many/}" norm 0; done')
if [ "$have_normalize" = 1 ]; then
    # normalize-audio edits in place: each run gets fresh copies (not timed).
    many_cmds+=(--prepare "rm -rf norm-work; cp -r many norm-work; sync"
        -n "normalize-audio --batch" "normalize-audio -q --batch norm-work/*.wav")
fi
hf --export-json many.json "${many_cmds[@]}"

# Peak memory of one job on a 60-minute file.
[ -f hour.wav ] || "$gen" hour.wav --seconds 3598 --lead 1 --tail 1 --peak -6 --seed 9
rm -f out/*
rss_kib=$(/usr/bin/time -f %M "$qb" -q -j 1 -o out hour.wav 2>&1 >/dev/null | tail -1)
rm -f out/*

python3 - "$rss_kib" "$have_normalize" <<'PY'
import json, sys
rss_kib, have_normalize = int(sys.argv[1]), sys.argv[2] == "1"
def load(name):
    return {r["command"]: r["mean"] for r in json.load(open(name))["results"]}
def table(title, res, base, target):
    print(f"\n{title}\n")
    print("| command | mean s | x " + base + " | command / quillan-batch |")
    print("|---|---:|---:|---:|")
    for cmd, t in res.items():
        print(f"| {cmd} | {t:.3f} | {t / res[base]:.2f} | {res[cmd] / res[target]:.2f} |")
s, m = load("single.json"), load("many.json")
table("10-minute 16-bit stereo file (106 MB)", s, "cp", "quillan-batch trim+peak")
table("200 files of 5 s each", m, "one cp of 200 files", "quillan-batch -j 2 trim+peak")
sys.path.insert(0, ".")
from loudness_table import table as loudness_table
loudness_table()
if not have_normalize:
    print("\nnormalize-audio is not installed: not measured.")
print(f"\nPeak memory, one job on a 60-minute file: {rss_kib / 1024:.1f} MiB")
PY
