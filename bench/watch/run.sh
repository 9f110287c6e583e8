#!/usr/bin/env bash
# quillan-batch --watch under load.
# Usage: bench/watch/run.sh [build dir, default build-bench] [memory|burst, default both]
#  1. Memory: 10,000 small WAV files fed to one watcher (-j 2) in groups of 250, each group
#     moved in once the one before is done; the watcher's resident set (VmRSS) and its peak
#     (VmHWM) after 1,000 and after 10,000 files, with the sources moved away (--then-move)
#     and with them left in the folder (which the watcher then remembers).
#  2. A burst: 1,000 files moved in at once, -j 2, timed from the move to the last file's line,
#     against a plain batch run of the same files (-j 2 --skip-existing, as watching implies).
# Figures go to stdout; the work folder is removed at the end.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
only="${2:-}"
if [ ! -x "$build/cli/quillan-batch" ] || [ ! -x "$build/bench/engine/gen_wav" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    nice cmake --build "$build" --target quillan-batch gen_wav -j2
fi
batch="$build/cli/quillan-batch"
work=$(mktemp -d)
watcher=
trap '[ -z "$watcher" ] || kill "$watcher" 2>/dev/null || true; rm -rf "$work"' EXIT
settle=0.2
group=250

# One 0.1 s mono file, copied under every name.
"$build/bench/engine/gen_wav" "$work/one.wav" --rate 48000 --bits 16 --channels 1 --seconds 0.1 \
    --lead 0.01 --tail 0.01 >/dev/null

now() { date +%s.%N; }
lines() { wc -l <"$1"; }
status() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/status"; }
# Waits until the watcher printed $2 lines to $1.
wait_lines() {
    while [ "$(lines "$1")" -lt "$2" ]; do
        kill -0 "$watcher" 2>/dev/null || { echo "the watcher ended" >&2; exit 1; }
        sleep 0.05
    done
}
# Copies $2 files named $1NNNNN.wav into stage/, numbered from $3.
stage() {
    for i in $(seq "$3" $(($3 + $2 - 1))); do
        cp "$work/one.wav" "$work/stage/$1$(printf %05d "$i").wav"
    done
}
start_watcher() { # $1: log name, then options
    local log="$1"
    shift
    rm -rf "$work/in" "$work/out" "$work/done" "$work/stage"
    mkdir -p "$work/in" "$work/out" "$work/done" "$work/stage"
    : >"$work/$log.jsonl"
    nice "$batch" --watch "$work/in" -o "$work/out" --json -q -j 2 --settle "$settle" "$@" \
        >"$work/$log.jsonl" 2>"$work/$log.err" &
    watcher=$!
}
stop_watcher() {
    kill "$watcher"
    wait "$watcher" || true
    watcher=
}

memory_run() { # $1: label, then options
    local label="$1"
    shift
    start_watcher memory "$@"
    local fed=0 at1k=
    while [ "$fed" -lt 10000 ]; do
        stage f "$group" "$fed"
        mv "$work"/stage/*.wav "$work/in/"
        fed=$((fed + group))
        wait_lines "$work/memory.jsonl" "$fed"
        if [ "$fed" -eq 1000 ]; then
            at1k="$(status "$watcher" VmRSS) kB (peak $(status "$watcher" VmHWM) kB)"
        fi
    done
    local at10k="$(status "$watcher" VmRSS) kB (peak $(status "$watcher" VmHWM) kB)"
    stop_watcher
    local failed
    failed=$(grep -vc '"result": 1' "$work/memory.jsonl" || true)
    echo "| $label | $at1k | $at10k | $failed |"
}

if [ "$only" != burst ]; then
    echo "| sources | resident after 1,000 files | after 10,000 files | lines not done |"
    echo "|---|---:|---:|---:|"
    memory_run "moved away (--then-move)" --then-move "$work/done"
    memory_run "left in the folder"
fi
[ "$only" != memory ] || exit 0

# The burst.
start_watcher burst
sleep 1
stage b 1000 0
t0=$(now)
mv "$work"/stage/*.wav "$work/in/"
wait_lines "$work/burst.jsonl" 1000
t1=$(now)
stop_watcher
mkdir -p "$work/out2"
t2=$(now)
nice "$batch" -q -j 2 --skip-existing -o "$work/out2" "$work"/in/*.wav
t3=$(now)
echo
echo "burst of 1,000 files, -j 2, settle $settle s: $(echo "$t1 - $t0" | bc) s from the move to the last line"
echo "plain batch of the same 1,000 files, -j 2 --skip-existing (as watching implies): $(echo "$t3 - $t2" | bc) s"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
