#!/usr/bin/env bash
# GetAudioInfo against ffprobe on the same 1000 small mp3 files (copies of the committed
# fixtures under distinct names). Usage: bench/media/run.sh [build dir, default build-bench]
# Prints hyperfine's table; the figures to quote are the ratios it reports. The ffprobe
# side takes minutes (a thousand processes per run).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-bench}"
if [ ! -x "$build/bench/media/audio_info" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$build" --target audio_info -j2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Real MP3 files only: ogg-named.mp3 is an Ogg file under a wrong name (it goes to GStreamer).
mp3s=()
for f in "$root"/tests/data/*.mp3; do
    [ "$(basename "$f")" = ogg-named.mp3 ] || mp3s+=("$f")
done
for i in $(seq 0 999); do
    cp "${mp3s[i % ${#mp3s[@]}]}" "$work/f$(printf %04d "$i").mp3"
done
ls "$work"/*.mp3 > "$work/list"
tool="$build/bench/media/audio_info"
"$tool" -l "$work/list"

hyperfine --warmup 1 --runs 3 --export-markdown "$work/table.md" \
    -n "GetAudioInfo, one process" "$tool -l $work/list" \
    -n "GetAudioInfo, one process per file" "xargs -n1 $tool < $work/list > /dev/null" \
    -n "ffprobe, one process per file" \
    "xargs -n1 ffprobe -v error -show_entries format=duration -of csv=p=0 < $work/list > /dev/null"
cat "$work/table.md"
