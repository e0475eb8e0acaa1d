#!/usr/bin/env python3
"""Writes tiny audio files carrying every tag format the tag reader understands.

Usage: make-tag-fixtures.py OUTDIR

ffmpeg makes the audio (and the tags it writes itself: ID3v2.3/2.4, Vorbis comments, ASF, MP4);
the legacy and hand-made tags (ID3v1, ID3v2.2, ID3v2 frames marked Latin-1 that hold GBK bytes,
APEv2) are built byte by byte here. Standard library only.
"""

import os
import shutil
import struct
import subprocess
import sys
import tempfile


def ffmpeg(out, codec_args, metadata=None, extra=None, seconds="0.3"):
    cmd = ["ffmpeg", "-hide_banner", "-loglevel", "error", "-nostdin", "-y",
           "-f", "lavfi", "-i", f"sine=frequency=440:duration={seconds}",
           "-ac", "1", "-ar", "44100", "-map_metadata", "-1", "-fflags", "+bitexact"]
    cmd += codec_args
    for key, value in (metadata or {}).items():
        cmd += ["-metadata", f"{key}={value}"]
    cmd += (extra or []) + [out]
    subprocess.run(cmd, check=True)


# ---- ID3v2 ----------------------------------------------------------------------------------

def syncsafe(n):
    return bytes([(n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F])


def text_payload(text, encoding):
    """encoding: 'latin1', 'gbk' (bytes marked Latin-1), 'utf16' (a mark per value), 'utf8',
    'utf16le-nomark' / 'utf16be-nomark' (UTF-16 without byte-order marks, as some writers do),
    'utf16-mark-once' (a big-endian mark on the first value only).
    A list of texts is a frame of several values, zero-separated."""
    values = text if isinstance(text, list) else [text]
    if encoding in ("latin1", "gbk", "utf8"):
        codec = {"latin1": "latin-1", "gbk": "gbk", "utf8": "utf-8"}[encoding]
        return {"latin1": b"\x00", "gbk": b"\x00", "utf8": b"\x03"}[encoding] + b"\x00".join(
            v.encode(codec) for v in values)
    if encoding == "utf16-mark-once":  # only the first value marked (big-endian), as some do
        return b"\x01\xfe\xff" + b"\x00\x00".join(v.encode("utf-16-be") for v in values)
    codec = {"utf16": "utf-16", "utf16le-nomark": "utf-16-le", "utf16be-nomark": "utf-16-be"}
    if encoding in codec:
        return b"\x01" + b"\x00\x00".join(v.encode(codec[encoding]) for v in values)
    raise ValueError(encoding)


def id3v2(major, frames):
    """frames: list of (frame id, text, encoding)."""
    body = b""
    for frame_id, text, encoding in frames:
        data = text_payload(text, encoding)
        if major == 2:
            body += frame_id.encode() + struct.pack(">I", len(data))[1:] + data
        elif major == 3:
            body += frame_id.encode() + struct.pack(">I", len(data)) + b"\x00\x00" + data
        else:
            body += frame_id.encode() + syncsafe(len(data)) + b"\x00\x00" + data
    body += b"\x00" * 16  # padding
    return b"ID3" + bytes([major, 0, 0]) + syncsafe(len(body)) + body


# ---- ID3v1 ----------------------------------------------------------------------------------

def id3v1(title=b"", artist=b""):
    def field(value, size):
        return value[:size].ljust(size, b"\x00")
    return (b"TAG" + field(title, 30) + field(artist, 30) + field(b"", 30) + b"2001"
            + field(b"", 30) + b"\xff")


# ---- APEv2 ----------------------------------------------------------------------------------

def ape_tag(items):
    """items: list of (key, value bytes)."""
    body = b""
    for key, value in items:
        body += struct.pack("<II", len(value), 0) + key.encode() + b"\x00" + value
    size = len(body) + 32

    def block(flags):
        return b"APETAGEX" + struct.pack("<IIII", 2000, size, len(items), flags) + b"\x00" * 8
    return block(0xA0000000) + body + block(0x80000000)


# ---- FLAC -----------------------------------------------------------------------------------

def flac_with_comments(flac, comments):
    """The FLAC file with its Vorbis comment block replaced by `comments` (a list of
    "KEY=value"; a key may repeat), other metadata but STREAMINFO dropped."""
    assert flac[:4] == b"fLaC"
    pos, streaminfo = 4, None
    while True:
        header = flac[pos]
        size = int.from_bytes(flac[pos + 1:pos + 4], "big")
        if header & 0x7F == 0:
            streaminfo = flac[pos + 4:pos + 4 + size]
        pos += 4 + size
        if header & 0x80:
            break
    vendor = b"orvo"
    body = struct.pack("<I", len(vendor)) + vendor + struct.pack("<I", len(comments))
    for c in comments:
        data = c.encode("utf-8")
        body += struct.pack("<I", len(data)) + data
    return (b"fLaC" + bytes([0]) + len(streaminfo).to_bytes(3, "big") + streaminfo
            + bytes([0x84]) + len(body).to_bytes(3, "big") + body + flac[pos:])


def write(path, *parts):
    with open(path, "wb") as f:
        for part in parts:
            f.write(part)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-tag-fixtures.py OUTDIR")
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    tmp = tempfile.mkdtemp(prefix="orvo-tags-")
    try:
        make(out, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)


def make(out, tmp):
    o = lambda name: os.path.join(out, name)  # noqa: E731

    # Untagged audio to wrap hand-made tags around.
    bare_mp3 = os.path.join(tmp, "bare.mp3")
    ffmpeg(bare_mp3, ["-c:a", "libmp3lame", "-b:a", "32k", "-id3v2_version", "0",
                      "-write_xing", "0"])
    mp3 = read(bare_mp3)
    bare_mp2 = os.path.join(tmp, "bare.mp2")
    ffmpeg(bare_mp2, ["-c:a", "mp2", "-b:a", "64k", "-f", "mp2"])
    bare_aac = os.path.join(tmp, "bare.aac")
    ffmpeg(bare_aac, ["-c:a", "aac", "-b:a", "32k", "-f", "adts"])

    write(o("notags.mp3"), mp3)
    write(o("id3v1.mp3"), mp3, id3v1(b"ID3v1 Title", b"ID3v1 Artist"))
    write(o("id3v22.mp3"),
          id3v2(2, [("TT2", "Version 2.2 Title", "latin1"), ("TP1", "张学友", "utf16")]), mp3)
    ffmpeg(o("id3v23_utf16.mp3"), ["-c:a", "libmp3lame", "-b:a", "32k", "-id3v2_version", "3"],
           {"title": "月亮代表我的心", "artist": "邓丽君"})
    ffmpeg(o("id3v24_utf8.mp3"), ["-c:a", "libmp3lame", "-b:a", "32k", "-id3v2_version", "4"],
           {"title": "甜蜜蜜 (Live)", "artist": "Teresa Teng"})
    write(o("id3v23_gbk.mp3"),
          id3v2(3, [("TIT2", "晴天", "gbk"), ("TPE1", "周杰伦", "gbk")]), mp3)
    write(o("id3v22_gbk.mp3"),
          id3v2(2, [("TT2", "《七里香》", "gbk"), ("TP1", "周杰伦", "gbk")]), mp3)
    write(o("id3v1_gbk.mp3"), mp3, id3v1("后来".encode("gbk"), "刘若英".encode("gbk")))
    write(o("latin1_id3v2.mp3"),
          id3v2(3, [("TIT2", "El león", "latin1"), ("TPE1", "Motörhead", "latin1")]), mp3)
    write(o("latin1_id3v1.mp3"), mp3,
          id3v1("Café del Mar".encode("latin-1"), "Beyoncé".encode("latin-1")))
    write(o("ape.mp3"), mp3,
          ape_tag([("Title", "APE 标题".encode()), ("Artist", b"APE Artist")]))
    write(o("ape_gbk.mp3"), mp3,
          ape_tag([("Title", "青花瓷".encode("gbk")), ("Artist", "周杰伦".encode("gbk"))]))
    write(o("priority.mp3"), id3v2(3, [("TIT2", "From ID3v2", "latin1")]), mp3,
          ape_tag([("Title", b"From APE"), ("Artist", b"APE Artist")]),
          id3v1(b"From ID3v1", b"ID3v1 Artist"))
    write(o("ape_over_id3v1.mp3"), mp3, ape_tag([("Title", b"From APE")]),
          id3v1(b"From ID3v1", b"ID3v1 Artist"))
    write(o("artist_only.mp3"), id3v2(4, [("TPE1", "Only Artist", "utf8")]), mp3)
    write(o("padded.mp3"), id3v2(3, [("TIT2", "\t Padded\nTitle  ", "latin1")]), mp3)
    write(o("中文文件名.mp3"), id3v2(4, [("TIT2", "文件名测试", "utf8")]), mp3)
    write(o("mpeg2.mp2"), id3v2(3, [("TIT2", "Layer II 标题", "utf16"),
                                    ("TPE1", "MP2 Artist", "latin1")]), read(bare_mp2))
    write(o("adts.aac"), id3v2(4, [("TIT2", "AAC 标题", "utf8"), ("TPE1", "AAC Artist", "utf8")]),
          read(bare_aac))

    # Several values in one field, joined with " / ": ID3v2.4 lists, zero-separated values and
    # repeated frames in ID3v2.3, APE lists (UTF-8, and GBK that TagLib drops).
    write(o("multi_id3v24.mp3"), id3v2(4, [("TIT2", ["Side A", "Side B"], "utf8"),
                                           ("TPE1", ["张三", "李四"], "utf8")]), mp3)
    write(o("multi_id3v23.mp3"), id3v2(3, [("TIT2", "Duet", "utf16"),
                                           ("TPE1", ["Ray", "Anita"], "utf16"),
                                           ("TPE1", "Jo", "latin1")]), mp3)
    write(o("multi_ape.mp3"), mp3,
          ape_tag([("Title", "One\x00Two".encode()),
                   ("Artist", "周杰伦\x00蔡依林".encode("gbk"))]))
    # UTF-16 without byte-order marks: zero bytes give the order away in mostly ASCII text,
    # the likelier reading decides for Chinese alone; a marked value keeps its own order.
    write(o("nomark_le.mp3"), id3v2(3, [("TIT2", "月亮 Moon", "utf16le-nomark"),
                                        ("TPE1", "邓丽君", "utf16le-nomark")]), mp3)
    write(o("nomark_be.mp3"), id3v2(4, [("TIT2", "Hello 世界", "utf16be-nomark"),
                                        ("TPE1", "王菲", "utf16be-nomark")]), mp3)
    write(o("nomark_mixed.mp3"), id3v2(3, [("TIT2", ["Mixed"], "utf16be-nomark"),
                                           ("TPE1", ["Alpha", "Beta"], "utf16-mark-once")]), mp3)

    # Formats whose tags ffmpeg writes itself.
    ffmpeg(o("vorbis.ogg"), ["-c:a", "libvorbis"], {"title": "Ogg 标题", "artist": "Ogg Artist"})
    ffmpeg(o("flac.flac"), ["-c:a", "flac"], {"title": "FLAC 标题", "artist": "FLAC Artist"})
    write(o("multi.flac"), flac_with_comments(read(o("flac.flac")), [
        "TITLE=Rain", "ARTIST=Artist 1", "artist=Artist 2", "TITLE=Snow"]))
    ffmpeg(o("asf.wma"), ["-c:a", "wmav2", "-b:a", "32k"],
           {"title": "WMA 标题", "artist": "WMA Artist"})
    ffmpeg(o("mp4.m4a"), ["-c:a", "aac", "-b:a", "32k"],
           {"title": "MP4 标题", "artist": "MP4 Artist"})

    # Monkey's Audio cannot be encoded here: a file with its magic and tags, but no audio.
    write(o("apelike.ape"), b"MAC \x96\x0f" + b"\x00" * 64,
          ape_tag([("Title", "APE 文件".encode()), ("Artist", b"Monkey")]),
          id3v1(b"Not This", b"Nor This"))

    # Damaged tags: sizes that point past the end, frames cut short.
    write(o("broken_id3v2.mp3"), b"ID3\x03\x00\x00" + syncsafe(0x0FFFFFFF)
          + b"TIT2\x7f\xff\xff\xff\x00\x00\x00Cut", mp3)
    write(o("broken_ape.mp3"), mp3, b"APETAGEX" + struct.pack("<IIII", 2000, 0x7FFFFFFF, 5,
                                                               0x80000000) + b"\x00" * 8)
    bad_item = struct.pack("<II", 0x7FFFFFF0, 0) + b"Title\x00abc"
    write(o("broken_ape_item.mp3"), mp3, bad_item + b"APETAGEX"
          + struct.pack("<IIII", 2000, len(bad_item) + 32, 1, 0) + b"\x00" * 8)


if __name__ == "__main__":
    main()
