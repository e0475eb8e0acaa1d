#!/usr/bin/env python3
"""Writes an MPEG-1 Layer I file holding steady sine tones (one frequency per channel).

Debian ships no Layer I encoder, so the test media gets its MP1 file from here. The encoder is a
real one for the signals it is given: a cosine-modulated 32-band analysis filter bank (its own
windowed-sinc prototype), scale factors, a greedy bit allocation and the Layer I quantiser. For a
steady sine the output of each band filter is itself a sine, so the subband samples are computed
from each filter's response at the tone frequency instead of by running the filter bank over
every input sample — the bit stream is the same, and it takes milliseconds in plain Python.

usage: mp1enc.py OUT.mp1 SECONDS FREQ_LEFT FREQ_RIGHT [AMPLITUDE]
"""
import cmath
import math
import struct
import sys

RATE = 48000
BITRATE_INDEX = 12  # 384 kbit/s
FRAME_BYTES = 12 * 384000 // RATE * 4  # 384, no padding at 48 kHz
SAMPLES_PER_FRAME = 384
TAPS = 512
# Subband samples of a cosine-modulated bank carry half the input level; the decoder's
# synthesis restores it. Checked with FFmpeg's decoder: amplitude 0.5 in, 0.5 out.
LEVEL = 2.0


def prototype():
    """Linear-phase low-pass at pi/64 (half a band), Blackman-windowed sinc."""
    h = []
    centre = (TAPS - 1) / 2.0
    fc = 1.0 / 128.0
    for n in range(TAPS):
        x = n - centre
        s = 2 * fc if x == 0 else math.sin(2 * math.pi * fc * x) / (math.pi * x)
        w = 0.42 - 0.5 * math.cos(2 * math.pi * n / (TAPS - 1)) + 0.08 * math.cos(
            4 * math.pi * n / (TAPS - 1))
        h.append(s * w)
    return h


def band_responses(freq):
    """Complex response of each of the 32 analysis filters at `freq`."""
    h = prototype()
    w = 2 * math.pi * freq / RATE
    out = []
    for k in range(32):
        acc = 0j
        for n in range(TAPS):
            hk = h[n] * math.cos((2 * k + 1) * (n - 16) * math.pi / 64)
            acc += hk * cmath.exp(-1j * w * n)
        out.append(acc * LEVEL)
    return out


SCALE = [2.0 ** (1 - i / 3.0) for i in range(63)]


def scalefactor_index(peak):
    best = 0
    for i, sf in enumerate(SCALE):
        if sf >= peak:
            best = i
    return best


class BitWriter:
    def __init__(self):
        self.bits = []

    def put(self, value, width):
        for i in range(width - 1, -1, -1):
            self.bits.append((value >> i) & 1)

    def tobytes(self, size):
        bits = self.bits + [0] * (size * 8 - len(self.bits))
        assert len(bits) == size * 8, "frame overflow"
        out = bytearray()
        for i in range(0, len(bits), 8):
            b = 0
            for bit in bits[i:i + 8]:
                b = (b << 1) | bit
            out.append(b)
        return bytes(out)


def allocate(peaks, budget):
    """Greedy allocation: more bits where the level above the quantisation noise is highest."""
    alloc = [[0] * 32 for _ in peaks]
    used = 0
    while True:
        best = None
        for ch, chpeaks in enumerate(peaks):
            for sb in range(32):
                nb = alloc[ch][sb]
                if nb == 15 or chpeaks[sb] < 1e-5:
                    continue
                cost = 6 + 24 if nb == 0 else 12
                if used + cost > budget:
                    continue
                prio = 20 * math.log10(chpeaks[sb]) - 6.02 * nb
                if best is None or prio > best[0]:
                    best = (prio, ch, sb, cost)
        if best is None:
            return alloc
        _, ch, sb, cost = best
        alloc[ch][sb] = 2 if alloc[ch][sb] == 0 else alloc[ch][sb] + 1
        used += cost


def quantise(x, nb):
    levels = (1 << nb) - 1
    mant = int(math.floor(x * levels / 2 + (1 << (nb - 1)) - 1 + 0.5))
    return max(0, min(levels - 1, mant))


def encode(path, seconds, freqs, amplitude):
    frames = int(round(seconds * RATE / SAMPLES_PER_FRAME))
    responses = [band_responses(f) for f in freqs]
    header = (0xFFF << 20) | (1 << 19) | (3 << 17) | (1 << 16) | (BITRATE_INDEX << 12) | \
        (1 << 10) | (0 << 6) | (1 << 2)
    budget = FRAME_BYTES * 8 - 32 - 4 * 32 * len(freqs)
    with open(path, "wb") as f:
        for fr in range(frames):
            sub = []  # [ch][sb][12]
            for ch, freq in enumerate(freqs):
                w = 2 * math.pi * freq / RATE
                bands = []
                for sb in range(32):
                    hk = responses[ch][sb]
                    vals = []
                    for s in range(12):
                        t = (fr * 12 + s) * 32 + 31
                        vals.append(amplitude * (cmath.exp(1j * w * t) * hk).real)
                    bands.append(vals)
                sub.append(bands)
            peaks = [[max(abs(v) for v in sub[ch][sb]) for sb in range(32)]
                     for ch in range(len(freqs))]
            alloc = allocate(peaks, budget)
            sfi = [[scalefactor_index(min(peaks[ch][sb], 2.0)) for sb in range(32)]
                   for ch in range(len(freqs))]
            bw = BitWriter()
            bw.put(header, 32)
            for sb in range(32):
                for ch in range(len(freqs)):
                    nb = alloc[ch][sb]
                    bw.put(nb - 1 if nb else 0, 4)
            for sb in range(32):
                for ch in range(len(freqs)):
                    if alloc[ch][sb]:
                        bw.put(sfi[ch][sb], 6)
            for s in range(12):
                for sb in range(32):
                    for ch in range(len(freqs)):
                        nb = alloc[ch][sb]
                        if nb:
                            x = sub[ch][sb][s] / SCALE[sfi[ch][sb]]
                            bw.put(quantise(max(-1.0, min(1.0, x)), nb), nb)
            f.write(bw.tobytes(FRAME_BYTES))


def main():
    if len(sys.argv) not in (5, 6):
        sys.exit(__doc__)
    amplitude = float(sys.argv[5]) if len(sys.argv) == 6 else 0.5
    encode(sys.argv[1], float(sys.argv[2]), [float(sys.argv[3]), float(sys.argv[4])], amplitude)


if __name__ == "__main__":
    main()
