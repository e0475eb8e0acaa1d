#!/usr/bin/env python3
"""Soak: many short songs played in a loop at null-output speed, resident memory sampled.

A folder of short generated songs (one tone encoded by ffmpeg, copied under distinct names) is
handed to the player on its command line, with list loop on, ORVO_AUDIO_OUTPUT=null and
ORVO_AUDIO_SPEED=N. The songs played are counted from the file the decoder holds open
(/proc/PID/fd), VmRSS is read from /proc/PID/status; the run ends after --plays songs.

Growth is measured from the first song to the end, and from a tenth of the plays (the list is
in place and every code path has run once) to the end.

Usage: soak_bench.py [--program build/OrvoPlayer/OrvoPlayer] [--files 1000] [--plays 1010]
                     [--speed 50] [--song-secs 1] [--max-secs 1800] [--keep DIR]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))
sys.path.insert(0, os.path.join(HERE, "..", "startup"))
from startup_bench import checked_program, loadavg, rss_kib, seed_data, stop  # noqa: E402


def make_songs(folder, count, seconds):
    os.makedirs(folder, exist_ok=True)
    first = os.path.join(folder, "song-0000.mp3")
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency=440:duration={seconds}", "-ac", "2", "-ar", "44100",
                    "-b:a", "128k", "-metadata", "title=Soak tone", first], check=True)
    for i in range(1, count):
        shutil.copyfile(first, os.path.join(folder, f"song-{i:04d}.mp3"))


def open_song(pid, folder):
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                target = os.readlink(f"/proc/{pid}/fd/{fd}")
            except OSError:
                continue
            if target.startswith(folder + "/"):
                return target
    except OSError:
        pass
    return None


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", default=os.path.join(ROOT, "build", "OrvoPlayer", "OrvoPlayer"))
    ap.add_argument("--files", type=int, default=1000)
    ap.add_argument("--plays", type=int, default=0, help="songs to play (default files + 10)")
    ap.add_argument("--speed", type=float, default=50)
    ap.add_argument("--song-secs", type=float, default=1.0)
    ap.add_argument("--max-secs", type=float, default=1800)
    ap.add_argument("--keep", help="make the songs here and keep them")
    args = ap.parse_args()
    plays = args.plays or args.files + 10
    program = checked_program(args.program)

    with tempfile.TemporaryDirectory(prefix="orvo-soak-") as tmp:
        songs = os.path.abspath(args.keep) if args.keep else os.path.join(tmp, "songs")
        if not os.path.isdir(songs) or len(os.listdir(songs)) != args.files:
            make_songs(songs, args.files, args.song_secs)
        data = os.path.join(tmp, "data")
        runtime = os.path.join(tmp, "run")
        os.mkdir(data)
        os.mkdir(runtime, 0o700)
        seed_data(data, os.path.dirname(program))
        config = os.path.join(data, "config.xml")
        with open(config) as f:
            text = f.read()
        # List loop on ("2"), sound on: the run plays through the list and starts it again.
        text = re.sub(r'<loop value="[^"]*"', '<loop value="2"', text)
        text = re.sub(r'<mute value="[^"]*"', '<mute value="0"', text)
        with open(config, "w") as f:
            f.write(text)
        env = dict(os.environ, ORVO_DATA_DIR=data + "/", XDG_RUNTIME_DIR=runtime, HOME=tmp,
                   ORVO_AUDIO_OUTPUT="null", ORVO_AUDIO_SPEED=f"{args.speed:g}",
                   QT_QPA_PLATFORM="offscreen")
        print(f"load average at start: {loadavg()}")
        t0 = time.monotonic()
        proc = subprocess.Popen([program, songs], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        samples = []  # (seconds, songs played, RSS KiB)
        played, current, first_rss, pass_rss, pass_t = 0, None, None, None, None
        try:
            next_rss = 0.0
            while played < plays and time.monotonic() - t0 < args.max_secs:
                if proc.poll() is not None:
                    raise SystemExit(f"the player ended early (exit {proc.returncode})")
                song = open_song(proc.pid, songs)
                if song and song != current:
                    current = song
                    played += 1
                    if played == 1:
                        first_rss = rss_kib(proc.pid)
                        print(f"first song after {time.monotonic() - t0:.1f} s, "
                              f"RSS {first_rss / 1024:.1f} MiB")
                    if played == max(2, plays // 10):
                        pass_rss, pass_t = rss_kib(proc.pid), time.monotonic() - t0
                        print(f"song {played} after {pass_t:.1f} s, RSS {pass_rss / 1024:.1f} MiB")
                    if played == args.files + 1:
                        print(f"list wrapped after {time.monotonic() - t0:.1f} s, "
                              f"RSS {rss_kib(proc.pid) / 1024:.1f} MiB")
                now = time.monotonic() - t0
                if played and now >= next_rss:
                    samples.append((now, played, rss_kib(proc.pid)))
                    next_rss = now + 5.0
                time.sleep(0.05)
            end_rss = rss_kib(proc.pid)
            elapsed = time.monotonic() - t0
        finally:
            stop(proc, 10)
    rss = [s[2] for s in samples] + [end_rss]
    print(f"songs played: {played} of {plays} in {elapsed:.0f} s "
          f"({args.files} files, speed {args.speed:g}, list loop on)")
    print(f"RSS min {min(rss) / 1024:.1f} MiB, max {max(rss) / 1024:.1f} MiB, "
          f"end {end_rss / 1024:.1f} MiB, {len(rss)} samples")
    if first_rss:
        print(f"growth from the first song: {(end_rss - first_rss) / 1024:+.1f} MiB")
    if pass_rss:
        print(f"growth from song {max(2, plays // 10)} to the end: {(end_rss - pass_rss) / 1024:+.1f} MiB")
    print(f"load average at end: {loadavg()}")
    return 0 if played >= plays else 1


if __name__ == "__main__":
    sys.exit(main())
