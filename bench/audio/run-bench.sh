#!/usr/bin/env bash
# Runs the audio library benchmarks and prints their results as markdown.
#   bench/audio/run-bench.sh BUILD_DIR [WORK_DIR]
# RUNS (3) runs per figure, FORMATS to decode (all eight), DECODE_ONLY=1 for the decode table only.
# Needs the targets orvo_audio_bench and orvo_play_file built in BUILD_DIR. The PortAudio
# playback row needs a sound server (see ../RESULTS.md); without one it shows the null fallback.
set -euo pipefail
BUILD=$(cd "$1" && pwd)
WORK=${2:-/tmp/orvo-audio-bench}
HERE=$(cd "$(dirname "$0")" && pwd)
BENCH="$BUILD/bench/bin/orvo_audio_bench"
RUNS=${RUNS:-3}
PLAY_SECONDS=${PLAY_SECONDS:-20}
mkdir -p "$WORK"

ff() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# 60 s of a music-like signal: pink noise under three tones, a little different per channel.
if [ ! -f "$WORK/.done" ]; then
  ff -f lavfi -i "anoisesrc=color=pink:amplitude=0.15:duration=60:sample_rate=44100:seed=7" \
     -f lavfi -i "aevalsrc=0.2*sin(2*PI*220*t)+0.1*sin(2*PI*1320*t)|0.2*sin(2*PI*330*t)+0.1*sin(2*PI*5000*t):s=44100:d=60" \
     -filter_complex "[0:a]aformat=channel_layouts=stereo[n];[n][1:a]amix=inputs=2:normalize=0" \
     -c:a pcm_s16le "$WORK/master.wav"
  ff -i "$WORK/master.wav" -c:a mp2 -b:a 256k -f mp2 "$WORK/bench.mp2"
  ff -i "$WORK/master.wav" -c:a libmp3lame -b:a 320k "$WORK/bench.mp3"
  ff -i "$WORK/master.wav" -c:a wmav2 -b:a 192k -f asf "$WORK/bench.wma"
  ff -i "$WORK/master.wav" -c:a flac "$WORK/bench.flac"
  ff -i "$WORK/master.wav" -c:a aac -b:a 256k -f adts "$WORK/bench.aac"
  ff -i "$WORK/master.wav" -c:a libvorbis -q:a 6 "$WORK/bench.ogg"
  java -jar /usr/share/java/jmac.jar c2 "$WORK/master.wav" "$WORK/bench.ape" >/dev/null 2>&1
  python3 "$HERE/../../scripts/media/mp1enc.py" "$WORK/bench.mp1" 60 440 1320
  touch "$WORK/.done"
fi
# One-second cuts of each file: their cost is mostly process start and opening, which the
# "net" column subtracts from both sides.
for ext in mp1 mp2 mp3 wma flac aac ogg ape; do
  [ -f "$WORK/short.$ext" ] && continue
  case $ext in
    mp1) python3 "$HERE/../../scripts/media/mp1enc.py" "$WORK/short.mp1" 1 440 1320 ;;
    ape) ff -i "$WORK/master.wav" -t 1 -c:a pcm_s16le "$WORK/short.wav"
         java -jar /usr/share/java/jmac.jar c2 "$WORK/short.wav" "$WORK/short.ape" >/dev/null 2>&1 ;;
    *) declare -A muxer=([mp2]=mp2 [mp3]=mp3 [wma]=asf [flac]=flac [aac]=adts [ogg]=ogg)
       ff -i "$WORK/bench.$ext" -t 1 -c:a copy -f "${muxer[$ext]}" "$WORK/short.$ext" ;;
  esac
done

# CPU seconds (user + sys) of two commands run in turn $RUNS times each, so that both meet the
# same load: "best(A) best(B) median(A) median(B)".
cpu_pair() {
  python3 - "$RUNS" "$@" <<'PY'
import resource, statistics, subprocess, sys
runs = int(sys.argv[1]); split = sys.argv.index("--")
cmds = [sys.argv[2:split], sys.argv[split + 1:]]
times = [[], []]
for _ in range(runs):
    for i, cmd in enumerate(cmds):
        before = resource.getrusage(resource.RUSAGE_CHILDREN)
        subprocess.run(cmd, stdout=subprocess.DEVNULL, check=True)
        after = resource.getrusage(resource.RUSAGE_CHILDREN)
        times[i].append((after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime))
print(" ".join(f"{f(t):.3f}" for f in (min,) for t in times),
      " ".join(f"{statistics.median(t):.3f}" for t in times))
PY
}

echo "### Decode throughput (CPU seconds, user + sys, best of $RUNS runs taken in turn with ffmpeg's; ratio > 1: we are faster)"
echo
echo "| format | ffmpeg 60 s | orvo 60 s | ratio | ratio of medians | ffmpeg 1 s | orvo 1 s | net ratio (60 s - 1 s) |"
echo "|---|---|---|---|---|---|---|---|"
for ext in ${FORMATS:-mp1 mp2 mp3 wma flac aac ogg ape}; do
  read -r a b ma mb < <(cpu_pair ffmpeg -nostdin -v error -i "$WORK/bench.$ext" -f null - -- \
                                 "$BENCH" decode "$WORK/bench.$ext")
  read -r a1 b1 _ _ < <(cpu_pair ffmpeg -nostdin -v error -i "$WORK/short.$ext" -f null - -- \
                                 "$BENCH" decode "$WORK/short.$ext")
  net=$(python3 -c "d=$b-$b1; print(f'{($a-$a1)/d:.2f}' if d > 0 else 'n/a')")
  echo "| $ext | $a | $b | $(python3 -c "print(f'{$a/$b:.2f}')") | $(python3 -c "print(f'{$ma/$mb:.2f}')") | $a1 | $b1 | $net |"
done
echo
[ "${DECODE_ONLY:-0}" = 1 ] && exit 0

echo "### Playback CPU, ten bands active ($PLAY_SECONDS s wall, scaled to a minute)"
echo
echo '```'
ORVO_AUDIO_OUTPUT=null "$BENCH" play "$WORK/bench.flac" "$PLAY_SECONDS"
ORVO_AUDIO_OUTPUT=null "$BENCH" play "$WORK/bench.mp3" "$PLAY_SECONDS"
env -u ORVO_AUDIO_OUTPUT "$BENCH" play "$WORK/bench.flac" "$PLAY_SECONDS"
env -u ORVO_AUDIO_OUTPUT "$BENCH" play "$WORK/bench.mp3" "$PLAY_SECONDS"
echo '```'
echo

echo "### Resident memory"
echo
echo '```'
ORVO_AUDIO_OUTPUT=null "$BENCH" memory "$WORK/bench.mp3" 50
env -u ORVO_AUDIO_OUTPUT "$BENCH" memory "$WORK/bench.mp3" 50
echo '```'
