#!/usr/bin/env python3
"""What adding a library folder costs the running player: CPU (user + sys) and wall time.

Each run starts the player with a fresh data folder on a private Xvfb (null audio output), waits
for its first frame and a settle time, then hands it the folder by a second start, as a file
manager does. Measured in the running player:
  - wall: from the second start to playlist.xml listing every file of the folder;
  - CPU: user + sys of the player from just before the hand-over to the moment the list was
    saved complete, and again once the player is quiet (it plays the first added song, so a
    little playback is in that second figure).
The second start's own CPU is not counted (it is another process), its time is in the wall.
Several programs (--program NAME=PATH, repeated) are taken in turn within each round, so that
they meet the same load. With --save DIR each program's last playlist.xml is copied to
DIR/NAME/playlist.xml, for comparing the titles of two builds entry by entry.

Usage: add_library_bench.py --program after=build/OrvoPlayer/OrvoPlayer [--program before=...]
                            --library $MEDIA/library [--runs 5] [--settle 2] [--save DIR]
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "startup"))
from startup_bench import (checked_program, fresh_start, list_length, loadavg,  # noqa: E402
                           start_painted, start_xvfb, stop)

TICK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """utime + stime of the whole process, ended threads included."""
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def one_run(program, display, library, files, settle, save):
    with tempfile.TemporaryDirectory(prefix="orvo-add-") as tmp:
        data, env = fresh_start(tmp, program, display)
        env["ORVO_AUDIO_OUTPUT"] = "null"
        proc = start_painted(program, env)
        try:
            time.sleep(settle)
            load = loadavg()
            cpu0 = cpu_seconds(proc.pid)
            t0 = time.monotonic()
            subprocess.run([program, library], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=120)
            client = time.monotonic() - t0
            while list_length(data) < files:
                if time.monotonic() - t0 > 120:
                    raise RuntimeError("the list never held every file")
                time.sleep(0.005)
            wall = time.monotonic() - t0
            cpu_listed = cpu_seconds(proc.pid) - cpu0
            # Quiet: no tick in the last second.
            last = cpu_seconds(proc.pid)
            while True:
                time.sleep(1.0)
                now = cpu_seconds(proc.pid)
                if now == last:
                    break
                last = now
            cpu_quiet = last - cpu0
            if save:
                os.makedirs(save, exist_ok=True)
                shutil.copy(os.path.join(data, "playlist.xml"), os.path.join(save, "playlist.xml"))
            return client * 1000, wall * 1000, cpu_listed, cpu_quiet, load
        finally:
            stop(proc, 5)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", action="append", required=True, help="NAME=PATH")
    ap.add_argument("--library", required=True)
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--settle", type=float, default=2.0)
    ap.add_argument("--save", default="")
    args = ap.parse_args()
    programs = [(p.split("=", 1)[0], checked_program(p.split("=", 1)[1])) for p in args.program]
    library = os.path.abspath(args.library)
    files = sum(1 for _, _, names in os.walk(library) for n in names
                if n.lower().endswith((".mp1", ".mp2", ".mp3", ".wma", ".flac", ".aac", ".ogg",
                                       ".ape")))
    xvfb, display = start_xvfb()
    try:
        print(f"{files} files")
        print("| program | run | load average | hand-over returned, ms | list saved complete, ms "
              "| CPU to saved, s | CPU to quiet, s |")
        print("|---|---|---|---|---|---|---|")
        rows = {name: [] for name, _ in programs}
        for run in range(args.runs):
            for name, program in programs:
                save = os.path.join(args.save, name) if args.save and run == args.runs - 1 else ""
                row = one_run(program, display, library, files, args.settle, save)
                rows[name].append(row)
                print(f"| {name} | {run + 1} | {row[4]} | {row[0]:.0f} | {row[1]:.0f} | "
                      f"{row[2]:.2f} | {row[3]:.2f} |", flush=True)
        for name, _ in programs:
            med = [statistics.median(r[i] for r in rows[name]) for i in range(4)]
            print(f"| {name} | median | {loadavg()} | {med[0]:.0f} | {med[1]:.0f} | "
                  f"{med[2]:.2f} | {med[3]:.2f} |")
    finally:
        xvfb.terminate()
        xvfb.wait()


if __name__ == "__main__":
    main()
