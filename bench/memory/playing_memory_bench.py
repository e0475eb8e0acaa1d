#!/usr/bin/env python3
"""Resident memory (RSS) and PSS of the running player, step by step in one process: idle with a
play list of MP3s, then playing an MP3, a FLAC and a WMA file (the first file that needs FFmpeg).

Each program given with --program NAME=PATH is started the same way, one after the other in
the same run: a fresh data folder, runtime folder and HOME, the default audio output (run it
under the peers bench's desktop, env-up.sh, for a PulseAudio null sink; --null for the null
output), ORVO_TRACE_STARTUP=1 to know when the window is out. Folders and files are handed to
the running instance by a second start, as a user's file manager does. A step is measured
--settle seconds after its hand-over (and, for the list, after playlist.xml holds every file);
a playing step also checks that the player holds the file open.

--detail N prints where the resident memory goes while playing the MP3 and the WMA (per mapped file, heap, other
anonymous memory), from /proc/PID/smaps.

Usage: playing_memory_bench.py --program after=build/OrvoPlayer/OrvoPlayer [--program ...]
           --media MEDIA [--settle 5] [--runs 1] [--null] [--detail]
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "startup"))
from startup_bench import (checked_program, fresh_start, list_length, loadavg,  # noqa: E402
                           start_painted, start_xvfb, stop)


def rollup(pid):
    values = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[0] in ("Rss:", "Pss:"):
                values[parts[0][:-1]] = int(parts[1])
    return values.get("Rss", -1) / 1024.0, values.get("Pss", -1) / 1024.0


def maps_file(pid, needle):
    with open(f"/proc/{pid}/maps") as f:
        return any(needle in line for line in f)


def breakdown(pid, top):
    """Resident kB per mapped file (libraries by name), heap and other anonymous memory."""
    sizes = {}
    name = "?"
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            head = line.split()
            if re.match(r"^[0-9a-f]+-[0-9a-f]+ ", line):
                path = head[5] if len(head) > 5 else "[anonymous]"
                name = os.path.basename(path) if path.startswith("/") else path
            elif head and head[0] == "Rss:":
                sizes[name] = sizes.get(name, 0) + int(head[1])
    rows = sorted(sizes.items(), key=lambda kv: -kv[1])
    return rows[:top], sum(sizes.values()), len([n for n in sizes if ".so" in n])


def holds_open(pid, path):
    try:
        for fd in os.listdir(f"/proc/{pid}/fd"):
            try:
                if os.readlink(f"/proc/{pid}/fd/{fd}") == path:
                    return True
            except OSError:
                continue
    except OSError:
        pass
    return False


def wait_for(check, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if check():
            return True
        time.sleep(0.1)
    return False


def one_program(name, program, display, media, args):
    steps = [("idle, list of MP3s", os.path.join(media, "library")),
             ("playing MP3", os.path.join(media, "music60.mp3")),
             ("playing FLAC", os.path.join(media, "music60.flac")),
             ("playing WMA", os.path.join(media, "music60.wma"))]
    library_size = sum(len([f for f in files if f.endswith(".mp3")])
                       for _, _, files in os.walk(steps[0][1]))
    results = []
    detail = ""
    with tempfile.TemporaryDirectory(prefix="orvo-mem-") as tmp:
        data, env = fresh_start(tmp, program, display)
        if args.null:
            env["ORVO_AUDIO_OUTPUT"] = "null"
        proc = start_painted(program, env, name)
        try:
            time.sleep(3)
            for label, path in steps:
                if not os.path.exists(path):
                    raise SystemExit(f"missing {path} (make it with the peers bench's make-media.sh)")
                subprocess.run([program, path], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=60)
                if path.endswith("library"):
                    ok = wait_for(lambda: list_length(data) >= library_size, 60)
                else:
                    ok = wait_for(lambda p=path: holds_open(proc.pid, p), 10)
                time.sleep(args.settle)
                rss, pss = rollup(proc.pid)
                results.append((label, rss, pss, maps_file(proc.pid, "libavformat"), ok,
                                loadavg()))
                if args.detail and label in ("playing MP3", "playing WMA"):
                    rows, total, libs = breakdown(proc.pid, args.detail)
                    detail += (f"\n{name}, {label}: resident {total / 1024:.1f} MiB over the "
                               f"mappings, {libs} shared objects; largest:\n")
                    detail += "".join(f"  {kb / 1024:7.2f} MiB  {what}\n" for what, kb in rows)
        finally:
            stop(proc, 5)
    return results, detail


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", action="append", required=True, help="NAME=PATH")
    ap.add_argument("--media", required=True,
                    help="the folder the peers bench's make-media.sh filled")
    ap.add_argument("--settle", type=float, default=5.0)
    ap.add_argument("--runs", type=int, default=1)
    ap.add_argument("--null", action="store_true", help="null audio output")
    ap.add_argument("--detail", type=int, default=0, help="print the N largest mappings")
    args = ap.parse_args()
    programs = [(p.split("=", 1)[0], checked_program(p.split("=", 1)[1])) for p in args.program]
    xvfb = None
    display = os.environ.get("DISPLAY")
    if not display:
        xvfb, display = start_xvfb()
    try:
        print("| program | run | step | RSS MiB | PSS MiB | FFmpeg mapped | reached | load average |")
        print("|---|---|---|---|---|---|---|---|")
        details = []
        for run in range(args.runs):
            for name, program in programs:
                results, detail = one_program(name, program, display, args.media, args)
                details.append(detail)
                for label, rss, pss, ffmpeg, ok, load in results:
                    print(f"| {name} | {run + 1} | {label} | {rss:.1f} | {pss:.1f} | "
                          f"{'yes' if ffmpeg else 'no'} | {'yes' if ok else 'NO'} | {load} |",
                          flush=True)
        print("".join(details))
    finally:
        if xvfb is not None:
            xvfb.terminate()
            xvfb.wait()


if __name__ == "__main__":
    main()
