#!/usr/bin/env python3
"""Start-up time and idle memory of the player, median of several runs on a private Xvfb.

Start-up: from just before exec to the main window's first frame having gone out. The program
prints "orvo-startup first-paint <ns since epoch>" when ORVO_TRACE_STARTUP=1 is set; the first
paint only happens once the window is mapped and exposed. Memory: VmRSS of the process 3 s after
the start. Every run gets a fresh copy of the delivered data files and its own runtime folder.

With --floor (default: build/bench/orvo_startup_floor when it exists) each run also starts a bare
frameless Qt window that paints one line of text, measured the same way, interleaved with the
player, so that on a busy machine the player's own share can still be told apart.

Usage: startup_bench.py [--program build/OrvoPlayer/OrvoPlayer] [--floor PROGRAM] [--runs 5]
                        [--idle 3]
"""
import argparse
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, "..", ".."))


def free_display():
    for n in range(90, 200):
        if not os.path.exists(f"/tmp/.X11-unix/X{n}") and not os.path.exists(f"/tmp/.X{n}-lock"):
            return n
    raise SystemExit("no free X display number")


def start_xvfb():
    n = free_display()
    xvfb = subprocess.Popen(["Xvfb", f":{n}", "-screen", "0", "1280x800x24", "-nolisten", "tcp"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    deadline = time.monotonic() + 10
    while not os.path.exists(f"/tmp/.X11-unix/X{n}"):
        if time.monotonic() > deadline or xvfb.poll() is not None:
            xvfb.kill()
            raise SystemExit("Xvfb did not start")
        time.sleep(0.05)
    return xvfb, f":{n}"


def seed_data(folder, program_dir):
    for name in ("config.xml", "skinlist.xml"):
        src = os.path.join(program_dir, name)
        if not os.path.exists(src):
            src = os.path.join(ROOT, name)
        shutil.copy(src, folder)
    src_skin = os.path.join(program_dir, "skin")
    if not os.path.isdir(src_skin):
        src_skin = os.path.join(ROOT, "skin")
    shutil.copytree(src_skin, os.path.join(folder, "skin"))


def rss_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return -1


def stop(proc, grace):
    """SIGTERM (the player quits in order and saves), SIGKILL after `grace` seconds."""
    proc.send_signal(signal.SIGTERM)
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


def checked_program(path):
    program = os.path.abspath(path)
    if not os.access(program, os.X_OK):
        raise SystemExit(f"no program at {program}")
    return program


def loadavg():
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def fresh_start(tmp, program, display):
    """A seeded data folder, a runtime folder and HOME under tmp: (data folder, environment)."""
    data = os.path.join(tmp, "data")
    runtime = os.path.join(tmp, "run")
    os.mkdir(data)
    os.mkdir(runtime, 0o700)
    seed_data(data, os.path.dirname(program))
    env = dict(os.environ, DISPLAY=display, ORVO_DATA_DIR=data + "/", XDG_RUNTIME_DIR=runtime,
               ORVO_TRACE_STARTUP="1", HOME=tmp)
    env.pop("QT_QPA_PLATFORM", None)
    return data, env


def list_length(data):
    """Entries of the play list saved in the data folder."""
    try:
        with open(os.path.join(data, "playlist.xml"), encoding="utf-8") as f:
            return f.read().count("<MU ")
    except OSError:
        return 0


def start_painted(program, env, name="the player"):
    """Starts program and returns its process once its first frame is out."""
    proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    line = proc.stderr.readline()
    while line and not line.startswith("orvo-startup first-paint "):
        line = proc.stderr.readline()
    if not line:
        stop(proc, 5)
        raise RuntimeError(f"{name}: the window was never painted")
    return proc


def one_run(program, display, idle):
    with tempfile.TemporaryDirectory(prefix="orvo-bench-") as tmp:
        _, env = fresh_start(tmp, program, display)
        env["ORVO_AUDIO_OUTPUT"] = "null"
        t0 = time.time_ns()
        proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
        try:
            painted = None
            deadline = time.monotonic() + 15
            while painted is None and time.monotonic() < deadline:
                line = proc.stderr.readline()
                if not line:
                    break
                if line.startswith("orvo-startup first-paint "):
                    painted = int(line.split()[2])
            if painted is None:
                raise RuntimeError("the window was never painted")
            # Sleep until `idle` seconds after the start, then read the memory.
            time.sleep(max(0.0, idle - (time.time_ns() - t0) / 1e9))
            rss = rss_kib(proc.pid)
            return (painted - t0) / 1e6, rss / 1024.0
        finally:
            stop(proc, 5)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program", default=os.path.join(ROOT, "build", "OrvoPlayer", "OrvoPlayer"))
    ap.add_argument("--floor", default=os.path.join(ROOT, "build", "bench", "orvo_startup_floor"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--idle", type=float, default=3.0)
    args = ap.parse_args()
    program = checked_program(args.program)

    floor = os.path.abspath(args.floor) if os.access(args.floor, os.X_OK) else None

    xvfb, display = start_xvfb()
    results = {"player": ([], []), "floor": ([], [])}
    try:
        one_run(program, display, 0.5)  # warm the file cache; not counted
        if floor:
            one_run(floor, display, 0.5)
        for i in range(args.runs):
            for name, exe in (("player", program), ("floor", floor)):
                if not exe:
                    continue
                ms, mib = one_run(exe, display, args.idle)
                results[name][0].append(ms)
                results[name][1].append(mib)
                print(f"run {i + 1} {name}: first paint {ms:.1f} ms, "
                      f"RSS after {args.idle:g} s {mib:.1f} MiB")
    finally:
        xvfb.terminate()
        xvfb.wait()
    for name, (times, rss) in results.items():
        if times:
            print(f"median {name}: first paint {statistics.median(times):.1f} ms "
                  f"(min {min(times):.1f}, max {max(times):.1f}); "
                  f"RSS {statistics.median(rss):.1f} MiB (min {min(rss):.1f}, max {max(rss):.1f})")


if __name__ == "__main__":
    sys.exit(main())
