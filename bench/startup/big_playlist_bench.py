#!/usr/bin/env python3
"""Start-up to the first frame with a long play list, against the same start with an empty one.

Each run seeds a fresh data folder (as startup_bench.py does) and, for the "long list" runs, adds
a playlist.xml of --entries entries written the way the player saves it (UTF-8 attributes, some
Chinese titles and folder names). The two kinds of run alternate, so that on a busy machine both
see the same load. The files named in the list need not exist: the list is only read at start.

Usage: big_playlist_bench.py [--program build/OrvoPlayer/OrvoPlayer] [--entries 10000] [--runs 5]
"""
import argparse
import os
import statistics
import sys
from xml.sax.saxutils import quoteattr

import startup_bench

ARTISTS = ["Artist", "歌手", "The Band", "乐队"]


def playlist_xml(entries, music):
    lines = ['<?xml version="1.0" ?>']
    for i in range(entries):
        artist = f"{ARTISTS[i % len(ARTISTS)]} {i // 100:03d}"
        title = f"{'歌曲' if i % 3 == 0 else 'Song'} {i:05d}"
        path = os.path.join(music, artist, f"Album {i // 10 % 10}", f"{i % 100:02d} - {title}.mp3")
        lines.append(f"<MU value={quoteattr(path)} name={quoteattr(title + ' - ' + artist)} />")
    return "\n".join(lines) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", default=os.path.join(startup_bench.ROOT, "build", "OrvoPlayer",
                                                      "OrvoPlayer"))
    ap.add_argument("--entries", type=int, default=10000)
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    program = startup_bench.checked_program(args.program)

    plain_seed = startup_bench.seed_data
    entries = {"n": 0}

    def seed_with_list(folder, program_dir):
        plain_seed(folder, program_dir)
        if entries["n"]:
            with open(os.path.join(folder, "playlist.xml"), "w", encoding="utf-8") as f:
                f.write(playlist_xml(entries["n"], os.path.join(folder, "music")))

    startup_bench.seed_data = seed_with_list
    xvfb, display = startup_bench.start_xvfb()
    times = {0: [], args.entries: []}
    try:
        for n in times:  # warm the file cache; not counted
            entries["n"] = n
            startup_bench.one_run(program, display, 0.5)
        for i in range(args.runs):
            for n in times:
                entries["n"] = n
                ms, _ = startup_bench.one_run(program, display, 0.5)
                times[n].append(ms)
                print(f"run {i + 1}, {n} entries: first paint {ms:.1f} ms")
    finally:
        xvfb.terminate()
        xvfb.wait()
    for n, t in times.items():
        print(f"median, {n} entries: first paint {statistics.median(t):.1f} ms "
              f"(min {min(t):.1f}, max {max(t):.1f})")
    empty, full = (statistics.median(times[n]) for n in times)
    print(f"ratio {args.entries} entries / empty list: {full / empty:.2f}")
    with open("/proc/loadavg") as f:
        print("load average at end: " + " ".join(f.read().split()[:3]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
