#!/usr/bin/env python3
"""Adds tags to test media whose muxer writes none, and makes the broken test files.

  tagtool.py id3v2 FILE TITLE ARTIST ALBUM    prepend an ID3v2.4 tag (UTF-8 text frames)
  tagtool.py apev2 FILE TITLE ARTIST ALBUM    append an APEv2 tag (header, items, footer)
  tagtool.py truncate SRC DST FRACTION        copy the first FRACTION of SRC
  tagtool.py bitflip SRC DST COUNT            copy SRC with COUNT bytes in its second half
                                              inverted (fixed positions: reproducible)
  tagtool.py flaccrc SRC DST                  copy the FLAC file SRC with the CRC-16 of every
                                              frame wrong (libFLAC drops such frames, FFmpeg
                                              does not check them by default)
"""
import struct
import sys


def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def id3v2(path, title, artist, album):
    frames = b""
    for fid, text in (("TIT2", title), ("TPE1", artist), ("TALB", album)):
        body = b"\x03" + text.encode("utf-8")
        frames += fid.encode("ascii") + syncsafe(len(body)) + b"\x00\x00" + body
    tag = b"ID3\x04\x00\x00" + syncsafe(len(frames)) + frames
    with open(path, "rb") as f:
        data = f.read()
    with open(path, "wb") as f:
        f.write(tag + data)


def apev2(path, title, artist, album):
    items = b""
    for key, text in (("Title", title), ("Artist", artist), ("Album", album)):
        value = text.encode("utf-8")
        items += struct.pack("<II", len(value), 0) + key.encode("ascii") + b"\x00" + value
    size = len(items) + 32  # items and footer

    def block(flags):
        return b"APETAGEX" + struct.pack("<IIII", 2000, size, 3, flags) + b"\x00" * 8

    with open(path, "ab") as f:
        f.write(block(0xA0000000) + items + block(0x80000000))


def truncate(src, dst, fraction):
    with open(src, "rb") as f:
        data = f.read()
    with open(dst, "wb") as f:
        f.write(data[: int(len(data) * float(fraction))])


def bitflip(src, dst, count):
    data = bytearray(open(src, "rb").read())
    count = int(count)
    half = len(data) // 2
    step = max(1, (len(data) - half) // (count + 1))
    for i in range(count):
        at = half + (i + 1) * step
        if at < len(data):
            data[at] ^= 0xFF
    with open(dst, "wb") as f:
        f.write(bytes(data))


def flaccrc(src, dst):
    data = bytearray(open(src, "rb").read())
    if data[:4] != b"fLaC":
        sys.exit("flaccrc: not a FLAC file: " + src)
    at = 4
    while True:  # metadata blocks: a last-block flag and a 24-bit length each
        last = data[at] & 0x80
        at += 4 + int.from_bytes(data[at + 1:at + 4], "big")
        if last:
            break
    # Frames of a fixed block size start with the sync code 0xFFF8; each ends in its CRC-16.
    starts = []
    while (at := data.find(b"\xff\xf8", at)) >= 0:
        starts.append(at)
        at += 2
    if not starts:
        sys.exit("flaccrc: no frame found in " + src)
    for end in starts[1:] + [len(data)]:
        data[end - 2] ^= 0xFF
        data[end - 1] ^= 0xFF
    with open(dst, "wb") as f:
        f.write(bytes(data))


def main():
    ops = {"id3v2": (id3v2, 4), "apev2": (apev2, 4), "truncate": (truncate, 3),
           "bitflip": (bitflip, 3), "flaccrc": (flaccrc, 2)}
    if len(sys.argv) < 2 or sys.argv[1] not in ops or len(sys.argv) - 2 != ops[sys.argv[1]][1]:
        sys.exit(__doc__)
    ops[sys.argv[1]][0](*sys.argv[2:])


if __name__ == "__main__":
    main()
