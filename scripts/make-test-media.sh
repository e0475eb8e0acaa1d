#!/usr/bin/env bash
# Generates the test media into OUTDIR: short files of all eight formats with known tags (Chinese
# titles and artists), durations and tones, a longer file for seeking, and broken files.
# Everything is made locally (FFmpeg's encoders, the Java APE encoder, our own MP1 encoder);
# nothing is downloaded. Idempotent: when OUTDIR already holds a complete set made by this
# version of the generator, it returns at once.
#
#   usage: scripts/make-test-media.sh OUTDIR
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 OUTDIR" >&2; exit 2; }
OUT=$1
HERE=$(cd "$(dirname "$0")" && pwd)
MEDIA="$HERE/media"
VERSION=$(cat "$0" "$MEDIA/mp1enc.py" "$MEDIA/tagtool.py" | sha1sum | cut -c1-16)

mkdir -p "$OUT"
exec 9>"$OUT/.lock"
flock 9
if [ -f "$OUT/.complete" ] && [ "$(cat "$OUT/.complete")" = "$VERSION" ]; then
  exit 0
fi
rm -f "$OUT/.complete"

TMP=$(mktemp -d "$OUT/.work.XXXXXX")
trap 'rm -rf "$TMP"' EXIT

APE_JAR=/usr/share/java/jmac.jar
ARTIST="欧沃测试乐队"
ALBUM="欧沃测试专辑"
RATE=44100

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# tone WAV: NAME SECONDS LEFT_HZ RIGHT_HZ
tone_wav() {
  ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*$3*t)|0.5*sin(2*PI*$4*t):s=$RATE:d=$2" \
     -c:a pcm_s16le "$TMP/$1.wav"
}

# encode SRC_WAV NAME TITLE: one file of the format named by NAME's extension
encode() {
  local src=$1 name=$2 title=$3
  local meta=(-metadata "title=$title" -metadata "artist=$ARTIST" -metadata "album=$ALBUM")
  case "$name" in
    *.mp2) ff -i "$src" -c:a mp2 -b:a 192k -f mp2 "$TMP/$name"
           python3 "$MEDIA/tagtool.py" id3v2 "$TMP/$name" "$title" "$ARTIST" "$ALBUM" ;;
    *.mp3) ff -i "$src" "${meta[@]}" -id3v2_version 3 -c:a libmp3lame -b:a 128k "$TMP/$name" ;;
    *.wma) ff -i "$src" "${meta[@]}" -c:a wmav2 -b:a 128k -f asf "$TMP/$name" ;;
    *.flac) ff -i "$src" "${meta[@]}" -c:a flac "$TMP/$name" ;;
    *.aac) ff -i "$src" "${meta[@]}" -c:a aac -b:a 128k -f adts -write_id3v2 1 "$TMP/$name" ;;
    *.ogg) ff -i "$src" "${meta[@]}" -c:a libvorbis -q:a 4 "$TMP/$name" ;;
    *.ape) java -jar "$APE_JAR" c2 "$src" "$TMP/$name" >/dev/null 2>&1
           python3 "$MEDIA/tagtool.py" apev2 "$TMP/$name" "$title" "$ARTIST" "$ALBUM" ;;
    *) echo "make-test-media: no encoder for $name" >&2; exit 1 ;;
  esac
}

# 1 kHz, 3 s, in every format.
tone_wav tone1k 3 1000 1000
for ext in mp2 mp3 wma flac aac ogg ape; do
  upper=$(echo "$ext" | tr a-z A-Z)
  encode "$TMP/tone1k.wav" "tone1k.$ext" "一千赫兹 $upper"
done
python3 "$MEDIA/mp1enc.py" "$TMP/tone1k.mp1" 3 1000 1000
python3 "$MEDIA/tagtool.py" id3v2 "$TMP/tone1k.mp1" "一千赫兹 MP1" "$ARTIST" "$ALBUM"

# 8 kHz, a different tone per channel, and both tones at once (equaliser tests).
tone_wav tone8k 3 8000 8000
encode "$TMP/tone8k.wav" tone8k.flac "八千赫兹"
tone_wav stereo 4 1000 3000
encode "$TMP/stereo.wav" stereo.flac "左一千右三千"
both="0.25*sin(2*PI*1000*t)+0.25*sin(2*PI*8000*t)"
ff -f lavfi -i "aevalsrc=$both|$both:s=$RATE:d=3" -c:a pcm_s16le "$TMP/twotone.wav"
encode "$TMP/twotone.wav" twotone.flac "双音"
# The ten equaliser band centres at once, each well below full scale.
expr=""
for f in 31 62 125 250 500 1000 2000 4000 8000 16000; do
  expr="${expr:+$expr+}0.05*sin(2*PI*$f*t)"
