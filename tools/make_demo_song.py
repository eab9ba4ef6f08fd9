#!/usr/bin/env python3
"""Writes data/demo/demo.kar: "Row, Row, Row Your Boat" (traditional, public domain) as a karaoke
MIDI file - conductor track, melody with lyric events, chords and bass. Standard library only;
the output is byte-for-byte reproducible."""
import os
import struct
import sys

DIVISION = 480
EIGHTH, QUARTER, DOTTED_QUARTER, DOTTED_HALF = 240, 480, 720, 1440
BAR = DOTTED_HALF  # 6/8
LEAD_IN = BAR      # one bar of accompaniment before the singing starts

# (note, length, syllable); a syllable ending in "\r" ends its line.
MELODY = [
    (60, DOTTED_QUARTER, "Row, "), (60, DOTTED_QUARTER, "row, "),
    (60, QUARTER, "row "), (62, EIGHTH, "your "), (64, DOTTED_QUARTER, "boat,\r"),
    (64, QUARTER, "Gent"), (62, EIGHTH, "ly "), (64, QUARTER, "down "), (65, EIGHTH, "the "),
    (67, DOTTED_HALF, "stream.\r"),
    (72, EIGHTH, "Mer"), (72, EIGHTH, "ri"), (72, EIGHTH, "ly, "),
    (67, EIGHTH, "mer"), (67, EIGHTH, "ri"), (67, EIGHTH, "ly, "),
    (64, EIGHTH, "mer"), (64, EIGHTH, "ri"), (64, EIGHTH, "ly, "),
    (60, EIGHTH, "mer"), (60, EIGHTH, "ri"), (60, EIGHTH, "ly,\r"),
    (67, QUARTER, "Life "), (65, EIGHTH, "is "), (64, QUARTER, "but "), (62, EIGHTH, "a "),
    (60, DOTTED_HALF, "dream.\r"),
]
# One chord per dotted quarter, lead-in bar included.
CHORDS = "C C  C C  C C  C G  C C  C C  C C  G G  C C".split()
CHORD_NOTES = {"C": (60, 64, 67), "G": (55, 59, 62, 65)}
BASS_NOTES = {"C": 36, "G": 43}


def varlen(value):
    out = [value & 0x7F]
    value >>= 7
    while value:
        out.insert(0, 0x80 | (value & 0x7F))
        value >>= 7
    return bytes(out)


def meta(kind, data):
    return bytes([0xFF, kind]) + varlen(len(data)) + data


def chunk(events):
    """events: (tick, order, bytes); sorted by tick, then order (note-offs before note-ons)."""
    body, last = b"", 0
    for tick, _, data in sorted(events, key=lambda e: (e[0], e[1])):
        body += varlen(tick - last) + data
        last = tick
    body += varlen(0) + meta(0x2F, b"")
    return b"MTrk" + struct.pack(">I", len(body)) + body


def text(s):
    return s.encode("cp1252")


def main():
    end = LEAD_IN + sum(length for _, length, _ in MELODY)

    conductor = [
        (0, 0, meta(0x03, text("Row, Row, Row Your Boat"))),
        (0, 1, meta(0x02, text("Traditional, public domain"))),
        (0, 2, meta(0x58, bytes([6, 3, 36, 8]))),          # 6/8
        (0, 3, meta(0x59, bytes([0, 0]))),                 # C major
        (0, 4, meta(0x51, (500000).to_bytes(3, "big"))),    # quarter = 120
        (0, 5, meta(0x01, text("@T Row, Row, Row Your Boat"))),
    ]

    melody = [(0, 0, meta(0x03, text("Melody"))), (0, 1, bytes([0xC0, 73]))]  # flute
    # Title and artist lines first, as the lyrics header.
    melody.append((0, 2, meta(0x05, text("Row, Row, Row Your Boat\r"))))
    melody.append((0, 3, meta(0x05, text("Traditional\r"))))
    tick = LEAD_IN
    for note, length, syllable in MELODY:
        melody.append((tick, 5, meta(0x05, text(syllable))))
        melody.append((tick, 6, bytes([0x90, note, 96])))
        melody.append((tick + length - 20, 0, bytes([0x80, note, 64])))
        tick += length

    chords = [(0, 0, meta(0x03, text("Chords"))), (0, 1, bytes([0xC1, 48]))]  # strings
    bass = [(0, 0, meta(0x03, text("Bass"))), (0, 1, bytes([0xC2, 33]))]      # acoustic bass
    for i, name in enumerate(CHORDS):
        start = i * DOTTED_QUARTER
        for n in CHORD_NOTES[name]:
            chords.append((start, 6, bytes([0x91, n, 56])))
            chords.append((start + DOTTED_QUARTER - 30, 0, bytes([0x81, n, 64])))
        bass.append((start, 6, bytes([0x92, BASS_NOTES[name], 90])))
        bass.append((start + QUARTER, 0, bytes([0x82, BASS_NOTES[name], 64])))
    assert len(CHORDS) * DOTTED_QUARTER == end

    tracks = [conductor, melody, chords, bass]
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(tracks), DIVISION)
    data += b"".join(chunk(t) for t in tracks)

    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(top, "data", "demo", "demo.kar")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(data)
    print(f"{out}: {len(data)} bytes")


if __name__ == "__main__":
    main()
