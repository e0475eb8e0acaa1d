#!/usr/bin/env python3
"""Reads every file of a folder with independent tools, as the oracle of the extended tests.

Usage: corpus-oracle.py OUT.tsv [DIR]      (DIR: $ORVO_CORPUS/audio by default)

One line per file: name, title, artist (python3-mutagen; several values joined with " / "),
the length the container announces (as ffprobe gives it) and the seconds of samples that really
decode (ffmpeg -f null), then the file's size and time as the cache key. A field is empty when the
tool could not read it; control characters in texts become spaces. An absent DIR writes an
empty table (the extended tests are then skipped). Two files at a time; rows of unchanged files
are reused from OUT.tsv.
"""

import concurrent.futures
import os
import re
import subprocess
import sys

mutagen = None  # imported only when there is a corpus to read


def import_mutagen():
    global mutagen
    try:
        import mutagen as module
    except ImportError:
        # Debian's python3-mutagen serves the system interpreter, which another python3 on
        # PATH may hide.
        if os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
            os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
        raise
    mutagen = module


TIMEOUT = 60
CACHE_VERSION = 2  # raise when what a row holds changes


def clean(text):
    return re.sub(r"[\x00-\x1f\x7f]", " ", text).strip()


def joined(values):
    if isinstance(values, (str, bytes)):
        values = [values]
    texts = []
    for value in values:
        # APE lists arrive as one text with zero separators; ASF attributes carry .value.
        value = getattr(value, "value", value)
        for part in str(value).split("\x00"):
            if part:
                texts.append(part)
    return clean(" / ".join(texts))


def tags(path):
    try:
        f = mutagen.File(path, easy=True)
    except Exception:  # the oracle refuses the file: nothing to compare
        return "", ""
    if f is None or f.tags is None:
        return "", ""
    found = []
    for key in ("title", "artist"):
        try:
            found.append(joined(f.tags[key]) if key in f.tags else "")
        except Exception:
            found.append("")
    return found[0], found[1]


def media_seconds(path):
    """(announced, decoded) seconds, from one ffmpeg run: the input's Duration line is what
    ffprobe reports as the format duration; -f null decodes everything."""
    # Timestamps run on over frames that fail to decode: the samples that did are counted
    # instead, by timestamps rewritten from the sample count.
    try:
        done = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-i", path, "-map", "0:a:0",
                               "-af", "asetpts=N/SR/TB", "-f", "null", "-", "-progress",
                               "pipe:1"], capture_output=True,
                              text=True, errors="replace", timeout=TIMEOUT,
                              stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        return "", ""
    announced = ""
    m = re.search(r"Duration: (\d+):(\d+):(\d+\.\d+)", done.stderr)
    if m:
        seconds = int(m.group(1)) * 3600 + int(m.group(2)) * 60 + float(m.group(3))
        announced = f"{seconds:.3f}" if seconds > 0 else ""
    times = re.findall(r"^out_time_us=(\d+)$", done.stdout, re.MULTILINE)
    decoded = f"{int(times[-1]) / 1e6:.3f}" if times and int(times[-1]) > 0 else ""
    return announced, decoded


def row(directory, name, cache):
    path = os.path.join(directory, name)
    st = os.stat(path)
    key = f"{CACHE_VERSION}:{st.st_size}:{st.st_mtime_ns}"
    if name in cache and cache[name][0] == key:
        return cache[name][1]
    title, artist = tags(path)
    return "\t".join([name, title, artist, *media_seconds(path), key])


def load_cache(out):
    """Rows of an earlier run, by name: reused while the file's size and time are unchanged."""
    cache = {}
    if os.path.exists(out):
        with open(out, encoding="utf-8") as f:
            for line in f:
                fields = line.rstrip("\n").split("\t")
                if len(fields) == 6:
                    cache[fields[0]] = (fields[5], line.rstrip("\n"))
    return cache


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit("usage: corpus-oracle.py OUT.tsv [DIR]")
    out = sys.argv[1]
    corpus = os.environ.get("ORVO_CORPUS", "")
    directory = sys.argv[2] if len(sys.argv) == 3 else (corpus and os.path.join(corpus, "audio"))
    names = []
    if directory and os.path.isdir(directory):
        names = sorted(n for n in os.listdir(directory)
                       if os.path.isfile(os.path.join(directory, n)))
    if names:
        import_mutagen()
    with concurrent.futures.ThreadPoolExecutor(max_workers=2) as pool:
        cache = load_cache(out)
        rows = list(pool.map(lambda n: row(directory, n, cache), names))
    tmp = out + ".part"
    with open(tmp, "w", encoding="utf-8") as f:
        f.writelines(r + "\n" for r in rows)
    os.replace(tmp, out)


if __name__ == "__main__":
    main()