done
ff -f lavfi -i "aevalsrc=$expr|$expr:s=$RATE:d=3" -c:a pcm_s16le "$TMP/bands.wav"
encode "$TMP/bands.wav" bands.flac "十段"

# 40 s in four 10 s steps of 500, 1000, 2000 and 4000 Hz: a seek lands on a known tone.
step="0.5*sin(2*PI*t*if(lt(t\,10)\,500\,if(lt(t\,20)\,1000\,if(lt(t\,30)\,2000\,4000))))"
ff -f lavfi -i "aevalsrc=$step|$step:s=$RATE:d=40" -c:a pcm_s16le "$TMP/steps.wav"
encode "$TMP/steps.wav" steps.flac "四段音阶"
encode "$TMP/steps.wav" steps.mp3 "四段音阶 MP3"

# A Chinese file name.
cp "$TMP/tone1k.mp3" "$TMP/中文歌曲.mp3"

# ADTS AAC has no length field: FFmpeg estimates it from the first frames' bit rate. Noise first,
# silence after (far fewer bytes) makes a 4 s file that announces about 1.3 s.
ff -f lavfi -i "aevalsrc=if(lt(t\,1)\,0.8*random(0)-0.4\,0):s=$RATE:d=4" \
   -c:a aac -b:a 128k -f adts "$TMP/burst.aac"

# Six channels at 48 kHz: more than the light FLAC decoder takes, so FFmpeg mixes it down.
ff -f lavfi -i "sine=f=1000:r=48000:d=2" -af "pan=5.1|c0=c0|c1=c0|c2=c0|c3=c0|c4=c0|c5=c0" \
   -c:a flac "$TMP/surround.flac"

# Broken files: none of them may crash or hang the player.
mkdir -p "$TMP/broken"
python3 "$MEDIA/tagtool.py" truncate "$TMP/tone1k.mp3" "$TMP/broken/truncated.mp3" 0.4
python3 "$MEDIA/tagtool.py" truncate "$TMP/tone1k.flac" "$TMP/broken/truncated.flac" 0.4
python3 "$MEDIA/tagtool.py" truncate "$TMP/tone1k.ape" "$TMP/broken/truncated.ape" 0.4
python3 "$MEDIA/tagtool.py" truncate "$TMP/tone1k.mp3" "$TMP/broken/header-only.mp3" 0.01
python3 "$MEDIA/tagtool.py" bitflip "$TMP/tone1k.mp3" "$TMP/broken/bitflip.mp3" 64
python3 "$MEDIA/tagtool.py" bitflip "$TMP/tone1k.flac" "$TMP/broken/bitflip.flac" 64
python3 "$MEDIA/tagtool.py" bitflip "$TMP/tone1k.ogg" "$TMP/broken/bitflip.ogg" 64
python3 "$MEDIA/tagtool.py" bitflip "$TMP/tone1k.wma" "$TMP/broken/bitflip.wma" 64
python3 "$MEDIA/tagtool.py" bitflip "$TMP/tone1k.ape" "$TMP/broken/bitflip.ape" 64
: >"$TMP/broken/empty.mp3"
printf 'This is a text file, not music.\n%.0s' $(seq 1 200) >"$TMP/broken/text.mp3"
cp "$TMP/broken/text.mp3" "$TMP/broken/text.flac"
# Files a light decoder opens but cannot play through, while FFmpeg can: every FLAC frame with a
# wrong checksum (libFLAC drops them all), and 3 s of 1 kHz stereo MP3 followed by 2 s of 500 Hz
# mono at 22.05 kHz (libmpg123 is not followed past the change).
python3 "$MEDIA/tagtool.py" flaccrc "$TMP/tone1k.flac" "$TMP/broken/bad-crc.flac"
ff -i "$TMP/tone1k.wav" -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 "$TMP/part1.mp3"
ff -f lavfi -i "aevalsrc=0.5*sin(2*PI*500*t):s=22050:d=2" -c:a libmp3lame -b:a 64k -write_xing 0 -id3v2_version 0 \
   "$TMP/part2.mp3"
cat "$TMP/part1.mp3" "$TMP/part2.mp3" >"$TMP/broken/rate-change.mp3"
rm -f "$TMP/part1.mp3" "$TMP/part2.mp3"
# Valid audio under another format's extension: plays, since the content decides.
cp "$TMP/tone1k.flac" "$TMP/broken/flac-named.mp3"
cp "$TMP/tone1k.mp3" "$TMP/broken/mp3-named.ogg"

rm -f "$TMP"/*.wav
# Publish: replace what an older set held under the same names, then mark it complete.
for f in "$TMP"/*; do
  rm -rf "${OUT:?}/$(basename "$f")"
  mv "$f" "$OUT"/
done
echo "$VERSION" >"$OUT/.complete"
