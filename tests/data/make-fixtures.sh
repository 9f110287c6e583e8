#!/usr/bin/env bash
# Makes the small sound files the media tests read, once, and records what ffprobe says of
# each in fixtures.txt (name, duration in ms, codec, sample rate, channels). Needs sox, lame,
# ffmpeg and ffprobe. Run from anywhere; writes beside this script.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Files for the GStreamer graph: WMA version 1 (ASF and inside RIFF), MP3 inside ASF (no WMA
# decoder takes it), ADTS AAC and a one-second MIDI tune written by hand (one note, 96 ticks
# per quarter at the default 120 bpm: 192 ticks). Made on their own:
#   tests/data/make-fixtures.sh graph
if [ "${1:-}" = graph ]; then
    src=$tmp
    ff() { ffmpeg -hide_banner -loglevel error -y "$@"; }
    sox -n -r 22050 -c 2 -b 16 "$src/src22.wav" synth 0.6 sine 440 sine 300-2000 gain -6 pad 0 0.2
    ff -i "$src/src22.wav" -c:a wmav1 -b:a 32k wmav1.wma
    ff -i "$src/src22.wav" -c:a wmav2 -b:a 32k -f wav wmav2-in-riff.wav    # format tag 0x161
    ff -i "$src/src22.wav" -c:a libmp3lame -b:a 32k -f asf mp3-in-asf.wma
    ff -i "$src/src22.wav" -c:a aac -b:a 24k -f adts audio.aac
    printf 'MThd\0\0\0\6\0\0\0\1\0\140MTrk\0\0\0\15\0\220\74\144\201\100\200\74\100\0\377\57\0' \
        > tone.mid
    for f in wmav1.wma wmav2-in-riff.wav mp3-in-asf.wma audio.aac tone.mid; do
        read -r codec rate ch < <(ffprobe -v error -select_streams a:0 \
            -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$f" 2>/dev/null |
            tr ',' ' ') || true
        dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f" 2>/dev/null) || true
        ms=$(awk -v d="${dur:-0}" 'BEGIN { printf "%d", d * 1000 + 0.5 }')
        echo "$f $ms ${codec:-none} ${rate:-0} ${ch:-0}"
    done
    exit 0
fi

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

# ffmpeg-made MP3s: a CBR encode writes an "Info" frame (the "Xing" layout) before the audio,
# with an ID3v2 tag unless told not to.
sine() { ff -f lavfi -i "sine=frequency=440:sample_rate=$1:duration=0.5" -ac "$2" "$3"; }
sine 44100 2 "$tmp/sine44.wav"
sine 44100 1 "$tmp/sine44m.wav"
sine 22050 1 "$tmp/sine22m.wav"
sine 22050 2 "$tmp/sine22.wav"
ff -i "$tmp/sine44.wav" -c:a libmp3lame -b:a 128k ff-cbr44-stereo.mp3
ff -i "$tmp/sine44m.wav" -c:a libmp3lame -b:a 64k -id3v2_version 0 -write_id3v1 1 \
    -metadata title=Sine ff-cbr44-mono.mp3                        # ID3v1 only
ff -i "$tmp/sine22m.wav" -c:a libmp3lame -b:a 32k ff-cbr22-mono.mp3   # MPEG-2: "Info" at 13
ff -i "$tmp/sine22.wav" -c:a libmp3lame -b:a 64k -id3v2_version 0 ff-cbr22-stereo.mp3
# A stream copy whose rate ffmpeg does not know: the "Info" frame is written at the smallest
# rate that holds it (64 kbit/s here), the audio frames are 128 kbit/s.
lame --quiet -t -b 128 "$tmp/sine44.wav" "$tmp/raw128.mp3"
ff -f mp3 -i pipe:0 -c:a copy -b:a 0 ff-copy-unknown-rate.mp3 < "$tmp/raw128.mp3"
# VBR mode on silence: every frame has the same size, so the tag says "Info", written at a
# higher rate than the 8 kbit/s audio frames.
ff -f lavfi -i "anullsrc=r=22050:cl=mono" -t 0.5 -c:a libmp3lame -q:a 4 ff-silence22.mp3
# A large ID3v2 tag holding a picture (noise, so it does not compress) in front of the audio.
ff -f lavfi -i "nullsrc=s=64x64,geq=random(1)*255:random(2)*255:128" -frames:v 1 \
    "$tmp/cover.png"
