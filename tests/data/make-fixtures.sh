#!/usr/bin/env bash
# Makes the small sound files the media tests read, once, and records what ffprobe says of
# each in fixtures.txt (name, duration in ms, codec, sample rate, channels). Needs sox, lame,
# ffmpeg and ffprobe. Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# A tone with a swept second voice and a quiet half, so that VBR frames differ in size.
sox -n -r 44100 -c 2 -b 16 "$tmp/src44.wav" synth 0.6 sine 440 sine 300-2000 gain -6 \
    pad 0 0.2
sox "$tmp/src44.wav" -r 22050 "$tmp/src22.wav"
sox "$tmp/src44.wav" -c 1 "$tmp/src44m.wav"
sox "$tmp/src22.wav" -c 1 "$tmp/src22m.wav"

q() { lame --quiet --noreplaygain "$@"; }
q -b 64 --resample 44.1 "$tmp/src44.wav" cbr44-stereo.mp3          # MPEG-1 Layer III, joint stereo
q -b 32 -m m "$tmp/src22m.wav" cbr22-mono.mp3       # MPEG-2 Layer III, mono
q -V 6 "$tmp/src44.wav" vbr44-stereo.mp3            # Xing header at 36
q -V 6 -m m "$tmp/src44m.wav" vbr44-mono.mp3        # Xing header at 21
q -V 6 "$tmp/src22.wav" vbr22-stereo.mp3            # MPEG-2: Xing at 21, 576 samples/frame
q -V 6 -m m "$tmp/src22m.wav" vbr22-mono.mp3        # MPEG-2 mono: Xing at 13
# The same audio with ID3 tags at both ends.
q -b 64 --resample 44.1 --tt "Title" --ta "Artist" --add-id3v2 "$tmp/src44.wav" tagged.mp3

ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
ff -i "$tmp/src44.wav" -c:a mp2 -b:a 64k -ac 1 layer2.mp2
ff -i "$tmp/src44.wav" -c:a mp2 -b:a 96k -f mp2 layer2-as.mpg   # MPEG audio named .mpg
ff -i "$tmp/src44.wav" -c:a mp2 -b:a 64k -f mpeg program.mpg    # MPEG-1 program stream
ff -i "$tmp/src22.wav" -c:a wmav2 -b:a 32k audio.wma
ff -i "$tmp/src22.wav" -c:a aac -b:a 24k audio.m4a
ff -i "$tmp/src22m.wav" -c:a libmp3lame -b:a 32k -f wav mpeg-in-riff.wav   # format tag 85

sox "$tmp/src44.wav" -b 16 pcm16-stereo.wav trim 0 0.05
sox "$tmp/src44.wav" -r 8000 -c 1 -b 8 -e unsigned pcm8-mono.wav
sox "$tmp/src22.wav" -b 24 extensible24.wav trim 0 0.1      # 24-bit: format tag 0xFFFE
sox "$tmp/src22m.wav" -e ms-adpcm adpcm.wav                  # format tag 2
sox "$tmp/src22m.wav" -r 8000 -b 16 audio.aiff
sox "$tmp/src22m.wav" -r 8000 -e u-law audio.au

echo "# name duration_ms codec sample_rate channels (ffprobe)" > fixtures.txt
for f in *.mp3 *.mp2 *.mpg *.wma *.m4a *.wav *.aiff *.au; do
    read -r codec rate ch < <(ffprobe -v error -select_streams a:0 \
        -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$f" | tr ',' ' ')
    dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")
    ms=$(awk -v d="$dur" 'BEGIN { printf "%d", d * 1000 + 0.5 }')
    echo "$f $ms $codec $rate $ch" >> fixtures.txt
done
cat fixtures.txt
