#!/usr/bin/env python3
"""Writes the fuzz targets' seed inputs: make-seeds.py OUTDIR (one folder per target).

Seeds are small valid inputs and near misses of each format, made here or by the tests' own
fixture code, so the fuzzer starts inside the formats instead of having to find them.
"""
import pathlib
import runpy
import struct
import sys
import types

ROOT = pathlib.Path(__file__).resolve().parent.parent


def tag_fixtures():
    """The tag fixture generator's functions (ape_tag, id3v1), without running its main()."""
    return types.SimpleNamespace(
        **runpy.run_path(str(ROOT / "scripts" / "make-tag-fixtures.py")))


def frame(path):
    payload = path.encode("utf-16-le")
    return struct.pack(">I", len(payload)) + payload


def frames():
    one = frame("/music/一首歌.mp3")
    return {
        "path": one,
        "empty": frame(""),
        "nul": frame("/a\0b.mp3"),
        "two": one + frame("/music/second.flac"),
        "short": one[:-3],
        "huge_count": b"\xff\xff\xff\xff" + b"ab",
        "odd_count": struct.pack(">I", 3) + b"abc",
    }


def bmp(width, height, top_down=False, extra=b""):
    stride = (width * 3 + 3) & ~3
    pixels = bytes((x * 7 + y * 13) & 0xFF for y in range(height) for x in range(stride))
    info = struct.pack("<IiiHHIIiiII", 40, width, -height if top_down else height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = b"BM" + struct.pack("<IHHI", offset + len(pixels) + len(extra), 0, 0, offset)
    return head + info + pixels + extra


def bmps():
    return {
        "plain": bmp(5, 3),
        "top_down": bmp(4, 2, top_down=True),
        "one_pixel": bmp(1, 1),
        "trailing": bmp(3, 3, extra=b"\0" * 7),
        "truncated": bmp(8, 8)[:-10],
        "header_only": bmp(2, 2)[:54],
    }


def apes(fixtures):
    tag = fixtures.ape_tag
    return {
        "ascii": tag([("Title", b"A title"), ("Artist", b"An artist")]),
        "gbk": tag([("TITLE", "标题".encode("gbk")), ("ARTIST", "歌手".encode("gbk"))]),
        "other_items": tag([("Album", b"x"), ("Year", b"2001"), ("Title", b"t")]),
        "empty": tag([]),
        "footer_only": tag([("Title", b"t")])[-32:],
        "id3v1_after": tag([("Title", b"t")]) + fixtures.id3v1(b"v1 title", b"v1 artist"),
    }


def xmls():
    out = {f"golden_{p.stem}": p.read_bytes()
           for p in sorted((ROOT / "tests" / "store" / "golden").glob("*.xml"))}
    out.update({
        "config": b'<?xml version="1.0" ?>\r\n<volume note="x" value="80" />\r\n'
                  b'<skin value="1" />\r\n',
        "playlist": '<?xml version="1.0" ?>\r\n<MU value="/m/a.mp3" name="一 &amp; &lt;二&gt;" />\r\n'
                    .encode(),
        "nested": b"<a>" * 300 + b"</a>" * 300,
        "entities": b'<x v="&#x4E2D;&#20013;&quot;&apos;" />',
        "comment_cdata": b"<!-- c --><x><![CDATA[<y/>]]></x>",
        "broken": b'<x value="1" <<<',
        # Text ending inside a UTF-8 sequence: TinyXML steps over it by its lead byte.
        "cut_utf8": b'<MU value="a&\xe4',
    })
    return out


def gifs():
    """A two-frame animation with every kind of block, and a still; near misses come from cuts."""
    header = b"GIF89a" + struct.pack("<HHBBB", 1, 1, 0x80, 0, 0) + b"\x00\x00\x00\xff\xff\xff"
    loop = b"\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00"
    comment = b"\x21\xfe\x03abc\x00"
    control = b"\x21\xf9\x04\x08\x0a\x00\x00\x00"
    image = b"\x2c" + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\x00"
    text = b"\x21\x01\x0c" + bytes(12) + b"\x02hi\x00"
    animation = header + loop + comment + control + image + control + text + control + image + b"\x3b"
    still = header + image + b"\x3b"
    return {"animation": animation, "still": still, "cut": animation[:40]}


def replies():
    """Version service replies: the usual one, its variants and near misses."""
    return {
        "offer": b"{ver:0.0.1.7,ptm:2011-01-01}",
        "latest": b"ver:0.0.1.6,ptm:x",
        "json": b'{"ver":"0.0.1.7","ptm":"2011-01-01"}',
        "time": b"ptm:2012-05-06 10:20:30,,ver: -1.0.0.0",
        "gbk": "ver:9,ptm:二〇一一".encode("gbk"),
        "huge": b"ver:" + b"9" * 40 + b",ptm:x",
    }


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-seeds.py OUTDIR")
    out = pathlib.Path(sys.argv[1])
    fixtures = tag_fixtures()
    sets = {
        "SingleInstanceFrame_fuzz": frames(),
        "PlainBmp_fuzz": bmps(),
        "ApeRawReader_fuzz": apes(fixtures),
        "XmlDocumentFile_fuzz": xmls(),
        "GifWalker_fuzz": gifs(),
        "VersionReply_fuzz": replies(),
    }
    for target, seeds in sets.items():
        folder = out / target
        folder.mkdir(parents=True, exist_ok=True)
        for name, data in seeds.items():
            # The frame seeds start with the byte that picks the target's piece size.
            prefix = b"\x07" if target == "SingleInstanceFrame_fuzz" else b""
            (folder / name).write_bytes(prefix + data)


if __name__ == "__main__":
    main()