ff -i "$tmp/sine44.wav" -i "$tmp/cover.png" -map 0:a -map 1:v -c:v copy -c:a libmp3lame \
    -b:a 64k -id3v2_version 3 -metadata:s:v comment="Cover (front)" ff-picture.mp3

sox "$tmp/src44.wav" -b 16 pcm16-stereo.wav trim 0 0.05
sox "$tmp/src44.wav" -r 8000 -c 1 -b 8 -e unsigned pcm8-mono.wav
sox "$tmp/src22.wav" -b 24 extensible24.wav trim 0 0.1      # 24-bit: format tag 0xFFFE
sox "$tmp/src22m.wav" -e ms-adpcm adpcm.wav                  # format tag 2
sox "$tmp/src44.wav" -e ms-adpcm adpcm44-stereo.wav trim 0 0.2  # format tag 2, stereo
sox "$tmp/src44.wav" -r 16000 -c 1 -e ima-adpcm ima16-mono.wav   # format tag 0x11
sox "$tmp/src22m.wav" -r 8000 -b 16 audio.aiff
sox "$tmp/src22m.wav" -r 8000 -e u-law audio.au

# --- MPEG-2.5, VBRI, encoder delay and padding, false headers ---
# MPEG-2.5 (11025 and 8000 Hz), CBR with an "Info" frame and VBR with a "Xing" frame; a
# 16 kHz VBR file whose decoded length is its frame count less the encoder's delay and padding.
sox -n -r 44100 -c 2 -b 16 "$tmp/src25.wav" synth 1.5 sine 440 sine 300-2000 gain -6
ff -i "$tmp/src25.wav" -ar 11025 -ac 1 -c:a libmp3lame -b:a 32k -id3v2_version 0 ff-cbr11-mono.mp3
ff -i "$tmp/src25.wav" -ar 8000 -c:a libmp3lame -q:a 4 -id3v2_version 0 ff-vbr8-stereo.mp3
ff -i "$tmp/src25.wav" -ar 16000 -c:a libmp3lame -q:a 6 -t 1.011 ff-vbr16-stereo.mp3
ff -i "$tmp/src25.wav" -ar 11025 -ac 1 -c:a libmp3lame -b:a 24k -f wav mpeg25-in-riff.wav
# No encoder here writes a "VBRI" header: put one in front of plain MPEG-1 frames (no tag).
ff -i "$tmp/src25.wav" -c:a libmp3lame -b:a 96k -write_xing 0 -id3v2_version 0 "$tmp/plain.mp3"
python3 - "$tmp/plain.mp3" vbri44-stereo.mp3 <<'PY'
import struct, sys
audio = open(sys.argv[1], "rb").read()
n, pos = 0, 0
while pos + 4 <= len(audio) and audio[pos] == 0xFF:  # count frames: 96 kbit/s, 44100 Hz
    pos += 144000 * 96 // 44100 + ((audio[pos + 2] >> 1) & 1)
    n += 1
frame = bytearray(313)  # one 96 kbit/s frame: header, side information, then the VBRI header
frame[0:4] = audio[0:4]
frame[2] &= ~0x02  # no padding
frame[36:36 + 26] = b"VBRI" + struct.pack(">HHHIIHHHH", 1, 1104, 75, len(frame) + len(audio), n, 0, 1, 2, 1)
open(sys.argv[2], "wb").write(bytes(frame) + audio)
PY
# An Ogg Vorbis file under an mp3 name: no MPEG frames at all.
ff -i "$tmp/src25.wav" -c:a libvorbis -q:a 2 -f ogg ogg-named.mp3

echo "# name duration_ms codec sample_rate channels (ffprobe)" > fixtures.txt
for f in *.mp3 *.mp2 *.mpg *.wma *.m4a *.wav *.aiff *.au; do
    read -r codec rate ch < <(ffprobe -v error -select_streams a:0 \
        -show_entries stream=codec_name,sample_rate,channels -of csv=p=0 "$f" | tr ',' ' ')
    dur=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f")
    ms=$(awk -v d="$dur" 'BEGIN { printf "%d", d * 1000 + 0.5 }')
    echo "$f $ms $codec $rate $ch" >> fixtures.txt
done
cat fixtures.txt
