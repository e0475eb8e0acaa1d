#!/usr/bin/env python3
"""Opening the settings sheet: from the click on the options button to the sheet's first frame.

The player runs on a private Xvfb with ORVO_TRACE_STARTUP=1; the sheet then prints
"orvo-settings open <ns since epoch>" when the click has reached it (its constructor) and
"orvo-settings first-paint <ns>" once its first frame has gone out. The pointer is put on the
options button beforehand. Two figures: "from the click" starts just before `xdotool click 1` is
spawned, so it includes starting xdotool and the X round trip (tens of ms on a loaded machine);
"in the program" runs from the sheet's construction to its first frame. Each player process opens the
sheet --openings times (closing it with its Cancel button in between): the first opening of a process is
reported apart from the later ones, since it loads the sheet's fonts and widget styles.

Usage: settings_bench.py [--program build/OrvoPlayer/OrvoPlayer] [--runs 5] [--openings 5]
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "startup"))
import startup_bench as startup  # noqa: E402  (Xvfb, data seeding and stopping are shared)

# Window 320 x 560, opaque: the options button's centre; the sheet's Cancel button.
OPTIONS = (259, 544)
CANCEL = (416, 408)


def xdotool(display, *args):
    return subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                          capture_output=True, text=True, timeout=15).stdout.split()


def wait_line(proc, prefix, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        line = proc.stderr.readline()
        if not line:
            break
        if line.startswith(prefix):
            return int(line.split()[2])
    raise RuntimeError(f"no '{prefix}' line")


def one_process(program, display, openings):
    with tempfile.TemporaryDirectory(prefix="orvo-bench-") as tmp:
        data = os.path.join(tmp, "data")
        runtime = os.path.join(tmp, "run")
        os.mkdir(data)
        os.mkdir(runtime, 0o700)
        startup.seed_data(data, os.path.dirname(program))
        config = os.path.join(data, "config.xml")
        with open(config) as f:
            text = f.read().replace('entransparent value="1"', 'entransparent value="0"')
        with open(config, "w") as f:
            f.write(text)
        env = dict(os.environ, DISPLAY=display, ORVO_DATA_DIR=data + "/", XDG_RUNTIME_DIR=runtime,
                   ORVO_TRACE_STARTUP="1", ORVO_AUDIO_OUTPUT="null", HOME=tmp)
        env.pop("QT_QPA_PLATFORM", None)
        proc = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, text=True)
        try:
            wait_line(proc, "orvo-startup first-paint ", 15)
            window = xdotool(display, "search", "--sync", "--onlyvisible", "--name", "欧沃播放器")[0]
            times = []
            for _ in range(openings):
                xdotool(display, "mousemove", "--window", window, str(OPTIONS[0]), str(OPTIONS[1]))
                time.sleep(0.5)
                t0 = time.time_ns()
                subprocess.run(["xdotool", "click", "1"], env=dict(os.environ, DISPLAY=display),
                               timeout=15)
                opened = wait_line(proc, "orvo-settings open ", 10)
                painted = wait_line(proc, "orvo-settings first-paint ", 10)
                times.append(((painted - t0) / 1e6, (painted - opened) / 1e6))
                sheet = xdotool(display, "search", "--sync", "--onlyvisible", "--name", "^播放器设置$")
                xdotool(display, "mousemove", "--window", sheet[0], str(CANCEL[0]), str(CANCEL[1]),
                        "click", "1")
                time.sleep(0.3)
            return times
        finally:
            startup.stop(proc, 5)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--program",
                    default=os.path.join(startup.ROOT, "build", "OrvoPlayer", "OrvoPlayer"))
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--openings", type=int, default=5)
    args = ap.parse_args()
    program = startup.checked_program(args.program)
    xvfb, display = startup.start_xvfb()
    first, later = [], []
    try:
        one_process(program, display, 1)  # warm the file cache; not counted
        for i in range(args.runs):
            times = one_process(program, display, args.openings)
            first.append(times[0])
            later.extend(times[1:])
            print(f"run {i + 1} (from the click / in the program): " +
                  ", ".join(f"{a:.1f}/{b:.1f}" for a, b in times) + " ms")
    finally:
        xvfb.terminate()
        xvfb.wait()
    for name, values in (("first opening of a process", first), ("later openings", later)):
        for k, what in ((0, "from the click"), (1, "in the program")):
            column = [v[k] for v in values]
            if column:
                print(f"{name}, {what}: median {statistics.median(column):.1f} ms "
                      f"(min {min(column):.1f}, max {max(column):.1f})")


if __name__ == "__main__":
    sys.exit(main())
